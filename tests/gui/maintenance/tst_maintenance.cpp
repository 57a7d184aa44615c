#include "BothEngines.h"
#include "FileFaults.h"
#include "TestEnv.h"
#include "app/AppState.h"
#include "app/Windows.h"
#include "customers/SpreadsheetReader.h"
#include "data/Database.h"
#include "data/Sql.h"
#include "maintenance/Frm_Backup.h"
#include "maintenance/Maintenance.h"
#include "printing/Batch.h"
#include "printing/SampleData.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QDateEdit>
#include <QDir>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace vorlan;
using namespace Qt::StringLiterals;

namespace {

QByteArray fileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result();
}

// Opens a database file on a connection of its own and reads one number.
QVariant readFrom(const QString& path, const QString& sql) {
    QVariant v;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open())
            v = data::scalar(db, sql);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return v;
}

void fillLog(const QSqlDatabase& db, int rows) {
    test::runSetup(
        db, {QStringLiteral("CREATE TABLE IF NOT EXISTS 运单 (\"打印日期\" datetime, 收件人 varchar(255), "
                            "地址 varchar(255))")});
    data::Transaction t(db);
    for (int i = 0; i < rows; ++i) {
        const QVariantList values{QStringLiteral("2024-03-05 10:00:00"), QStringLiteral("收件人%1").arg(i),
                                  QString(200, QChar(u'路'))};
        if (test::onServer())
            test::addLogSheet(db, QStringLiteral("运单"),
                              {QStringLiteral("打印日期"), QStringLiteral("收件人"), QStringLiteral("地址")},
                              values);
        else
            data::exec(db, QStringLiteral("INSERT INTO 运单 VALUES (?, ?, ?)"), values);
    }
    t.commit();
}

} // namespace

class TestMaintenance : public QObject {
    Q_OBJECT
private slots:
    void formatThousands_data() {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero writes nothing") << qint64(0) << QString();
        QTest::newRow("one") << qint64(7) << QStringLiteral("7");
        QTest::newRow("three digits") << qint64(999) << QStringLiteral("999");
        QTest::newRow("thousand") << qint64(1000) << QStringLiteral("1,000");
        QTest::newRow("million") << qint64(1234567) << QStringLiteral("1,234,567");
        QTest::newRow("large") << qint64(104857600) << QStringLiteral("104,857,600");
    }
    void formatThousands() {
        QFETCH(qint64, n);
        QFETCH(QString, text);
        QCOMPARE(maintenance::formatThousands(n), text);
    }

    void backupFileName_data() {
        QTest::addColumn<QDateTime>("at");
        QTest::addColumn<QString>("name");
        QTest::newRow("afternoon") << QDateTime(QDate(2010, 5, 6), QTime(14, 5))
                                   << QStringLiteral("RavIZ2010050614.mdb");
        QTest::newRow("padded") << QDateTime(QDate(2024, 1, 2), QTime(3, 59, 59))
                                << QStringLiteral("RavIZ2024010203.mdb");
        QTest::newRow("midnight") << QDateTime(QDate(2024, 12, 31), QTime(0, 0))
                                  << QStringLiteral("RavIZ2024123100.mdb");
    }
    void backupFileName() {
        QFETCH(QDateTime, at);
        QFETCH(QString, name);
        QCOMPARE(maintenance::backupFileName(at), name);
    }

    void compactReport() {
        const QChar cr(13);
        QCOMPARE(maintenance::compactReport({1234567, 0}), QStringLiteral("明细数据删除且压缩成功！") + cr +
                                                               cr + QStringLiteral("压缩前：1,234,567 字节") +
                                                               cr + cr + QStringLiteral("压缩后： 字节"));
    }

