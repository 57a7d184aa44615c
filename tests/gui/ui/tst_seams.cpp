// The seams themselves: the environment a test installs and puts back, the ownership of modal windows,
// and the one report of a database failure inside a handler.
#include "TestEnv.h"
#include "TestServer.h"
#include "app/AppState.h"
#include "app/CommonUsePanel.h"
#include "app/Frm_main.h"
#include "app/Product.h"
#include "data/Database.h"
#include "data/Sql.h"
#include "ui/Guarded.h"
#include "ui/Modal.h"
#include "ui/Printer.h"
#include "ui/Twips.h"

#include <QDialog>
#include <QDir>
#include <QListView>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QTest>

using namespace vorlan;

namespace {

// A window that counts its destruction and may refuse to open.
class ProbeWindow : public QDialog {
public:
    ProbeWindow(QWidget* parent, int* destroyed, bool loads = true)
        : QDialog(parent), destroyed_(destroyed), loads_(loads) {
        setObjectName(QStringLiteral("ProbeWindow"));
    }
    ~ProbeWindow() override { ++*destroyed_; }
    bool load() { return ++loadCalls, loads_; }
    int loadCalls = 0;

private:
    int* destroyed_;
    bool loads_;
};

// A window whose load() cannot refuse.
class PlainWindow : public QDialog {
public:
    explicit PlainWindow(QWidget* parent, int* loaded) : QDialog(parent), loaded_(loaded) {
        setObjectName(QStringLiteral("PlainWindow"));
    }
    void load() { ++*loaded_; }

private:
    int* loaded_;
};

} // namespace

