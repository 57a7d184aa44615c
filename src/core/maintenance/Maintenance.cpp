#include "maintenance/Maintenance.h"

#include "app/CommonUseStore.h"
#include "customers/CustomerStore.h"
#include "data/Database.h"
#include "data/Sql.h"
#include "data/SqliteEngine.h"
#include "data/UseLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QUuid>

#include <filesystem>
#include <future>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vorlan::maintenance {

using data::DbError;

namespace {

std::filesystem::path fsPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Flushes a file (or a folder's entries) to the disk: the compacted copy must be on the disk before
// it takes the live file's name, or a power failure could leave the name on an incomplete file.
bool syncPath(const QString& path) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#else
    Q_UNUSED(path);
    return true;
#endif
}

// Replaces to by from in one step: at every moment one complete file carries the name to.
void replaceFile(const QString& from, const QString& to) {
    std::error_code ec;
    std::filesystem::rename(fsPath(from), fsPath(to), ec);
    if (ec)
        throw DbError(QStringLiteral("无法将“%1”改名为“%2”：%3")
                          .arg(shown(from), shown(to), QString::fromLocal8Bit(ec.message())));
}

bool removeIfExists(const QString& path) {
    const QFileInfo fi(path);
    if (!fi.exists() && !fi.isSymLink())
        return true;
    return QFile::remove(path);
}

// Copies an open file into target. The copy is not forced to the disk: the live database stays the
// original, and a failed or interrupted copy never carries the backup's name (see backupDatabase).
void copyContents(QFile& source, const QString& target) {
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw DbError(QStringLiteral("无法写入备份文件“%1”：%2").arg(shown(target), out.errorString()));
    const auto writeFailed = [&](const QString& why) {
        return DbError(QStringLiteral("无法写入备份文件“%1”：%2").arg(shown(target), why));
    };
#ifdef Q_OS_LINUX
    // In the kernel, without passing the data through this process.
    qint64 left = source.size();
    while (left > 0) {
        const ssize_t n = ::copy_file_range(source.handle(), nullptr, out.handle(), nullptr, size_t(left), 0);
        if (n <= 0)
            break; // not supported here: the loop below does the rest
        left -= n;
    }
    if (!source.seek(source.size() - left) || !out.seek(source.size() - left))
        throw writeFailed(out.errorString());
#endif
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = source.read(buffer.data(), buffer.size());
        if (n < 0)
            throw DbError(QStringLiteral("无法读取数据库文件“%1”：%2")
                              .arg(shown(source.fileName()), source.errorString()));
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n)
            throw writeFailed(out.errorString());
    }
    if (!out.flush())
        throw writeFailed(out.errorString());
    out.close();
    if (out.error() != QFileDevice::NoError)
        throw writeFailed(out.errorString());
}

// A connection of its own on a database file, closed and removed when the object goes.
class OwnConnection {
public:
    explicit OwnConnection(const QString& path, bool readOnly = false)
        : name_(QStringLiteral("vorlan-maintenance-") + QUuid::createUuid().toString(QUuid::WithoutBraces)) {
        data::sqlite::open(path, name_,
                           readOnly ? data::sqlite::Access::ReadOnly : data::sqlite::Access::ReadWrite);
    }
    ~OwnConnection() {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    OwnConnection(const OwnConnection&) = delete;
    OwnConnection& operator=(const OwnConnection&) = delete;
    data::Engine db() const { return QSqlDatabase::database(name_, false); }

private:
    QString name_;
};

// What the engine's check finds in a file of its own (empty when it is sound).
QString damageInFile(const QString& path) {
    try {
        OwnConnection check(path, true);
        // Read page by page, never through a mapping: a bad sector must give an error to report,
        // not a signal that ends the program.
        return check.db().damageFound();
    } catch (const DbError& e) {
        return e.description();
    }
}

DbError damagedSource(const QString& live, const QString& found) {
    const QString backups = QDir(QFileInfo(live).absolutePath()).filePath(QString::fromLatin1(kBackupFolder));
    return DbError(
        QStringLiteral("数据库文件“%1”已损坏，不能备份（检查结果：%2）。以前的备份文件在文件夹“%3”中，"
                       "可以用其中最近的一份替换损坏的文件。")
            .arg(shown(live), found, shown(backups)));
}

// The new file takes the old one's permissions (and, where allowed, its owner): a compaction must
// not change who may read or write the database.
void copyMode(const QString& from, const QString& to) {
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(from).constData(), &st) != 0 ||
        ::chmod(QFile::encodeName(to).constData(), st.st_mode & 07777) != 0)
        throw DbError(QStringLiteral("无法设置文件“%1”的权限").arg(shown(to)));
    if (::geteuid() == 0 && ::chown(QFile::encodeName(to).constData(), st.st_uid, st.st_gid) != 0) {
        // The administrator then owns the new file; its mode, set above, still holds.
    }
