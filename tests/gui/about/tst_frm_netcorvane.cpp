#include "LocalHttpServer.h"
#include "TestEnv.h"
#include "about/Frm_NetCorvane.h"
#include "about/Notice.h"
#include "app/Product.h"
#include "app/Windows.h"
#include "data/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringEncoder>
#include <QTest>

using namespace vorlan;
using namespace Qt::StringLiterals;

namespace {

const QString kStars = QString(62, QLatin1Char('*'));

QByteArray gbk(const QString& text) {
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

// The text of a run whose download succeeded, up to the first separator.
QString successHead() {
    return QStringLiteral("请保证本计算机连接能正常连接互联网。\n"
                          "程序正在尝试连接目标文件并下载，这个过程需要大约半分钟，请稍候 ...\n"
                          "\n目标文件已经下载结束，正在打开文件，请稍候 ..."
                          "\n最新公告内容如下：\n");
}

QString failureText() {
    return QStringLiteral("请保证本计算机连接能正常连接互联网。\n"
                          "程序正在尝试连接目标文件并下载，这个过程需要大约半分钟，请稍候 ...\n"
                          "\n    下载目标文件失败，请检查网络连接是否正常，并重试；"
                          "\n    也可能目标文件不存在，请联系软件作者。");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A local server the program's update address points at for the rest of env's scope.
struct ServerScope {
    test::LocalHttpServer server;
    explicit ServerScope(test::ScopedEnvironment& env) { env.setUpdateServer(server.url().toString()); }
};

} // namespace

class TestFrmNetCorvane : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::initTestApplication(); }

    void controls() {
        test::TestEnv env(false);
        about::Frm_NetCorvane w;
        QCOMPARE(w.objectName(), QStringLiteral("Frm_NetCorvane"));
        QCOMPARE(w.windowTitle(), QStringLiteral("关于本系统"));
        QCOMPARE(w.lblTitle->text(), QStringLiteral("V o r l a n"));
        QCOMPARE(w.lblVersion->text(), QStringLiteral("版本：Wex-Zov Ver 2.0"));
        QCOMPARE(
            w.Label2->text(),
            QStringLiteral(
                "非常感谢您使用本系统，我们将一直为您服务，不断的完善本系统，非常乐意按您提出来的建议来改进"
                "完善系统，使之完全符合您的要求！请下载公告文件,及时更新最新版本!"));
        QCOMPARE(w.Label6->text(), QStringLiteral("软件版本号最新公告："));
        QCOMPARE(w.XPButton1->text(), QStringLiteral("下载公告文件(此功能需要连接到互联网)"));
        QCOMPARE(w.Command1->text(), QStringLiteral("点击即启动在线升级"));
        QVERIFY(!w.XPButton2->text().isEmpty());
        QVERIFY(!w.Label1->text().isEmpty());
        QCOMPARE(w.Text2->toPlainText(), QString());
        for (const char* name :
             {"IMG_WORKHEAD_FILE", "Image1", "Image3", "Text2", "XPButton1", "Command1", "XPButton2"})
            QVERIFY2(w.findChild<QWidget*>(QString::fromLatin1(name)), name);
        QCOMPARE(about::separatorLine(), kStars);
    }

