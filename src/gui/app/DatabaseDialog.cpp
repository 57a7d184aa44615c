#include "app/DatabaseDialog.h"

#include "app/AppState.h"
#include "data/Database.h"
#include "ui/Controls.h"
#include "ui/Modal.h"
#include "ui/Prompt.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vorlan::app {

namespace {

const QString kTitle = QStringLiteral("数据库连接");

// The wait cursor while a connection is tried.
struct WaitCursor {
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QLineEdit* makeLine(QWidget* parent, const QString& name, int maxLength) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMaxLength(maxLength);
    return e;
}

QString localFileText() {
    return QStringLiteral("本机文件 ") + QDir::toNativeSeparators(data::databasePath());
}

data::ServerAddress withoutPassword(data::ServerAddress a) {
    a.password.clear();
    return a;
}

} // namespace

DatabaseDialog::DatabaseDialog(QWidget* parent, Mode mode, Choice* chosen)
    : QDialog(parent), mode_(mode), chosen_(chosen) {
    setObjectName(QStringLiteral("DatabaseDialog"));
    setWindowTitle(mode == Mode::MigrationTarget ? QStringLiteral("迁移到服务器") : kTitle);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    lblMessage = ui::makeLabel(this, QStringLiteral("lblMessage"), QString());
    lblMessage->setWordWrap(true);
    lblMessage->setStyleSheet(QStringLiteral("color: #a03010;"));
    lblMessage->setVisible(false);

    cboKind = new QComboBox(this);
    cboKind->setObjectName(QStringLiteral("cboKind"));
    cboKind->addItem(QStringLiteral("本机文件"));
    cboKind->addItem(QStringLiteral("PostgreSQL服务器"));
    lblFile = ui::makeLabel(this, QStringLiteral("lblFile"), QDir::toNativeSeparators(data::databasePath()));
    lblFile->setToolTip(lblFile->text());
    lblFile->setTextInteractionFlags(Qt::TextSelectableByMouse);

    txtServer = makeLine(this, QStringLiteral("txtServer"), 255);
    txtServer->setPlaceholderText(QStringLiteral("名称、IP 地址，或服务器套接字所在的文件夹"));
    txtPort = new QSpinBox(this);
    txtPort->setObjectName(QStringLiteral("txtPort"));
    txtPort->setRange(1, 65535);
    txtPort->setValue(data::ServerAddress().port);
    txtDatabase = makeLine(this, QStringLiteral("txtDatabase"), 63);
    txtUser = makeLine(this, QStringLiteral("txtUser"), 63);
    txtPassword = makeLine(this, QStringLiteral("txtPassword"), 255);
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setPlaceholderText(QStringLiteral("不保存，只用于测试连接和本次运行"));
    cboSsl = new QComboBox(this);
    cboSsl->setObjectName(QStringLiteral("cboSsl"));
    cboSsl->addItem(QStringLiteral("默认"), QString());
    cboSsl->addItem(QStringLiteral("require"), QStringLiteral("require"));
    cboSsl->addItem(QStringLiteral("verify-full"), QStringLiteral("verify-full"));

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->addRow(QStringLiteral("数据库类型："), cboKind);
    form->addRow(QStringLiteral("数据库文件："), lblFile);
    form->addRow(QStringLiteral("服务器："), txtServer);
    form->addRow(QStringLiteral("端口："), txtPort);
    form->addRow(QStringLiteral("数据库："), txtDatabase);
    form->addRow(QStringLiteral("用户："), txtUser);
    form->addRow(QStringLiteral("密码："), txtPassword);
    form->addRow(QStringLiteral("SSL："), cboSsl);
    auto* note = ui::makeLabel(
        this, QStringLiteral("lblNote"),
        mode == Mode::MigrationTarget
            ? QStringLiteral("本机数据库文件的全部数据将复制到这个数据库中，它必须是空的；"
                             "本机文件不会改动。")
            : QStringLiteral("设置只保存在这台电脑上，密码不保存。不想每次输入密码，可以把它写在"
                             "用户自己的 ~/.pgpass 文件中。"));
    note->setWordWrap(true);
    note->setStyleSheet(QStringLiteral("color: #35507a;"));

    cmdTest = ui::makeButton(this, QStringLiteral("cmdTest"), QStringLiteral("测试连接"));
    cmdOK = ui::makeButton(this, QStringLiteral("cmdOK"), QStringLiteral("确定"));
    cmdOK->setDefault(true); // Enter in a field
    cmdCancel = ui::makeButton(this, QStringLiteral("cmdCancel"), QStringLiteral("取消"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdTest);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblMessage);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addSpacing(ui::toPixels(120_tw));
    layout->addLayout(buttons);
    setMinimumWidth(ui::toPixels(6600_tw));

    QWidget* order[] = {cboKind,     txtServer, txtPort, txtDatabase, txtUser,
                        txtPassword, cboSsl,    cmdTest, cmdOK,       cmdCancel};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    if (mode != Mode::Configure)
        cboKind->setCurrentIndex(Server);
    cboKind_Click();

    connect(cboKind, &QComboBox::activated, this, &DatabaseDialog::cboKind_Click);
    connect(cmdTest, &QPushButton::clicked, this, &DatabaseDialog::cmdTest_Click);
    connect(cmdOK, &QPushButton::clicked, this, &DatabaseDialog::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void DatabaseDialog::load() {
    setAddress(data::configuredServer());
    if (mode_ != Mode::Configure && txtServer->text().isEmpty())
        txtServer->setFocus();
    else
        cboKind->setFocus();
}

void DatabaseDialog::setAddress(const Choice& a) {
    if (mode_ == Mode::Configure)
        cboKind->setCurrentIndex(a ? Server : LocalFile);
    if (a) {
        txtServer->setText(a->host);
        txtPort->setValue(a->port);
        txtDatabase->setText(a->database);
        txtUser->setText(a->user);
        txtPassword->setText(a->password);
        int ssl = cboSsl->findData(a->sslmode);
        if (ssl < 0) {
            // A mode set elsewhere (an address typed in full) is kept as it is.
            cboSsl->addItem(a->sslmode, a->sslmode);
            ssl = cboSsl->count() - 1;
        }
        cboSsl->setCurrentIndex(ssl);
    }
    cboKind_Click();
}

DatabaseDialog::Choice DatabaseDialog::address() const {
    if (cboKind->currentIndex() != Server)
        return std::nullopt;
    data::ServerAddress a;
    a.host = txtServer->text().trimmed();
    a.port = txtPort->value();
    a.database = txtDatabase->text().trimmed();
    a.user = txtUser->text().trimmed();
    a.password = txtPassword->text();
    a.sslmode = cboSsl->currentData().toString();
    return a;
}

void DatabaseDialog::setMessage(const QString& text) {
    lblMessage->setText(text);
    lblMessage->setVisible(!text.isEmpty());
    txtPassword->setFocus();
    txtPassword->selectAll();
}

void DatabaseDialog::cboKind_Click() {
    const bool server = cboKind->currentIndex() == Server;
    // Asked for the password of a server already chosen, nothing else can change.
    const bool addressFree = server && mode_ != Mode::Password;
    for (QWidget* w : std::initializer_list<QWidget*>{txtServer, txtPort, txtDatabase, txtUser, cboSsl})
        w->setEnabled(addressFree);
    txtPassword->setEnabled(server);
    cmdTest->setEnabled(server);
    cboKind->setEnabled(mode_ == Mode::Configure);
    lblFile->setEnabled(!server);
}

bool DatabaseDialog::checkFields() {
    struct Required {
        QLineEdit* field;
        const char16_t* text;
    };
    const Required required[] = {
        {txtServer, u"请输入服务器的名称或地址！"},
        {txtDatabase, u"请输入数据库的名称！"},
        {txtUser, u"请输入连接服务器所用的用户名！"},
    };
    for (const Required& r : required) {
        if (!r.field->text().trimmed().isEmpty())
            continue;
        ui::show(this, QString::fromUtf16(r.text), QStringLiteral("输入提示"));
        r.field->setFocus();
        return false;
    }
    return true;
}

void DatabaseDialog::cmdTest_Click() {
    if (!checkFields())
        return;
    const data::ServerAddress a = *address();
    data::postgres::Probe p;
    {
        WaitCursor wait;
        p = probe(a);
    }
    if (p.ok) {
        ui::information(this,
                        QStringLiteral("连接成功：%1%2")
                            .arg(data::shownServer(a),
                                 p.empty ? QStringLiteral("是空的数据库，可以把本机的数据迁移到这里。")
                                         : QStringLiteral("是本系统的数据库。")),
                        kTitle);
        return;
    }
    ui::exclamation(this, p.message, kTitle);
    using Kind = data::postgres::ServerError::Kind;
    if (p.kind == Kind::BadPassword || p.kind == Kind::PasswordNeeded) {
        txtPassword->setFocus();
        txtPassword->selectAll();
    }
}

void DatabaseDialog::cmdOK_Click() {
    const Choice a = address();
    if (a && !checkFields())
        return;
    if (mode_ == Mode::Configure) {
        const Choice before = data::configuredServer();
        const Choice saved = a ? Choice(withoutPassword(*a)) : std::nullopt;
        if (saved != before) {
            data::setConfiguredServer(saved);
            QString text = QStringLiteral("数据库连接已保存：本系统从下次登录（或重新启动）起使用%1。")
                               .arg(a ? data::shownServer(*a) : localFileText());
            if (a)
                text += QStringLiteral("\n\n密码不会保存，连接时服务器要求密码会再询问；"
                                       "也可以把它写在用户自己的 ~/.pgpass 文件中。");
            ui::information(this, text, QStringLiteral("系统提示"));
        }
    }
    if (chosen_)
        *chosen_ = a;
    accept();
}

QString DatabaseDialog::askPassword(QWidget* parent, const data::ServerAddress& a, const QString& why) {
    Choice chosen;
    auto dialog = std::make_unique<DatabaseDialog>(parent, Mode::Password, &chosen);
    dialog->setAddress(a);
    dialog->setMessage(why);
    if (ui::execModal(std::move(dialog)) != QDialog::Accepted || !chosen)
        return QString();
    return chosen->password;
}

QString askServerPassword(const data::ServerAddress& a) {
    return DatabaseDialog::askPassword(
        nullptr, a,
        QStringLiteral("%1要求输入密码。请输入密码后按“确定”（密码不会保存）。").arg(data::shownServer(a)));
}

QString databaseInUseText() {
    const QSqlDatabase db = state().connectionOpened ? data::shared() : QSqlDatabase();
    if (db.isOpen() && db.driverName() == QLatin1String(data::postgres::kDriver)) {
        data::ServerAddress a;
        a.host = db.hostName();
        a.port = db.port() > 0 ? db.port() : a.port;
        a.database = db.databaseName();
        return data::shownServer(a);
    }
    if (db.isOpen())
        return QStringLiteral("本机文件 ") + QDir::toNativeSeparators(db.databaseName());
    if (const auto configured = data::configuredServer())
        return data::shownServer(*configured);
    return localFileText();
}

} // namespace vorlan::app