#else
    if (!QFile::setPermissions(to, QFileInfo(from).permissions()))
        throw DbError(QStringLiteral("无法设置文件“%1”的权限").arg(shown(to)));
#endif
}

} // namespace

QString formatThousands(qint64 n) {
    if (n == 0)
        return QString();
    const bool negative = n < 0;
    QString digits = QString::number(negative ? -n : n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return negative ? QLatin1Char('-') + digits : digits;
}

QString backupFileName(const QDateTime& at) {
    return QStringLiteral("RavIZ") + at.toString(QStringLiteral("yyyyMMddHH")) + QStringLiteral(".mdb");
}

QString backupDatabase(const QSqlDatabase& db, const QString& folder, const QDateTime& at) {
    const QString backupDir = QDir(folder).filePath(QString::fromLatin1(kBackupFolder));
    if (!QFileInfo::exists(backupDir) && !QDir(folder).mkdir(QString::fromLatin1(kBackupFolder)))
        throw DbError(QStringLiteral("无法创建备份文件夹“%1”").arg(shown(backupDir)));
    if (!QFileInfo(backupDir).isDir())
        throw DbError(QStringLiteral("“%1”不是文件夹，无法在其中保存备份").arg(shown(backupDir)));

    // A server's backup is its dump, which is no database file: it keeps the name with its own ending.
    QString name = backupFileName(at);
    if (data::Engine(db).isServer())
        name.replace(QStringLiteral(".mdb"), QStringLiteral(".dump"));
    const QString target = QDir(backupDir).filePath(name);
    // Written under a scratch name first, so that a failed backup never leaves a damaged file under
    // the backup's own name (nor destroys the earlier backup of the same hour).
    const QString part = target + QStringLiteral(".part");
    if (!removeIfExists(part))
        throw DbError(QStringLiteral("无法删除文件“%1”").arg(shown(part)));

    try {
        const data::Engine engine(db);
        if (!engine.fileHoldsWholeDatabase()) {
            // The file alone is not the whole database then: let the engine write the copy. It rebuilds
            // what it copies, so the source itself is checked first.
            const QString found = engine.damageFound();
            if (!found.isEmpty())
                throw damagedSource(db.databaseName(), found);
            engine.copyInto(part);
        } else {
            // With a rollback journal the file holds exactly the committed database while a read
            // transaction is open: no write can reach the file until it ends. The source is closed
            // only after the transaction, so its locks are given back by the engine itself.
            QFile source(db.databaseName());
            data::Transaction read(db);
            engine.objectCount();
            if (!source.open(QIODevice::ReadOnly))
                throw DbError(QStringLiteral("无法读取数据库文件“%1”：%2")
                                  .arg(shown(source.fileName()), source.errorString()));
            // The file cannot change before the transaction ends, so the copy holds exactly what a
            // check of the file finds: the check runs on a connection of its own while the kernel
            // copies, and the backup takes no longer than the slower of the two.
            auto check =
                std::async(std::launch::async, [path = source.fileName()] { return damageInFile(path); });
            copyContents(source, part);
            const QString found = check.get();
            if (!found.isEmpty())
                throw damagedSource(db.databaseName(), found);
            if (QFileInfo(part).size() != source.size())
                throw DbError(QStringLiteral("备份文件“%1”不完整").arg(shown(part)));
            read.commit();
        }
        replaceFile(part, target);
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    return target;
}

CompactResult compactDatabase(const QString& folder) {
    const QDir dir(folder);
    const QString live = dir.filePath(QString::fromLatin1(data::kDatabaseFileName));
    const QString scratch = dir.filePath(QString::fromLatin1(kScratchFileName));
    const QFileInfo liveInfo(live);
    if (!liveInfo.isFile())
        throw DbError(QStringLiteral("数据库文件“%1”不存在").arg(shown(live)));
    // Renaming a copy over it would drop the protection along with the old file.
    if (data::isWriteProtected(live))
        throw DbError(QStringLiteral("数据库文件“%1”是只读的，不能压缩。数据库没有改动。").arg(shown(live)));
    if (!data::isWritableFolder(folder))
        throw DbError(QStringLiteral("数据库文件所在的文件夹“%1”不能写入，不能压缩。数据库没有改动。")
                          .arg(shown(folder)));
    // A batch that prints holds the database until its log is written; it is not replaced under it.
    const data::UseLock alone = data::UseLock::forReplacing(live, QStringLiteral("压缩"));

    CompactResult r;
    r.before = liveInfo.size();
    for (const QString& leftover : {scratch, scratch + QStringLiteral("-journal")})
        if (!removeIfExists(leftover))
            throw DbError(QStringLiteral("无法删除上次压缩留下的文件“%1”").arg(shown(leftover)));

    try {
        OwnConnection source(live);
        // The first read settles a write that was interrupted (it is rolled back), at full safety.
        const int tables = source.db().objectCount();
        // The copy is flushed once, below, rather than page by page.
        source.db().copyInto(scratch, false);

        {
            OwnConnection copy(scratch);
            const int copied = copy.db().objectCount();
            if (copied != tables)
                throw DbError(QStringLiteral("压缩后的数据库文件不完整"));
        }
        copyMode(live, scratch);
    } catch (...) {
        QFile::remove(scratch);
        throw;
    }
    if (!syncPath(scratch)) {
        QFile::remove(scratch);
        throw DbError(QStringLiteral("无法把压缩后的数据库文件“%1”写入磁盘").arg(shown(scratch)));
    }
    // An unfinished write's journal would be applied to the new file at the next opening.
    for (const char* suffix : {"-journal", "-wal"}) {
        const QFileInfo side(live + QString::fromLatin1(suffix));
        if (side.exists() && side.size() > 0) {
            QFile::remove(scratch);
            throw DbError(
                QStringLiteral("数据库文件“%1”仍在使用中，压缩已取消，数据库未改动").arg(shown(live)));
        }
    }
    replaceFile(scratch, live);
    syncPath(folder);
    r.after = QFileInfo(live).size();
    return r;
}

CompactResult compactServer(const data::Engine& e) {
    CompactResult r;
    r.before = e.sizeOnDisk();
    e.compactInPlace();
    r.after = e.sizeOnDisk();
    return r;
}

QString serverCompactReport(const CompactResult& r) {
    return QStringLiteral(
               "%1已由服务器整理（VACUUM），其他柜台可以照常使用。\n\n整理前：%2 字节\n\n整理后：%3 字节")
        .arg(data::shownDatabase(), formatThousands(r.before), formatThousands(r.after));
}

QString compactReport(const CompactResult& r) {
    const QChar cr(13);
    return QStringLiteral("明细数据删除且压缩成功！") + cr + cr + QStringLiteral("压缩前：") +
           formatThousands(r.before) + QStringLiteral(" 字节") + cr + cr + QStringLiteral("压缩后：") +
           formatThousands(r.after) + QStringLiteral(" 字节");
}

int deleteDetailRange(const QSqlDatabase& db, const QDate& from, const QDate& to) {
    QSqlQuery q = data::exec(
        db, QStringLiteral("DELETE FROM Detail_InOut WHERE \"记录时间\" >= ? AND \"记录时间\" <= ?"),
        {data::dateText(from), data::dateText(to) + QStringLiteral(" 00:00:00")});
    return q.numRowsAffected();
}

void deleteCustomersAndCommonUses(const QSqlDatabase& db) {
    data::Transaction t(db);
    app::CommonUseStore(db).removeAll();
    customers::CustomerStore(db).removeAll();
    t.commit();
}

} // namespace vorlan::maintenance
