// The "打印设置" dialog and its button in the print window: choosing, checking, storing and using the
// template's printer, paper, orientation and origin.
#include "PrintFixture.h"
#include "PrintProbe.h"
#include "TestEnv.h"
#include "app/AppState.h"
#include "printing/Frm_PrintWindow.h"
#include "printing/PrintSettingsStore.h"
#include "printing/PrintSetupDialog.h"
#include "printing/PrinterSetup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

using namespace vorlan;
using namespace vorlan::test::printfixture;
using printing::PrintOrigin;
using printing::PrintSettings;
using printing::PrintSetupDialog;
namespace ty = templates::type;

Q_DECLARE_METATYPE(PrintSettings)

namespace {

const QString kName = QStringLiteral("汇款单");

PrintSettings stored(const QSqlDatabase& db, const QString& name = kName) {
    return printing::PrintSettingsStore(db).load(name);
}

int settingsRows(const QSqlDatabase& db) {
    return data::scalar(db, QStringLiteral("SELECT count(*) FROM mobanprint")).toInt();
}

void chooseCustom(PrintSetupDialog& d, const QString& width, const QString& height) {
    d.cboPaper->setCurrentIndex(d.cboPaper->findData(printing::kCustomPaperKey));
    d.txtPaperWidth->setText(width);
    d.txtPaperHeight->setText(height);
}

std::unique_ptr<printing::Frm_PrintWindow> openWindow() {
    app::state().currentTemplate = kName;
    auto w = std::make_unique<printing::Frm_PrintWindow>();
    if (!w->load())
        return nullptr;
    return w;
}

} // namespace

class TestPrintSetup : public QObject {
    Q_OBJECT
private slots:
    void controlsAndDefaults() {
        test::TestEnv env;
        PrintSetupDialog d(nullptr, kName, {});
        QCOMPARE(d.windowTitle(), QStringLiteral("打印设置"));
        for (const char* name :
             {"cboPrinter", "cboPaper", "txtPaperWidth", "txtPaperHeight", "optPortrait", "optLandscape",
              "optOriginPrintable", "optOriginPaper", "cmdOK", "cmdCancel"})
            QVERIFY2(d.findChild<QWidget*>(QString::fromLatin1(name)), name);
        QCOMPARE(d.optOriginPrintable->text(), QStringLiteral("可打印区域左上角"));
        QCOMPARE(d.optOriginPaper->text(), QStringLiteral("纸张左上角"));
        // Nothing chosen: the system default printer with its own paper, from the printable area.
        QCOMPARE(d.cboPrinter->currentIndex(), 0);
        QVERIFY(d.cboPrinter->currentData().toString().isEmpty());
        QVERIFY(d.cboPaper->currentData().toString().isEmpty());
        QVERIFY(d.optOriginPrintable->isChecked());
        QVERIFY(d.optPortrait->isChecked());
        QVERIFY(!d.txtPaperWidth->isEnabled());
        QVERIFY(d.lblPrinterNote->isHidden());
        QVERIFY(d.cmdOK->isDefault());
        // The paper list always offers a custom size and some sizes, with or without a printer.
        QVERIFY(d.cboPaper->findData(printing::kCustomPaperKey) > 0);
        QVERIFY(d.cboPaper->count() > 3);
    }

    void showsTheStoredSettings() {
        test::TestEnv env;
        PrintSettings s = printing::withCustomPaper({}, QSizeF(230, 127.5));
        s.orientation = QPageLayout::Landscape;
        s.origin = PrintOrigin::Paper;
        PrintSetupDialog d(nullptr, kName, s);
        QCOMPARE(d.cboPaper->currentData().toString(), printing::kCustomPaperKey);
        QVERIFY(d.txtPaperWidth->isEnabled());
        QCOMPARE(d.txtPaperWidth->text(), QStringLiteral("230"));
        QCOMPARE(d.txtPaperHeight->text(), QStringLiteral("127.5"));
        QVERIFY(d.optLandscape->isChecked());
        QVERIFY(d.optOriginPaper->isChecked());
        QCOMPARE(d.settings(), s);
        // Looking at another paper and back keeps what was typed.
        d.cboPaper->setCurrentIndex(0);
        QVERIFY(!d.txtPaperWidth->isEnabled());
        d.cboPaper->setCurrentIndex(d.cboPaper->findData(printing::kCustomPaperKey));
        QCOMPARE(d.txtPaperHeight->text(), QStringLiteral("127.5"));
    }