    void backupNamingAndSameHour() {
        VORLAN_FILE_ONLY("the backup is read as a copy of the file");
        test::TestEnv env;
        const QString backupDir = QDir(env.folder()).filePath(QStringLiteral("Backup"));
        QVERIFY(!QFileInfo::exists(backupDir));
        fillLog(env.db(), 10);
        const QDate day(2010, 5, 6);
        const QString first =
            maintenance::backupDatabase(env.db(), env.folder(), QDateTime(day, QTime(14, 5)));
        QCOMPARE(first, QDir(backupDir).filePath(QStringLiteral("RavIZ2010050614.mdb")));
        QVERIFY(QFileInfo(backupDir).isDir());
        QCOMPARE(readFrom(first, QStringLiteral("SELECT count(*) FROM 运单")).toInt(), 10);

        fillLog(env.db(), 5);
        const QString again =
            maintenance::backupDatabase(env.db(), env.folder(), QDateTime(day, QTime(14, 59)));
        QCOMPARE(again, first);
        QCOMPARE(readFrom(first, QStringLiteral("SELECT count(*) FROM 运单")).toInt(), 15);
        maintenance::backupDatabase(env.db(), env.folder(), QDateTime(day, QTime(15, 0)));
        QCOMPARE(QDir(backupDir).entryList(QDir::Files),
                 (QStringList{QStringLiteral("RavIZ2010050614.mdb"), QStringLiteral("RavIZ2010050615.mdb")}));
        QCOMPARE(readFrom(first, QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        // The shared connection stayed open and usable.
        fillLog(env.db(), 1);
    }

    void backupInWalMode() {
        VORLAN_FILE_ONLY("the file's write-ahead log");
        // With a write-ahead log, committed rows may still be outside the database file itself.
        test::TestEnv env;
        QCOMPARE(data::scalar(env.db(), QStringLiteral("PRAGMA journal_mode = WAL")).toString(),
                 QStringLiteral("wal"));
        data::exec(env.db(), QStringLiteral("PRAGMA wal_autocheckpoint = 0"));
        fillLog(env.db(), 25);
        const QString path =
            maintenance::backupDatabase(env.db(), env.folder(), QDateTime(QDate(2024, 1, 1), QTime(8, 0)));
        QCOMPARE(readFrom(path, QStringLiteral("SELECT count(*) FROM 运单")).toInt(), 25);
    }

    void backupWhenBackupIsAFile() {
        test::TestEnv env;
        QFile blocker(QDir(env.folder()).filePath(QStringLiteral("Backup")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        maintenance::Frm_Backup w;
        w.load();
        w.Cmd_Ok->click();
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("不是文件夹")));
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Information);
        QVERIFY(w.Cmd_Ok->isEnabled() && w.Cmd_Ret->isEnabled());
    }

    void windowOpening_data() {
        QTest::addColumn<QString>("level");
        QTest::addColumn<bool>("deleteAll");
        QTest::newRow("advanced") << QStringLiteral("高级用户") << true;
        QTest::newRow("ordinary") << QStringLiteral("普通用户") << false;
    }
    void windowOpening() {
        QFETCH(QString, level);
        QFETCH(bool, deleteAll);
        test::TestEnv env;
        app::state().userLevel = level;
        maintenance::Frm_Backup w;
        w.load();
        QCOMPARE(w.windowTitle(), QStringLiteral("数据库备份与压缩及数据的删除"));
        QCOMPARE(w.delAll->isEnabled(), deleteAll);
        QVERIFY(w.optBackupRecover[0]->isChecked());
        QCOMPARE(w.DTP_QSrq->date(), QDate::currentDate());
        QCOMPARE(w.DTP_JZrq->date(), QDate::currentDate());
        QCOMPARE(QDir(w.browserFolder()), QDir(env.folder()));
        if (!test::onServer()) // the data folder holds the database file
            QVERIFY(!w.fileBackup->findItems(QStringLiteral("RavIZ.mdb"), Qt::MatchExactly).isEmpty());
        QVERIFY(w.drvBackup->count() > 0);

        w.optBackupRecover[2]->click();
        QVERIFY(!w.drvBackup->isEnabled() && !w.dirBackup->isEnabled() && !w.fileBackup->isEnabled());
        w.optBackupRecover[0]->click();
        QVERIFY(w.drvBackup->isEnabled() && w.dirBackup->isEnabled() && w.fileBackup->isEnabled());
    }

    void browserWalksFolders() {
        test::TestEnv env;
        QDir(env.folder()).mkpath(QStringLiteral("子目录"));
        QFile f(QDir(env.folder()).filePath(QStringLiteral("子目录/OLD.MDB")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QFile other(QDir(env.folder()).filePath(QStringLiteral("子目录/notes.txt")));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();
        maintenance::Frm_Backup w;
        w.load();
        const auto sub = w.dirBackup->findItems(QStringLiteral("子目录"), Qt::MatchEndsWith);
        QCOMPARE(sub.size(), 1);
        emit w.dirBackup->itemActivated(sub.first());
        QCOMPARE(w.browserFolder(), QDir(env.folder()).filePath(QStringLiteral("子目录")));
        QCOMPARE(w.fileBackup->count(), 1);
        QCOMPARE(w.fileBackup->item(0)->text(), QStringLiteral("OLD.MDB"));
    }

    void unreadableDrive() {
        test::TestEnv env;
        maintenance::Frm_Backup w;
        w.load();
        const QString home = w.drvBackup->currentData().toString();
        const QString gone = QDir(env.folder()).filePath(QStringLiteral("gone/Media"));
        w.drvBackup->addItem(QDir::toNativeSeparators(gone), gone);
        w.drvBackup->setCurrentIndex(w.drvBackup->count() - 1);
        w.drvBackup_Change();
#ifdef Q_OS_WIN
        const QString shownName = gone.left(1).toUpper();
#else
        const QString shownName = QDir::toNativeSeparators(gone); // the mount point as it is, not upper-cased
#endif
        QCOMPARE(env.prompter.lastText(), QStringLiteral("请插入") + shownName + QStringLiteral("盘"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Information);
        QCOMPARE(w.drvBackup->currentData().toString(), home);
    }

    void backupThroughTheWindow() {
        VORLAN_FILE_ONLY("the backup is a copy of the file under the name of the hour");
        test::TestEnv env;
        maintenance::Frm_Backup w;
        w.load();
        const QDateTime before = QDateTime::currentDateTime();
        w.Cmd_Ok->click();
        const QDateTime after = QDateTime::currentDateTime();
        QCOMPARE(env.prompter.last().title, QStringLiteral("数据库备份"));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Information);
        QStringList expected;
        for (const QDateTime& t : {before, after})
            expected << QStringLiteral("数据库备份成功！路径：") +
                            QDir::toNativeSeparators(
                                QDir(env.folder())
                                    .filePath(QStringLiteral("Backup/") + maintenance::backupFileName(t)));
        QVERIFY2(expected.contains(env.prompter.lastText()), qPrintable(env.prompter.lastText()));
    }

    void compactionShrinksAndReopens() {
        VORLAN_FILE_ONLY("the compaction copies the file");
        test::TestEnv env;
        app::state().userLevel = QStringLiteral("高级用户");
        fillLog(env.db(), 3000);
        data::exec(env.db(), QStringLiteral("DELETE FROM 运单 WHERE rowid > 10"));
        const qint64 before = QFileInfo(env.databasePath()).size();
        QFile stale(QDir(env.folder()).filePath(QStringLiteral("tmp.mdb")));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("left over from an interrupted compaction");
        stale.close();

        maintenance::Frm_Backup w;
        w.load();
        w.optBackupRecover[2]->click();
        w.Cmd_Ok->click();
        const qint64 after = QFileInfo(env.databasePath()).size();
        QVERIFY2(after < before / 4, qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));
        QCOMPARE(env.prompter.lastText(), maintenance::compactReport({before, after}));
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        QVERIFY(!QFileInfo::exists(QDir(env.folder()).filePath(QStringLiteral("tmp.mdb"))));
        QVERIFY(data::shared().isOpen());
        QCOMPARE(data::scalar(data::shared(), QStringLiteral("SELECT count(*) FROM 运单")).toInt(), 10);
        QVERIFY(w.Cmd_Ok->isEnabled() && w.Cmd_Ret->isEnabled());

        // Compacting again reports (nearly) the same size.
        w.Cmd_Ok->click();
        QVERIFY(env.prompter.lastText().startsWith(QStringLiteral("明细数据删除且压缩成功！")));
        QCOMPARE(QFileInfo(env.databasePath()).size(), after);
    }

    void compactionFailureKeepsTheOldFile() {
        VORLAN_FILE_ONLY("the compaction copies the file");
        test::TestEnv env;
        fillLog(env.db(), 20);
        // A folder where the scratch file goes cannot be removed: the compaction stops before it starts.
        QVERIFY(QDir(env.folder()).mkpath(QStringLiteral("tmp.mdb/inside")));
        data::closeShared();
        const QByteArray hash = fileHash(env.databasePath());
        QVERIFY(data::openShared().status == data::OpenStatus::Opened);

        maintenance::Frm_Backup w;
        w.load();
        w.optBackupRecover[2]->click();
        w.Cmd_Ok->click();
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("tmp.mdb")));
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        QVERIFY(w.Cmd_Ok->isEnabled() && w.Cmd_Ret->isEnabled());
        QVERIFY(data::shared().isOpen());
        QCOMPARE(data::scalar(data::shared(), QStringLiteral("SELECT count(*) FROM 运单")).toInt(), 20);
        data::closeShared();
        QCOMPARE(fileHash(env.databasePath()), hash);
    }

