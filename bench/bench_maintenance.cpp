// Backup and compaction of a 100 MB database, each against what bounds it, measured in the same run on
// the same file.

#include "TestEnv.h"
#include "data/Database.h"
#include "data/Sql.h"
#include "maintenance/Maintenance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>

#include <unistd.h>

using namespace vorlan;

namespace {

constexpr qint64 kTargetBytes = 100LL * 1024 * 1024;
// Backup: against the longer of a plain copy and a quick_check of the same file (it does both, at once).
constexpr double kBackupRatio = 1.2;
// Compaction: against the engine's rewrite of the same file plus its flush (it adds a check and a rename).
constexpr double kCompactRatio = 1.3;
constexpr int kRuns = 5;

double bestMs(const std::function<void()>& before, const std::function<void()>& work) {
    double best = 1e18;
    for (int i = 0; i < kRuns; ++i) {
        before();
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

std::filesystem::path fsPath(const QString& p) {
    return std::filesystem::path(p.toStdU16String());
}

// A database as it grows in use: template pictures, customers, common uses and print logs (with the
// index on the print date), with some sheets deleted.
void fill(const QSqlDatabase& db) {
    data::Transaction t(db);
    data::exec(db,
               QStringLiteral(
                   "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30) "
                   "INSERT INTO moban (mobanname, backimage) SELECT '模板' || i, randomblob(600000) FROM n"));
    data::exec(
        db,
        QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
            "INSERT INTO Basic_Khgl SELECT '客户' || i, 'KH' || i, '浙江省杭州市西湖区文三路' || i || '号', "
            "'310012', '0571-8888' || i, '', '联系人' || i, '中国工商银行杭州分行', '6222' || i, "
            "'杭州', '浙江', '杭州', NULL FROM n")); // the row key numbers itself
    data::exec(db, QStringLiteral("INSERT INTO yongtu (yongtuName) VALUES ('货款'), ('运费'), ('办公用品')"));
    for (const char* name : {"运单", "同城快递", "电汇凭证"}) {
        const QString table = data::quoteId(QString::fromUtf8(name));
        data::exec(db, QStringLiteral("CREATE TABLE %1 (\"打印日期\" datetime, \"收件人\" varchar(255), "
                                      "\"电话\" varchar(255), \"地址\" varchar(255), \"金额\" varchar(255))")
                           .arg(table));
        data::exec(db, QStringLiteral("CREATE INDEX %1 ON %2 (\"打印日期\")")
                           .arg(data::quoteId(QString::fromUtf8(name) + QStringLiteral("_打印日期")), table));
    }
    t.commit();
    // Print logs up to the size.
    for (int round = 0; QFileInfo(data::databasePath()).size() < kTargetBytes; ++round) {
        data::Transaction r(db);
        for (const char* name : {"运单", "同城快递", "电汇凭证"})
            data::exec(db,
                       QStringLiteral(
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                           "INSERT INTO %1 SELECT strftime('%Y-%m-%d %H:%M:%S', julianday('2020-01-01') + "
                           "(? * 20000 + i) / 1000.0), '收件人' || i, '13805710' || i, "
                           "'浙江省杭州市西湖区文三路' || i || '号 ' || hex(randomblob(6)), i * 1.5 FROM n")
                           .arg(data::quoteId(QString::fromUtf8(name))),
                       {round});
        r.commit();
    }
    data::exec(db, QStringLiteral("DELETE FROM \"运单\" WHERE rowid % 10 = 0"));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    test::TestEnv env;
    const QString folder = env.folder();
    const QString live = env.databasePath();
    QElapsedTimer filling;
    filling.start();
    fill(env.db());
    const qint64 size = QFileInfo(live).size();
    std::printf("database of %.1f MB built in %.1f s\n", size / 1048576.0, filling.elapsed() / 1000.0);

    const QString copy = QDir(folder).filePath(QStringLiteral("copy.mdb"));
    auto plainCopy = [&] {
        std::filesystem::copy_file(fsPath(live), fsPath(copy),
                                   std::filesystem::copy_options::overwrite_existing);
    };
    plainCopy(); // the file is read once before anything is timed
    const double copyMs = bestMs([&] { QFile::remove(copy); }, plainCopy);
    QFile::remove(copy);
    // What a sound backup must do besides copying: read every page of the file and check it.
    const double checkMs = bestMs([] {},
                                  [&] {
                                      {
                                          QSqlDatabase db = QSqlDatabase::addDatabase(
                                              QStringLiteral("QSQLITE"), QStringLiteral("bench-check"));
                                          db.setDatabaseName(live);
                                          db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
                                          db.open();
                                          data::scalar(db, QStringLiteral("PRAGMA quick_check"));
                                          db.close();
                                      }
                                      QSqlDatabase::removeDatabase(QStringLiteral("bench-check"));
                                  });

    const QDateTime at(QDate(2024, 3, 5), QTime(14, 0));
    const QString backupFile =
        QDir(folder).filePath(QStringLiteral("Backup/") + maintenance::backupFileName(at));
    // Each run writes a new backup, as the copy above writes a new file.
    const double backupMs = bestMs([&] { QFile::remove(backupFile); },
                                   [&] { maintenance::backupDatabase(env.db(), folder, at); });

    data::closeShared();
    // The first compaction shrinks the file; the timed ones, as the engine's rewrite below, work on the
    // file it left, so that both rewrite the same file.
    const maintenance::CompactResult first = maintenance::compactDatabase(folder);
    const double compactMs = bestMs([] {}, [&] { maintenance::compactDatabase(folder); });
    // What bounds it: the engine's own rewrite of the same file into a new one, flushed to the disk.
    const QString scratch = QDir(folder).filePath(QStringLiteral("vacuum-only.mdb"));
    const double vacuumMs = bestMs([&] { QFile::remove(scratch); },
                                   [&] {
                                       {
                                           QSqlDatabase db = QSqlDatabase::addDatabase(
                                               QStringLiteral("QSQLITE"), QStringLiteral("bench"));
                                           db.setDatabaseName(live);
                                           db.open();
                                           data::exec(db, QStringLiteral("PRAGMA synchronous = OFF"));
                                           data::exec(db, QStringLiteral("VACUUM INTO ?"), {scratch});
                                           db.close();
                                       }
                                       QSqlDatabase::removeDatabase(QStringLiteral("bench"));
                                       QFile f(scratch);
                                       if (!f.open(QIODevice::ReadOnly) || ::fsync(f.handle()) != 0)
                                           std::printf("fsync of %s failed\n", qPrintable(scratch));
                                   });
    QFile::remove(scratch);
    data::openShared();

    const double backupBound = std::max(copyMs, checkMs);
    const double backupRatio = backupMs / backupBound;
    const double compactRatio = compactMs / vacuumMs;
    std::printf("plain file copy:                  %7.1f ms\n", copyMs);
    std::printf("quick_check of the file:          %7.1f ms\n", checkMs);
    std::printf(
        "backup:                           %7.1f ms  = %.2f x the longer of the two (target <= %.1f x)\n",
        backupMs, backupRatio, kBackupRatio);
    std::printf("VACUUM INTO and fsync:            %7.1f ms\n", vacuumMs);
    std::printf(
        "compaction:                       %7.1f ms  = %.2f x VACUUM INTO and fsync (target <= %.1f x), "
        "%lld -> %lld bytes at the first\n",
        compactMs, compactRatio, kCompactRatio, first.before, first.after);
    bool ok = true;
    if (backupRatio > kBackupRatio) {
        std::printf("MISSED: backup %.2f x > %.1f x\n", backupRatio, kBackupRatio);
        ok = false;
    }
    if (compactRatio > kCompactRatio) {
        std::printf("MISSED: compaction %.2f x > %.1f x\n", compactRatio, kCompactRatio);
        ok = false;
    }
    std::printf("%s\n", ok ? "backup and compaction: targets met" : "backup and compaction: TARGET MISSED");
    return ok ? 0 : 1;
}