    void noticeLines_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("one line, no end")
            << gbk(QStringLiteral("版本 2.1")) << QStringList{QStringLiteral("版本 2.1")};
        QTest::newRow("CR LF, last one ended")
            << gbk(QStringLiteral("甲\r\n乙\r\n")) << QStringList{QStringLiteral("甲"), QStringLiteral("乙")};
        QTest::newRow("blank lines kept") << gbk(QStringLiteral("\r\n甲\r\n\r\n"))
                                          << QStringList{QString(), QStringLiteral("甲"), QString()};
        QTest::newRow("lone LF and CR") << QByteArray("a\nb\rc") << QStringList{u"a"_s, u"b"_s, u"c"_s};
        QTest::newRow("blanks kept") << QByteArray("  x  \r\n") << QStringList{u"  x  "_s};
    }

    void noticeLines() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(about::noticeLines(bytes), lines);
    }

    void threeLineNotice() {
        test::TestEnv env(false);
        ServerScope s(env);
        const QByteArray notice = gbk(QStringLiteral(
            "最新版本：Wex-Zov Ver 2.1\r\n修正了打印偏移的问题\r\n请联系我们获取升级程序\r\n"));
        s.server.serve(QStringLiteral("/NewVer.txt"), notice);
        const QString local = QDir(data::dataFolder()).filePath(QStringLiteral("NowVer.txt"));
        writeFile(local, "old notice");

        about::Frm_NetCorvane w;
        bool checked = false;
        s.server.onRequest = [&](const QString&) {
            // While the download runs: the button is off, the progress is shown, the old copy is gone.
            checked = true;
            QVERIFY(!w.XPButton1->isEnabled());
            QCOMPARE(w.Text2->toPlainText(),
                     QStringLiteral("请保证本计算机连接能正常连接互联网。\n"
                                    "程序正在尝试连接目标文件并下载，这个过程需要大约半分钟，请稍候 ...\n"));
            QVERIFY(!QFile::exists(local));
        };
        w.XPButton1->click();
        QVERIFY(checked);
        QCOMPARE(s.server.requests(), QStringList{QStringLiteral("/NewVer.txt")});
        QCOMPARE(w.Text2->toPlainText(),
                 successHead() + QStringLiteral("\n") + kStars +
                     QStringLiteral("\n最新版本：Wex-Zov Ver 2.1\n修正了打印偏移的问题\n"
                                    "请联系我们获取升级程序\n") +
                     kStars);
        QVERIFY(w.XPButton1->isEnabled());
        QCOMPARE(readFile(local), notice); // the copy stays, byte for byte
        QVERIFY(env.prompter.shown.isEmpty());
    }

    void emptyNotice() {
        test::TestEnv env(false);
        ServerScope s(env);
        s.server.serve(QStringLiteral("/NewVer.txt"), QByteArray());
        about::Frm_NetCorvane w;
        w.XPButton1->click();
        QCOMPARE(w.Text2->toPlainText(),
                 successHead() + QStringLiteral("\n") + kStars + QStringLiteral("\n") + kStars);
        QVERIFY(w.XPButton1->isEnabled());
    }

    void failures_data() {
        QTest::addColumn<bool>("serverUp");
        QTest::addColumn<int>("status");
        QTest::newRow("no server") << false << 0;
        QTest::newRow("not found") << true << 404;
        QTest::newRow("server error") << true << 500;
    }

    void failures() {
        QFETCH(bool, serverUp);
        QFETCH(int, status);
        test::TestEnv env(false);
        ServerScope s(env);
        if (serverUp)
            s.server.serve(QStringLiteral("/NewVer.txt"), "error page", status);
        else
            env.setUpdateServer(
                QStringLiteral("http://127.0.0.1:%1").arg(test::LocalHttpServer::closedPort()));
        const QString local = about::localNoticePath();
        writeFile(local, "old notice");

        about::Frm_NetCorvane w;
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.XPButton1->setFocus();
        QTest::keyClick(w.XPButton1, Qt::Key_Space); // pressed from the keyboard
        QCOMPARE(w.Text2->toPlainText(), failureText());
        QVERIFY(w.XPButton1->isEnabled());
        // The focus is back on the download button, not on the upgrade button beside it.
        QCOMPARE(QApplication::focusWidget(), w.XPButton1);
        QVERIFY(!QFile::exists(local));        // the old copy went before the download
        QVERIFY(env.prompter.shown.isEmpty()); // reported only in the box
    }

    void pressedTwiceShowsTheSecondRunOnly() {
        test::TestEnv env(false);
        ServerScope s(env);
        s.server.serve(QStringLiteral("/NewVer.txt"), gbk(QStringLiteral("第一次\r\n")));
        about::Frm_NetCorvane w;
        w.XPButton1->click();
        QVERIFY(w.Text2->toPlainText().contains(QStringLiteral("第一次")));
        s.server.serve(QStringLiteral("/NewVer.txt"), gbk(QStringLiteral("第二次\r\n")));
        w.XPButton1->click();
        QCOMPARE(w.Text2->toPlainText(),
                 successHead() + QStringLiteral("\n") + kStars + QStringLiteral("\n第二次\n") + kStars);
        QCOMPARE(s.server.requestCount(QStringLiteral("/NewVer.txt")), 2);
        // And a failing second run leaves no trace of the first.
        s.server.remove(QStringLiteral("/NewVer.txt"));
        w.XPButton1->click();
        QCOMPARE(w.Text2->toPlainText(), failureText());
    }

    // Something under the copy's name that cannot be removed must not pass for the latest notice.
    void oldCopyThatStays() {
        test::TestEnv env(false);
        ServerScope s(env);
        const QString local = about::localNoticePath();
        QVERIFY(QDir().mkpath(local));
        writeFile(QDir(local).filePath(QStringLiteral("x.txt")), "x");
        s.server.serve(QStringLiteral("/NewVer.txt"), gbk(QStringLiteral("新公告")));
        about::Frm_NetCorvane w;
        w.XPButton1->click();
        QCOMPARE(w.Text2->toPlainText(), failureText());
        QVERIFY(w.XPButton1->isEnabled());
    }

    void upgradeProgramMissing() {
        test::TestEnv env(false);
        const QString program = about::upgradeProgramPath();
        QVERIFY(!QFile::exists(program));
        QCOMPARE(QFileInfo(program).absolutePath(), QCoreApplication::applicationDirPath());
#ifndef Q_OS_WIN
        QCOMPARE(QFileInfo(program).fileName(), QStringLiteral("Kesti快递打印系统升级"));
#endif
        about::Frm_NetCorvane w;
        w.Command1->click();
        QVERIFY(env.prompter.programsStarted.isEmpty());
        QCOMPARE(env.prompter.quitCount, 0);
        QCOMPARE(env.prompter.shown.size(), 1);
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        QVERIFY(env.prompter.lastText().contains(QDir::toNativeSeparators(program)));
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("没有找到升级程序")));
    }

    void upgradeStartsAndEnds() {
        test::TestEnv env(false);
        const QString program = about::upgradeProgramPath();
        writeFile(program, "#!/bin/sh\n");
        struct Remove {
            QString path;
            ~Remove() { QFile::remove(path); }
        } remove{program};

        about::Frm_NetCorvane w;
        w.Command1->click();
        QCOMPARE(env.prompter.programsStarted, QStringList{program});
        QCOMPARE(env.prompter.quitCount, 1);
        QVERIFY(env.prompter.shown.isEmpty());

        // A program that does not start: told, and this program goes on.
        env.prompter.clear();
        env.prompter.startSucceeds = false;
        w.Command1->click();
        QCOMPARE(env.prompter.quitCount, 0);
        QCOMPARE(env.prompter.shown.size(), 1);
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("无法启动")));
    }

    void webSite() {
        test::TestEnv env(false);
        about::Frm_NetCorvane w;
        w.XPButton2->click();
        QCOMPARE(env.prompter.urlsOpened, QList<QUrl>{QUrl(QString::fromLatin1(app::kWebSite))});
    }

    void openedModally() {
        test::TestEnv env(false);
        windows::openAbout(nullptr);
        QCOMPARE(env.prompter.dialogsShown, QStringList{QStringLiteral("Frm_NetCorvane")});
    }
};

QTEST_MAIN(TestFrmNetCorvane)
#include "tst_frm_netcorvane.moc"
