#include "data/Database.h"

#include "app/AppState.h"

#include "data/ChangeWatcher.h"
#include "data/PostgresEngine.h"
#include "data/Schema.h"
#include "data/Sql.h"
#include "data/SqliteEngine.h"
#include "users/UserStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include <optional>

namespace vorlan::data {

namespace {

QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

OpenResult outcome(OpenStatus status, const QString& message = {}) {
    OpenResult r;
    r.status = status;
    r.message = message;
    return r;
}

const DataLocation& defaultLocation() {
    static const DataLocation location = [] {
        const QString exeDir = QCoreApplication::applicationDirPath();
        const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        DataLocation chosen = exeDir.isEmpty() || isInstalledLayout(exeDir)
                                  ? DataLocation{userDir, {}}
                                  : chooseDataLocation(exeDir, userDir, isWritableFolder(exeDir));
        if (chosen.folder == userDir)
            QDir().mkpath(userDir);
        return chosen;
    }();
    return location;
}

bool hasHotJournal(const QString& path) {
    const QFileInfo journal(path + QStringLiteral("-journal"));
    return journal.exists() && journal.size() > 0;
}

// Looks at an existing file on a connection of its own: tables, columns, pages. Returns Opened when the
// program may use it. Nothing is written on a read-only connection; the read-write one is only taken
// to let the engine roll back an interrupted write of the file's own (its journal), which a read-only
// connection cannot do.
OpenResult inspect(const QString& path, bool readOnly) {
    const QString shown = shownPath(path);
    const QString name = QStringLiteral("vorlan-inspect");
    OpenResult r;
    std::optional<Engine> opened;
    try {
        opened = sqlite::open(path, name, readOnly ? sqlite::Access::ReadOnly : sqlite::Access::ReadWrite);
    } catch (const DbError& e) {
        return outcome(OpenStatus::Failed, e.description());
    }
    {
        const Engine& db = *opened;
        {
            try {
                const QStringList missing = schema::missingTables(db);
                const QStringList columns = missing.isEmpty() ? schema::columnProblems(db) : QStringList();
                QString found;
                if (!missing.isEmpty())
                    r = outcome(
                        OpenStatus::Foreign,
                        QStringLiteral("数据库文件“%1”缺少数据表 %2，不是本系统的数据库文件，程序无法使用。")
                            .arg(shown, missing.join(QStringLiteral("、"))));
                else if (!columns.isEmpty())
                    r = outcome(OpenStatus::Foreign,
                                QStringLiteral("数据库文件“%1”的数据表与本系统不符（%"
                                               "2），不是本系统的数据库文件，程序无法使用。")
                                    .arg(shown, columns.join(QStringLiteral("；"))));
                else if (!(found = db.damageFound()).isEmpty())
                    r = outcome(OpenStatus::Damaged, damagedText(path, found));
                else
                    r.status = OpenStatus::Opened;
            } catch (const DbError& e) {
                const QString why = e.description();
                if (why.contains(QStringLiteral("malformed"), Qt::CaseInsensitive))
                    r = outcome(OpenStatus::Damaged, damagedText(path, why));
                else if (why.contains(QStringLiteral("not a database"), Qt::CaseInsensitive))
                    r = outcome(
                        OpenStatus::Foreign,
                        QStringLiteral("数据库文件“%1”不是本系统的数据库文件，程序无法使用。").arg(shown));
                else
                    r = outcome(OpenStatus::Failed,
                                QStringLiteral("无法使用数据库文件“%1”：%2").arg(shown, why));
            }
        }
    }
    {
        QSqlDatabase db = opened->db();
        opened.reset();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return r;
}

} // namespace

DataLocation chooseDataLocation(const QString& programFolder, const QString& userFolder,
                                bool programFolderWritable) {
    const QString fileName = QString::fromLatin1(kDatabaseFileName);
    // The database beside the program is the user's data, wherever else a file of that name may be.
    if (QFileInfo::exists(QDir(programFolder).filePath(fileName)) || userFolder.isEmpty())
        return {programFolder, {}};
    const QString inUserFolder = QDir(userFolder).filePath(fileName);
    if (programFolderWritable) {
        if (!QFileInfo::exists(inUserFolder))
            return {programFolder, {}};
        // An earlier run could not write beside the program and kept the data here: starting empty
        // beside the program now would look as if the data were gone.
        return {userFolder,
                QStringLiteral("本系统所在的文件夹“%1”中没有数据库文件，本次使用以前保存在“%2”的数据库文件。")
                    .arg(shownPath(programFolder), shownPath(inUserFolder))};
    }
    if (QFileInfo::exists(inUserFolder))
        return {userFolder, QStringLiteral("本系统所在的文件夹“%1”不能写入，本次使用数据库文件“%2”。")
                                .arg(shownPath(programFolder), shownPath(inUserFolder))};
    return {userFolder,
            QStringLiteral("本系统所在的文件夹“%1”不能写入，其中也没有数据库文件，新的数据库文件建在“%2”。")
                .arg(shownPath(programFolder), shownPath(inUserFolder))};
}

bool isInstalledLayout(const QString& programFolder) {
    return QFileInfo(QDir(programFolder).filePath(QStringLiteral("../share/vorlan/installed"))).isFile();
}

namespace {
// The environment's location when one is set, otherwise the one chosen at start.
const DataLocation& location() {
    const std::optional<DataLocation>& chosen = app::environment().dataLocation;
    return chosen && !chosen->folder.isEmpty() ? *chosen : defaultLocation();
}
} // namespace

QString dataFolder() {
    return location().folder;
}

QString dataFolderNotice() {
    return location().notice;
}

QString databasePath() {
    return QDir(dataFolder()).filePath(QString::fromLatin1(kDatabaseFileName));
}

bool isWritableFolder(const QString& folder) {
    QFile probe(QDir(folder).filePath(QStringLiteral(".vorlan-write-test")));
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.close();
    probe.remove();
    return true;
}

bool isWriteProtected(const QString& path) {
    const QFileInfo fi(path);
    if (!fi.exists())
        return false;
    constexpr auto anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return !fi.isWritable() || !(fi.permissions() & anyWrite);
}

QSqlDatabase shared() {
    return QSqlDatabase::database(QString::fromLatin1(kConnectionName), false);
}

void closeShared() {
    const QString name = QString::fromLatin1(kConnectionName);
    if (!QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

Engine sharedEngine() {
    // A server connection that broke in the last action is made again for this one.
    if (postgres::takeConnectionLost())
        reconnectIfLost();
    return Engine(shared());
}

QString damageFound(const QSqlDatabase& db) {
    return Engine(db).damageFound();
}

QString damagedText(const QString& path, const QString& found) {
    const QString backups =
        QDir(QFileInfo(path).absolutePath()).filePath(QString::fromLatin1(kBackupFolderName));
    return QStringLiteral(
               "数据库文件“%1”已损坏，程序无法使用（检查结果：%2）。本系统的备份文件在文件夹“%3”中，"
               "可以用其中最近的一份替换损坏的文件。")
        .arg(shownPath(path), found, shownPath(backups));
}

std::optional<ServerAddress> chosenServer() {
    if (const auto& s = app::environment().server)
        return s;
    if (app::environment().dataLocation)
        return std::nullopt; // a data folder given for this run is this run's database
    return configuredServer();
}

QString shownDatabase() {
    if (const QSqlDatabase db = shared(); db.isOpen() && Engine(db).isServer()) {
        ServerAddress a;
        a.host = db.hostName();
        a.port = db.port();
        a.database = db.databaseName();
        return shownServer(a);
    }
    if (const auto s = chosenServer())
        return shownServer(*s);
    return QStringLiteral("数据库文件“%1”").arg(shownPath(databasePath()));
}

OpenResult openShared() {
    if (const auto server = chosenServer())
        return openServer(*server);
    return openShared(databasePath());
}

namespace {
ServerAddress lastServer;
} // namespace

OpenResult openServer(const ServerAddress& given) {
    closeShared();
    ServerAddress address = given;
    const QString name = QString::fromLatin1(kConnectionName);
    Engine db;
    try {
        try {
            db = postgres::open(address, name);
        } catch (const postgres::ServerError& e) {
            const auto ask = app::environment().serverPassword;
            if (e.kind() != postgres::ServerError::Kind::PasswordNeeded || !ask)
                throw;
            address.password = ask(address);
            if (address.password.isEmpty())
                throw;
            db = postgres::open(address, name);
        }
    } catch (const postgres::ServerError& e) {
        return outcome(OpenStatus::Failed, e.description());
    }
    const QString shown = shownServer(address);
    try {
        db.prepareConnection();
        if (postgres::isEmptyDatabase(db)) {
            // Two counters starting on a new database at once: one sets it up, the other waits for it
            // and then finds it set up.
            exec(db, QStringLiteral("SELECT pg_advisory_lock(7306)"));
            struct Unlock {
                const Engine& db;
                ~Unlock() {
                    try {
                        exec(db, QStringLiteral("SELECT pg_advisory_unlock(7306)"));
                    } catch (const DbError&) {
                    }
                }
            } unlock{db};
            if (postgres::isEmptyDatabase(db)) {
                schema::create(db);
                if (const SeedFunction seed = app::environment().seed)
                    seed(db);
                lastServer = address;
                ChangeWatcher::instance().watchSharedConnection();
                return outcome(OpenStatus::Created);
            }
        }
        if (const QStringList missing = schema::missingTables(db); !missing.isEmpty()) {
            db = Engine();
            closeShared();
            return outcome(OpenStatus::Foreign,
                           QStringLiteral("%1不是本系统的数据库（缺少数据表 %2），程序无法使用。")
                               .arg(shown, missing.join(QStringLiteral("、"))));
        }
        if (const int version = db.schemaVersion(); version > schema::kVersion) {
            db = Engine();
            closeShared();
            return outcome(OpenStatus::Foreign,
                           QStringLiteral("%1由更新版本的本系统建立（数据库版本 %2），请先升级本程序。")
                               .arg(shown)
                               .arg(version));
        }
        OpenResult result = outcome(OpenStatus::Opened);
        const bool pending = schema::firstUserPending(db);
        const bool noUser = users::UserStore(db).isEmpty();
        result.needsFirstUser = pending && noUser;
        schema::migrate(db);
        if (pending && !noUser)
            schema::setFirstUserPending(db, false);
        lastServer = address;
        ChangeWatcher::instance().watchSharedConnection();
        return result;
    } catch (const DbError& e) {
        db = Engine();
        closeShared();
        return outcome(OpenStatus::Failed, QStringLiteral("无法使用%1：%2").arg(shown, e.description()));
    }
}

bool reconnectIfLost(QString* why) {
    const QSqlDatabase db = shared();
    if (!db.isValid() || !Engine(db).isServer())
        return true;
    // The driver closes a connection the server dropped.
    if (db.isOpen()) {
        try {
            scalar(db, QStringLiteral("SELECT 1"));
            return true;
        } catch (const DbError&) {
        }
    }
    const OpenResult r = openServer(lastServer);
    if (r.status == OpenStatus::Opened || r.status == OpenStatus::Created)
        return true;
    if (why)
        *why = r.message;
    return false;
}

OpenResult openShared(const QString& path) {
    const QString shown = shownPath(path);
    const QFileInfo info(path);
    const bool existed = info.exists();
    OpenResult result = outcome(OpenStatus::Opened);
    if (existed) {
        QString why;
        switch (sqlite::readHeader(path, &why)) {
        case sqlite::Header::Unreadable:
            return outcome(OpenStatus::Failed, QStringLiteral("无法读取数据库文件“%1”：%2").arg(shown, why));
        case sqlite::Header::Other:
            return outcome(OpenStatus::Foreign,
                           QStringLiteral("数据库文件“%1”不是本系统的数据库文件，程序无法使用。").arg(shown));
        case sqlite::Header::Sqlite:
            break;
        }
        const bool fileProtected = isWriteProtected(path);
        const bool folderWritable = isWritableFolder(info.absolutePath());
        result.readOnly = fileProtected || !folderWritable;
        OpenResult verdict = inspect(path, true);
        if (verdict.status == OpenStatus::Failed && hasHotJournal(path)) {
            if (result.readOnly)
                return outcome(
                    OpenStatus::Failed,
                    QStringLiteral(
                        "数据库文件“%1”有一次没有完成的写入需要恢复，但它不能写入。请让文件和它所在的文件夹"
                        "可以写入，然后重新启动本系统。")
                        .arg(shown));
            verdict = inspect(path, false);
        }
        if (verdict.status != OpenStatus::Opened)
            return verdict;
        if (result.readOnly) {
            result.notice =
                fileProtected ? QStringLiteral("数据库文件“%1”是只读的，不能写入。").arg(shown)
                              : QStringLiteral("数据库文件“%1”所在的文件夹“%2”不能写入，数据库无法保存修改。")
                                    .arg(shown, shownPath(info.absolutePath()));
            result.notice += QStringLiteral("本次只能查看和打印，所做的修改和打印记录都不能保存。");
        }
    }

    closeShared();
    Engine db;
    try {
        db = sqlite::open(path, QString::fromLatin1(kConnectionName),
                          result.readOnly ? sqlite::Access::ReadOnly
                          : existed       ? sqlite::Access::ReadWrite
                                          : sqlite::Access::Create);
    } catch (const DbError& e) {
        return outcome(OpenStatus::Failed, e.description());
    }
    try {
        if (!existed) {
            schema::create(db);
            if (const SeedFunction seed = app::environment().seed)
                seed(db);
            return outcome(OpenStatus::Created);
        }
        const bool pending = schema::firstUserPending(db);
        const bool noUser = users::UserStore(db).isEmpty();
        result.needsFirstUser = pending && noUser;
        if (!result.readOnly) {
            schema::migrate(db);
            if (pending && !noUser)
                schema::setFirstUserPending(db, false);
        } else {
            schema::showKeys(db);
        }
        db.prepareConnection();
    } catch (const DbError& e) {
        db = Engine();
        closeShared();
        if (!existed)
            QFile::remove(path);
        return outcome(OpenStatus::Failed,
                       QStringLiteral("无法使用数据库文件“%1”：%2").arg(shown, e.description()));
    }
    return result;
}

} // namespace vorlan::data
