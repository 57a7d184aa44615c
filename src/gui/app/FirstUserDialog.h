#pragma once
// Asked once, when the program has just created its database: the first advanced user.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vorlan::app {

class FirstUserDialog : public QDialog {
    Q_OBJECT
public:
    explicit FirstUserDialog(QWidget* parent = nullptr);

    QLineEdit* Text_uid = nullptr;
    QLineEdit* Text_name = nullptr;
    QLineEdit* Text_pass = nullptr;
    QLineEdit* Text_pass2 = nullptr;
    QPushButton* XPBut_ok = nullptr;
    QPushButton* XPBut_cancel = nullptr;

    void XPBut_ok_Click();
};

} // namespace vorlan::app
