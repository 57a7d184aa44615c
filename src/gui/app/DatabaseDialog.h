#pragma once
// The dialog "数据库连接": which database this computer uses, the local file or a database on a server,
// with a test of the connection. The setting is this computer's (data::setConfiguredServer); the
// password is never stored: it serves the test and this run only.

#include "data/PostgresEngine.h"
#include "data/ServerAddress.h"

#include <QDialog>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace vorlan::app {

class DatabaseDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode {
        Configure,       // 确定 saves the choice for this computer
        MigrationTarget, // choosing the server to copy the local database to: 确定 saves nothing
        Password,        // the server of this run asks for its password: only 密码 can be changed
    };
    enum Kind { LocalFile = 0, Server = 1 };
    using Choice = std::optional<data::ServerAddress>; // nothing: the local file

    // chosen, when given, receives on 确定 the address as typed, password included.
    explicit DatabaseDialog(QWidget* parent = nullptr, Mode mode = Mode::Configure, Choice* chosen = nullptr);

    // Shows what this computer uses now.
    void load();
    void setAddress(const Choice& a);
    // The fields as an address, password included; nothing for the local file.
    Choice address() const;
    // A line above the fields, e.g. why the dialog was opened; the focus goes to 密码.
    void setMessage(const QString& text);

    // At start, when the server asks for a password and none is known: the dialog with the reason and
    // the focus in 密码. The password typed; empty when the user cancels.
    static QString askPassword(QWidget* parent, const data::ServerAddress& a, const QString& why);

    // What 测试连接 asks; tests put their own answers here.
    std::function<data::postgres::Probe(const data::ServerAddress&)> probe = data::postgres::probe;

    QLabel* lblMessage = nullptr;
    QComboBox* cboKind = nullptr;
    QLabel* lblFile = nullptr; // the local file's path
    QLineEdit* txtServer = nullptr;
    QSpinBox* txtPort = nullptr;
    QLineEdit* txtDatabase = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPassword = nullptr;
    QComboBox* cboSsl = nullptr;
    QPushButton* cmdTest = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cboKind_Click();
    void cmdTest_Click();
    void cmdOK_Click();

private:
    // The first server field that is missing, with the message naming it; false when all are there.
    bool checkFields();
    Mode mode_;
    Choice* chosen_;
};

// "本机文件 …" or the server, as the login window shows the database in use.
QString databaseInUseText();

// What the opening of the shared connection asks when the server wants a password that this computer
// does not know (app::Environment::serverPassword): the dialog in Mode::Password.
QString askServerPassword(const data::ServerAddress& a);

} // namespace vorlan::app