    void compactionRefusesAForeignFile() {
        VORLAN_FILE_ONLY("a file of another kind stands where the database goes");
        test::TestEnv env;
        data::closeShared();
        QFile live(env.databasePath());
        QVERIFY(live.open(QIODevice::WriteOnly | QIODevice::Truncate));
        live.write(QByteArray(4096, 'x'));
        live.close();
        QVERIFY_THROWS_EXCEPTION(data::DbError, maintenance::compactDatabase(env.folder()));
        QCOMPARE(QFileInfo(env.databasePath()).size(), 4096);
        QVERIFY(!QFileInfo::exists(QDir(env.folder()).filePath(QStringLiteral("tmp.mdb"))));
    }

    void backupRefusesADamagedDatabase() {
        VORLAN_FILE_ONLY("a page of the file is damaged");
        test::TestEnv env;
        test::fillSheets(env.db());
        const QDateTime at(QDate(2024, 5, 6), QTime(9, 0));
        const QString earlier = maintenance::backupDatabase(env.db(), env.folder(), at);
        const QByteArray good = fileHash(earlier);
        // A sector of the live file goes bad while the program runs.
        QVERIFY(test::damageMiddlePage(env.databasePath()));
        try {
            maintenance::backupDatabase(env.db(), env.folder(), at);
            QFAIL("a damaged database was backed up");
        } catch (const data::DbError& e) {
            QVERIFY2(e.description().contains(QStringLiteral("已损坏")), qPrintable(e.description()));
            QVERIFY(e.description().contains(QDir::toNativeSeparators(env.databasePath())));
            QVERIFY(e.description().contains(
                QDir::toNativeSeparators(QDir(env.folder()).filePath(QStringLiteral("Backup")))));
        }
        // The sound backup of the same hour is kept, and nothing half-done is left.
        QCOMPARE(fileHash(earlier), good);
        QCOMPARE(QDir(QFileInfo(earlier).absolutePath()).entryList(QDir::Files),
                 QStringList{QFileInfo(earlier).fileName()});

        maintenance::Frm_Backup w;
        w.load();
        w.Cmd_Ok->click();
        QVERIFY2(!env.prompter.lastText().startsWith(QStringLiteral("数据库备份成功")),
                 qPrintable(env.prompter.lastText()));
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("已损坏")));
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
    }

    void compactionRefusesAReadOnlyDatabase() {
        VORLAN_FILE_ONLY("the file's permission bits");
        test::TestEnv env;
        app::state().userLevel = QStringLiteral("高级用户");
        fillLog(env.db(), 200);
        data::exec(env.db(), QStringLiteral("DELETE FROM 运单 WHERE rowid > 10"));
        const QString path = env.databasePath();
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const int mode = test::fileMode(path);
        const QByteArray hash = fileHash(path);

        maintenance::Frm_Backup w;
        w.load();
        w.optBackupRecover[2]->click();
        w.Cmd_Ok->click();
        QVERIFY2(env.prompter.lastText().contains(QStringLiteral("只读")),
                 qPrintable(env.prompter.lastText()));
        QVERIFY(!env.prompter.lastText().startsWith(QStringLiteral("明细数据删除且压缩成功")));
        QVERIFY(w.Cmd_Ok->isEnabled() && w.Cmd_Ret->isEnabled());
        QCOMPARE(test::fileMode(path), mode);
        QCOMPARE(fileHash(path), hash);
        QVERIFY(!QFileInfo::exists(QDir(env.folder()).filePath(QStringLiteral("tmp.mdb"))));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }

    // A compaction while a batch prints would leave the batch's connection on the replaced file and lose
    // its log: it is refused, naming the job, and runs once the batch has logged.
    void compactionWaitsForAPrintingBatch() {
        VORLAN_FILE_ONLY("a compaction replaces the file under the batch's connection");
        test::TestEnv env;
        printing::sample::seedSampleData(env.db());
        const QString csv = QDir(env.folder()).filePath(QStringLiteral("b.csv"));
        QFile f(csv);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("收件人,金额大写\n甲,1\n乙,2\n丙,3\n");
        f.close();
        printing::BatchJob job;
        job.tmpl = printing::sample::sampleTemplate();
        job.tmpl.name = printing::sample::kTemplateName;
        job.data = printing::readBatchData(*customers::openSpreadsheet(csv));
        job.map = printing::mapColumns(job.data.header, printing::batchPoints(job.tmpl));
        job.chosen = printing::allRows(job.data);
        const printing::BatchBuild b = printing::buildBatch(job);
        QVERIFY(b.ok());
        auto printer = printing::openBatchPrinter(job.tmpl.name);
        QVERIFY(printer);
        QString refused;
        const printing::BatchRun run = printing::runBatch(*printer, b.sheets, true, [&](int done, int) {
            if (done == 2) {
                try {
                    maintenance::compactDatabase(env.folder()); // on a connection of its own
                } catch (const data::DbError& e) {
                    refused = e.description();
                }
            }
            return true;
        });
        QVERIFY2(run.logged && run.logged->ok(),
                 qPrintable(run.logged ? run.logged->description : QString()));
        QVERIFY2(refused.contains(QStringLiteral("正在打印")) && refused.contains(job.tmpl.name),
                 qPrintable(refused));
        QCOMPARE(data::scalar(env.db(), u"SELECT count(*) FROM "_s + data::quoteId(job.tmpl.name)).toInt(),
                 3);
        data::closeShared();
        maintenance::compactDatabase(env.folder());
    }

    void compactionKeepsTheMode_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("owner only") << 0600;
        QTest::newRow("group may write") << 0660;
        QTest::newRow("group may read") << 0640;
    }
    void compactionKeepsTheMode() {
        VORLAN_FILE_ONLY("the file's permission bits");
        QFETCH(int, mode);
#ifndef Q_OS_UNIX
        QSKIP("file modes are Unix permission bits");
#endif
        test::TestEnv env;
        fillLog(env.db(), 100);
        data::closeShared();
        QVERIFY(test::setFileMode(env.databasePath(), mode));
        maintenance::compactDatabase(env.folder());
        QCOMPARE(test::fileMode(env.databasePath()), mode);
    }

    void rangeDeletion() {
        test::TestEnv env;
        for (const char* t : {"2024-03-04 23:59:59", "2024-03-05 00:00:00", "2024-03-05",
                              "2024-03-05 00:00:01", "2024-03-06 00:00:00", "2024-03-06 08:00:00"})
            data::exec(env.db(), QStringLiteral("INSERT INTO Detail_InOut (\"记录时间\") VALUES (?)"),
                       {QString::fromLatin1(t)});
        auto remaining = [&] {
            QStringList out;
            QSqlQuery q =
                data::exec(env.db(), QStringLiteral("SELECT \"记录时间\" FROM Detail_InOut ORDER BY 1"));
            while (q.next())
                out << q.value(0).toString();
            return out;
        };
        maintenance::Frm_Backup w;
        w.load();
        w.DTP_QSrq->setDate(QDate(2024, 3, 5));
        w.DTP_JZrq->setDate(QDate(2024, 3, 5));

        env.prompter.answers.enqueue(ui::Answer::No);
        w.deldata->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("确实想删除部分的明细数据吗？"));
        QCOMPARE(env.prompter.last().buttons, ui::Buttons::YesNo);
        QCOMPARE(remaining().size(), 6);

        // Equal dates: only what is stamped at midnight of that day.
        w.deldata->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("您已经删除部分明细数据成功！"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("数据删除"));
        QCOMPARE(remaining(), (QStringList{u"2024-03-04 23:59:59"_s, u"2024-03-05 00:00:01"_s,
                                           u"2024-03-06 00:00:00"_s, u"2024-03-06 08:00:00"_s}));
        w.DTP_JZrq->setDate(QDate(2024, 3, 6));
        w.deldata->click();
        QCOMPARE(remaining(), (QStringList{u"2024-03-04 23:59:59"_s, u"2024-03-06 08:00:00"_s}));
    }

    void rangeDeletionWithoutTheTable() {
        test::TestEnv env;
        data::exec(env.db(), QStringLiteral("DROP TABLE Detail_InOut"));
        maintenance::Frm_Backup w;
        w.load();
        w.deldata->click();
        QVERIFY(env.prompter.lastText().startsWith(QStringLiteral("vorlandeldata_Click：")));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Exclamation);
        QVERIFY(w.deldata->isEnabled());
    }

    void deleteAllAndCompact() {
        test::TestEnv env;
        app::state().userLevel = QStringLiteral("高级用户");
        fillLog(env.db(), 50);
        data::exec(env.db(), QStringLiteral("INSERT INTO yongtu (yongtuName) VALUES ('货款')"));
        data::exec(env.db(), QStringLiteral("INSERT INTO Basic_Khgl (\"客户名称\") VALUES ('张三')"));
        env.addUser(QStringLiteral("1"), QStringLiteral("甲"), QStringLiteral("a"),
                    QStringLiteral("高级用户"));
        maintenance::Frm_Backup w;
        w.load();

        env.prompter.answers.enqueue(ui::Answer::No);
        w.delAll->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("确实想删除所有的明细数据吗？"));
        QCOMPARE(data::scalar(env.db(), QStringLiteral("SELECT count(*) FROM yongtu")).toInt(), 1);

        w.delAll->click();
        if (!test::onServer()) // a server compacts itself and says so in its own words
            QVERIFY2(env.prompter.lastText().startsWith(QStringLiteral("明细数据删除且压缩成功！")),
                     qPrintable(env.prompter.lastText()));
        const QSqlDatabase db = data::shared();
        QVERIFY(db.isOpen());
        QCOMPARE(data::scalar(db, QStringLiteral("SELECT count(*) FROM yongtu")).toInt(), 0);
        QCOMPARE(data::scalar(db, QStringLiteral("SELECT count(*) FROM Basic_Khgl")).toInt(), 0);
        QCOMPARE(test::logCount(db, QStringLiteral("运单")), 50);
        QCOMPARE(data::scalar(db, QStringLiteral("SELECT count(*) FROM basic_user")).toInt(), 1);
    }
};

QTEST_MAIN(TestMaintenance)
#include "tst_maintenance.moc"