class TestSeams : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::initTestApplication(); }

    void environmentIsPutBack() {
        const QString usualFolder = data::dataFolder();
        QCOMPARE(app::updateServer(), QStringLiteral("http://update.vorlan.cn"));
        QCOMPARE(ui::printerTarget(), ui::PrinterTarget::SystemDefault);
        ui::Prompter* const production = &ui::prompter();
        {
            test::ScopedEnvironment outer;
            QCOMPARE(&ui::prompter(), static_cast<ui::Prompter*>(&outer.prompter));
            QCOMPARE(ui::printerTarget(), ui::PrinterTarget::PdfFile);
            QCOMPARE(ui::defaultPrinterName(), QDir(outer.folder()).filePath(QStringLiteral("printer.pdf")));
            QCOMPARE(ui::screenDpi(), 96.0);
            QCOMPARE(ui::toPixels(1440_tw), 96);
            QCOMPARE(data::dataFolder(), outer.folder());
            QCOMPARE(data::databasePath(), QDir(outer.folder()).filePath(QStringLiteral("RavIZ.mdb")));
            outer.setUpdateServer(QStringLiteral("http://127.0.0.1:9"));
            {
                test::ScopedEnvironment inner;
                QCOMPARE(app::updateServer(),
                         QStringLiteral("http://127.0.0.1:9")); // what it does not set stays
                QCOMPARE(data::dataFolder(), inner.folder());
                inner.printToNothing();
                inner.setScreenDpi(120);
                inner.setDataLocation({outer.folder(), QStringLiteral("说明")});
                inner.setUpdateServer(QStringLiteral("http://127.0.0.1:10"));
                QCOMPARE(ui::defaultPrinterName(), QString());
                QVERIFY(!ui::openDefaultPrinter(QStringLiteral("x")));
                QCOMPARE(ui::toPixels(1440_tw), 120);
                QCOMPARE(data::dataFolderNotice(), QStringLiteral("说明"));
                ui::information(nullptr, QStringLiteral("里面"), QStringLiteral("提示"));
                QCOMPARE(inner.prompter.texts(), QStringList{QStringLiteral("里面")});
            }
            QVERIFY(outer.prompter.shown.isEmpty());
            QCOMPARE(&ui::prompter(), static_cast<ui::Prompter*>(&outer.prompter));
            QCOMPARE(ui::printerTarget(), ui::PrinterTarget::PdfFile);
            QCOMPARE(ui::screenDpi(), 96.0);
            QCOMPARE(data::dataFolder(), outer.folder());
            QCOMPARE(data::dataFolderNotice(), QString());
            QCOMPARE(app::updateServer(), QStringLiteral("http://127.0.0.1:9"));
            outer.printToSystem();
            QCOMPARE(ui::printerTarget(), ui::PrinterTarget::SystemDefault);
            outer.setDataFolder(QString()); // back to the usual folder for the rest of the scope
            QCOMPARE(data::dataFolder(), usualFolder);
        }
        QCOMPARE(&ui::prompter(), production);
        QCOMPARE(app::updateServer(), QStringLiteral("http://update.vorlan.cn"));
        QCOMPARE(ui::printerTarget(), ui::PrinterTarget::SystemDefault);
        QCOMPARE(data::dataFolder(), usualFolder);
        QVERIFY(!app::environment().seed);
    }

    void modalWindowIsDestroyedAfterShowing() {
        test::ScopedEnvironment env;
        QWidget parent;
        int destroyed = 0;
        QPointer<QDialog> shown;
        QWidget* shownParent = nullptr;
        int loadCalls = 0;
        env.prompter.onExec = [&](QDialog* d) {
            shown = d;
            shownParent = d->parentWidget();
            loadCalls = static_cast<ProbeWindow*>(d)->loadCalls;
            return int(QDialog::Accepted);
        };
        const std::optional<int> result = ui::openModal<ProbeWindow>(&parent, &destroyed);
        QCOMPARE(shownParent, &parent);
        QCOMPARE(loadCalls, 1);
        QCOMPARE(result, std::optional<int>(QDialog::Accepted));
        QCOMPARE(destroyed, 1);
        QVERIFY(!shown);
        QCOMPARE(env.prompter.dialogsShown, QStringList{QStringLiteral("ProbeWindow")});
        QVERIFY(parent.findChildren<QDialog*>().isEmpty());
    }

    void refusedWindowIsNotShown() {
        test::ScopedEnvironment env;
        int destroyed = 0;
        const std::optional<int> result = ui::openModal<ProbeWindow>(nullptr, &destroyed, false);
        QVERIFY(!result);
        QCOMPARE(destroyed, 1);
        QVERIFY(env.prompter.dialogsShown.isEmpty());
    }

    void loadWithoutAnswerIsRun() {
        test::ScopedEnvironment env;
        int loaded = 0;
        QCOMPARE(ui::openModal<PlainWindow>(nullptr, &loaded), std::optional<int>(QDialog::Rejected));
        QCOMPARE(loaded, 1);
        QCOMPARE(env.prompter.dialogsShown, QStringList{QStringLiteral("PlainWindow")});
    }

    // The program ending from inside a window takes the window's parent, and the window with it, while it
    // is still shown; the opener must not destroy it a second time.
    void windowGoneWithItsParentWhileShown() {
        test::ScopedEnvironment env;
        auto* parent = new QWidget;
        int destroyed = 0;
        env.prompter.onExec = [&](QDialog*) {
            delete parent;
            return int(QDialog::Rejected);
        };
        QCOMPARE(ui::openModal<ProbeWindow>(parent, &destroyed), std::optional<int>(QDialog::Rejected));
        QCOMPARE(destroyed, 1);
    }

    // A window that has itself deleted while it is shown (deleteLater, as a close with WA_DeleteOnClose does)
    // is destroyed once.
    void windowDeletedWhileShown() {
        test::ScopedEnvironment env;
        int destroyed = 0;
        env.prompter.onExec = [&](QDialog* d) {
            d->deleteLater();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return int(QDialog::Rejected);
        };
        ui::openModal<ProbeWindow>(nullptr, &destroyed);
        QCOMPARE(destroyed, 1);
    }

    void guardedReportsTheFailure_data() {
        QTest::addColumn<bool>("fails");
        QTest::addColumn<bool>("ran");
        QTest::newRow("work runs through") << false << true;
        QTest::newRow("database failure") << true << false;
    }

    void guardedReportsTheFailure() {
        QFETCH(bool, fails);
        QFETCH(bool, ran);
        test::ScopedEnvironment env;
        bool after = false;
        const bool done = ui::guarded(nullptr, u"XPBut确定_Click", [&] {
            if (fails)
                throw data::DbError(QStringLiteral("database is locked"));
            after = true;
        });
        QCOMPARE(done, ran);
        QCOMPARE(after, ran);
        if (ran) {
            QVERIFY(env.prompter.shown.isEmpty());
            return;
        }
        QCOMPARE(env.prompter.texts(),
                 QStringList{QStringLiteral("vorlanXPBut确定_Click：database is locked")});
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Exclamation);
        QCOMPARE(env.prompter.last().buttons, ui::Buttons::Ok);
    }

    void guardedHandsTheDescriptionOn() {
        QStringList reported;
        QVERIFY(!ui::guarded([] { throw data::DbError(QStringLiteral("refused")); },
                             [&](const QString& why) { reported << why; }));
        QCOMPARE(reported, QStringList{QStringLiteral("refused")});
        // Only database failures are reported; anything else is a fault that must not be hidden.
        QVERIFY_THROWS_EXCEPTION(std::logic_error,
                                 ui::guarded([] { throw std::logic_error("bug"); }, [&](const QString&) {}));
    }

    // The main window's handlers report a failed statement with their own action names.
    void mainWindowReportsFailures_data() {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("shown");
        QTest::newRow("save structure")
            << QStringLiteral("BEFORE INSERT ON mobantabe") << QStringLiteral("Command1")
            << QStringLiteral("vorlanCommand1_Click：已锁定");
        QTest::newRow("add common use")
            << QStringLiteral("BEFORE INSERT ON yongtu") << QStringLiteral("XPBut_Newyongtu")
            << QStringLiteral("vorlanXPBut_Newyongtu_Click：已锁定");
        QTest::newRow("remove common use")
            << QStringLiteral("BEFORE DELETE ON yongtu") << QStringLiteral("XPBut_Delyongtu")
            << QStringLiteral("vorlanXPBut_Delyongtu_Click：已锁定");
    }

    void mainWindowReportsFailures() {
        VORLAN_FILE_ONLY("the fault is injected with an SQLite trigger");
        QFETCH(QString, trigger);
        QFETCH(QString, button);
        QFETCH(QString, shown);
        test::TestEnv env;
        data::exec(env.db(), QStringLiteral("INSERT INTO yongtu (yongtuName) VALUES ('运费')"));
        data::exec(env.db(), QStringLiteral("INSERT INTO mobantabe (parent, key, text, image, selectedimage) "
                                            "VALUES ('0_', '1_', '快递单', 1, 2)"));
        app::state().userLevel = QString::fromUtf8(app::kAdvancedLevel);
        app::Frm_main w;
        w.load();
        QCOMPARE(w.XPFrame3->yongtuModel->rowCount(), 1);
        w.XPFrame3->List_findlx->selectionModel()->select(w.XPFrame3->yongtuModel->index(0),
                                                          QItemSelectionModel::Select);
        w.XPFrame3->Text_yongtu->setText(QStringLiteral("货款"));
        data::exec(
            env.db(),
            QStringLiteral("CREATE TRIGGER refuse %1 BEGIN SELECT RAISE(ABORT, '已锁定'); END").arg(trigger));
        env.prompter.clear();
        auto* b = w.findChild<QPushButton*>(button);
        QVERIFY(b);
        QVERIFY(b->isEnabled());
        b->click();
        QCOMPARE(env.prompter.texts(), QStringList{shown});
        QCOMPARE(w.XPFrame3->yongtuModel->rowCount(), 1); // the list shows what the table holds
    }
};

QTEST_MAIN(TestSeams)
#include "tst_seams.moc"
