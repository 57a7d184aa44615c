#include "BothEngines.h"
#include "PrintFixture.h"
#include "TestEnv.h"
#include "app/AppState.h"
#include "app/Windows.h"
#include "data/Schema.h"
#include "printing/Frm_PrintWindow.h"
#include "printing/PrinterSetup.h"
#include "printing/SampleData.h"
#include "printing/WindowKeys.h"
#include "templates/RecordPicker.h"
#include "ui/Printer.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWindow>

using namespace vorlan;
using namespace Qt::StringLiterals;
using namespace vorlan::test::printfixture;
using printing::Frm_PrintWindow;
using templates::Family;
namespace ty = templates::type;

namespace {
const QString kName = QStringLiteral("电汇凭证");

std::unique_ptr<Frm_PrintWindow> openWindow(const QString& name = kName, QDate today = QDate(2024, 3, 5)) {
    app::state().currentTemplate = name;
    auto w = std::make_unique<Frm_PrintWindow>();
    w->today = today;
    if (!w->load())
        return nullptr;
    return w;
}

// The program's twelve customer fields in table order (the row key numbers itself).
QString customerInsert() {
    QStringList names;
    for (const QString& c : data::schema::customerColumns())
        names << data::quoteId(c);
    return QStringLiteral("INSERT INTO Basic_Khgl (%1) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)")
        .arg(names.join(u','));
}

void addCustomer(const QSqlDatabase& db, const QString& name, const QString& address, const QString& phone) {
    data::exec(db, customerInsert(),
               {name, QStringLiteral("KJ"), address, QStringLiteral("310000"), phone, QString(),
                QStringLiteral("王五"), QStringLiteral("工商银行"), QStringLiteral("6222 0000"),
                QStringLiteral("杭州"), QStringLiteral("浙江"), QStringLiteral("西湖区")});
}

int logRows(const QSqlDatabase& db) {
    return test::logCount(db, QStringLiteral("示例运单"));
}

// The sample waybill (it has a print log table) open in the print window, printing into a PDF file.
struct SampleWindow {
    test::TestEnv env;
    QTemporaryDir out;
    std::unique_ptr<Frm_PrintWindow> w;
    int prints = 0; // times the window said it is printing

    SampleWindow() {
        printing::sample::seedSampleData(env.db());
        w = openWindow(printing::sample::kTemplateName);
        env.printToPdf(out.filePath(QStringLiteral("sheet.pdf")));
        QObject::connect(w.get(), &QWidget::windowTitleChanged, w.get(), [this](const QString& title) {
            if (title.endsWith(printing::kPrintingCaption))
                ++prints;
        });
    }
};

// The one test of the real path: picks row `row` of whatever picker opens through its own controls.
void pickRow(ui::ScriptedPrompter& prompter, int row) {
    prompter.onExec = [row](QDialog* d) {
        auto* p = dynamic_cast<templates::RecordPicker*>(d);
        if (!p)
            return int(QDialog::Rejected);
        p->show();
        p->DataGrid1->setCurrentIndex(p->Adodc1->index(row, 0));
        p->OKButton_Click();
        return p->result();
    };
}

// Records the captions of the pickers that open and closes them without a choice.
std::shared_ptr<QStringList> recordPickers(ui::ScriptedPrompter& prompter) {
    auto titles = std::make_shared<QStringList>();
    prompter.onExec = [titles](QDialog* d) {
        if (auto* p = dynamic_cast<templates::RecordPicker*>(d))
            *titles << p->title;
        return int(QDialog::Rejected);
    };
    return titles;
}

// Shows the window and waits until it has the keyboard.
bool activate(QWidget* w) {
    w->show();
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

// A form whose slot numbers do not follow its layout. Reading order: S4 S1 / M1 S2 / S3 / S5 S6 (the
// second box of the first line stands a little lower, the multi-line box a little higher than its
// neighbour).
void addCounterForm(const QSqlDatabase& db) {
    addRow(db, kName, {ty::Date, QStringLiteral("日期"), QStringLiteral("无"), 4, 600, 600});
    addRow(db, kName, {ty::SingleLine, QStringLiteral("名称"), QStringLiteral("客户名称"), 1, 4000, 640});
    addRow(db, kName, {ty::MultiLine, QStringLiteral("附言"), QString(), 1, 600, 1450, 3000, 900});
    addRow(db, kName, {ty::SingleLine, QStringLiteral("收款人"), QStringLiteral("无"), 2, 4000, 1500});
    addRow(db, kName, {ty::SingleLine, QStringLiteral("地址"), QStringLiteral("客户地址"), 3, 600, 2700});
    addRow(db, kName, {ty::AmountInWords, QStringLiteral("金额"), QStringLiteral("无"), 5, 600, 3300});
    addRow(db, kName, {ty::SingleLine, QStringLiteral("用途"), QStringLiteral("常用用途"), 6, 4000, 3300});
}

// "S3" is single-line box 3, "M1" multi-line box 1.
QWidget* boxNamed(const Frm_PrintWindow& w, const QString& name) {
    const Family f = name.startsWith(QLatin1Char('M')) ? Family::Multi : Family::Single;
    return w.box({f, name.mid(1).toInt()});
}

bool anythingSelected(const Frm_PrintWindow& w) {
    for (QLineEdit* e : w.findChildren<QLineEdit*>(QStringLiteral("Text_Add")))
        if (e->hasSelectedText())
            return true;
    for (QPlainTextEdit* e : w.findChildren<QPlainTextEdit*>(QStringLiteral("Text_Addscroll")))
        if (e->textCursor().hasSelection())
            return true;
    return false;
}

void pressKeys(const QString& keys) {
    const QKeySequence seq(keys, QKeySequence::PortableText);
    QWidget* target = QApplication::focusWidget();
    QVERIFY(target);
    QTest::keyClick(target, Qt::Key(seq[0].key()), seq[0].keyboardModifiers());
}

QStringList customerRow(const QString& name, const QString& address, const QString& phone) {
    return {name,
            QStringLiteral("KJ"),
            address,
            QStringLiteral("310000"),
            phone,
            QString(),
            QStringLiteral("王五"),
            QStringLiteral("工商银行"),
            QStringLiteral("6222 0000"),
            QStringLiteral("杭州"),
            QStringLiteral("浙江"),
            QStringLiteral("西湖区")};
}
} // namespace

class TestPrintWindow : public QObject {
    Q_OBJECT
private slots:

    void loadsBoxesWithGapsInTheirFontsAndColours() {
        test::TestEnv env;
        const QSqlDatabase db = env.db();
        addRow(db, kName,
               {ty::SingleLine, QStringLiteral("收款人"), QStringLiteral("客户名称"), 1, 1440, 720, 3000, 315,
                12, true, 0x00FFFF, 0x0000FF});
        addRow(db, kName, {ty::Date, QStringLiteral("日期"), QStringLiteral("无"), 3, 300, 150});
        addRow(db, kName, {ty::AmountInWords, QStringLiteral("大写二"), QStringLiteral("无"), 5, 600, 1500});
        addRow(db, kName, {ty::AmountInWords, QStringLiteral("大写一"), QStringLiteral("无"), 4, 600, 1200});
        addRow(db, kName,
               {ty::MultiLine, QStringLiteral("附言"), QStringLiteral("常用用途"), 1, 150, 3000, 4000, 900});
        addRow(db, kName, {QString(), QStringLiteral("已删除"), QStringLiteral("无"), 2, 0, 0});
        addRow(db, kName, {QStringLiteral("条形码"), QStringLiteral("未知"), QStringLiteral("无"), 6, 0, 0});
        auto w = openWindow();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), kName);
        QCOMPARE(w->N(), 5);
        QCOMPARE(w->M(), 1);
        QVERIFY(!w->Text_Add(2));
        QVERIFY(!w->Text_Add(6));
        QCOMPARE(w->amountSlots(), QList<int>({4, 5}));
        QCOMPARE(w->findChildren<QLineEdit*>(QStringLiteral("Text_Add")).size(), 4);
        QCOMPARE(w->findChildren<QPlainTextEdit*>(QStringLiteral("Text_Addscroll")).size(), 1);

