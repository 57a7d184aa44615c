// From start to the login window shown (without the splash's fixed 1.8 s), and one login.
#include "BenchUtil.h"
#include "TestEnv.h"
#include "app/AppState.h"
#include "app/Frm_login.h"
#include "app/Product.h"
#include "app/Startup.h"
#include "data/Database.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>

using namespace vorlan;

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    app::initApplication();
    const double appMs = sinceStart.nsecsElapsed() / 1e6;
    // No update server answers: a closed local port fails at once, as a machine without network does.
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 closedPort = probe.serverPort();
    probe.close();
    test::ScopedEnvironment scope;
    scope.setUpdateServer(QStringLiteral("http://127.0.0.1:%1").arg(closedPort));

    QTemporaryDir dir;
    scope.setDataFolder(dir.path());
    {
        // A database with a user, made before the timed start (the program ships with one).
        test::TestEnv env(false);
        env.setDataFolder(dir.path());
        data::openShared();
        env.addUser(QStringLiteral("001"), QStringLiteral("admin"), QStringLiteral("secret"),
                    QStringLiteral("高级用户"));
    }
    app::state().reset();
    const double setupMs = sinceStart.nsecsElapsed() / 1e6;

    QElapsedTimer t;
    t.start();
    auto* login = new app::Frm_login;
    login->load();
    login->show();
    QApplication::processEvents();
    // Start = the application object plus the login window's load and first paint.
    const double startMs = appMs + t.nsecsElapsed() / 1e6;

    bool ok = true;
    std::printf("(test fixture: %.1f ms, not counted; application object %.1f ms, counted)\n",
                setupMs - appMs, appMs);
    ok &= bench::report("start to login window shown (database open, version check)", startMs, 300);

    double loginMs = 0;
    {
        app::Frm_login w;
        w.load();
        w.Combo1->setEditText(QStringLiteral("admin"));
        w.txtPassword->setText(QStringLiteral("secret"));
        loginMs = bench::bestOf(5, [&] { w.XPBut_XTDengLu->click(); });
        if (app::state().userLevel != QStringLiteral("高级用户")) {
            std::printf("login failed\n");
            ok = false;
        }
    }
    ok &= bench::report("login (look-up and password hash check)", loginMs, 100);
    delete login;
    data::closeShared();
    return ok ? 0 : 1;
}
