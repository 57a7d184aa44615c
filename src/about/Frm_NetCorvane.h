#pragma once
// The About window: product and version, the maker's latest notice, the upgrade program, the web site.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vorlan::about {

class Frm_NetCorvane : public QDialog {
    Q_OBJECT
public:
    explicit Frm_NetCorvane(QWidget* parent = nullptr);

    QLabel* IMG_WORKHEAD_FILE = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image3 = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label6 = nullptr;
    QPlainTextEdit* Text2 = nullptr;
    QPushButton* XPButton1 = nullptr; // download the notice
    QPushButton* Command1 = nullptr;  // start the upgrade program
    QPushButton* XPButton2 = nullptr; // the maker's web site

    void XPButton1_Click();
    void Command1_Click();
    void XPButton2_Click();

private:
    void showText(const QString& text);
};

} // namespace vorlan::about
