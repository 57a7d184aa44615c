#pragma once
// The user accounts window: the user list, the password change, and (for advanced users) adding,
// replacing and deleting users.

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStandardItemModel;
class QTreeView;

namespace vorlan::users {

class Frm_RenYuanGL : public QDialog {
    Q_OBJECT
public:
    explicit Frm_RenYuanGL(QWidget* parent = nullptr);

    // The window's load: columns, the list, and the buttons allowed to the current user level.
    void load();

    QGroupBox* Frame1 = nullptr; // "用户列表"
    QTreeView* Lst1 = nullptr;
    QStandardItemModel* users = nullptr; // Lst1's rows
    QLineEdit* Text5 = nullptr;          // "开票人："
    QLineEdit* Text1 = nullptr;          // "原来口令："
    QLineEdit* Text2 = nullptr;          // "变更口令："
    QLineEdit* Text3 = nullptr;          // "确认口令："
    QLabel* Label8 = nullptr;            // "用户编号："
    QLineEdit* Text4 = nullptr;          // the user number, beside Label8
    QPushButton* Command2 = nullptr;     // "确  认"
    QPushButton* Command3 = nullptr;     // "删  除"

    QGroupBox* Frame2 = nullptr; // "新增用户"
    QLineEdit* Txt_id = nullptr;
    QLineEdit* Txt_name = nullptr;
    QLineEdit* Txt_mm1 = nullptr;
    QGroupBox* 等级 = nullptr;
    QRadioButton* Option高级 = nullptr;
    QRadioButton* Option普通 = nullptr;
    QPushButton* Command5 = nullptr; // "保  存"

    QPushButton* Command1 = nullptr; // "返  回"

    void Lst1_Click();
    void Command2_Click(); // change the password
    void Command3_Click(); // delete the chosen user
    void Command5_Click(); // save a new user

private:
    void fillList();
    void reportFailure(const QString& description);
    bool filling_ = false;
};

} // namespace vorlan::users
