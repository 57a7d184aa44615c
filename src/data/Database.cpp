#include "data/Database.h"

#include "data/Schema.h"
#include "data/Sql.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QStandardPaths>

namespace vorlan::data {

namespace {
QString folderOverride;
SeedFunction seed = nullptr;

bool isWritableFolder(const QString& folder)
{
    QFile probe(QDir(folder).filePath(QStringLiteral(".vorlan-write-test")));
    if (!probe.open(QIODevice::WriteOnly)) return false;
    probe.close();
    probe.remove();
    return true;
}

// A SQLite file starts with this header; anything else is not ours.
bool looksLikeSqlite(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    if (f.size() == 0) return false;
    return f.read(16) == QByteArray("SQLite format 3\0", 16);
}
} // namespace

QString dataFolder()
{
    if (!folderOverride.isEmpty()) return folderOverride;
    static const QString folder = [] {
        const QString exeDir = QCoreApplication::applicationDirPath();
        if (!exeDir.isEmpty() && isWritableFolder(exeDir)) return exeDir;
        QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(userDir);
        return userDir;
    }();
    return folder;
}

void setDataFolder(const QString& folder) { folderOverride = folder; }

QString databasePath() { return QDir(dataFolder()).filePath(QString::fromLatin1(kDatabaseFileName)); }

void setSeedFunction(SeedFunction f) { seed = f; }

QSqlDatabase shared() { return QSqlDatabase::database(QString::fromLatin1(kConnectionName), false); }

void closeShared()
{
    const QString name = QString::fromLatin1(kConnectionName);
    if (!QSqlDatabase::contains(name)) return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

OpenResult openShared(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const bool existed = QFileInfo::exists(path);
    if (existed && !looksLikeSqlite(path))
        return {OpenStatus::Foreign,
                QStringLiteral("数据库文件“%1”不是本系统的数据库文件，程序无法使用。").arg(shown)};

    closeShared();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QString::fromLatin1(kConnectionName));
    db.setDatabaseName(path);
    if (existed) db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        const QString why = db.lastError().text();
        closeShared();
        return {OpenStatus::Failed, QStringLiteral("无法打开数据库文件“%1”：%2").arg(shown, why)};
    }
    try {
        if (!existed) {
            schema::create(db);
            if (seed) seed(db);
            return {OpenStatus::Created, {}};
        }
        const QStringList missing = schema::missingTables(db);
        if (!missing.isEmpty()) {
            closeShared();
            return {OpenStatus::Foreign,
                    QStringLiteral("数据库文件“%1”缺少数据表 %2，不是本系统的数据库文件，程序无法使用。")
                        .arg(shown, missing.join(QStringLiteral("、")))};
        }
        schema::migrate(db);
        exec(db, QStringLiteral("PRAGMA foreign_keys = OFF"));
    } catch (const DbError& e) {
        closeShared();
        if (!existed) QFile::remove(path);
        return {existed ? OpenStatus::Foreign : OpenStatus::Failed,
                QStringLiteral("无法使用数据库文件“%1”：%2").arg(shown, e.description())};
    }
    return {OpenStatus::Opened, {}};
}

} // namespace vorlan::data
