#include "PrintFixture.h"
#include "TestEnv.h"
#include "app/AppState.h"
#include "printing/FineTune.h"
#include "printing/Frm_PrintWindow.h"
#include "templates/Frm_moban.h"
#include "templates/TemplateStore.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QUndoStack>

using namespace vorlan;
using namespace vorlan::test::printfixture;
using printing::Frm_PrintWindow;
using printing::finetune::OffsetText;
using printing::finetune::SlotRef;
using templates::Family;
using templates::Handle;
namespace ty = templates::type;

// The edge handles take the position across their edge in twips, then the buttons, as the designer's do.
template <class W, class P>
concept EdgeHandlers = requires(W& w, P p, Qt::MouseButtons b) {
    w.Pic2_Move(p, b);
    w.Pic4_Move(p, b);
    w.Pic5_Move(p, b);
    w.Pic7_Move(p, b);
};
static_assert(EdgeHandlers<Frm_PrintWindow, ui::Twips>);
static_assert(!EdgeHandlers<Frm_PrintWindow, double> && !EdgeHandlers<Frm_PrintWindow, float>);
// Fine-tune mode edits the same kind of document as the designer.
static_assert(std::is_same_v<decltype(std::declval<Frm_PrintWindow&>().document()),
                             decltype(std::declval<templates::Frm_moban&>().document())>);

namespace {
const QString kName = QStringLiteral("快递单");

std::unique_ptr<Frm_PrintWindow> openWindow() {
    app::state().currentTemplate = kName;
    auto w = std::make_unique<Frm_PrintWindow>();
    if (!w->load())
        return nullptr;
    return w;
}

void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Three single-line boxes (slot 2 is empty) and one multi-line box.
void addPoints(const QSqlDatabase& db) {
    addRow(db, kName, {ty::SingleLine, QStringLiteral("甲"), QStringLiteral("无"), 1, 1500, 1500, 1000, 300});
    addRow(db, kName, {ty::SingleLine, QStringLiteral("乙"), QStringLiteral("无"), 3, 3000, 3000, 1500, 300});
    addRow(db, kName, {ty::Number, QStringLiteral("丙"), QStringLiteral("无"), 4, 4500, 600, 1500, 300});
    addRow(db, kName, {ty::MultiLine, QStringLiteral("丁"), QStringLiteral("无"), 1, 600, 4500, 3000, 900});
}

QWidget* handle(Frm_PrintWindow& w, int i) {
    return w.findChild<QWidget*>(QStringLiteral("Pic%1").arg(i));
}
} // namespace

class TestFineTune : public QObject {
    Q_OBJECT
private slots:

    void readOffset_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("value");
        using K = OffsetText::Kind;
        auto row = [](const char* text, K kind, int value) {
            QTest::newRow(text) << QString::fromUtf8(text) << int(kind) << value;
        };
        row("", K::Empty, 0);
        row("-", K::Minus, 0);
        row("0", K::Number, 0);
        row("25", K::Number, 25);
        row("-40", K::Number, -40);
        row("12.6", K::Number, 13);
        row("12.5", K::Number, 12); // halves to even
        row("13.5", K::Number, 14);
        row("-0.4", K::Number, 0);
        row("12.", K::Number, 12);
        row("+7", K::Number, 7);
        row(" 5 ", K::Number, 5);
        row("1000", K::Number, 1000);
        row("1500", K::Number, 1000);
        row("-99999999999999999999999", K::Number, -1000);
        row("abc", K::Invalid, 0);
        row("12a", K::Invalid, 0);
        row("1e3", K::Invalid, 0);
        row("--", K::Invalid, 0);
        row("5-", K::Invalid, 0);
        row("1,000", K::Invalid, 0);
        row(" ", K::Invalid, 0);
        row("１２", K::Invalid, 0);
    }
    void readOffset() {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(int, value);
        const OffsetText o = printing::finetune::readOffset(text);
        QCOMPARE(int(o.kind), kind);
        QCOMPARE(o.value, value);
    }

    // The label shows how far the print really moves: one unit is 48 twips, 56.7 twips make a millimetre.
    void offsetLabelShowsTrueMillimetres_data() {
        QTest::addColumn<int>("units");
        QTest::addColumn<QString>("label");
        QTest::newRow("zero") << 0 << QStringLiteral("(0.0mm)");
        QTest::newRow("one unit 0.847") << 1 << QStringLiteral("(0.8mm)");
        QTest::newRow("ten units 8.47") << 10 << QStringLiteral("(8.5mm)");
        QTest::newRow("minus ten") << -10 << QStringLiteral("(-8.5mm)");
        QTest::newRow("13 units 11.01") << 13 << QStringLiteral("(11.0mm)");
        QTest::newRow("25 units 21.16") << 25 << QStringLiteral("(21.2mm)");
        QTest::newRow("-40 units -33.86") << -40 << QStringLiteral("(-33.9mm)");
        QTest::newRow("189 units exactly 160") << 189 << QStringLiteral("(160.0mm)");
        QTest::newRow("upper limit") << 1000 << QStringLiteral("(846.6mm)");
        QTest::newRow("lower limit") << -1000 << QStringLiteral("(-846.6mm)");
    }
    void offsetLabelShowsTrueMillimetres() {
        QFETCH(int, units);
        QFETCH(QString, label);
        QCOMPARE(printing::finetune::offsetLabel(units), label);
        QCOMPARE(printing::finetune::offsetMillimetres(units), units * 48 / 56.7);
    }

    void firstSelection() {
        auto point = [](const QString& type, const QString& name) {
            templates::InputPoint p;
            p.type = type;
            p.name = name;
            return p;
        };
        templates::Template t;
        QVERIFY(!printing::finetune::firstSelection(t));
        t.multi[2] = point(ty::MultiLine, QStringLiteral("m"));
        t.multi.count = 2;
        QCOMPARE(*printing::finetune::firstSelection(t), (SlotRef{Family::Multi, 2}));
        t.single[4] = point(ty::Date, QStringLiteral("d"));
        t.single[3] = point(QString(), QStringLiteral("deleted"));
        t.single.count = 4;
        QCOMPARE(*printing::finetune::firstSelection(t), (SlotRef{Family::Single, 4}));
        t.single[1] = point(ty::Year, QStringLiteral("y"));
        QCOMPARE(*printing::finetune::firstSelection(t), (SlotRef{Family::Single, 1}));
    }

    void modeSwitchSelectsSlotOneAndFollowsClicks() {
        test::TestEnv env;
        addPoints(env.db());
        auto w = openWindow();
        QVERIFY(w);
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->XPButton_WeiTiao->click();
        QCOMPARE(w->XPButton_WeiTiao->text(), QStringLiteral("关闭微调"));
        QVERIFY(w->fineTuneOn());
        QVERIFY(w->XPFrame2->isVisible());
        QCOMPARE(*w->selectedSlot(), (SlotRef{Family::Single, 1}));
        // Handles are centred on the corners: Pic1 at (1500, 1500) - 67.5 twips, Pic8 at (2500, 1800).
        for (int i = 1; i <= 8; ++i)
            QVERIFY(handle(*w, i)->isVisible());
        QCOMPARE(handle(*w, 1)->geometry(),
                 ui::toPixels(ui::TwipsRect{1432.5_tw, 1432.5_tw, 135_tw, 135_tw}));
        QCOMPARE(handle(*w, 8)->geometry(),
                 ui::toPixels(ui::TwipsRect{2432.5_tw, 1732.5_tw, 135_tw, 135_tw}));

        // Clicking into another box moves the handles there.
        w->Text_Addscroll(1)->setFocus();
        QCOMPARE(*w->selectedSlot(), (SlotRef{Family::Multi, 1}));
        QCOMPARE(handle(*w, 8)->geometry(),
                 ui::toPixels(ui::TwipsRect{3532.5_tw, 5332.5_tw, 135_tw, 135_tw}));
        mouse(w->Text_Add(4), QEvent::MouseButtonPress, {3, 3}, Qt::LeftButton, Qt::LeftButton);
        mouse(w->Text_Add(4), QEvent::MouseButtonRelease, {3, 3}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(*w->selectedSlot(), (SlotRef{Family::Single, 4}));

        w->XPButton_WeiTiao->click();
        QCOMPARE(w->XPButton_WeiTiao->text(), QStringLiteral("开启微调"));
        QVERIFY(!w->XPFrame2->isVisible());
        for (int i = 1; i <= 8; ++i)
            QVERIFY(!handle(*w, i)->isVisible());
        // With the mode off a drag moves nothing.
        const ui::TwipsRect before = w->boxRect({Family::Single, 4});
        mouse(w->Text_Add(4), QEvent::MouseButtonPress, {3, 3}, Qt::LeftButton, Qt::LeftButton);
        mouse(w->Text_Add(4), QEvent::MouseMove, {40, 30}, Qt::NoButton, Qt::LeftButton);
        mouse(w->Text_Add(4), QEvent::MouseButtonRelease, {40, 30}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(w->boxRect({Family::Single, 4}), before);
    }

    // Fine-tune mode works on the designer's boxes: the same kind of box in the same place, font, colours
    // and name for every point, wired to the same kind of handles.
    void boxesAreTheDesignersBoxes() {
        test::TestEnv env;
        addPoints(env.db());
        addRow(env.db(), kName,
               {ty::Date, QStringLiteral("日期"), QStringLiteral("无"), 5, 750, 150, 1800, 450, 14, true,
                0x00FFFF, 0x0000FF});
        auto w = openWindow();
        QVERIFY(w);
        app::state().currentTemplate = kName;
        templates::Frm_moban designer;
        QVERIFY(designer.load());
        int compared = 0;
        for (SlotRef ref :
             {SlotRef{Family::Single, 1}, SlotRef{Family::Single, 3}, SlotRef{Family::Single, 4},
              SlotRef{Family::Single, 5}, SlotRef{Family::Multi, 1}}) {
            QWidget* mine = w->box(ref);
            QWidget* theirs = designer.box(ref.family, ref.slot);
            QVERIFY(mine && theirs);
            const QByteArray which = QByteArray::number(ref.slot);
            QCOMPARE(mine->metaObject(), theirs->metaObject());
            QCOMPARE(mine->objectName(), theirs->objectName());
            QCOMPARE(mine->geometry(), theirs->geometry());
            QCOMPARE(mine->font(), theirs->font());
            QCOMPARE(mine->palette().color(QPalette::Base), theirs->palette().color(QPalette::Base));
            QCOMPARE(mine->palette().color(QPalette::Text), theirs->palette().color(QPalette::Text));
            QVERIFY2(!mine->toolTip().isEmpty() && mine->toolTip() == theirs->toolTip(), which.constData());
            ++compared;
        }
        QCOMPARE(compared, 5);
        QCOMPARE(w->box({Family::Single, 5})->palette().color(QPalette::Base), QColor(255, 255, 0));
        QVERIFY(!w->box({Family::Single, 2}) && !designer.box(Family::Single, 2));
        QCOMPARE(w->handles()->metaObject(), designer.handles->metaObject());
    }

    void modeSwitchWithoutSlotOne() {
        test::TestEnv env;
        addRow(env.db(), kName,
               {ty::MultiLine, QStringLiteral("丁"), QStringLiteral("无"), 2, 600, 600, 3000, 900});
        auto w = openWindow();
        QVERIFY(w);
        w->XPButton_WeiTiao->click();
        QVERIFY(w->fineTuneOn());
        QCOMPARE(*w->selectedSlot(), (SlotRef{Family::Multi, 2}));

        test::TestEnv empty;
        auto e = openWindow();
        QVERIFY(e);
        e->XPButton_WeiTiao->click();
        QVERIFY(e->fineTuneOn());
        QVERIFY(!e->selectedSlot());
        QVERIFY(!handle(*e, 1)->isVisibleTo(e.get()));
    }

    void dragMovesTheBoxAndWhatIsPrinted() {
        test::TestEnv env;
        addPoints(env.db());
        auto w = openWindow();
        QVERIFY(w);
        w->show();
        w->XPButton_WeiTiao->click();
        // Slot 1 is selected; pressing on slot 3 (which never had the focus) drags slot 3.
        QLineEdit* box = w->Text_Add(3);
        mouse(box, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
        // The right button alone moves nothing.
        mouse(box, QEvent::MouseMove, {25, 15}, Qt::NoButton, Qt::RightButton);
        QCOMPARE(w->boxRect({Family::Single, 3}), (ui::TwipsRect{3000_tw, 3000_tw, 1500_tw, 300_tw}));
        mouse(box, QEvent::MouseMove, {25, 15}, Qt::NoButton, Qt::LeftButton);
        QVERIFY(!handle(*w, 1)->isVisible()); // hidden while dragging
        mouse(box, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(w->boxRect({Family::Single, 3}), (ui::TwipsRect{3300_tw, 3150_tw, 1500_tw, 300_tw}));
        QCOMPARE(box->geometry(), QRect(220, 210, 100, 20));
        QCOMPARE(*w->selectedSlot(), (SlotRef{Family::Single, 3}));
        QVERIFY(handle(*w, 1)->isVisible());
        QCOMPARE(handle(*w, 1)->geometry(),
                 ui::toPixels(ui::TwipsRect{3232.5_tw, 3082.5_tw, 135_tw, 135_tw}));
        // The print follows the box on screen, saved or not.
        const printing::PrintSheet sheet = w->currentSheet();
        QCOMPARE(sheet.fields[1].name, QStringLiteral("乙"));
        QCOMPARE(sheet.fields[1].left, 3300_tw);
        QCOMPARE(sheet.fields[1].top, 3150_tw);
    }

    void resizeWithHandlesStopsAtTheMinimum() {
        test::TestEnv env;
        addPoints(env.db());
        auto w = openWindow();
        QVERIFY(w);
        w->XPButton_WeiTiao->click();
        templates::HandleSet* h = w->handles();
        h->setAnchor({0_tw, 0_tw});
        QVERIFY(!h->handleMove(Handle::Pic8, {-800_tw, 0_tw}, Qt::LeftButton)); // width 200
        QCOMPARE(w->boxRect({Family::Single, 1}), (ui::TwipsRect{1500_tw, 1500_tw, 1000_tw, 300_tw}));
        QVERIFY(h->handleMove(Handle::Pic8, {-700_tw, 0_tw}, Qt::LeftButton)); // width 300
        QCOMPARE(w->boxRect({Family::Single, 1}), (ui::TwipsRect{1500_tw, 1500_tw, 300_tw, 300_tw}));
        // The public edge operations: Pic7 makes it taller, Pic4 moves the left edge.
        h->setAnchor({0_tw, 0_tw});
        w->Pic7_Move(600_tw, Qt::LeftButton);
        QCOMPARE(w->boxRect({Family::Single, 1}), (ui::TwipsRect{1500_tw, 1500_tw, 300_tw, 900_tw}));
        w->Pic4_Move(-200_tw, Qt::LeftButton);
        QCOMPARE(w->boxRect({Family::Single, 1}), (ui::TwipsRect{1300_tw, 1500_tw, 500_tw, 900_tw}));
        w->Pic2_Move(200_tw, Qt::RightButton);
        QCOMPARE(w->boxRect({Family::Single, 1}), (ui::TwipsRect{1300_tw, 1500_tw, 500_tw, 900_tw}));
        QCOMPARE(w->Text_Add(1)->geometry(), ui::toPixels(ui::TwipsRect{1300_tw, 1500_tw, 500_tw, 900_tw}));

        // A real drag on Pic5 by 30 pixels (450 twips) to the right. Shown, the window puts the focus into
        // the first box of the form, which selects that box; the drag is on box 1 again.
        w->show();
        h->select(w->Text_Add(1), w->boxRect({Family::Single, 1}));
        QWidget* pic5 = handle(*w, 5);
        mouse(pic5, QEvent::MouseButtonPress, {4, 4}, Qt::LeftButton, Qt::LeftButton);
        mouse(pic5, QEvent::MouseMove, {34, 4}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(w->boxRect({Family::Single, 1}).width, 950_tw);
        QCOMPARE(pic5->cursor().shape(), Qt::SizeHorCursor);
    }

    void offsetBoxesAndScrollBars() {
        test::TestEnv env;
        auto w = openWindow();
        QVERIFY(w);
        w->show();
        w->XPButton_WeiTiao->click();
        w->VScroll1->setValue(25);
        QCOMPARE(w->Allup->text(), QStringLiteral("25"));
        QCOMPARE(w->Label_Allup->text(), QStringLiteral("(21.2mm)"));
        w->Allleft->setText(QStringLiteral("-40"));
        QCOMPARE(w->HScroll1->value(), -40);
        QCOMPARE(w->Label_Allleft->text(), QStringLiteral("(-33.9mm)"));

        w->Allup->clear();
        QCOMPARE(w->Allup->text(), QStringLiteral("0"));
        QCOMPARE(w->VScroll1->value(), 0);

        // Typing 12.6 leaves 13; the intermediate "12." stays while it is typed.
        w->Allup->setFocus();
        w->Allup->selectAll();
        QTest::keyClicks(w->Allup, QStringLiteral("12."));
        QCOMPARE(w->Allup->text(), QStringLiteral("12."));
        QCOMPARE(w->VScroll1->value(), 12);
        QCOMPARE(w->Label_Allup->text(), QStringLiteral("(10.2mm)"));
        QTest::keyClicks(w->Allup, QStringLiteral("6"));
        QCOMPARE(w->Allup->text(), QStringLiteral("13"));
        QCOMPARE(w->Label_Allup->text(), QStringLiteral("(11.0mm)"));

        // A lone minus sign while a negative value is typed.
        w->Allleft->setFocus();
        w->Allleft->selectAll();
        QTest::keyClicks(w->Allleft, QStringLiteral("-"));
        QCOMPARE(w->Allleft->text(), QStringLiteral("-"));
        // The label keeps saying what the print moves: still -40 units until a figure follows.
        QCOMPARE(w->Label_Allleft->text(), QStringLiteral("(-33.9mm)"));
        QCOMPARE(w->HScroll1->value(), -40);
        QCOMPARE(w->currentSheet().allleftText, QStringLiteral("-40")); // never an undefined offset
        QTest::keyClicks(w->Allleft, QStringLiteral("7"));
        QCOMPARE(w->HScroll1->value(), -7);
        QCOMPARE(w->Label_Allleft->text(), QStringLiteral("(-5.9mm)"));

        // Other text never breaks the window: it is refused.
        QTest::keyClicks(w->Allleft, QStringLiteral("x"));
        QCOMPARE(w->Allleft->text(), QStringLiteral("-7"));
        w->Allup->setText(QStringLiteral("abc"));
        QCOMPARE(w->Allup->text(), QStringLiteral("13"));
        QCOMPARE(w->VScroll1->value(), 13);

        // Beyond the range the box is held at the limit, also when the bar is already there.
        w->Allup->setText(QStringLiteral("1500"));
        QCOMPARE(w->Allup->text(), QStringLiteral("1000"));
        w->Allup->setText(QStringLiteral("2000"));
        QCOMPARE(w->Allup->text(), QStringLiteral("1000"));
        QCOMPARE(w->Label_Allup->text(), QStringLiteral("(846.6mm)"));
        QCOMPARE(w->VScroll1->minimum(), -1000);
        QCOMPARE(w->HScroll1->maximum(), 1000);
    }

    void saveWritesEveryBoxAndBothOffsets() {
        test::TestEnv env;
        addPoints(env.db());
        addBackground(env.db(), kName, 0, 0, 12615, 6375);
        addHeader(env.db(), kName, paddedPng(1200), 3, 4);
        auto w = openWindow();
        QVERIFY(w);
        w->XPButton_WeiTiao->click();
        templates::HandleSet* h = w->handles();
        h->setAnchor({0_tw, 0_tw});
        QVERIFY(h->dragPoint({300.5_tw, 150.25_tw}, Qt::LeftButton));
        h->endDrag();
        w->XPButton_WeiTiao->click(); // saving works with the mode off as well
        w->Allup->setText(QStringLiteral("-12"));
        w->Allleft->setText(QStringLiteral("7"));
        w->XPButton_BaoCWT->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("微调参数保存成功！请返回"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("系统提示"));
        QCOMPARE(int(env.prompter.last().icon), int(ui::Icon::Information));

        const templates::Template t = templates::TemplateStore(env.db()).load(kName).tmpl;
        QCOMPARE(t.single[1].rect, (ui::TwipsRect{1800.5_tw, 1650.25_tw, 1000_tw, 300_tw}));
        QCOMPARE(t.single[3].rect, (ui::TwipsRect{3000_tw, 3000_tw, 1500_tw, 300_tw}));
        QCOMPARE(t.multi[1].rect, (ui::TwipsRect{600_tw, 4500_tw, 3000_tw, 900_tw}));
        QCOMPARE(t.allup, -12);
        QCOMPARE(t.allleft, 7);
        QCOMPARE(t.picture.size(), 1200); // the picture is kept
        QCOMPARE(data::scalar(env.db(), QStringLiteral("SELECT COUNT(*) FROM moban")).toInt(), 1);
    }

    void saveWithoutHeaderRowKeepsTheOffsets() {
        test::TestEnv env;
        addPoints(env.db());
        auto w = openWindow();
        QVERIFY(w);
        w->Allup->setText(QStringLiteral("5"));
        w->Allleft->setText(QStringLiteral("-"));
        w->XPButton_BaoCWT->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("微调参数保存成功！请返回"));
        const templates::Template t = templates::TemplateStore(env.db()).load(kName).tmpl;
        QVERIFY(t.hasHeader);
        QCOMPARE(t.allup, 5);
        QCOMPARE(t.allleft, 0);
        QVERIFY(t.picture.isEmpty());
        auto again = openWindow();
        QCOMPARE(again->Allup->text(), QStringLiteral("5"));
    }

    void movesAreDocumentCommandsAndTheBoxesFollowTheDocument() {
        test::TestEnv env;
        addPoints(env.db());
        auto w = openWindow();
        QVERIFY(w);
        templates::TemplateDocument* doc = w->document();
        QVERIFY(!doc->isModified());
        w->show();
        w->XPButton_WeiTiao->click();
        // One drag with the mouse, then one resize: two changes of the document, whatever the moves.
        QLineEdit* box = w->Text_Add(3);
        mouse(box, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
        mouse(box, QEvent::MouseMove, {15, 10}, Qt::NoButton, Qt::LeftButton);
        mouse(box, QEvent::MouseMove, {25, 15}, Qt::NoButton, Qt::LeftButton);
        mouse(box, QEvent::MouseButtonRelease, {25, 15}, Qt::LeftButton, Qt::NoButton);
        const ui::TwipsRect stored{3000_tw, 3000_tw, 1500_tw, 300_tw};
        const ui::TwipsRect dragged = w->boxRect({Family::Single, 3});
        QVERIFY(dragged != stored);
        QCOMPARE(doc->tmpl().single[3].rect, dragged);
        QVERIFY(doc->isModified());
        QCOMPARE(doc->undoStack()->count(), 1);
        w->handles()->setAnchor({0_tw, 0_tw});
        QVERIFY(w->handles()->handleMove(Handle::Pic5, {300_tw, 0_tw}, Qt::LeftButton));
        QCOMPARE(doc->undoStack()->count(), 2);

        // A change of the document reaches the box on screen, its handles and the print.
        doc->undoStack()->undo();
        doc->undoStack()->undo();
        QCOMPARE(w->boxRect({Family::Single, 3}), stored);
        QCOMPARE(box->geometry(), ui::toPixels(stored));
        QCOMPARE(w->handles()->selectedRect(), stored);
        QCOMPARE(w->currentSheet().fields[1].left, 3000_tw);
        doc->undoStack()->redo();
        QCOMPARE(box->geometry(), ui::toPixels(dragged));

        // 保存微调 saves what the document holds and leaves it unmodified, offsets included.
        w->Allup->setText(QStringLiteral("4"));
        w->XPButton_BaoCWT->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("微调参数保存成功！请返回"));
        QVERIFY(!doc->isModified());
        QCOMPARE(doc->tmpl().allup, 4);
        QCOMPARE(templates::TemplateStore(env.db()).load(kName).tmpl.single[3].rect, dragged);
        QCOMPARE(box->geometry(), ui::toPixels(dragged));
    }

    // Closing with a moved box or changed offsets asks: Cancel stays, No forgets, Yes saves and closes.
    void closingAsksForUnsavedFineTuning() {
        test::TestEnv env;
        addPoints(env.db());
        auto stored = [&] {
            return data::scalar(env.db(),
                                QStringLiteral("SELECT X FROM mobanxywh WHERE textNumes = 1 AND textLX = ?"),
                                {ty::SingleLine})
                .toDouble();
        };
        auto w = openWindow();
        QVERIFY(w);
        w->show();
        QVERIFY(w->close()); // nothing moved: nothing asked
        QVERIFY(env.prompter.shown.isEmpty());

        w = openWindow();
        w->show();
        w->XPButton_WeiTiao->click();
        w->handles()->setAnchor({0_tw, 0_tw});
        QVERIFY(w->handles()->dragPoint({150_tw, 0_tw}, Qt::LeftButton));
        w->handles()->endDrag();
        env.prompter.answers.enqueue(ui::Answer::Cancel);
        w->XPButton1->click();
        QCOMPARE(env.prompter.lastText(), printing::kUnsavedFineTuneQuestion);
        QCOMPARE(env.prompter.last().buttons, ui::Buttons::YesNoCancel);
        QVERIFY(w->isVisible());
        QCOMPARE(stored(), 1500.0);
        env.prompter.answers.enqueue(ui::Answer::Yes);
        w->XPButton1->click();
        QVERIFY(!w->isVisible());
        QCOMPARE(stored(), 1650.0);

        // An offset typed and not saved counts too; No closes without writing it.
        w = openWindow();
        w->show();
        w->Allup->setText(QStringLiteral("3"));
        env.prompter.clear();
        env.prompter.answers.enqueue(ui::Answer::No);
        QVERIFY(w->close());
        QCOMPARE(env.prompter.shown.size(), 1);
        QCOMPARE(templates::TemplateStore(env.db()).load(kName).tmpl.allup, 0);
    }

    void saveFailureIsReported() {
        test::TestEnv env;
        addPoints(env.db());
        auto w = openWindow();
        QVERIFY(w);
        w->XPButton_WeiTiao->click();
        w->handles()->setAnchor({0_tw, 0_tw});
        QVERIFY(w->handles()->dragPoint({100_tw, 100_tw}, Qt::LeftButton));
        data::exec(env.db(), QStringLiteral("DROP TABLE moban"));
        w->XPButton_BaoCWT->click();
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("XPButton_BaoCWT_Click：")));
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        QVERIFY(w->document()->isModified()); // the move is still to be saved
        // Nothing was half-written.
        QCOMPARE(data::scalar(env.db(),
                              QStringLiteral("SELECT X FROM mobanxywh WHERE textNumes = 1 AND textLX = ?"),
                              {ty::SingleLine})
                     .toDouble(),
                 1500.0);
    }

private:
    test::ScopedEnvironment caseEnv_; // for the whole case: 96 dpi, 1 pixel = 15 twips
};

QTEST_MAIN(TestFineTune)
#include "tst_finetune.moc"