        QLineEdit* b1 = w->Text_Add(1);
        QCOMPARE(b1->geometry(), QRect(96, 48, 200, 21));
        QCOMPARE(b1->parentWidget(), w->surface);
        QCOMPARE(b1->font().family(), QStringLiteral("宋体"));
        QCOMPARE(b1->font().pointSizeF(), 12.0);
        QVERIFY(b1->font().bold());
        QCOMPARE(b1->palette().color(QPalette::Base), QColor(255, 255, 0)); // red in the lowest byte
        QCOMPARE(b1->palette().color(QPalette::Text), QColor(255, 0, 0));
        QCOMPARE(w->Text_Addscroll(1)->geometry(), QRect(10, 200, 267, 60));

        // The rest of the window as it opens.
        QCOMPARE(w->SSTab1->count(), 2);
        QCOMPARE(w->SSTab1->tabText(0), QStringLiteral("模板打印"));
        QCOMPARE(w->SSTab1->tabText(1), QStringLiteral("打印预览"));
        QCOMPARE(w->SSTab1->currentIndex(), 0);
        QVERIFY(w->XPCheckBox1->isChecked());
        QCOMPARE(w->XPCheckBox1->text(), QStringLiteral("打印后明细保存"));
        QCOMPARE(w->XPButton_WeiTiao->text(), QStringLiteral("开启微调"));
        QCOMPARE(w->XPButton_BaoCWT->text(), QStringLiteral("保存微调"));
        QCOMPARE(w->XPBut单件打印->text(), QStringLiteral("开始打印"));
        QCOMPARE(w->XPBut单件打印->objectName(), QStringLiteral("XPBut单件打印"));
        QCOMPARE(w->XPButton1->text(), QStringLiteral("返  回"));
        QVERIFY(w->XPFrame2->isHidden());
        QCOMPARE(w->XPFrame2->title(), QStringLiteral("模板整体打印位置调整"));
        for (int i = 1; i <= 8; ++i)
            QVERIFY(w->findChild<QWidget*>(QStringLiteral("Pic%1").arg(i))->isHidden());
        QCOMPARE(w->Allup->text(), QStringLiteral("0"));
        QCOMPARE(w->Label_Allup->text(), QStringLiteral("(0.0mm)"));
        QVERIFY(!w->pictureShown());
        QVERIFY(env.prompter.shown.isEmpty());

