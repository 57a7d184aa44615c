#include "users/Frm_RenYuanGL.h"

#include "app/AppState.h"
#include "app/Windows.h"
#include "data/Sql.h"
#include "ui/Controls.h"
#include "ui/Guarded.h"
#include "ui/Modal.h"
#include "ui/Prompt.h"
#include "ui/TwipsLayout.h"
#include "users/AccountRules.h"
#include "users/UserStore.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTreeView>

#include <algorithm>

namespace vorlan::users {

namespace {

const QString kResultTitle = QStringLiteral("操作结果报告");
const QString kInvalidTitle = QStringLiteral("操作无效报告");
const QString kConfirmTitle = QStringLiteral("关键操作的确认");

QLineEdit* edit(QWidget* parent, const QString& name, int maxLength, bool secret) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    if (secret) {
        e->setEchoMode(QLineEdit::Password);
        e->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // shown as "*"
    }
    return e;
}

} // namespace

Frm_RenYuanGL::Frm_RenYuanGL(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Frm_RenYuanGL"));
    setWindowTitle(QStringLiteral("人员管理"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui::setClientSize(this, {9600_tw, 6840_tw});
    setFixedSize(size());

    // The user list and the password change.
    Frame1 = new QGroupBox(QStringLiteral("用户列表"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    ui::place(Frame1, {120_tw, 90_tw, 9360_tw, 3870_tw});

    Lst1 = new QTreeView(Frame1);
    Lst1->setObjectName(QStringLiteral("Lst1"));
    Lst1->setRootIsDecorated(false);
    Lst1->setUniformRowHeights(true);
    Lst1->setAllColumnsShowFocus(true);
    Lst1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Lst1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Lst1->setSelectionMode(QAbstractItemView::SingleSelection);
    users = new QStandardItemModel(0, 3, this);
    Lst1->setModel(users);
    ui::place(Lst1, {180_tw, 360_tw, 4800_tw, 3330_tw});

    const double lx = 5100, lw = 1300, ex = 6450, ew = 2700;
    ui::placeLabel(Frame1, QStringLiteral("开票人："), ui::Twips(lx), 420_tw, ui::Twips(lw));
    Text5 = edit(Frame1, QStringLiteral("Text5"), kNameLength, false);
    ui::place(Text5, {ui::Twips(ex), 405_tw, ui::Twips(ew), 360_tw});
    ui::placeLabel(Frame1, QStringLiteral("原来口令："), ui::Twips(lx), 880_tw, ui::Twips(lw));
    Text1 = edit(Frame1, QStringLiteral("Text1"), 0, true);
    ui::place(Text1, {ui::Twips(ex), 865_tw, ui::Twips(ew), 360_tw});
    ui::placeLabel(Frame1, QStringLiteral("变更口令："), ui::Twips(lx), 1340_tw, ui::Twips(lw));
    Text2 = edit(Frame1, QStringLiteral("Text2"), 0, true);
    ui::place(Text2, {ui::Twips(ex), 1325_tw, ui::Twips(ew), 360_tw});
    ui::placeLabel(Frame1, QStringLiteral("确认口令："), ui::Twips(lx), 1800_tw, ui::Twips(lw));
    Text3 = edit(Frame1, QStringLiteral("Text3"), 0, true);
    ui::place(Text3, {ui::Twips(ex), 1785_tw, ui::Twips(ew), 360_tw});
    Label8 = ui::placeLabel(Frame1, QStringLiteral("用户编号："), ui::Twips(lx), 2260_tw, ui::Twips(lw));
    Label8->setObjectName(QStringLiteral("Label8"));
    Text4 = edit(Frame1, QStringLiteral("Text4"), 0, false);
    Text4->setReadOnly(true);
    ui::place(Text4, {ui::Twips(ex), 2245_tw, ui::Twips(ew), 360_tw});
    Label8->hide();
    Text4->hide();

    Command2 = ui::makeButton(Frame1, QStringLiteral("Command2"), QStringLiteral("确  认"));
    ui::place(Command2, {5700_tw, 3030_tw, 1455_tw, 450_tw});
    Command3 = ui::makeButton(Frame1, QStringLiteral("Command3"), QStringLiteral("删  除"));
    ui::place(Command3, {7620_tw, 3030_tw, 1455_tw, 450_tw});

    // A new user.
    Frame2 = new QGroupBox(QStringLiteral("新增用户"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    ui::place(Frame2, {120_tw, 4080_tw, 9360_tw, 2025_tw});

    ui::placeLabel(Frame2, QStringLiteral("用户ID："), 120_tw, 420_tw, 1000_tw);
    Txt_id = edit(Frame2, QStringLiteral("Txt_id"), kUidLength, false);
    ui::place(Txt_id, {1170_tw, 405_tw, 1500_tw, 360_tw});
    ui::placeLabel(Frame2, QStringLiteral("开票人："), 2820_tw, 420_tw, 1000_tw);
    Txt_name = edit(Frame2, QStringLiteral("Txt_name"), kNameLength, false);
    ui::place(Txt_name, {3870_tw, 405_tw, 2100_tw, 360_tw});
    ui::placeLabel(Frame2, QStringLiteral("口  令："), 6120_tw, 420_tw, 1000_tw);
    Txt_mm1 = edit(Frame2, QStringLiteral("Txt_mm1"), kNewUserPasswordLength, true);
    ui::place(Txt_mm1, {7170_tw, 405_tw, 1950_tw, 360_tw});

    ui::placeLabel(Frame2, QStringLiteral("级  别："), 120_tw, 1260_tw, 1000_tw);
    等级 = new QGroupBox(QStringLiteral("等级"), Frame2);
    等级->setObjectName(QStringLiteral("等级"));
    ui::place(等级, {1170_tw, 960_tw, 4800_tw, 870_tw});
    Option高级 = new QRadioButton(QStringLiteral("高级用户"), 等级);
    Option高级->setObjectName(QStringLiteral("Option高级"));
    ui::place(Option高级, {360_tw, 360_tw, 1800_tw, 360_tw});
    Option普通 = new QRadioButton(QStringLiteral("普通用户"), 等级);
    Option普通->setObjectName(QStringLiteral("Option普通"));
    ui::place(Option普通, {2580_tw, 360_tw, 1800_tw, 360_tw});

    Command5 = ui::makeButton(Frame2, QStringLiteral("Command5"), QStringLiteral("保  存"));
    ui::place(Command5, {7620_tw, 1240_tw, 1455_tw, 450_tw});

    Command1 = ui::makeButton(this, QStringLiteral("Command1"), QStringLiteral("返  回"));
    ui::place(Command1, {7860_tw, 6240_tw, 1455_tw, 450_tw});

    connect(Lst1, &QTreeView::clicked, this, &Frm_RenYuanGL::Lst1_Click);
    connect(Lst1->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
        if (!filling_)
            Lst1_Click();
    });
    connect(Command2, &QPushButton::clicked, this, &Frm_RenYuanGL::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Frm_RenYuanGL::Command3_Click);
    connect(Command5, &QPushButton::clicked, this, &Frm_RenYuanGL::Command5_Click);
    connect(Command1, &QPushButton::clicked, this, &QDialog::reject);
}

void Frm_RenYuanGL::load() {
    users->setHorizontalHeaderLabels(
        {QStringLiteral("用户ID号"), QStringLiteral("用户姓名"), QStringLiteral("用户权限")});
    Lst1->header()->resizeSection(0, ui::toPixels(1300_tw));
    Lst1->header()->resizeSection(1, ui::toPixels(1800_tw));
    fillList();
    const bool advanced = app::state().isAdvanced();
    Command5->setEnabled(advanced);
    Command3->setEnabled(advanced);
    Command2->setEnabled(true);
}

void Frm_RenYuanGL::fillList() {
    filling_ = true;
    users->removeRows(0, users->rowCount());
    ui::guarded(
        [&] {
            const QList<UserRow> rows = UserStore(app::state().engine()).all();
            if (rows.isEmpty()) {
                ui::show(this, QStringLiteral("该用户编号不存在,或用户密码错误"),
                         QStringLiteral("操作失败报告"));
            } else {
                for (const UserRow& r : rows) {
                    QList<QStandardItem*> items{new QStandardItem(r.uid.trimmed()), new QStandardItem(r.name),
                                                new QStandardItem(data::nullToEmpty(r.level))};
                    users->appendRow(items);
                }
                const QModelIndex last = users->index(users->rowCount() - 1, 0);
                Lst1->setCurrentIndex(last);
                Lst1->scrollTo(last);
            }
        },
        [&](const QString& why) { reportFailure(why); });
    filling_ = false;
}

void Frm_RenYuanGL::reportFailure(const QString& description) {
    ui::show(this,
             QStringLiteral("系统软件接受到一个不合法的数据,程序无法使用(") + description + QLatin1Char(')'),
             QStringLiteral("重要操作提示"), ui::Icon::Exclamation);
}

void Frm_RenYuanGL::Lst1_Click() {
    if (users->rowCount() == 0)
        return;
    const QModelIndex current = Lst1->currentIndex();
    if (!current.isValid())
        return;
    const QString name = users->index(current.row(), 1).data().toString().trimmed();
    // The limit is for typing: a longer name already in the table is taken whole, or that user could
    // be neither changed nor deleted.
    Text5->setMaxLength(std::max(kNameLength, int(name.size())));
    Text5->setText(name);
}

void Frm_RenYuanGL::Command2_Click() {
    for (QLineEdit* e : {Text1, Text2, Text3})
        e->setText(e->text().trimmed());
    const QString name = Text5->text().trimmed();
    ui::guarded(
        [&] {
            UserStore store(app::state().engine());
            const auto user = store.findByName(name);
            const PasswordChangeCheck check =
                checkPasswordChange(user, Text1->text(), Text2->text(), Text3->text());
            if (check.identified)
                Text4->setText(user->uid);
            if (check.problem) {
                ui::show(this, check.problem->text, check.problem->title);
                return;
            }
            // Every row of that name is rewritten as one, keeping the first row's number and level.
            store.rewriteByName(name, Text4->text(), Text2->text(), data::nullToEmpty(user->level));
            Label8->show();
            Text4->show();
            for (QLineEdit* e : {Text1, Text2, Text3, Text4})
                e->clear();
            ui::show(this, QStringLiteral("【变更口令】操作成功!"), kResultTitle);
        },
        [&](const QString& why) { reportFailure(why); });
}

void Frm_RenYuanGL::Command3_Click() {
    if (!app::state().isAdvanced())
        return;
    const QString name = Text5->text().trimmed();
    if (name.isEmpty()) {
        ui::show(this, QStringLiteral("错误:请您选择要删除的用户名!"), kInvalidTitle);
        return;
    }
    if (ui::question(this, QStringLiteral("您确定想删除:") + Text5->text() + QStringLiteral(" 的记录么?"),
                     kConfirmTitle, ui::Buttons::OkCancel) != ui::Answer::Ok)
        return;
    const bool done = ui::guarded([&] { UserStore(app::state().engine()).removeByName(name); },
                                  [&](const QString& why) { reportFailure(why); });
    if (!done)
        return;
    fillList();
    ui::show(this, QStringLiteral("【删除口令】操作成功!"), kResultTitle);
    for (QLineEdit* e : {Text1, Text2, Text3, Text4, Text5})
        e->clear();
    Text5->setMaxLength(kNameLength);
}

void Frm_RenYuanGL::Command5_Click() {
    if (!app::state().isAdvanced())
        return;
    const QString uid = Txt_id->text().trimmed();
    const QString name = Txt_name->text().trimmed();
    if (const auto problem = checkNewUser(uid, name, Txt_mm1->text())) {
        ui::show(this, problem->text, problem->title);
        return;
    }
    const QString level = Option高级->isChecked() ? QString::fromUtf8(app::kAdvancedLevel)
                                                  : QString::fromUtf8(app::kOrdinaryLevel);
    if (ui::question(this, QStringLiteral("您确定要保存:") + Txt_id->text() + QStringLiteral(" 的记录么?"),
                     kConfirmTitle, ui::Buttons::OkCancel) != ui::Answer::Ok)
        return;
    const bool done = ui::guarded(
        [&] { UserStore(app::state().engine()).replaceByUid(uid, name, Txt_mm1->text().trimmed(), level); },
        [&](const QString& why) { reportFailure(why); });
    if (!done)
        return;
    fillList();
    Txt_id->clear();
    Txt_name->clear();
    ui::show(this, QStringLiteral("本次用户信息记录保存成功!"), QStringLiteral("操作结果提示"));
}

} // namespace vorlan::users

namespace vorlan::windows {

void openUserAccounts(QWidget* parent) {
    ui::openModal<users::Frm_RenYuanGL>(parent);
}

} // namespace vorlan::windows
