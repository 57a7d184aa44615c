#include "app/FirstUserDialog.h"

#include "app/AppState.h"
#include "app/FirstUser.h"
#include "data/Schema.h"
#include "data/Sql.h"
#include "ui/Controls.h"
#include "ui/Guarded.h"
#include "ui/Prompt.h"
#include "ui/Twips.h"
#include "users/PasswordRules.h"
#include "users/UserStore.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorlan::app {

FirstUserDialog::FirstUserDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FirstUserDialog"));
    setWindowTitle(QStringLiteral("首次使用：设置管理员"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* intro = new QLabel(QStringLiteral("这是第一次使用本系统，请设置第一位高级用户（管理员）。"), this);
    intro->setWordWrap(true);

    auto make = [this](const QString& name, int maxLength, bool secret) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setMaxLength(maxLength);
        if (secret)
            e->setEchoMode(QLineEdit::Password);
        return e;
    };
    Text_uid = make(QStringLiteral("Text_uid"), 5, false);
    Text_name = make(QStringLiteral("Text_name"), 10, false);
    Text_pass = make(QStringLiteral("Text_pass"), 10, true);
    Text_pass2 = make(QStringLiteral("Text_pass2"), 10, true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("用户编号："), Text_uid);
    form->addRow(QStringLiteral("用户姓名："), Text_name);
    form->addRow(QStringLiteral("用户密码："), Text_pass);
    form->addRow(QStringLiteral("确认密码："), Text_pass2);

    XPBut_ok = new QPushButton(QStringLiteral("确  定"), this);
    XPBut_ok->setObjectName(QStringLiteral("XPBut_ok"));
    XPBut_cancel = new QPushButton(QStringLiteral("取  消"), this);
    XPBut_cancel->setObjectName(QStringLiteral("XPBut_cancel"));
    ui::prepareButton(XPBut_ok);
    ui::prepareButton(XPBut_cancel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(XPBut_ok);
    buttons->addWidget(XPBut_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setMinimumWidth(ui::toPixels(5200_tw));

    connect(XPBut_ok, &QPushButton::clicked, this, &FirstUserDialog::XPBut_ok_Click);
    connect(XPBut_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FirstUserDialog::XPBut_ok_Click() {
    const QString uid = Text_uid->text().trimmed();
    const QString name = Text_name->text().trimmed();
    const QString pass = Text_pass->text().trimmed();
    if (uid.isEmpty() || name.isEmpty()) {
        ui::show(this, QStringLiteral("用户编号和用户姓名都不能为空，请输入！"), QStringLiteral("输入提示"));
        return;
    }
    if (pass.isEmpty()) {
        ui::show(this, QStringLiteral("用户密码不能为空，请输入！"), QStringLiteral("输入提示"));
        return;
    }
    const users::PasswordVerdict verdict = users::checkPassword(pass, 20);
    if (verdict.problem == users::PasswordVerdict::BadCharacter) {
        ui::show(this, users::badCharacterText(verdict.character), QStringLiteral("输入提示"));
        Text_pass->setFocus();
        return;
    }
    if (pass != Text_pass2->text().trimmed()) {
        ui::show(this, QStringLiteral("两次输入的密码不一致，请重新输入！"), QStringLiteral("输入提示"));
        Text_pass2->clear();
        Text_pass2->setFocus();
        return;
    }
    const bool done =
        ui::guarded(this, u"XPBut_ok_Click", [&] { saveFirstUser(state().engine(), uid, name, pass); });
    if (!done)
        return;
    accept();
}

} // namespace vorlan::app