        // Only live points go to the printer, single-line family first.
        const printing::PrintSheet sheet = w->currentSheet();
        QStringList names;
        for (const auto& f : sheet.fields)
            names << f.name;
        QCOMPARE(names,
                 QStringList({QStringLiteral("收款人"), QStringLiteral("日期"), QStringLiteral("大写一"),
                              QStringLiteral("大写二"), QStringLiteral("附言")}));
        QCOMPARE(sheet.fields[0].left, 1440_tw);
        QCOMPARE(sheet.fields[0].fontSize, 12.0);
    }

    // The surface builds from a template in memory, without a window, handles or database.
    void surfaceOnItsOwn() {
        templates::Template t;
        templates::InputPoint p;
        p.type = ty::Month;
        p.name = QStringLiteral("月");
        p.rect = ui::TwipsRect{1440_tw, 720_tw, 3000_tw, 315_tw};
        t.single[2] = p;
        t.single.count = 2;
        p.type = ty::MultiLine;
        p.name = QStringLiteral("备注");
        p.rect = ui::TwipsRect{150_tw, 3000_tw, 4000_tw, 900_tw};
        t.multi[2] = p;
        t.multi.count = 2;
        printing::BoxSurface surface;
        surface.build(t, printing::initialTexts(t, QDate(2024, 3, 5)), nullptr, nullptr);
        QVERIFY(!surface.line(1) && !surface.multi(1) && !surface.line(3));
        QCOMPARE(surface.line(2)->geometry(), QRect(96, 48, 200, 21));
        QCOMPARE(surface.line(2)->text(), QStringLiteral("03"));
        QCOMPARE(surface.multi(2)->parentWidget(), &surface);
        // The multi-line box's viewport, which receives its mouse events, belongs to its slot.
        QCOMPARE(surface.slotOf(surface.multi(2)->viewport()),
                 std::optional(printing::finetune::SlotRef{Family::Multi, 2}));
        QVERIFY(!surface.slotOf(&surface));
        surface.setTexts(printing::BoxTexts{{{Family::Multi, 2}, QStringLiteral("易碎")}});
        QCOMPARE(surface.texts(), (printing::BoxTexts{{{Family::Single, 2}, QStringLiteral("03")},
                                                      {{Family::Multi, 2}, QStringLiteral("易碎")}}));
        surface.setBoxesVisible(false);
        QVERIFY(surface.line(2)->isHidden() && surface.multi(2)->isHidden());
        QVERIFY(!surface.pictureShown());
    }

    void onlyMultiLinePoints() {
        test::TestEnv env;
        addRow(env.db(), kName,
               {ty::MultiLine, QStringLiteral("甲"), QStringLiteral("无"), 1, 0, 0, 3000, 900});
        addRow(env.db(), kName,
               {ty::MultiLine, QStringLiteral("乙"), QStringLiteral("无"), 3, 0, 1000, 3000, 900});
        auto w = openWindow();
        QVERIFY(w);
        QCOMPARE(w->N(), 0);
        QCOMPARE(w->M(), 3);
        QVERIFY(w->Text_Addscroll(1) && w->Text_Addscroll(3) && !w->Text_Addscroll(2));
        QVERIFY(w->findChildren<QLineEdit*>(QStringLiteral("Text_Add")).isEmpty());
    }

    void datesFromTheInjectedDay() {
        test::TestEnv env;
        addRow(env.db(), kName, {ty::Month, QStringLiteral("月"), QStringLiteral("无"), 1});
        addRow(env.db(), kName, {ty::Day, QStringLiteral("日"), QStringLiteral("无"), 2});
        addRow(env.db(), kName, {ty::Year, QStringLiteral("年"), QStringLiteral("无"), 3});
        addRow(env.db(), kName, {ty::Date, QStringLiteral("日期"), QStringLiteral("无"), 4});
        addRow(env.db(), kName, {ty::Integer, QStringLiteral("件数"), QStringLiteral("无"), 5});
        auto w = openWindow(kName, QDate(2024, 3, 5));
        QVERIFY(w);
        QCOMPARE(w->Text_Add(1)->text(), QStringLiteral("03"));
        QCOMPARE(w->Text_Add(2)->text(), QStringLiteral("05"));
        QCOMPARE(w->Text_Add(3)->text(), QStringLiteral("2024"));
        QCOMPARE(w->Text_Add(4)->text(), QStringLiteral("2024-03-05"));
        QCOMPARE(w->Text_Add(5)->text(), QString());
        QCOMPARE(printing::initialText(ty::Date, QDate(1999, 12, 31)), QStringLiteral("1999-12-31"));

        // In use no day is fixed: the local date.
        app::state().currentTemplate = kName;
        Frm_PrintWindow live;
        const QDate before = QDate::currentDate();
        QVERIFY(live.load());
        const QString shown = live.Text_Add(4)->text();
        QVERIFY2(shown == before.toString(QStringLiteral("yyyy-MM-dd")) ||
                     shown == QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")), // past midnight
                 qPrintable(shown));
    }

    void backgroundPictureAndStoredOffsets() {
        test::TestEnv env;
        addRow(env.db(), kName, {ty::SingleLine, QStringLiteral("甲"), QStringLiteral("无"), 1, 1500, 1500});
        addBackground(env.db(), kName, 150, 300, 6000, 3000);
        addHeader(env.db(), kName, paddedPng(1000), 25, -40);
        auto w = openWindow();
        QVERIFY(w);
        QVERIFY(w->pictureShown());
        QVERIFY(w->Image1->isVisibleTo(w.get()));
        QCOMPARE(w->Image1->geometry(), QRect(10, 20, 400, 200));
        QCOMPARE(w->Image1->pixmap().size(), QSize(400, 200)); // stretched to its rectangle
        QCOMPARE(w->Image1->pixmap().toImage().pixelColor(200, 100), QColor(200, 30, 30));
        // The boxes lie above the picture.
        QVERIFY(w->surface->children().indexOf(w->Image1) < w->surface->children().indexOf(w->Text_Add(1)));
        QCOMPARE(w->Allup->text(), QStringLiteral("25"));
        QCOMPARE(w->VScroll1->value(), 25);
        QCOMPARE(w->Label_Allup->text(), QStringLiteral("(21.2mm)"));
        QCOMPARE(w->Allleft->text(), QStringLiteral("-40"));
        QCOMPARE(w->HScroll1->value(), -40);
        QCOMPARE(w->Label_Allleft->text(), QStringLiteral("(-33.9mm)"));
        const printing::PrintSheet sheet = w->currentSheet();
        QCOMPARE(sheet.allupText, QStringLiteral("25"));
        QCOMPARE(sheet.allleftText, QStringLiteral("-40"));
    }

    void smallOrBrokenPicturesAreNotShown() {
        test::TestEnv env;
        addHeader(env.db(), kName, paddedPng(999));
        auto w = openWindow();
        QVERIFY(w);
        QVERIFY(!w->pictureShown());
        QVERIFY(!w->Image1->isVisibleTo(w.get()));
        QVERIFY(env.prompter.shown.isEmpty());

        data::exec(env.db(), QStringLiteral("UPDATE moban SET backimage = ?"), {QByteArray(5000, 'x')});
        auto broken = openWindow();
        QVERIFY(broken);
        QVERIFY(!broken->pictureShown());
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("背景图片无法识别")));
    }

    void unreadableTemplateDoesNotOpen() {
        test::TestEnv env;
        addRow(env.db(), kName, {ty::SingleLine, QStringLiteral("甲"), QStringLiteral("无"), 1});
        data::exec(env.db(), QStringLiteral("UPDATE mobanxywh SET W = NULL"));
        app::state().currentTemplate = kName;
        int opened = 0;
        env.prompter.onExec = [&](QDialog*) { return ++opened, int(QDialog::Rejected); };
        windows::openPrintWindow(nullptr);
        QCOMPARE(opened, 0);
        QCOMPARE(env.prompter.shown.size(), 1);
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("模板“电汇凭证”无法读取")));
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("甲")));
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));

        // A readable template opens through the same opener.
        data::exec(env.db(), QStringLiteral("UPDATE mobanxywh SET W = 2000"));
        QString shownName;
        env.prompter.onExec = [&](QDialog* d) { return shownName = d->objectName(), int(QDialog::Rejected); };
        windows::openPrintWindow(nullptr);
        QCOMPARE(shownName, QStringLiteral("Frm_申通快递"));
    }

    void skippedRowsAreNamed() {
        test::TestEnv env;
        addRow(env.db(), kName, {ty::SingleLine, QStringLiteral("甲"), QStringLiteral("无"), 1});
        addRow(env.db(), kName, {ty::SingleLine, QStringLiteral("乙"), QStringLiteral("无"), 101});
        addRow(env.db(), kName, {ty::Number, QStringLiteral("丙"), QStringLiteral("无"), 1});
        auto w = openWindow();
        QVERIFY(w);
        QCOMPARE(w->N(), 1);
        QCOMPARE(env.prompter.shown.size(), 1);
        const QString text = env.prompter.lastText();
        QVERIFY(text.contains(QStringLiteral("电汇凭证")));
        QVERIFY(text.contains(QStringLiteral("乙")));
        QVERIFY(text.contains(QStringLiteral("丙")));
    }

    void customerPickFillsBothFamilies() {
        test::TestEnv env;
        addCustomer(env.db(), QStringLiteral("甲公司"), QStringLiteral("一路1号"), QStringLiteral("0571-1"));
        addCustomer(env.db(), QStringLiteral("乙公司"), QStringLiteral("二路2号"), QStringLiteral("0571-2"));
        addRow(env.db(), kName, {ty::SingleLine, QStringLiteral("名称"), QStringLiteral("客户名称"), 1});
        addRow(env.db(), kName,
               {ty::SingleLine, QStringLiteral("地址"), QStringLiteral("客户地址"), 2, 0, 400});
        addRow(env.db(), kName,
               {ty::SingleLine, QStringLiteral("联系人"), QStringLiteral("联系人"), 3, 0, 800});
        addRow(env.db(), kName, {ty::SingleLine, QStringLiteral("其他"), QStringLiteral("无"), 4, 0, 1200});
        addRow(env.db(), kName,
               {ty::MultiLine, QStringLiteral("电话"), QStringLiteral("联系电话"), 1, 0, 2000, 3000, 900});
        auto w = openWindow();
        QVERIFY(w);
        w->Text_Add(4)->setText(QStringLiteral("不变"));
        pickRow(env.prompter, 1);
        QTest::mouseDClick(w->Text_Add(2), Qt::LeftButton);
        QCOMPARE(env.prompter.dialogsShown, QStringList({QStringLiteral("数据选择")}));
        QCOMPARE(w->Text_Add(1)->text(), QStringLiteral("乙公司"));
        QCOMPARE(w->Text_Add(2)->text(), QStringLiteral("二路2号"));
        QCOMPARE(w->Text_Add(3)->text(), QStringLiteral("王五"));
        QCOMPARE(w->Text_Add(4)->text(), QStringLiteral("不变"));
        QCOMPARE(w->Text_Addscroll(1)->toPlainText(), QStringLiteral("0571-2"));

        // Closing the picker without a choice changes nothing.
        const auto titles = recordPickers(env.prompter);
        w->boxDoubleClick({Family::Single, 1});
        QCOMPARE(*titles, QStringList{printing::kCustomerTitle});
        QCOMPARE(w->Text_Add(1)->text(), QStringLiteral("乙公司"));

        // The same fill as a typed pick: every customer-bound box of both families, the rest unchanged.
        w->applyPick(printing::PickResult::customer(
            3, customerRow(QStringLiteral("甲公司"), QStringLiteral("一路1号"), QStringLiteral("0571-1"))));
        QCOMPARE(w->Text_Add(1)->text(), QStringLiteral("甲公司"));
        QCOMPARE(w->Text_Add(2)->text(), QStringLiteral("一路1号"));
        QCOMPARE(w->Text_Add(3)->text(), QStringLiteral("王五"));
        QCOMPARE(w->Text_Add(4)->text(), QStringLiteral("不变"));
        QCOMPARE(w->Text_Addscroll(1)->toPlainText(), QStringLiteral("0571-1"));
        w->applyPick(printing::PickResult::customer(1, QStringList(12, QString())));
        QCOMPARE(w->Text_Add(1)->text(), QStringLiteral("甲公司"));
    }

    void commonUseFillsOnlyItsSlot() {
        test::TestEnv env;
        data::exec(env.db(), QStringLiteral("INSERT INTO yongtu (yongtuName) VALUES (?)"),
                   {QStringLiteral("货款")});
        addRow(env.db(), kName, {ty::SingleLine, QStringLiteral("用途"), QStringLiteral("常用用途"), 2});
        addRow(env.db(), kName,
               {ty::SingleLine, QStringLiteral("用途二"), QStringLiteral("常用用途"), 3, 0, 400});
        addRow(env.db(), kName,
               {ty::MultiLine, QStringLiteral("附言"), QStringLiteral("常用用途"), 2, 0, 2000, 3000, 900});
        auto w = openWindow();
        QVERIFY(w);
        const auto titles = recordPickers(env.prompter);
        w->boxDoubleClick({Family::Single, 2});
        QCOMPARE(*titles, QStringList{QStringLiteral("请选择常用用途")});
        w->applyPick(printing::PickResult::commonUse(2, QStringLiteral("货款")));
        QCOMPARE(w->Text_Add(2)->text(), QStringLiteral("货款"));
        QCOMPARE(w->Text_Addscroll(2)->toPlainText(), QStringLiteral("货款"));
        QCOMPARE(w->Text_Add(3)->text(), QString());
    }

    // A new template's first customer box and its multi-line 附言 bound to 无 both have slot 1: F4 and a
    // double click on each box open the picker of its own binding.
    void eachBoxOpensItsOwnPicker() {
        test::TestEnv env;
        addCustomer(env.db(), QStringLiteral("甲公司"), QStringLiteral("一路1号"), QStringLiteral("1"));
        addRow(env.db(), kName, {ty::SingleLine, QStringLiteral("名称"), QStringLiteral("客户名称"), 1});
        addRow(env.db(), kName,
               {ty::MultiLine, QStringLiteral("附言"), QStringLiteral("无"), 1, 0, 2000, 3000, 900});
        addRow(env.db(), kName,
               {ty::MultiLine, QStringLiteral("地址"), QStringLiteral("客户地址"), 3, 0, 3000, 3000, 900});
        auto w = openWindow();
        QVERIFY(w);
        const auto titles = recordPickers(env.prompter);
        QTest::keyClick(w->Text_Add(1), Qt::Key_F4);
        QTest::mouseDClick(w->Text_Add(1), Qt::LeftButton);
        QTest::mouseDClick(w->Text_Addscroll(1)->viewport(), Qt::LeftButton); // bound to 无
        QTest::mouseDClick(w->Text_Addscroll(3)->viewport(), Qt::LeftButton); // no single-line slot 3
        QCOMPARE(*titles, QStringList(3, printing::kCustomerTitle));
        QVERIFY(w->Text_Add(1)->toolTip().contains(QStringLiteral("F4")));
    }

    void noPickerInFineTuneMode() {
        test::TestEnv env;
        addCustomer(env.db(), QStringLiteral("甲公司"), QStringLiteral("一路1号"), QStringLiteral("1"));
        addRow(env.db(), kName, {ty::SingleLine, QStringLiteral("名称"), QStringLiteral("客户名称"), 1});
        auto w = openWindow();
        QVERIFY(w);
        const auto titles = recordPickers(env.prompter);
        w->XPButton_WeiTiao->click();
        QTest::mouseDClick(w->Text_Add(1), Qt::LeftButton);
        QVERIFY(env.prompter.dialogsShown.isEmpty());
        w->XPButton_WeiTiao->click();
        QTest::mouseDClick(w->Text_Add(1), Qt::LeftButton);
        QCOMPARE(env.prompter.dialogsShown.size(), 1);
        QCOMPARE(*titles, QStringList{printing::kCustomerTitle});
    }

    void enterConvertsOnlyItsOwnAmount() {
        test::TestEnv env;
        for (int k = 1; k <= 3; ++k)
            addRow(env.db(), kName,
                   {ty::AmountInWords, QStringLiteral("大写%1").arg(k), QStringLiteral("无"), k, 0,
                    float(400 * k)});
        addRow(env.db(), kName, {ty::Amount, QStringLiteral("小写"), QStringLiteral("无"), 4, 0, 2000});
        auto w = openWindow();
        QVERIFY(w);
        w->show();
        for (int k = 1; k <= 3; ++k)
            w->Text_Add(k)->setText(QStringLiteral(" 250 "));
        w->Text_Add(4)->setText(QStringLiteral("250"));
        QTest::keyClick(w->Text_Add(2), Qt::Key_Return);
        QCOMPARE(w->Text_Add(2)->text(), QStringLiteral("    贰佰伍拾元整"));
        QCOMPARE(w->Text_Add(1)->text(), QStringLiteral(" 250 "));
        QCOMPARE(w->Text_Add(3)->text(), QStringLiteral(" 250 "));
        QTest::keyClick(w->Text_Add(4), Qt::Key_Enter);
        QCOMPARE(w->Text_Add(4)->text(), QStringLiteral("250"));
        QVERIFY(env.prompter.shown.isEmpty());

        // Enter again finds words, not a figure.
        w->Text_Add(1)->setFocus();
        QTest::keyClick(w->Text_Add(2), Qt::Key_Return);
        QCOMPARE(env.prompter.lastText(), QStringLiteral("请您填写数字类型！"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("输入提示"));
        QCOMPARE(int(env.prompter.last().icon), int(ui::Icon::Information));
        QCOMPARE(w->Text_Add(2)->text(), QStringLiteral("    贰佰伍拾元整"));
        QTRY_VERIFY(w->Text_Add(2)->hasFocus());

        w->Text_Add(3)->setText(QStringLiteral("12000000"));
        QTest::keyClick(w->Text_Add(3), Qt::Key_Return);
        QCOMPARE(env.prompter.lastText(), QStringLiteral("总金额太大，请手工填写大写金额!"));
        QCOMPARE(env.prompter.last().title, QString());
        QCOMPARE(int(env.prompter.last().icon), int(ui::Icon::None));
        QCOMPARE(w->Text_Add(3)->text(), QStringLiteral("12000000"));
        // Enter never presses a button of the window.
        QCOMPARE(w->windowTitle(), kName);
    }

    void printButtonCaptionsAndSheet() {
        test::TestEnv env;
        addRow(env.db(), kName, {ty::SingleLine, QStringLiteral("甲"), QStringLiteral("无"), 1, 1440, 720});
        auto w = openWindow();
        QVERIFY(w);
        w->Text_Add(1)->setText(QStringLiteral("张三"));
        w->Allup->setText(QStringLiteral("10"));
        w->Allleft->setText(QStringLiteral("-5"));
        const printing::PrintSheet sheet = w->currentSheet();
        QCOMPARE(sheet.templateName, kName);
        QCOMPARE(sheet.fields.size(), 1);
        QCOMPARE(sheet.fields[0].text, QStringLiteral("张三"));
        QCOMPARE(sheet.fields[0].left, 1440_tw);
        QCOMPARE(sheet.fields[0].top, 720_tw);
        QCOMPARE(sheet.allupText, QStringLiteral("10"));
        QCOMPARE(sheet.allleftText, QStringLiteral("-5"));
        // Printed into a PDF file as if it were the default printer; the template was never saved in the
        // designer, so it has no log table and the user hears that the sheet was printed but not logged.
        QTemporaryDir out;
        const QString pdf = out.filePath(QStringLiteral("sheet.pdf"));
        env.printToPdf(pdf);
        w->XPBut单件打印->click();
        QCOMPARE(w->windowTitle(), kName + QStringLiteral("--->>后台打印完成"));
        QVERIFY(QFileInfo(pdf).size() > 0);
        QVERIFY(env.prompter.lastText().startsWith(QStringLiteral("本张已经打印")));
        QVERIFY(env.prompter.lastText().contains(kName));
    }

    // A double click on "开始打印" is one request: one sheet, one log row.
    void doubleClickOnPrintPrintsOneSheet() {
        SampleWindow s;
        QVERIFY(s.w);
        s.w->show();
        QVERIFY(QTest::qWaitForWindowExposed(s.w.get()));
        s.w->Text_Add(4)->setText(QStringLiteral("张三"));
        QWindow* window = s.w->windowHandle();
        const QPoint at = s.w->XPBut单件打印->mapTo(s.w.get(), s.w->XPBut单件打印->rect().center());
        QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier, at);
        QTest::qWait(50);
        QCOMPARE(s.prints, 1);
        QCOMPARE(logRows(s.env.db()), 1);
        QVERIFY(s.env.prompter.shown.isEmpty());
        QVERIFY(s.w->XPBut单件打印->isEnabled());
        QVERIFY(!s.w->XPBut单件打印->isDown());

        // A deliberate second click afterwards prints again.
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, at);
        QTest::qWait(50);
        QCOMPARE(s.prints, 2);
        QCOMPARE(logRows(s.env.db()), 2);
    }

    // Clicks that arrive while a sheet is printing (called again from within, or queued behind the
    // synchronous print) are dropped; the next click after it prints.
    void clicksDuringAPrintAreIgnored() {
        SampleWindow s;
        QVERIFY(s.w);
        s.w->show();
        QVERIFY(QTest::qWaitForWindowExposed(s.w.get()));
        QPushButton* button = s.w->XPBut单件打印;
        const QPoint at = button->rect().center();
        bool inside = false;
        QObject::connect(s.w.get(), &QWidget::windowTitleChanged, s.w.get(), [&](const QString& title) {
            if (!title.endsWith(printing::kPrintingCaption) || inside)
                return;
            inside = true;
            s.w->XPBut单件打印_Click();
            button->click();
            for (int i = 0; i < 2; ++i) {
                QCoreApplication::postEvent(button,
                                            new QMouseEvent(QEvent::MouseButtonPress, QPointF(at),
                                                            QPointF(button->mapToGlobal(at)), Qt::LeftButton,
                                                            Qt::LeftButton, Qt::NoModifier));
                QCoreApplication::postEvent(button,
                                            new QMouseEvent(QEvent::MouseButtonRelease, QPointF(at),
                                                            QPointF(button->mapToGlobal(at)), Qt::LeftButton,
                                                            Qt::NoButton, Qt::NoModifier));
            }
        });
        button->click();
        QTest::qWait(50);
        QCOMPARE(s.prints, 1);
        QCOMPARE(logRows(s.env.db()), 1);
        QVERIFY(button->isEnabled());
        QCOMPARE(s.w->windowTitle(), printing::sample::kTemplateName + printing::kPrintedCaption);

        inside = true; // no more clicks from within
        button->click();
        QCOMPARE(s.prints, 2);
        QCOMPARE(logRows(s.env.db()), 2);
    }

    // A value off the page is refused with its point named; nothing is printed or logged.
    void valueOffThePageIsNamedAndNotPrinted() {
        SampleWindow s;
        QVERIFY(s.w);
        const QString pdf = s.out.filePath(QStringLiteral("sheet.pdf"));
        s.w->Text_Addscroll(4)->setPlainText(QString(200, QChar(0x6C49)));
        s.w->XPBut单件打印->click();
        QCOMPARE(s.env.prompter.texts(),
                 QStringList{
                     QStringLiteral("输入点“备注”的内容太长，超出纸张范围，无法打印。请缩短内容后再打印。")});
        QCOMPARE(s.env.prompter.last().title, QStringLiteral("提示"));
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(logRows(s.env.db()), 0);

        // An overall offset that pushes the first value past the 16-bit range.
        s.env.prompter.clear();
        s.w->Text_Addscroll(4)->clear();
        s.w->Text_Add(1)->setText(QStringLiteral("华东示例贸易有限公司"));
        s.w->Allleft->setText(QStringLiteral("700"));
        s.w->XPBut单件打印->click();
        QCOMPARE(s.env.prompter.texts(),
                 QStringList{
                     QStringLiteral("输入点“寄件单位”的位置超出纸张范围，无法打印。请开启微调把它移回纸面，"
                                    "或减小整体打印位置的偏移。")});
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(logRows(s.env.db()), 0);

        // The preview says the same, not that the printer failed.
        s.env.prompter.clear();
        s.w->SSTab1->setCurrentIndex(1);
        QCOMPARE(s.env.prompter.shown.size(), 1);
        QVERIFY(s.env.prompter.lastText().startsWith(QStringLiteral("输入点“寄件单位”的位置超出纸张范围")));

        // Back on the page the print goes through.
        s.w->SSTab1->setCurrentIndex(0);
        s.env.prompter.clear();
        s.w->Allleft->setText(QStringLiteral("0"));
        s.w->XPBut单件打印->click();
        QVERIFY(s.env.prompter.shown.isEmpty());
        QVERIFY(QFile::exists(pdf));
        QCOMPARE(logRows(s.env.db()), 1);
    }

    // With the printer switched off the message is shown once and no row is logged.
    void printerOffIsToldOnceAndNothingIsLogged() {
        SampleWindow s;
        QVERIFY(s.w);
        s.env.printToNothing();
        s.w->Text_Add(1)->setText(QStringLiteral("华东示例贸易有限公司"));
        s.w->XPBut单件打印->click();
        QCOMPARE(s.env.prompter.texts(), QStringList{QStringLiteral("打印机未准备好或有故障!")});
        QCOMPARE(s.env.prompter.last().title, QStringLiteral("错误"));
        QCOMPARE(s.env.prompter.last().icon, ui::Icon::Critical);
        QCOMPARE(logRows(s.env.db()), 0);
        // The caption does not report as done a sheet that was not printed.
        QCOMPARE(s.w->windowTitle(), printing::sample::kTemplateName + printing::kNotPrintedCaption);
    }

    void previewHidesTheBoxesAndShowsThemAgain() {
        test::TestEnv env;
        addRow(env.db(), kName, {ty::SingleLine, QStringLiteral("甲"), QStringLiteral("无"), 1, 1440, 720});
        addRow(env.db(), kName,
               {ty::MultiLine, QStringLiteral("乙"), QStringLiteral("无"), 1, 1440, 2000, 3000, 900});
        auto w = openWindow();
        QVERIFY(w);
        w->show();
        w->Text_Add(1)->setText(QStringLiteral("张三"));
        w->SSTab1->setCurrentIndex(1);
        QVERIFY(w->Text_Add(1)->isHidden());
        QVERIFY(w->Text_Addscroll(1)->isHidden());
        // 13215 x 7935 twips, grown to the paper's size where the paper is larger (A4 portrait here).
        const QSize paper = ui::toPixels(printing::previewGeometry(w->printSettings()).paper);
        const QSize surface = QSize(881, 529).expandedTo(paper + QSize(1, 1));
        QCOMPARE(w->Picture1->size(), surface);
        const QImage page = w->Picture1->pixmap().toImage();
        QCOMPARE(page.size(), surface);
        QCOMPARE(page.pixelColor(880, 528), QColor(Qt::white));
        w->SSTab1->setCurrentIndex(0);
        QVERIFY(!w->Text_Add(1)->isHidden());
        QVERIFY(!w->Text_Addscroll(1)->isHidden());
        QCOMPARE(w->Text_Add(1)->text(), QStringLiteral("张三"));
    }

    // The window opens with the cursor in the first box of the form as it is read, nothing selected; Tab
    // goes through the boxes in that order and then straight to "开始打印".
    void tabFollowsTheForm() {
        test::TestEnv env;
        addCounterForm(env.db());
        auto w = openWindow();
        QVERIFY(w);
        QVERIFY(activate(w.get()));
        QApplication::processEvents();
        QCOMPARE(QApplication::focusWidget(), w->Text_Add(4));
        QCOMPARE(w->Text_Add(4)->text(), QStringLiteral("2024-03-05"));
        QCOMPARE(w->Text_Add(4)->cursorPosition(), 10);
        QVERIFY(!anythingSelected(*w));

        QList<QWidget*> expected;
        for (const char* b : {"S4", "S1", "M1", "S2", "S3", "S5", "S6"})
            expected << boxNamed(*w, QString::fromLatin1(b));
        expected << w->XPBut单件打印 << w->cmdNext;
        for (qsizetype i = 1; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), expected[i]);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), w->XPBut单件打印);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), boxNamed(*w, QStringLiteral("S6")));

        // Round the whole window: only controls one can use, no empty stop, and back to the first box.
        QWidget* stop = nullptr;
        int stops = 0;
        QSet<QWidget*> stopped;
        do {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            stop = QApplication::focusWidget();
            QVERIFY(stop);
            QVERIFY2(stop->isVisible(), qPrintable(stop->objectName()));
            QVERIFY2(qobject_cast<QLineEdit*>(stop) || qobject_cast<QPlainTextEdit*>(stop) ||
                         qobject_cast<QPushButton*>(stop) || stop == w->XPCheckBox1 ||
                         stop == w->SSTab1->tabBar(),
                     qPrintable(stop->objectName()));
            QVERIFY(++stops < 40);
            stopped << stop;
        } while (stop != w->Text_Add(4));
        for (QWidget* other :
             {static_cast<QWidget*>(w->XPCheckBox1), static_cast<QWidget*>(w->SSTab1->tabBar()),
              static_cast<QWidget*>(w->XPButton_WeiTiao), static_cast<QWidget*>(w->XPButton1)})
            QVERIFY2(stopped.contains(other), qPrintable(other->objectName()));
    }

    // The sample waybill goes down the sender's column, then the receiver's, then goods, amount and
    // date; after the sender is picked the cursor goes to the receiver's name, and Tab from there to the
    // receiver's address, never the sender's.
    void tabWalksTheSampleByColumns() {
        SampleWindow s;
        QVERIFY(s.w);
        QVERIFY(activate(s.w.get()));
        QStringList visited;
        for (QWidget* f = QApplication::focusWidget(); f && f != s.w->XPBut单件打印 && visited.size() < 20;
             f = QApplication::focusWidget()) {
            visited << f->toolTip().section(QStringLiteral("（"), 0, 0);
            QTest::keyClick(f, Qt::Key_Tab);
        }
        QCOMPARE(visited, (QStringList{u"单号"_s, u"寄件单位"_s, u"寄件地址"_s, u"寄件电话"_s, u"收件人"_s,
                                       u"收件地址"_s, u"收件电话"_s, u"物品名称"_s, u"件数"_s, u"保价金额"_s,
                                       u"金额大写"_s, u"年"_s, u"月"_s, u"日"_s, u"备注"_s}));
        s.w->Text_Add(1)->setFocus(Qt::TabFocusReason);
        s.w->applyPick(printing::PickResult::customer(
            1, customerRow(QStringLiteral("乙公司"), QStringLiteral("二路2号"), QStringLiteral("0571-2"))));
        // The receiver's boxes are customer boxes too (their tool tips name the picker's keys).
        const auto shownName = [] { return QApplication::focusWidget()->toolTip().section(u"（"_s, 0, 0); };
        QCOMPARE(shownName(), u"收件人"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(shownName(), u"收件地址"_s);
    }

    // Boxes moved onto another line in fine-tune mode take their new place in the order.
    void orderFollowsMovedBoxes() {
        test::TestEnv env;
        addCounterForm(env.db());
        auto w = openWindow();
        QVERIFY(w);
        w->XPButton_WeiTiao_Click();
        emit w->handles()->objectMoved(w->Text_Add(5), {8000_tw, 600_tw, 2055_tw, 315_tw});
        w->XPButton_WeiTiao_Click();
        using printing::finetune::SlotRef;
        QCOMPARE(w->boxOrder(), (QList<SlotRef>{{Family::Single, 4},
                                                {Family::Single, 1},
                                                {Family::Single, 5},
                                                {Family::Multi, 1},
                                                {Family::Single, 2},
                                                {Family::Single, 3},
                                                {Family::Single, 6}}));
        QVERIFY(activate(w.get()));
        w->Text_Add(1)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(w->Text_Add(1), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w->Text_Add(5));
    }

    // F4 in a box opens what a double click opens, under the same rules.
    void f4OpensThePicker_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("fineTune");
        QTest::addColumn<QStringList>("pickers");
        const QStringList customer{printing::kCustomerTitle};
        QTest::newRow("customer box") << "S1" << 0 << false << customer;
        QTest::newRow("another customer box") << "S3" << 0 << false << customer;
        QTest::newRow("common use") << "S6" << 0 << false << QStringList{printing::kCommonUseTitle};
        QTest::newRow("unbound") << "S2" << 0 << false << QStringList();
        QTest::newRow("unbound multi-line box beside customer S1") << "M1" << 0 << false << QStringList();
        QTest::newRow("Shift+F4") << "S1" << int(Qt::ShiftModifier) << false << QStringList();
        QTest::newRow("fine-tune mode") << "S1" << 0 << true << QStringList();
    }

    void f4OpensThePicker() {
        QFETCH(QString, box);
        QFETCH(int, modifiers);
        QFETCH(bool, fineTune);
        QFETCH(QStringList, pickers);
        test::TestEnv env;
        addCounterForm(env.db());
        auto w = openWindow();
        QVERIFY(w);
        QVERIFY(activate(w.get()));
        if (fineTune)
            w->XPButton_WeiTiao->click();
        const auto titles = recordPickers(env.prompter);
        QWidget* target = boxNamed(*w, box);
        target->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(target, Qt::Key_F4, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(*titles, pickers);
        if (modifiers != 0)
            return;
        // The same as a double click.
        titles->clear();
        auto* multi = qobject_cast<QPlainTextEdit*>(target);
        QTest::mouseDClick(multi ? multi->viewport() : target, Qt::LeftButton);
        QCOMPARE(*titles, pickers);
    }

    // After a pick the focus goes to the next box no pick fills, with nothing selected anywhere; after
    // the last box that is "开始打印". A pick that chose nothing leaves the focus where it was.
    void focusAfterAPick_data() {
        QTest::addColumn<QString>("how"); // F4, double click, or the typed pick of slot "from"
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("next"); // "print" for 开始打印
        QTest::newRow("F4 on the customer name") << "F4"
                                                 << "S1"
                                                 << "M1";
        QTest::newRow("double click on the customer name") << "double click"
                                                           << "S1"
                                                           << "M1";
        QTest::newRow("F4 on the address") << "F4"
                                           << "S3"
                                           << "S5";
        QTest::newRow("typed customer pick") << "typed"
                                             << "S3"
                                             << "S5";
        QTest::newRow("common use in the last box") << "typed"
                                                    << "S6"
                                                    << "print";
        QTest::newRow("nothing chosen") << "nothing"
                                        << "S1"
                                        << "S1";
    }

    void focusAfterAPick() {
        QFETCH(QString, how);
        QFETCH(QString, from);
        QFETCH(QString, next);
        test::TestEnv env;
        addCustomer(env.db(), QStringLiteral("甲公司"), QStringLiteral("一路1号"), QStringLiteral("0571-1"));
        addCounterForm(env.db());
        auto w = openWindow();
        QVERIFY(w);
        QVERIFY(activate(w.get()));
        QWidget* origin = boxNamed(*w, from);
        origin->setFocus(Qt::TabFocusReason);
        const int slot = origin->property("index").toInt();
        pickRow(env.prompter, 0);
        if (how == QLatin1String("F4")) {
            QTest::keyClick(origin, Qt::Key_F4);
        } else if (how == QLatin1String("double click")) {
            QTest::mouseDClick(origin, Qt::LeftButton);
        } else if (how == QLatin1String("nothing")) {
            w->applyPick(printing::PickResult::customer(slot, QStringList(12, QString())));
        } else if (from == QLatin1String("S6")) {
            w->applyPick(printing::PickResult::commonUse(slot, QStringLiteral("货款")));
            QCOMPARE(w->Text_Add(6)->text(), QStringLiteral("货款"));
        } else {
            w->applyPick(printing::PickResult::customer(
                slot, customerRow(QStringLiteral("乙公司"), QStringLiteral("二路2号"), QString())));
        }
        if (how != QLatin1String("nothing") && from != QLatin1String("S6"))
            QVERIFY(!w->Text_Add(1)->text().isEmpty());
        QVERIFY(activate(w.get())); // back from the picker
        QWidget* expected = next == QLatin1String("print") ? w->XPBut单件打印 : boxNamed(*w, next);
        QCOMPARE(QApplication::focusWidget(), expected);
        QVERIFY(!anythingSelected(*w));
        // Typing goes into the box reached, after what is there.
        if (auto* line = qobject_cast<QLineEdit*>(expected)) {
            const QString before = line->text();
            QTest::keyClicks(line, QStringLiteral("x"));
            QCOMPARE(line->text(), before + QStringLiteral("x"));
        }
    }

    // "下一张" empties every box but the date ones, which show today again, and puts the cursor into the
    // first box. Values never printed go only after the clerk has said yes.
    void nextSheet_data() {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("button") << false;
        QTest::newRow("Ctrl+N") << true;
    }

    void nextSheet() {
        QFETCH(bool, byKey);
        test::TestEnv env;
        addRow(env.db(), kName, {ty::SingleLine, QStringLiteral("名称"), QStringLiteral("无"), 1, 600, 1500});
        addRow(env.db(), kName, {ty::Date, QStringLiteral("日期"), QStringLiteral("无"), 2, 600, 600});
        addRow(env.db(), kName, {ty::Year, QStringLiteral("年"), QStringLiteral("无"), 3, 3000, 600});
        addRow(env.db(), kName, {ty::Month, QStringLiteral("月"), QStringLiteral("无"), 4, 5000, 600});
        addRow(env.db(), kName, {ty::Day, QStringLiteral("日"), QStringLiteral("无"), 5, 7000, 600});
        addRow(env.db(), kName,
               {ty::AmountInWords, QStringLiteral("金额"), QStringLiteral("无"), 6, 600, 2400});
        addRow(env.db(), kName,
               {ty::MultiLine, QStringLiteral("附言"), QStringLiteral("无"), 1, 600, 3000, 3000, 900});
        auto w = openWindow();
        QVERIFY(w);
        QVERIFY(activate(w.get()));
        auto next = [&] {
            if (byKey)
                pressKeys(QStringLiteral("Ctrl+N"));
            else
                w->cmdNext->click();
        };
        w->Text_Add(1)->setText(QStringLiteral("张三"));
        w->Text_Add(2)->setText(QStringLiteral("2024-01-31"));
        w->Text_Add(6)->setText(QStringLiteral("壹佰元整"));
        w->Text_Addscroll(1)->setPlainText(QStringLiteral("货款"));
        w->SSTab1->setCurrentIndex(1);
        w->Text_Add(6)->setFocus();
        w->today = QDate(2025, 1, 9); // the window was left open overnight

        env.prompter.answers << ui::Answer::No;
        next();
        QCOMPARE(env.prompter.shown.size(), 1);
        QCOMPARE(env.prompter.last().title, QStringLiteral("警告"));
        QCOMPARE(env.prompter.last().buttons, ui::Buttons::YesNo);
        QCOMPARE(w->Text_Add(1)->text(), QStringLiteral("张三"));
        QCOMPARE(w->Text_Addscroll(1)->toPlainText(), QStringLiteral("货款"));

        env.prompter.answers << ui::Answer::Yes;
        next();
        QCOMPARE(env.prompter.shown.size(), 2);
        QCOMPARE(w->Text_Add(1)->text(), QString());
        QCOMPARE(w->Text_Add(6)->text(), QString());
        QCOMPARE(w->Text_Addscroll(1)->toPlainText(), QString());
        QCOMPARE(w->Text_Add(2)->text(), QStringLiteral("2025-01-09"));
        QCOMPARE(w->Text_Add(3)->text(), QStringLiteral("2025"));
        QCOMPARE(w->Text_Add(4)->text(), QStringLiteral("01"));
        QCOMPARE(w->Text_Add(5)->text(), QStringLiteral("09"));
        QCOMPARE(w->SSTab1->currentIndex(), 0);
        QVERIFY(w->Text_Add(1)->isVisible());
        QCOMPARE(QApplication::focusWidget(), w->Text_Add(2));
        QVERIFY(!anythingSelected(*w));
        QCOMPARE(w->windowTitle(), kName);

        // An empty sheet, or one with only a changed date, goes without a question.
        w->Text_Add(5)->setText(QStringLiteral("10"));
        next();
        QCOMPARE(env.prompter.shown.size(), 2);
        QCOMPARE(w->Text_Add(5)->text(), QStringLiteral("09"));
    }

    // A sheet that went to the printer is cleared at once; one changed after printing is asked about.
    void nextSheetAfterAPrint() {
        SampleWindow s;
        QVERIFY(s.w);
        QVERIFY(activate(s.w.get()));
        s.w->Text_Add(4)->setText(QStringLiteral("张三"));
        s.w->XPBut单件打印->click();
        QCOMPARE(s.prints, 1);
        s.env.prompter.clear();
        s.w->cmdNext->click();
        QVERIFY(s.env.prompter.shown.isEmpty());
        QCOMPARE(s.w->Text_Add(4)->text(), QString());

        s.w->Text_Add(4)->setText(QStringLiteral("李四"));
        s.w->XPBut单件打印->click();
        s.w->Text_Add(4)->setText(QStringLiteral("李四改"));
        s.env.prompter.clear();
        s.env.prompter.answers << ui::Answer::No;
        s.w->cmdNext->click();
        QCOMPARE(s.env.prompter.shown.size(), 1);
        QCOMPARE(s.w->Text_Add(4)->text(), QStringLiteral("李四改"));
    }

    // Closing over a typed sheet that never went to the printer asks first, however it is closed.
    void closingOverAnUnprintedSheetAsks_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("Ctrl+W") << 0;
        QTest::newRow("返回") << 1;
        QTest::newRow("close box") << 2;
    }

    void closingOverAnUnprintedSheetAsks() {
        QFETCH(int, how);
        test::TestEnv env;
        addCounterForm(env.db());
        auto w = openWindow();
        QVERIFY(w && activate(w.get()));
        w->Text_Add(2)->setFocus();
        QTest::keyClicks(w->Text_Add(2), QStringLiteral("Li"));
        env.prompter.answers << ui::Answer::No << ui::Answer::Yes;
        for (bool open : {true, false}) {
            how == 0   ? pressKeys(QStringLiteral("Ctrl+W"))
            : how == 1 ? w->XPButton1->click()
                       : (void)w->close();
            QCOMPARE(env.prompter.lastText(), printing::kCloseUnprintedQuestion);
            QCOMPARE(w->isVisible(), open);
        }
    }

    // Each button's key presses it wherever the focus is, also in a box; a held key presses once.
    void keysPressTheirButtons_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("focus");
        for (const char* focus : {"S2", "M1"}) {
            const QString f = QString::fromLatin1(focus);
            QTest::addRow("Ctrl+P in %s", focus) << "Ctrl+P"
                                                 << "XPBut单件打印" << f;
            QTest::addRow("Ctrl+N in %s", focus) << "Ctrl+N"
                                                 << "cmdNext" << f;
            QTest::addRow("Ctrl+T in %s", focus) << "Ctrl+T"
                                                 << "XPButton_WeiTiao" << f;
            QTest::addRow("Ctrl+S in %s", focus) << "Ctrl+S"
                                                 << "XPButton_BaoCWT" << f;
            QTest::addRow("Ctrl+W in %s", focus) << "Ctrl+W"
                                                 << "XPButton1" << f;
        }
    }

    void keysPressTheirButtons() {
        QFETCH(QString, keys);
        QFETCH(QString, button);
        QFETCH(QString, focus);
        test::TestEnv env;
        env.printToNothing();
        addCounterForm(env.db());
        auto w = openWindow();
        QVERIFY(w);
        QVERIFY(activate(w.get()));
        auto* b = w->findChild<QPushButton*>(button);
        QVERIFY(b);
        QVERIFY(b->toolTip().endsWith(QStringLiteral("（") + keys + QStringLiteral("）")));
        QSignalSpy clicked(b, &QPushButton::clicked);
        boxNamed(*w, focus)->setFocus(Qt::OtherFocusReason);
        const QKeySequence seq(keys, QKeySequence::PortableText);
        QWidget* target = QApplication::focusWidget();
        QTest::simulateEvent(target, true, seq[0].key(), seq[0].keyboardModifiers(), QString(), false);
        for (int i = 0; i < 3 && w->isVisible(); ++i) // the key held down
            QTest::simulateEvent(target, true, seq[0].key(), seq[0].keyboardModifiers(), QString(), true);
        if (w->isVisible())
            QTest::simulateEvent(target, false, seq[0].key(), seq[0].keyboardModifiers(), QString(), false);
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(w->boxText({Family::Single, 2}), QString()); // nothing typed into the boxes
        QCOMPARE(w->boxText({Family::Multi, 1}), QString());
    }

    // Every button names its key in its tooltip, each key once; the preview tab has its key too, which
    // shows the preview and goes back to the form where the typing stopped.
    void everyButtonShowsItsKey() {
        test::TestEnv env;
        addCounterForm(env.db());
        auto w = openWindow();
        QVERIFY(w);
        QSet<QString> keys;
        const QList<QPushButton*> buttons = w->findChildren<QPushButton*>();
        QVERIFY(buttons.size() >= 5);
        for (QPushButton* b : buttons) {
            auto* key = w->findChild<QAction*>(b->objectName() + QStringLiteral("_key"));
            QVERIFY2(key, qPrintable(b->objectName()));
            const QString k = key->shortcut().toString(QKeySequence::PortableText);
            QVERIFY2(!k.isEmpty() && b->toolTip().contains(QStringLiteral("（") + k + QStringLiteral("）")),
                     qPrintable(b->objectName() + QStringLiteral(": ") + b->toolTip()));
            QVERIFY2(!keys.contains(k), qPrintable(k));
            keys << k;
        }
        QVERIFY(!keys.contains(QStringLiteral("Ctrl+Shift+P")));
        QVERIFY(w->SSTab1->tabToolTip(1).contains(QStringLiteral("（Ctrl+Shift+P）")));
        QVERIFY(w->Text_Add(1)->toolTip().contains(QStringLiteral("F4")));
        QVERIFY(!w->Text_Add(2)->toolTip().contains(QStringLiteral("F4")));

        QVERIFY(activate(w.get()));
        w->Text_Add(2)->setFocus(Qt::OtherFocusReason);
        pressKeys(QStringLiteral("Ctrl+Shift+P"));
        QCOMPARE(w->SSTab1->currentIndex(), 1);
        QVERIFY(w->Text_Add(2)->isHidden());
        pressKeys(QStringLiteral("Ctrl+Shift+P"));
        QCOMPARE(w->SSTab1->currentIndex(), 0);
        QCOMPARE(QApplication::focusWidget(), w->Text_Add(2));
    }

    // The focused button is drawn differently from the others, flat or not.
    void focusIsVisibleOnEveryButton_data() {
        QTest::addColumn<bool>("flat");
        QTest::newRow("raised") << false;
        QTest::newRow("flat") << true;
    }

    void focusIsVisibleOnEveryButton() {
        QFETCH(bool, flat);
        test::TestEnv env;
        addCounterForm(env.db());
        auto w = openWindow();
        QVERIFY(w);
        QVERIFY(activate(w.get()));
        for (QPushButton* b : w->findChildren<QPushButton*>()) {
            b->setFlat(flat);
            w->Text_Add(2)->setFocus(Qt::OtherFocusReason);
            QApplication::processEvents();
            const QImage plain = b->grab().toImage();
            b->setFocus(Qt::TabFocusReason);
            QApplication::processEvents();
            QCOMPARE(QApplication::focusWidget(), b);
            QVERIFY2(b->grab().toImage() != plain, qPrintable(b->objectName()));
        }
    }

    void escapeDoesNotCloseTheWindow() {
        test::TestEnv env;
        auto w = openWindow();
        QVERIFY(w);
        w->show();
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QVERIFY(w->isVisible());
        w->XPButton1->click();
        QVERIFY(!w->isVisible());
    }

private:
    test::ScopedEnvironment caseEnv_; // for the whole case: 96 dpi, 1 pixel = 15 twips
};

QTEST_MAIN(TestPrintWindow)
#include "tst_printwindow.moc"
