// The options every start takes: --version and --data-dir, taken out of the arguments before the
// windows or the command line see them.

#include "app/ProgramOptions.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TstProgramOptions : public QObject {
    Q_OBJECT
private slots:
    void options_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("rest");
        QTest::addColumn<bool>("version");
        QTest::addColumn<QString>("dataDir");
        QTest::addColumn<bool>("error");
        const QString abs = QDir::cleanPath(QDir::current().absoluteFilePath(u"shop2"_s));
        QTest::newRow("nothing") << QStringList{} << QStringList{} << false << QString() << false;
        QTest::newRow("print keeps its options")
            << QStringList{u"print"_s, u"--pdf"_s, u"a.pdf"_s}
            << QStringList{u"print"_s, u"--pdf"_s, u"a.pdf"_s} << false << QString() << false;
        QTest::newRow("version") << QStringList{u"--version"_s} << QStringList{} << true << QString()
                                 << false;
        QTest::newRow("data-dir, value apart")
            << QStringList{u"print"_s, u"--data-dir"_s, u"shop2"_s, u"--user"_s, u"x"_s}
            << QStringList{u"print"_s, u"--user"_s, u"x"_s} << false << abs << false;
        QTest::newRow("data-dir=value")
            << QStringList{u"--data-dir=shop2"_s} << QStringList{} << false << abs << false;
        QTest::newRow("data-dir without a folder")
            << QStringList{u"--data-dir"_s} << QStringList{} << false << QString() << true;
        QTest::newRow("data-dir= empty")
            << QStringList{u"--data-dir="_s} << QStringList{} << false << QString() << true;
    }
    void options() {
        QFETCH(QStringList, args);
        QFETCH(QStringList, rest);
        QFETCH(bool, version);
        QFETCH(QString, dataDir);
        QFETCH(bool, error);
        const vorlan::app::ProgramOptions o = vorlan::app::takeProgramOptions(args);
        QCOMPARE(!o.error.isEmpty(), error);
        if (error)
            return;
        QCOMPARE(args, rest);
        QCOMPARE(o.version, version);
        QCOMPARE(o.dataDir.value_or(QString()), dataDir);
    }
};

QTEST_GUILESS_MAIN(TstProgramOptions)
#include "tst_programoptions.moc"