    void badCustomSizesAreRefused_data() {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("zero width") << QStringLiteral("0") << QStringLiteral("127")
                                    << QStringLiteral("纸张的宽度必须大于 0 毫米（现为 0）。")
                                    << QStringLiteral("txtPaperWidth");
        QTest::newRow("negative height")
            << QStringLiteral("230") << QStringLiteral("-127")
            << QStringLiteral("纸张的高度必须大于 0 毫米（现为 -127）。") << QStringLiteral("txtPaperHeight");
        QTest::newRow("not a number")
            << QStringLiteral("二三零") << QStringLiteral("127")
            << QStringLiteral("纸张的宽度“二三零”不是数字，请输入以毫米为单位的数值，例如 230。")
            << QStringLiteral("txtPaperWidth");
        QTest::newRow("too large") << QStringLiteral("230") << QStringLiteral("1270")
                                   << QStringLiteral("纸张的高度应在 10 到 1000 毫米之间（现为 1270 毫米）。")
                                   << QStringLiteral("txtPaperHeight");
        QTest::newRow("empty") << QString() << QStringLiteral("127")
                               << QStringLiteral("请输入纸张的宽度（以毫米为单位）。")
                               << QStringLiteral("txtPaperWidth");
    }
    void badCustomSizesAreRefused() {
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        test::TestEnv env;
        PrintSetupDialog d(nullptr, kName, {});
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        chooseCustom(d, width, height);
        d.cmdOK_Click();
        QCOMPARE(env.prompter.texts(), QStringList{message});
        QCOMPARE(env.prompter.last().title, QStringLiteral("输入提示"));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Exclamation);
        QVERIFY(d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(), focus);
        QCOMPARE(settingsRows(env.db()), 0);
    }

    void enterConfirmsAndStores_data() {
        QTest::addColumn<QString>("focus");
        QTest::newRow("in the height box") << QStringLiteral("txtPaperHeight");
        QTest::newRow("on the paper list") << QStringLiteral("cboPaper");
        QTest::newRow("on the printer list") << QStringLiteral("cboPrinter");
        QTest::newRow("on an option") << QStringLiteral("optOriginPaper");
    }
    void enterConfirmsAndStores() {
        QFETCH(QString, focus);
        test::TestEnv env;
        PrintSetupDialog d(nullptr, kName, {});
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        chooseCustom(d, QStringLiteral("230"), QStringLiteral("127"));
        d.optOriginPaper->setChecked(true);
        QWidget* target = d.findChild<QWidget*>(focus);
        QVERIFY(target);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Return);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(env.prompter.shown.isEmpty());
        PrintSettings expected = printing::withCustomPaper({}, QSizeF(230, 127));
        expected.orientation = QPageLayout::Portrait;
        expected.origin = PrintOrigin::Paper;
        QCOMPARE(stored(env.db()), expected);
    }

    // Tab into each group of option buttons lands on the ticked one, stored or ticked while open.
    void tabReachesTheTickedOptions_data() {
        QTest::addColumn<bool>("ticked"); // landscape and paper's corner; else portrait, printable area
        QTest::addColumn<bool>("whileOpen");
        QTest::newRow("stored: landscape, paper") << true << false;
        QTest::newRow("stored: portrait, printable area") << false << false;
        QTest::newRow("ticked while open") << true << true;
    }

    void tabReachesTheTickedOptions() {
        QFETCH(bool, ticked);
        QFETCH(bool, whileOpen);
        test::TestEnv env;
        PrintSettings s;
        s.orientation = ticked && !whileOpen ? QPageLayout::Landscape : QPageLayout::Portrait;
        s.origin = ticked && !whileOpen ? PrintOrigin::Paper : PrintOrigin::PrintableArea;
        PrintSetupDialog d(nullptr, kName, s);
        d.show();
        d.activateWindow();
        if (!QTest::qWaitForWindowActive(&d))
            QSKIP("the window cannot be made active on this platform");
        d.optLandscape->setChecked(ticked);
        d.optOriginPaper->setChecked(ticked);
        d.cboPaper->setFocus();
        QTest::keyClick(d.cboPaper, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), ticked ? d.optLandscape : d.optPortrait);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), ticked ? d.optOriginPaper : d.optOriginPrintable);
        d.cmdOK->setFocus();
        QTest::keyClick(d.cmdOK, Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), ticked ? d.optOriginPaper : d.optOriginPrintable);
    }

    void escapeCancelsAndStoresNothing() {
        test::TestEnv env;
        PrintSetupDialog d(nullptr, kName, {});
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        d.optOriginPaper->setChecked(true);
        QTest::keyClick(d.optOriginPaper, Qt::Key_Escape);
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QVERIFY(!d.isVisible());
        QCOMPARE(settingsRows(env.db()), 0);
    }

    void aPrinterSizeIsStoredWithItsDimensions() {
        test::TestEnv env;
        PrintSetupDialog d(nullptr, kName, {});
        const QList<QPageSize> sizes = printing::printerPageSizes(QString());
        QVERIFY(!sizes.isEmpty());
        const QPageSize size = sizes.last();
        d.cboPaper->setCurrentIndex(d.cboPaper->findData(size.key()));
        QVERIFY(!d.txtPaperWidth->isEnabled());
        d.optLandscape->setChecked(true);
        d.cmdOK_Click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        const PrintSettings s = stored(env.db());
        QCOMPARE(s.paperKey, size.key());
        QCOMPARE(s.paperMm, size.size(QPageSize::Millimeter));
        QCOMPARE(s.orientation, std::optional(QPageLayout::Landscape));
    }

    void aPrinterThatIsGoneIsNamed() {
        test::TestEnv env;
        PrintSettings s;
        s.printer = QStringLiteral("三楼的针式打印机");
        PrintSetupDialog d(nullptr, kName, s);
        QCOMPARE(d.cboPrinter->currentIndex(), 0);
        QVERIFY(!d.lblPrinterNote->isHidden());
        QVERIFY(d.lblPrinterNote->text().contains(QStringLiteral("“三楼的针式打印机”已不存在")));
        QVERIFY(d.settings().printer.isEmpty());
    }

    void aFailedSaveIsReportedAndTheDialogStays() {
        test::TestEnv env;
        data::exec(env.db(), QStringLiteral("DROP TABLE mobanprint"));
        PrintSetupDialog d(nullptr, kName, {});
        d.optOriginPaper->setChecked(true);
        d.cmdOK_Click();
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(env.prompter.shown.size(), 1);
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("cmdOK_Click")));
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("打印设置无法保存")));
    }

    // The print window: the button opens the dialog on the template's settings, and what is confirmed is
    // what the next print and preview use.
    void printWindowUsesTheSettings() {
        test::TestEnv env;
        addRow(env.db(), kName,
               {ty::SingleLine, QStringLiteral("收款人"), QStringLiteral("无"), 1, 1440, 720});
        addRow(env.db(), kName,
               {ty::MultiLine, QStringLiteral("附言"), QStringLiteral("无"), 1, 1440, 2000, 4000, 900});
        auto w = openWindow();
        QVERIFY(w);
        QVERIFY(w->cmdPrintSetup);
        QCOMPARE(w->cmdPrintSetup->objectName(), QStringLiteral("cmdPrintSetup"));
        QCOMPARE(w->cmdPrintSetup->text(), QStringLiteral("打印设置"));
        QCOMPARE(w->printSettings(), PrintSettings());

        env.prompter.onExec = [](QDialog* dialog) {
            auto* d = dynamic_cast<PrintSetupDialog*>(dialog);
            if (!d)
                return int(QDialog::Rejected);
            chooseCustom(*d, QStringLiteral("230"), QStringLiteral("127"));
            d->optOriginPaper->setChecked(true);
            d->cmdOK_Click();
            return d->result();
        };
        w->cmdPrintSetup->click();
        QCOMPARE(env.prompter.dialogsShown, QStringList{QStringLiteral("PrintSetupDialog")});
        QCOMPARE(w->printSettings().origin, PrintOrigin::Paper);
        QCOMPARE(stored(env.db()), w->printSettings());
        QCOMPARE(w->currentSheet().settings, w->printSettings());

        // A window opened later starts from the stored settings.
        auto again = openWindow();
        QCOMPARE(again->printSettings(), w->printSettings());

        // The preview shows the 230 x 127 mm paper: its outline ends 230 mm from the corner.
        w->show();
        w->SSTab1->setCurrentIndex(1);
        const QImage page = w->Picture1->pixmap().toImage();
        const int right = ui::toPixels(ui::Twips(230 / 25.4 * 1440));
        bool edge = false;
        for (int x = right - 2; x <= right; ++x)
            edge = edge || page.pixelColor(x, 100) != QColor(Qt::white);
        QVERIFY(edge);
        for (int x = right + 2; x < page.width(); ++x)
            QCOMPARE(page.pixelColor(x, 100), QColor(Qt::white));

        // Cancelling keeps them.
        env.prompter.onExec = [](QDialog*) { return int(QDialog::Rejected); };
        w->cmdPrintSetup_Click();
        QCOMPARE(w->printSettings().origin, PrintOrigin::Paper);
    }

    // A template whose printer has been removed prints on the default one and says so; the sheet is logged.
    void removedPrinterIsNamedAtPrinting() {
        test::TestEnv env;
        addRow(env.db(), kName,
               {ty::SingleLine, QStringLiteral("收款人"), QStringLiteral("无"), 1, 1440, 720});
        PrintSettings s;
        s.printer = QStringLiteral("已经拆掉的打印机");
        printing::PrintSettingsStore(env.db()).save(kName, s);
        auto w = openWindow();
        QVERIFY(w);
        w->XPCheckBox1->setChecked(false);
        w->Text_Add(1)->setText(QStringLiteral("张三"));
        w->XPBut单件打印_Click();
        QCOMPARE(env.prompter.shown.size(), 1);
        QVERIFY(env.prompter.lastText().startsWith(
            QStringLiteral("本模板设定的打印机“已经拆掉的打印机”已不存在")));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Exclamation);
        QVERIFY(QFileInfo::exists(env.pdfPath()));
    }

    void printedPageIsTheTemplatesPaper() {
        if (!probe::haveTool(QStringLiteral("pdfinfo")) || !probe::haveTool(QStringLiteral("pdftotext")))
            QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
        test::TestEnv env;
        addRow(env.db(), kName,
               {ty::MultiLine, QStringLiteral("附言"), QStringLiteral("无"), 1, 1440, 2000, 4000, 900});
        PrintSettings s = printing::withCustomPaper({}, QSizeF(230, 127));
        s.origin = PrintOrigin::Paper;
        printing::PrintSettingsStore(env.db()).save(kName, s);
        auto w = openWindow();
        QVERIFY(w);
        const QString pdf = env.pdfPath();
        env.printToPdf(pdf);
        // Typed with a line break: two print lines, the second 300 twips lower at the same x.
        w->Text_Addscroll(1)->setPlainText(QStringLiteral("货款\n余款"));
        w->XPBut单件打印_Click();
        const QSizeF size = probe::pageSize(pdf);
        QVERIFY2(qAbs(size.width() - 651.97) < 0.05 && qAbs(size.height() - 360) < 0.05,
                 qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())));
        const QList<probe::Word> words = probe::readWords(pdf).words;
        QCOMPARE(words.size(), 2);
        QCOMPARE(words[0].text, QStringLiteral("货款"));
        QCOMPARE(words[1].text, QStringLiteral("余款"));
        QVERIFY(qAbs(words[0].xMin - 72) < 0.1); // 1440 twips from the paper's edge
        QVERIFY(qAbs(words[1].xMin - 72) < 0.1);
        QVERIFY(qAbs(words[1].yMin - words[0].yMin - 15) < 0.1); // 300 twips lower
        QVERIFY(qAbs(words[0].yMin - 100) < 0.1);
    }
};

QTEST_MAIN(TestPrintSetup)
#include "tst_printsetup.moc"
