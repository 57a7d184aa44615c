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
    QLabel* Image1 = nullptr; // the printer picture
    QLabel* Image3 = nullptr; // the globe picture
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* Label2 = nullptr;                 // "非常感谢您使用本系统…"
    QLabel* Label1 = nullptr;                 // "…技术支持…"
    QLabel* Label6 = nullptr;                 // "软件版本号最新公告："
    QPlainTextEdit* Text2 = nullptr;          // the downloaded notice
    QPushButton* XPButton1 = nullptr;         // download the notice
    QPushButton* Command1 = nullptr;          // start the upgrade program
    QPushButton* XPButton2 = nullptr;         // the maker's web site
    QLabel* lblDataFile = nullptr;            // the database file in use
    QPushButton* cmdOpenDataFolder = nullptr; // opens its folder

    void XPButton1_Click();
    void Command1_Click();
    void XPButton2_Click();
    void cmdOpenDataFolder_Click();

private:
    void showText(const QString& text);
};

} // namespace vorlan::about
