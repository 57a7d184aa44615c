#include "BothEngines.h"
#include "TestEnv.h"
#include "app/AppState.h"
#include "app/Windows.h"
#include "data/Sql.h"
#include "templates/DesignerWidgets.h"
#include "templates/Frm_moban.h"
#include "templates/Handles.h"
#include "templates/PrintLogStore.h"
#include "templates/TabOrder.h"
#include "templates/TemplateStore.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlRecord>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>

using namespace vorlan;
using templates::Family;
using templates::Frm_moban;

// The edge handles take the position across their edge in twips, then the buttons, as the print window's
// do; a bare number is no position, and the buttons do not come first.
template <class W, class P>
concept EdgeHandlers = requires(W& w, P p, Qt::MouseButtons b) {
    w.Pic2_Move(p, b);
    w.Pic4_Move(p, b);
    w.Pic5_Move(p, b);
    w.Pic7_Move(p, b);
};
template <class W>
concept ButtonsFirst = requires(W& w, Qt::MouseButtons b) {
    w.Pic2_Move(b, ui::Twips());
};
static_assert(EdgeHandlers<Frm_moban, ui::Twips>);
static_assert(!EdgeHandlers<Frm_moban, double> && !EdgeHandlers<Frm_moban, float> &&
              !EdgeHandlers<Frm_moban, int>);
static_assert(!ButtonsFirst<Frm_moban>);

namespace {

const QString kResult = QStringLiteral("操作结果报告");
const QString kSelectFirst = QStringLiteral("请您选择要修改的输入点 或 背景图片，再做相应的修改！ ");
const QString kSaved = QStringLiteral("模板保存成功！请返回");
const QString kUnsaved = QStringLiteral("模板“运单”已修改，是否保存？");

// The ways of closing the window.
enum class Closing { Button, CloseBox, Reject };

void closeBy(Frm_moban& w, Closing how) {
    switch (how) {
    case Closing::Button:
        w.XPButton2->click();
        break;
    case Closing::CloseBox:
        w.close(); // what the title bar's close box ends in
        break;
    case Closing::Reject:
        w.reject();
        break;
    }
}

QStringList logColumns(const QSqlDatabase& db, const QString& table) {
    return test::logColumns(db, table);
}

// Fills the name and the type buttons and presses 新增点.
void add(Frm_moban& w, const QString& name, QRadioButton* type, bool multi = false,
         const QString& binding = QString()) {
    w.Text_Name->setText(name);
    type->setChecked(true);
    w.Checkscroll->setChecked(multi);
    if (!binding.isEmpty())
        w.Combo3->setCurrentText(binding);
    w.XPBut确定_Click();
}

QByteArray pngBytes(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7) % 256, (y * 13) % 256, (x * y) % 256));
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

// A mouse event straight to a widget, as the window system delivers it.
void mouse(QWidget* w, QEvent::Type t, QPoint pos, Qt::MouseButton b, Qt::MouseButtons bs) {
    QMouseEvent e(t, QPointF(pos), QPointF(w->mapToGlobal(pos)), b, bs, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// Presses the left button at from, moves through the points and releases it at the last one. Positions
// are relative to the widget, which follows the mouse: each move goes on from where the last one left it.
void drag(QWidget* w, QPoint from, const QList<QPoint>& through) {
    mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (QPoint p : through)
        mouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, through.last(), Qt::LeftButton, Qt::NoButton);
}

void showActive(QWidget& w) {
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w))
        qFatal("the window did not become active");
}

void ctrl(QWidget* target, Qt::Key key) {
    QTest::keyClick(target, key, Qt::ControlModifier);
}

QString writeFile(const QString& folder, const QString& name, const QByteArray& bytes) {
    const QString path = folder + QLatin1Char('/') + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
    return path;
}

} // namespace

class TestDesigner : public QObject {
    Q_OBJECT
private slots:

    void rulerTicks_data() {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("length");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QPointF>("labelPos");
        QTest::newRow("v origin") << true << 0 << 160.2 << QStringLiteral("0CM") << QPointF(150, 0);
        QTest::newRow("v 1 mm") << true << 1 << 80.1 << QString() << QPointF();
        QTest::newRow("v 5 mm") << true << 5 << 106.8 << QString() << QPointF();
        QTest::newRow("v 1 cm") << true << 10 << 160.2 << QStringLiteral("1") << QPointF(50, 567);
        QTest::newRow("v 15 mm") << true << 15 << 106.8 << QString() << QPointF();
        QTest::newRow("h origin") << false << 0 << 160.2 << QStringLiteral("0CM") << QPointF(30, 130.2);
        QTest::newRow("h 7 mm") << false << 7 << 80.1 << QString() << QPointF();
        QTest::newRow("h 3 cm") << false << 30 << 160.2 << QStringLiteral("3") << QPointF(1701 - 60, 130.2);
    }

    void rulerTicks() {
        QFETCH(bool, vertical);
        QFETCH(int, index);
        QFETCH(double, length);
        QFETCH(QString, label);
        QFETCH(QPointF, labelPos);
        const auto ticks = templates::rulerTicks(vertical, 13260_tw);
        QCOMPARE(ticks.size(), 234); // 0 .. 233 mm: 233 * 56.7 = 13211.1
        const auto& t = ticks.at(index);
        QCOMPARE(t.position, ui::Twips(index * 56.7));
        QVERIFY(qAbs(t.length.value() - length) < 1e-9);
        QCOMPARE(t.label, label);
        if (!label.isEmpty()) {
            QVERIFY(qAbs(t.labelPos.x.value() - labelPos.x()) < 1e-9);
            QVERIFY(qAbs(t.labelPos.y.value() - labelPos.y()) < 1e-9);
        }
    }

    void opensEmptyTemplate() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        QVERIFY(w.load());
        QCOMPARE(w.windowTitle(), QStringLiteral("运单"));
        QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(w.size(), QSize(884, 657)); // 13260 x 9855 twips
        QCOMPARE(w.Picture1->geometry(), QRect(0, 0, 20, 657));
        QCOMPARE(w.Picture2->geometry(), QRect(0, 0, 884, 20));
        QCOMPARE(w.Image1->geometry(), QRect(0, 0, 841, 425));
        QVERIFY(w.Image1->isEmpty());
        QCOMPARE(w.Label5->text(), QStringLiteral("新增输入点后，显示在此--->>再移动到相应位置"));
        QCOMPARE(w.FrameNewText->title(), QStringLiteral("输入点选项"));
        QCOMPARE(w.XPButton2->text(), QStringLiteral("返  回"));
        QCOMPARE(w.font_txt->text(), QStringLiteral("字体样式"));
        QVERIFY(w.findChild<QWidget*>(QStringLiteral("RadioB整数")));
        QCOMPARE(w.Combo3->count(), 13);
        QStringList entries;
        for (int i = 0; i < w.Combo3->count(); ++i)
            entries << w.Combo3->itemText(i);
        QCOMPARE(entries, templates::designerBindings());
        QCOMPARE(w.Combo3->currentText(), QStringLiteral("无"));

        // The picture area is selected with the handles around it; the kind stays empty.
        QCOMPARE(w.handles->selected(), static_cast<QWidget*>(w.Image1));
        QCOMPARE(w.handles->logic().rect(templates::Handle::Pic8),
                 (ui::TwipsRect{12547.5_tw, 6307.5_tw, 135_tw, 135_tw}));
        QVERIFY(w.selectedKind().isEmpty());

        w.XPBut修改_Click();
        QCOMPARE(env.prompter.lastText(), kSelectFirst);
        QCOMPARE(env.prompter.last().title, kResult);
        w.XPBut_Del_Click();
        QCOMPARE(env.prompter.texts(), (QStringList{kSelectFirst, kSelectFirst}));
        QVERIFY(!test::hasLog(env.db(), QStringLiteral("运单")));
    }

    void addRefusals() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        w.load();
        w.XPBut确定_Click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("请您填写“输入点名称”，谢谢！ "));
        QCOMPARE(env.prompter.last().title, kResult);
        w.Text_Name->setText(QStringLiteral("收件人"));
        w.XPBut确定_Click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("请您选择“输入点类型”，谢谢！ "));
        QCOMPARE(w.model().single.count, 0);

        add(w, QStringLiteral("收件人"), w.XPRadio_Text, false, QStringLiteral("客户名称"));
        QCOMPARE(w.model().single.count, 1);
        const auto& p = w.model().single[1];
        QCOMPARE(p.type, QStringLiteral("文本一行"));
        QCOMPARE(p.binding, QStringLiteral("客户名称"));
        QCOMPARE(p.rect, (ui::TwipsRect{5880_tw, 7500_tw, 2055_tw, 315_tw}));
        QCOMPARE(w.Combo3->currentText(), QStringLiteral("无"));
        QCOMPARE(w.Text_Name->text(), QStringLiteral("收件人")); // keeps its contents
        QVERIFY(w.Text_Add[1] && w.Text_Add[1]->isVisibleTo(&w));
        QCOMPARE(w.Text_Add[1]->geometry(), QRect(392, 500, 137, 21));
        QCOMPARE(w.pending().added, QStringList{QStringLiteral("收件人")});

        const int shown = env.prompter.shown.size();
        add(w, QStringLiteral("收件人"), w.XPRad号码);
        QCOMPARE(env.prompter.lastText(),
                 QStringLiteral("输入点名称：收件人，已存在了， 请您重新填写“输入点名称”，谢谢！ "));
        QCOMPARE(env.prompter.shown.size(), shown + 1);
        // Names are log table columns, which do not tell letter case apart.
        add(w, QStringLiteral("Tel"), w.XPRad号码);
        add(w, QStringLiteral("TEL"), w.XPRad号码);
        QCOMPARE(env.prompter.lastText(),
                 QStringLiteral("输入点名称：TEL，已存在了， 请您重新填写“输入点名称”，谢谢！ "));
        add(w, QStringLiteral("打印日期"), w.XPRadio_rq);
        QVERIFY(env.prompter.lastText().startsWith(QStringLiteral("输入点名称不能是“打印日期”")));
        QCOMPARE(w.model().single.count, 2);

        // A deleted point keeps its name while the window is open.
        w.selectPoint(Family::Single, 1);
        w.XPBut_Del_Click();
        QCOMPARE(env.prompter.lastText(), kSaved);
        add(w, QStringLiteral("收件人"), w.XPRadio_Text);
        QCOMPARE(env.prompter.lastText(),
                 QStringLiteral("输入点名称：收件人，已存在了， 请您重新填写“输入点名称”，谢谢！ "));

        // After reopening, the deleted one's name is free again.
        Frm_moban again;
        again.load();
        QCOMPARE(again.model().single.count, 2); // slot 1 saved with an empty type is not loaded
        QVERIFY(!again.model().single[1].inUse());
        add(again, QStringLiteral("收件人"), again.XPRadio_Text);
        QCOMPARE(again.model().single.count, 3);
    }

    void typeButtonsAndCheckscroll_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("multi");
        QTest::addColumn<QString>("type");
        QTest::newRow("文本框") << QStringLiteral("XPRadio_Text") << false << QStringLiteral("文本一行");
        QTest::newRow("文本框 多行") << QStringLiteral("XPRadio_Text") << true << QStringLiteral("文本多行");
        QTest::newRow("日期") << QStringLiteral("XPRadio_rq") << true << QStringLiteral("文本日期");
        QTest::newRow("整数") << QStringLiteral("RadioB整数") << true << QStringLiteral("整数");
        QTest::newRow("大写金额") << QStringLiteral("XPRad大额") << false << QStringLiteral("大写金额");
        QTest::newRow("小写金额") << QStringLiteral("XPRad小额") << true << QStringLiteral("小写金额");
        QTest::newRow("年") << QStringLiteral("XPRad年") << false << QStringLiteral("年");
        QTest::newRow("月") << QStringLiteral("XPRad月") << false << QStringLiteral("月");
        QTest::newRow("日") << QStringLiteral("XPRad日") << true << QStringLiteral("日");
        QTest::newRow("号码") << QStringLiteral("XPRad号码") << false << QStringLiteral("号码");
    }

    void typeButtonsAndCheckscroll() {
        QFETCH(QString, button);
        QFETCH(bool, multi);
        QFETCH(QString, type);
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        w.load();
        add(w, QStringLiteral("点"), w.findChild<QRadioButton*>(button), multi);
        const bool isMulti = type == QStringLiteral("文本多行");
        const auto& fam = isMulti ? w.model().multi : w.model().single;
        QCOMPARE(fam.count, 1);
        QCOMPARE(fam[1].type, type);
        QCOMPARE((isMulti ? w.model().single : w.model().multi).count, 0);
        QVERIFY(w.box(isMulti ? Family::Multi : Family::Single, 1));
        QCOMPARE(bool(qobject_cast<QPlainTextEdit*>(w.box(isMulti ? Family::Multi : Family::Single, 1))),
                 isMulti);
    }

    void styleSampleAndColourRule() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        w.load();
        QFont f(QStringLiteral("宋体"));
        f.setPointSize(14);
        f.setBold(true);
        f.setUnderline(true);
        env.prompter.fonts.enqueue(f);
        env.prompter.colors.enqueue(QColor(255, 255, 0));
        env.prompter.colors.enqueue(QColor(0x12, 0x34, 0x56));
        w.XPBut_font->click();
        w.XPBut_rgb->click();
        w.XPBut字色->click();
        QCOMPARE(env.prompter.fontTitles, QStringList{QStringLiteral("输入点字体设置")});
        QCOMPARE(env.prompter.colorTitles,
                 (QStringList{QStringLiteral("输入点背景色设置"), QStringLiteral("输入点字体颜色")}));
        QCOMPARE(w.sampleBackColor(), qint32(0x00FFFF)); // red in the lowest byte
        QCOMPARE(w.sampleForeColor(), qint32(0x563412));
        QCOMPARE(w.font_txt->palette().color(QPalette::Base), QColor(255, 255, 0));

        // A cancelled dialog keeps the sample as it is.
        w.XPBut_rgb->click();
        QCOMPARE(w.sampleBackColor(), qint32(0x00FFFF));

        add(w, QStringLiteral("单行"), w.XPRadio_Text);
        add(w, QStringLiteral("多行"), w.XPRadio_Text, true);
        const auto& s = w.model().single[1];
        const auto& m = w.model().multi[1];
        QCOMPARE(s.fontSize, 14.f);
        QVERIFY(s.bold && s.underline && !s.italic);
        QCOMPARE(s.backColor, qint32(0x00FFFF));
        QCOMPARE(s.foreColor, qint32(0x563412));
        QCOMPARE(m.backColor, qint32(0x00FFFF));
        QCOMPARE(m.foreColor, templates::color::kWindowText); // the prototype's text colour

        // Selecting a box copies its style into the sample (the text colour only from a single-line box).
        w.selectPoint(Family::Multi, 1);
        QCOMPARE(w.selectedKind(), QStringLiteral("Text_Addscroll"));
        QCOMPARE(w.Text_Name->text(), QStringLiteral("多行"));
        QCOMPARE(w.sampleForeColor(), qint32(0x563412));
        // Modifying a multi-line point leaves its text colour alone and saves.
        env.prompter.colors.enqueue(QColor(0, 0, 255));
        w.XPBut字色->click();
        w.Combo3->setCurrentText(QStringLiteral("客户地址"));
        w.XPBut修改_Click();
        QCOMPARE(env.prompter.lastText(), kSaved);
        QCOMPARE(env.prompter.last().title, QStringLiteral("系统提示"));
        QCOMPARE(w.model().multi[1].foreColor, templates::color::kWindowText);
        QCOMPARE(w.model().multi[1].binding, QStringLiteral("客户地址"));
        // ... but changes a single-line point's.
        w.selectPoint(Family::Single, 1);
        w.XPBut字色->click(); // cancelled: the sample keeps the box's colour
        env.prompter.colors.enqueue(QColor(0, 0, 255));
        w.XPBut字色->click();
        w.XPBut修改_Click();
        QCOMPARE(w.model().single[1].foreColor, qint32(0xFF0000));
        QCOMPARE(w.model().single[1].name, QStringLiteral("单行"));
        QCOMPARE(w.model().single[1].type, QStringLiteral("文本一行"));
        const auto stored =
            data::scalar(env.db(), QStringLiteral("SELECT ForeColor FROM mobanxywh WHERE textName = ?"),
                         {QStringLiteral("单行")});
        QCOMPARE(stored.toLongLong(), 0xFF0000LL);
    }

    void deleteTwiceAndLogColumns() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        w.load();
        add(w, QStringLiteral("收件人"), w.XPRadio_Text);
        add(w, QStringLiteral("电话"), w.XPRad号码);
        add(w, QStringLiteral("备注"), w.XPRadio_Text, true);
        QVERIFY(w.XPBut_save_Click());
        QCOMPARE(logColumns(env.db(), QStringLiteral("运单")),
                 (QStringList{QStringLiteral("打印日期"), QStringLiteral("收件人"), QStringLiteral("电话"),
                              QStringLiteral("备注")}));
        QVERIFY(w.pending().added.isEmpty());

        add(w, QStringLiteral("件数"), w.RadioB整数);
        w.selectPoint(Family::Single, 2);
        w.XPBut_Del_Click();
        QCOMPARE(env.prompter.lastText(), kSaved);
        QVERIFY(!w.box(Family::Single, 2)->isVisibleTo(&w));
        QCOMPARE(logColumns(env.db(), QStringLiteral("运单")),
                 (QStringList{QStringLiteral("打印日期"), QStringLiteral("收件人"), QStringLiteral("备注"),
                              QStringLiteral("件数")}));
        // The deleted point stays a row with an empty type and keeps its name and slot.
        QSqlQuery q =
            data::exec(env.db(), QStringLiteral("SELECT textLX, textNumes FROM mobanxywh WHERE textName = ?"),
                       {QStringLiteral("电话")});
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QString());
        QCOMPARE(q.value(1).toInt(), 2);

        // The deleted point is no longer selected: a second deletion asks for a selection and records
        // nothing.
        QVERIFY(w.selectedKind().isEmpty());
        QCOMPARE(w.selectedSlot(), 0);
        const int shown = env.prompter.shown.size();
        w.XPBut_Del_Click();
        QCOMPARE(env.prompter.shown.size(), shown + 1);
        QCOMPARE(env.prompter.lastText(), kSelectFirst);
        QVERIFY(w.pending().deleted.isEmpty());
        QCOMPARE(logColumns(env.db(), QStringLiteral("运单")).size(), 4);
    }

    void saveWritesRows() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        {
            Frm_moban w;
            w.load();
            add(w, QStringLiteral("收件人"), w.XPRadio_Text, false, QStringLiteral("客户名称"));
            add(w, QStringLiteral("地址"), w.XPRadio_Text, true, QStringLiteral("客户地址"));
            // Move the point with a drag and the picture area with Pic8.
            w.selectPoint(Family::Single, 1);
            w.handles->setAnchor({100_tw, 100_tw});
            QVERIFY(w.handles->dragPoint({400_tw, 250_tw}, Qt::LeftButton));
            w.handles->endDrag();
            w.selectPicture();
            QCOMPARE(w.selectedKind(), QStringLiteral("背景图片"));
            QCOMPARE(w.selectedSlot(), 1); // the slot is left as it was
            w.handles->setAnchor({60_tw, 60_tw});
            w.Pic5_Move(60_tw - 615_tw, Qt::LeftButton);
            w.Pic7_Move(1000_tw, Qt::RightButton); // ignored
            QCOMPARE(w.model().pictureRect, (ui::TwipsRect{0_tw, 0_tw, 12000_tw, 6375_tw}));
            QCOMPARE(w.Image1->width(), 800);
            w.XPBut修改_Click(); // with the picture selected: save only
            QCOMPARE(env.prompter.lastText(), kSaved);
        }
        QSqlQuery q =
            data::exec(env.db(),
                       QStringLiteral("SELECT textLX, textName, lockZiduan, textNumes, X, Y, W, H, Font, "
                                      "FontSize, BackColor, ForeColor FROM mobanxywh WHERE mobanname = ? "
                                      "ORDER BY id"),
                       {QStringLiteral("运单")});
        QStringList rows;
        while (q.next()) {
            QStringList r;
            for (int i = 0; i < q.record().count(); ++i)
                r << data::nullToEmpty(q.value(i));
            rows << r.join(QLatin1Char('|'));
        }
        QCOMPARE(
            rows,
            (QStringList{
                QStringLiteral(
                    "文本一行|收件人|客户名称|1|6180|7650|2055|315|宋体|9|-2147483643|-2147483640"),
                QStringLiteral("文本多行|地址|客户地址|1|5880|7500|2055|315|宋体|9|-2147483643|-2147483640"),
                QStringLiteral("背景图片||||0|0|12000|6375||||"),
            }));
        QCOMPARE(logColumns(env.db(), QStringLiteral("运单")),
                 (QStringList{QStringLiteral("打印日期"), QStringLiteral("收件人"), QStringLiteral("地址")}));

        // Reopened: the boxes stand where they were saved, the picture area too.
        Frm_moban w;
        QVERIFY(w.load());
        QCOMPARE(w.model().single[1].rect, (ui::TwipsRect{6180_tw, 7650_tw, 2055_tw, 315_tw}));
        QCOMPARE(w.Text_Add[1]->geometry(), QRect(412, 510, 137, 21));
        QCOMPARE(w.Text_Addscroll[1]->objectName(), QStringLiteral("Text_Addscroll"));
        QCOMPARE(w.Image1->geometry(), QRect(0, 0, 800, 425));
        w.selectPoint(Family::Single, 1);
        QCOMPARE(w.Combo3->currentText(), QStringLiteral("客户名称"));
        QCOMPARE(w.Text_Name->text(), QStringLiteral("收件人"));
    }

    void pictures() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        const QByteArray good = pngBytes(200, 120);
        QVERIFY(good.size() >= 1000);
        const QString goodPath = writeFile(env.folder(), QStringLiteral("form.png"), good);
        const QString badPath = writeFile(env.folder(), QStringLiteral("form.jpg"), QByteArray(4000, 'x'));
        const QString emptyPath = writeFile(env.folder(), QStringLiteral("empty.bmp"), QByteArray());
        {
            Frm_moban w;
            w.load();
            // Cancelled: nothing happens.
            w.XPButton1_Click();
            QCOMPARE(env.prompter.fileRequests.size(), 1);
            QCOMPARE(env.prompter.fileRequests.at(0).title, QStringLiteral("模板背景图片的新增"));
            const QString filter = env.prompter.fileRequests.at(0).filter;
            QVERIFY2(filter.contains(QStringLiteral("*.png")) && filter.contains(QStringLiteral("*.bmp")) &&
                         filter.contains(QStringLiteral("*.jpg")),
                     qPrintable(filter));
            QVERIFY(env.prompter.shown.isEmpty());

            env.prompter.fileNames.enqueue(badPath);
            w.XPButton1_Click();
            QCOMPARE(env.prompter.lastText(), QStringLiteral("上传的图片格式有误，请重新选择！ "));
            QCOMPARE(env.prompter.last().title, kResult);
            QVERIFY(w.Image1->isEmpty());
            QVERIFY(w.picturePath().isEmpty());
            env.prompter.fileNames.enqueue(emptyPath);
            w.XPButton1_Click();
            QCOMPARE(env.prompter.shown.size(), 2);

            env.prompter.fileNames.enqueue(goodPath);
            w.XPButton1_Click();
            QVERIFY(!w.Image1->isEmpty());
            QCOMPARE(w.picturePath(), goodPath);
            // A refused file afterwards empties the area but the chosen picture stays remembered.
            env.prompter.fileNames.enqueue(badPath);
            w.XPButton1_Click();
            QVERIFY(w.Image1->isEmpty());
            QCOMPARE(w.picturePath(), goodPath);
            QVERIFY(w.XPBut_save_Click());
        }
        QCOMPARE(data::scalar(env.db(), QStringLiteral("SELECT backimage FROM moban WHERE mobanname = ?"),
                              {QStringLiteral("运单")})
                     .toByteArray(),
                 good);
        Frm_moban w;
        w.load();
        QVERIFY(!w.Image1->isEmpty());
        QCOMPARE(w.Image1->image().size(), QSize(200, 120));
    }

    void refusedTemplateNameAndFullFamily() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("moban");
        Frm_moban w;
        w.load();
        QVERIFY(!w.XPBut_save_Click());
        QCOMPARE(env.prompter.lastText(), templates::TemplateStore::nameProblem(QStringLiteral("moban")));
        QCOMPARE(env.prompter.last().title, kResult);

        for (int i = 1; i <= 100; ++i)
            add(w, QStringLiteral("点%1").arg(i), w.XPRad号码);
        QCOMPARE(w.model().single.count, 100);
        QCOMPARE(env.prompter.shown.size(), 1);
        add(w, QStringLiteral("点101"), w.XPRad号码);
        QCOMPARE(env.prompter.shown.size(), 2);
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("100")));
        QCOMPARE(w.model().single.count, 100);
        // The other family still has room.
        add(w, QStringLiteral("点101"), w.XPRadio_Text, true);
        QCOMPARE(w.model().multi.count, 1);
    }

    // The box wiring: a click into a box selects it, a drag moves it, the release selects it again.
    void mouseOnBoxes() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        w.load();
        add(w, QStringLiteral("甲"), w.XPRadio_Text);
        add(w, QStringLiteral("乙"), w.XPRadio_Text, true);
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.Text_Addscroll[1]->setFocus(Qt::MouseFocusReason);
        QCOMPARE(w.selectedKind(), QStringLiteral("Text_Addscroll"));
        QCOMPARE(w.Text_Name->text(), QStringLiteral("乙"));

        QWidget* box = w.Text_Add[1];
        box->setFocus(Qt::MouseFocusReason);
        QCOMPARE(w.selectedKind(), QStringLiteral("Text_Add"));
        auto send = [box](QEvent::Type t, QPoint pos, Qt::MouseButton b, Qt::MouseButtons bs) {
            QMouseEvent e(t, QPointF(pos), QPointF(box->mapToGlobal(pos)), b, bs, Qt::NoModifier);
            QCoreApplication::sendEvent(box, &e);
        };
        send(QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, {25, -5}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(w.model().single[1].rect, (ui::TwipsRect{6180_tw, 7350_tw, 2055_tw, 315_tw}));
        send(QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton, Qt::NoButton);
        QVERIFY(w.handles->handle(templates::Handle::Pic1)->isVisible());
        QCOMPARE(w.handles->logic().rect(templates::Handle::Pic1),
                 (ui::TwipsRect{6112.5_tw, 7282.5_tw, 135_tw, 135_tw}));

        // A click on the picture area selects it and takes the focus, so clicking the box again selects it.
        QTest::mouseClick(w.Image1, Qt::LeftButton, {}, QPoint(300, 200));
        QCOMPARE(w.selectedKind(), QStringLiteral("背景图片"));
        box->setFocus(Qt::MouseFocusReason);
        QCOMPARE(w.selectedKind(), QStringLiteral("Text_Add"));
    }

    // Esc must not throw away what has not been saved yet, from the window or from a control in it.
    void escapeKeepsTheWindowOpen() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        QVERIFY(w.load());
        add(w, QStringLiteral("收件人"), w.XPRadio_Text);
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        for (QWidget* target : {static_cast<QWidget*>(&w), static_cast<QWidget*>(w.Text_Name),
                                static_cast<QWidget*>(w.Text_Add[1]), static_cast<QWidget*>(w.XPBut_save)}) {
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Escape);
            QVERIFY2(w.isVisible(), qPrintable(target->objectName()));
        }
        QCOMPARE(w.result(), int(QDialog::Rejected)); // never set: nothing ended the dialog
        QCOMPARE(w.model().single[1].name, QStringLiteral("收件人"));
        QVERIFY(env.prompter.shown.isEmpty());
        // "返  回" still closes it, once the unsaved point is given up.
        env.prompter.answers.enqueue(ui::Answer::No);
        w.XPButton2->click();
        QVERIFY(!w.isVisible());
        QCOMPARE(env.prompter.lastText(), kUnsaved);
    }

    // Two templates whose names differ only in letter case would share one print log table.
    void saveRefusesANameDifferingOnlyInCase_data() {
        QTest::addColumn<QString>("other");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("upper case") << QStringLiteral("Waybill") << QStringLiteral("WAYBILL") << false;
        QTest::newRow("mixed") << QStringLiteral("Waybill") << QStringLiteral("wayBill") << false;
        QTest::newRow("same name") << QStringLiteral("Waybill") << QStringLiteral("Waybill") << true;
        QTest::newRow("other name") << QStringLiteral("Waybill") << QStringLiteral("Waybill2") << true;
        // Only ASCII letters are folded by the database, so these are two tables.
        QTest::newRow("full-width letters") << QStringLiteral("ＡＢ") << QStringLiteral("ａｂ") << true;
    }

    void saveRefusesANameDifferingOnlyInCase() {
        QFETCH(QString, other);
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        test::TestEnv env;
        {
            app::state().currentTemplate = other;
            Frm_moban w;
            QVERIFY(w.load());
            add(w, QStringLiteral("收件人"), w.XPRadio_Text);
            QVERIFY(w.XPBut_save_Click());
        }
        test::addLogSheet(env.db(), other, {QStringLiteral("打印日期"), QStringLiteral("收件人")},
                          {QStringLiteral("2024-01-02 03:04:05"), QStringLiteral("张三")});
        env.prompter.clear();
        app::state().currentTemplate = name;
        Frm_moban w;
        QVERIFY(w.load());
        add(w, QStringLiteral("电话"), w.XPRadio_Text);
        QCOMPARE(w.XPBut_save_Click(), accepted);
        QCOMPARE(env.prompter.shown.size(), 1);
        if (accepted) {
            QCOMPARE(env.prompter.lastText(), kSaved);
            return;
        }
        QCOMPARE(
            env.prompter.lastText(),
            QStringLiteral("模板名称“%1”与已有的模板“%2”只有字母大小写不同，两个模板会共用同一张打印记录表，"
                           "请换一个名称！")
                .arg(name, other));
        QCOMPARE(env.prompter.last().title, kResult);
        QCOMPARE(data::scalar(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh WHERE mobanname = ?"),
                              {name})
                     .toInt(),
                 0);
        // The other template's log table is untouched.
        QCOMPARE(logColumns(env.db(), other),
                 (QStringList{QStringLiteral("打印日期"), QStringLiteral("收件人")}));
        QCOMPARE(w.pending().added, QStringList{QStringLiteral("电话")});
    }

    // The buttons and keys of the undo stack: captions, shortcuts in the tooltips, enabled as the stack
    // allows; adding points undone with Ctrl+Z and the buttons, redone with Ctrl+Y.
    void undoAndRedoAdding() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        QVERIFY(w.load());
        auto* undo = w.findChild<QToolButton*>(QStringLiteral("cmdUndo"));
        auto* redo = w.findChild<QToolButton*>(QStringLiteral("cmdRedo"));
        QVERIFY(undo && redo && undo == w.cmdUndo && redo == w.cmdRedo);
        QCOMPARE(undo->text(), QStringLiteral("撤销"));
        QCOMPARE(redo->text(), QStringLiteral("重做"));
        QCOMPARE(undo->toolTip(), QStringLiteral("撤销 (Ctrl+Z)"));
        QCOMPARE(redo->toolTip(), QStringLiteral("重做 (Ctrl+Y)"));
        QVERIFY(!undo->isEnabled() && !redo->isEnabled());
        QVERIFY(!w.isModified());
        showActive(w);

        add(w, QStringLiteral("收件人"), w.XPRadio_Text, false, QStringLiteral("客户名称"));
        add(w, QStringLiteral("备注"), w.XPRadio_Text, true);
        const templates::Template both = w.model();
        QVERIFY(undo->isEnabled() && !redo->isEnabled());
        QVERIFY(w.isModified());

        w.XPBut确定->setFocus();
        ctrl(w.XPBut确定, Qt::Key_Z);
        QCOMPARE(w.model().multi.count, 0);
        QVERIFY(!w.model().multi[1].inUse());
        QVERIFY(!w.Text_Addscroll[1]->isVisibleTo(&w));
        QCOMPARE(w.pending().added, QStringList{QStringLiteral("收件人")});
        QVERIFY(undo->isEnabled() && redo->isEnabled());
        undo->click();
        QCOMPARE(w.model().single.count, 0);
        QVERIFY(!w.Text_Add[1]->isVisibleTo(&w));
        QVERIFY(w.pending().added.isEmpty());
        QVERIFY(!undo->isEnabled() && redo->isEnabled());
        QVERIFY(!w.isModified());
        ctrl(w.XPBut确定, Qt::Key_Z); // nothing left: nothing happens
        QCOMPARE(w.model().single.count, 0);

        ctrl(w.XPBut确定, Qt::Key_Y);
        QCOMPARE(w.model().single.count, 1);
        QVERIFY(w.Text_Add[1]->isVisibleTo(&w));
        QCOMPARE(w.Text_Add[1]->geometry(), QRect(392, 500, 137, 21));
        redo->click();
        QVERIFY(w.model() == both);
        QCOMPARE(w.pending().added, (QStringList{QStringLiteral("收件人"), QStringLiteral("备注")}));
        QVERIFY(w.Text_Addscroll[1]->isVisibleTo(&w));
        QVERIFY(undo->isEnabled() && !redo->isEnabled());
        QVERIFY(env.prompter.shown.isEmpty());
    }

    // A drag of a box and a resize with a handle are one undo step each, however many mouse moves they
    // took; undone, the box and the handles stand where they stood.
    void aDragAndAResizeAreOneStepEach() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        QVERIFY(w.load());
        add(w, QStringLiteral("甲"), w.XPRadio_Text);
        QVERIFY(w.XPBut_save_Click()); // a clean start
        showActive(w);
        QWidget* box = w.Text_Add[1];
        box->setFocus(Qt::MouseFocusReason);
        QCOMPARE(w.selectedKind(), QStringLiteral("Text_Add"));
        const ui::TwipsRect start = w.model().single[1].rect;
        const QRect startGeometry = box->geometry();
        const ui::TwipsRect startPic8 = w.handles->logic().rect(templates::Handle::Pic8);

        drag(box, {5, 5}, {{10, 5}, {10, 3}, {15, -3}}); // each move relative to the box it moved
        QCOMPARE(w.model().single[1].rect, (ui::TwipsRect{6180_tw, 7350_tw, 2055_tw, 315_tw}));
        QCOMPARE(w.document()->undoStack()->count(), 1);
        QVERIFY(w.isModified());

        QWidget* pic8 = w.handles->handle(templates::Handle::Pic8);
        drag(pic8, {3, 3}, {{9, 3}, {10, 4}, {10, 6}});
        QCOMPARE(w.model().single[1].rect, (ui::TwipsRect{6180_tw, 7350_tw, 2355_tw, 375_tw}));
        QCOMPARE(w.document()->undoStack()->count(), 2);
        // The button went up: the next resize is the next step.
        drag(pic8, {3, 3}, {{8, 3}});
        QCOMPARE(w.model().single[1].rect.width, 2430_tw);
        QCOMPARE(w.document()->undoStack()->count(), 3);
        ctrl(w.XPBut确定, Qt::Key_Z);
        QCOMPARE(w.model().single[1].rect, (ui::TwipsRect{6180_tw, 7350_tw, 2355_tw, 375_tw}));

        ctrl(w.XPBut确定, Qt::Key_Z);
        QCOMPARE(w.model().single[1].rect, (ui::TwipsRect{6180_tw, 7350_tw, 2055_tw, 315_tw}));
        QCOMPARE(w.handles->selectedRect(), w.model().single[1].rect);
        ctrl(w.XPBut确定, Qt::Key_Z);
        QCOMPARE(w.model().single[1].rect, start);
        QCOMPARE(box->geometry(), startGeometry);
        QCOMPARE(w.handles->logic().rect(templates::Handle::Pic8), startPic8);
        QVERIFY(w.handles->handle(templates::Handle::Pic8)->isVisible());
        QVERIFY(!w.isModified());

        // A drag from the undone position moves from there.
        drag(box, {5, 5}, {{5, 25}});
        QCOMPARE(w.model().single[1].rect, (ui::TwipsRect{start.left, start.top + 300_tw, 2055_tw, 315_tw}));
        QCOMPARE(w.document()->undoStack()->count(), 1); // the undone steps are gone

        // The picture area's resize is a step of its own, undone with its rectangle and its handles.
        QTest::mouseClick(w.Image1, Qt::LeftButton, {}, QPoint(300, 200));
        drag(w.handles->handle(templates::Handle::Pic5), {3, 3}, {{-10, 3}, {-25, 3}});
        QCOMPARE(w.model().pictureRect, (ui::TwipsRect{0_tw, 0_tw, 12000_tw, 6375_tw}));
        QCOMPARE(w.Image1->width(), 800);
        ctrl(w.XPBut确定, Qt::Key_Z);
        QCOMPARE(w.model().pictureRect, templates::kDefaultPictureRect);
        QCOMPARE(w.Image1->width(), 841);
        QCOMPARE(w.handles->selectedRect(), templates::kDefaultPictureRect);
    }

    // Ctrl+Z in a box undoes the window's last edit, not the box's text (which is never kept); the name
    // field keeps its own text undo.
    void ctrlZInABoxUndoesTheWindowsEdit() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        QVERIFY(w.load());
        add(w, QStringLiteral("甲"), w.XPRadio_Text);
        add(w, QStringLiteral("乙"), w.XPRadio_Text, true);
        showActive(w);
        for (QWidget* box :
             {static_cast<QWidget*>(w.Text_Addscroll[1]), static_cast<QWidget*>(w.Text_Add[1])}) {
            box->setFocus(Qt::MouseFocusReason);
            QTest::keyClicks(box, QStringLiteral("abc"));
            drag(box, {5, 5}, {{5, 15}});
        }
        QCOMPARE(w.document()->undoStack()->count(), 4);
        QCOMPARE(w.Text_Add[1]->text(), QStringLiteral("abc"));
        ctrl(w.Text_Add[1], Qt::Key_Z);
        QCOMPARE(w.model().single[1].rect, templates::kDefaultPointRect);
        QCOMPARE(w.Text_Add[1]->text(), QStringLiteral("abc"));
        ctrl(w.Text_Add[1], Qt::Key_Z);
        QCOMPARE(w.model().multi[1].rect, templates::kDefaultPointRect);
        ctrl(w.Text_Add[1], Qt::Key_Y);
        QCOMPARE(w.model().multi[1].rect.top, 7650_tw);
        QCOMPARE(w.document()->undoStack()->index(), 3);

        w.Text_Name->setFocus();
        w.Text_Name->clear();
        QTest::keyClicks(w.Text_Name, QStringLiteral("xyz"));
        ctrl(w.Text_Name, Qt::Key_Z);
        QCOMPARE(w.Text_Name->text(), QString());
        QCOMPARE(w.document()->undoStack()->index(), 3);
    }

    // After a save Ctrl+Z does nothing: "修改点" and "删除点" save at once, so they leave nothing to undo.
    void nothingToUndoAfterASave() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        QVERIFY(w.load());
        add(w, QStringLiteral("甲"), w.XPRadio_Text);
        add(w, QStringLiteral("乙"), w.XPRad号码);
        showActive(w);
        w.XPBut_save->setFocus();
        QVERIFY(w.XPBut_save_Click());
        QVERIFY(!w.isModified());
        QVERIFY(!w.cmdUndo->isEnabled() && !w.cmdRedo->isEnabled());
        const templates::Template saved = w.model();
        ctrl(w.XPBut_save, Qt::Key_Z);
        QVERIFY(w.model() == saved);

        w.selectPoint(Family::Single, 1);
        w.Combo3->setCurrentText(QStringLiteral("客户地址"));
        w.XPBut修改_Click();
        QCOMPARE(env.prompter.lastText(), kSaved);
        QCOMPARE(w.model().single[1].binding, QStringLiteral("客户地址"));
        w.selectPoint(Family::Single, 2);
        w.XPBut_Del_Click();
        QCOMPARE(env.prompter.lastText(), kSaved);
        QVERIFY(!w.isModified() && !w.cmdUndo->isEnabled());
        const templates::Template afterDelete = w.model();
        ctrl(w.XPBut_save, Qt::Key_Z);
        w.cmdUndo->click();
        QVERIFY(w.model() == afterDelete);
        QVERIFY(!w.box(Family::Single, 2)->isVisibleTo(&w));
        QVERIFY(w.pending().deleted.isEmpty());
    }

    // A save that is refused keeps the edit undoable, "修改点" included.
    void refusedSaveKeepsTheHistory() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("moban");
        Frm_moban w;
        QVERIFY(w.load());
        add(w, QStringLiteral("甲"), w.XPRadio_Text);
        w.selectPoint(Family::Single, 1);
        w.Combo3->setCurrentText(QStringLiteral("客户地址"));
        w.XPBut修改_Click();
        QCOMPARE(env.prompter.lastText(), templates::TemplateStore::nameProblem(QStringLiteral("moban")));
        QVERIFY(w.isModified() && w.cmdUndo->isEnabled());
        w.cmdUndo->click();
        QCOMPARE(w.model().single[1].binding, QStringLiteral("无"));
        w.cmdUndo->click();
        QCOMPARE(w.model().single.count, 0);
    }

    // Choosing a picture and the refusal that empties the area are undone and redone, path and all.
    void undoPictures() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        const QByteArray good = pngBytes(200, 120);
        const QString goodPath = writeFile(env.folder(), QStringLiteral("form.png"), good);
        const QString badPath = writeFile(env.folder(), QStringLiteral("form.jpg"), QByteArray(4000, 'x'));
        Frm_moban w;
        QVERIFY(w.load());
        env.prompter.fileNames.enqueue(goodPath);
        w.XPButton1_Click();
        env.prompter.fileNames.enqueue(badPath);
        w.XPButton1_Click();
        QVERIFY(w.Image1->isEmpty());
        QCOMPARE(w.document()->undoStack()->count(), 2);
        w.cmdUndo->click();
        QVERIFY(!w.Image1->isEmpty());
        QCOMPARE(w.Image1->image().size(), QSize(200, 120));
        QCOMPARE(w.picturePath(), goodPath);
        w.cmdUndo->click();
        QVERIFY(w.Image1->isEmpty());
        QVERIFY(w.picturePath().isEmpty());
        QCOMPARE(w.document()->picture(), templates::PictureState());
        w.cmdRedo->click();
        QCOMPARE(w.document()->picture().chosen, good);
        QVERIFY(!w.Image1->isEmpty());
        QVERIFY(w.XPBut_save_Click());
        QCOMPARE(templates::TemplateStore(env.db()).readPicture(QStringLiteral("运单")), good);
    }

    // Closing with unsaved edits asks; 是 saves as "模板保存" does and closes, 否 closes and discards,
    // 取消 keeps the window and the edits. Every way of closing asks alike.
    void closingWithUnsavedEdits_data() {
        QTest::addColumn<Closing>("how");
        QTest::addColumn<ui::Answer>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("saved");
        const std::pair<const char*, Closing> ways[] = {
            {"返回", Closing::Button}, {"close box", Closing::CloseBox}, {"reject", Closing::Reject}};
        for (auto [way, how] : ways) {
            QTest::addRow("%s yes", way) << how << ui::Answer::Yes << true << true;
            QTest::addRow("%s no", way) << how << ui::Answer::No << true << false;
            QTest::addRow("%s cancel", way) << how << ui::Answer::Cancel << false << false;
        }
    }

    void closingWithUnsavedEdits() {
        QFETCH(Closing, how);
        QFETCH(ui::Answer, answer);
        QFETCH(bool, closes);
        QFETCH(bool, saved);
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        QVERIFY(w.load());
        showActive(w);
        add(w, QStringLiteral("收件人"), w.XPRadio_Text);
        env.prompter.answers.enqueue(answer);
        closeBy(w, how);
        QVERIFY(!env.prompter.shown.isEmpty());
        const ui::Message asked = env.prompter.shown.first().message;
        QCOMPARE(asked.text, kUnsaved);
        QCOMPARE(asked.title, QStringLiteral("提示"));
        QCOMPARE(asked.buttons, ui::Buttons::YesNoCancel);
        QCOMPARE(env.prompter.shown.size(), saved ? 2 : 1); // the question is asked once
        if (saved)
            QCOMPARE(env.prompter.lastText(), kSaved);
        QCOMPARE(w.isVisible(), !closes);
        QCOMPARE(templates::TemplateStore(env.db()).load(QStringLiteral("运单")).tmpl.single.count,
                 saved ? 1 : 0);
        if (!closes) {
            QVERIFY(w.isModified());
            QCOMPARE(w.model().single[1].name, QStringLiteral("收件人"));
            QVERIFY(w.Text_Add[1]->isVisible());
        }
    }

    // 是 with a save that is refused keeps the window open and the edits in it.
    void closingKeepsTheWindowWhenTheSaveIsRefused() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("moban");
        Frm_moban w;
        QVERIFY(w.load());
        showActive(w);
        add(w, QStringLiteral("甲"), w.XPRadio_Text);
        env.prompter.answers.enqueue(ui::Answer::Yes);
        w.XPButton2->click();
        QCOMPARE(env.prompter.texts(),
                 (QStringList{QStringLiteral("模板“moban”已修改，是否保存？"),
                              templates::TemplateStore::nameProblem(QStringLiteral("moban"))}));
        QVERIFY(w.isVisible());
        QVERIFY(w.isModified() && w.cmdUndo->isEnabled());
        QCOMPARE(w.model().single.count, 1);
    }

    // Nothing unsaved, nothing asked: right after opening, after a save, after undoing back to the save.
    void closingWithNothingUnsaved_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<Closing>("how");
        for (const char* state : {"opened", "saved", "undone"}) {
            QTest::addRow("%s 返回", state) << QString::fromLatin1(state) << Closing::Button;
            QTest::addRow("%s close box", state) << QString::fromLatin1(state) << Closing::CloseBox;
        }
    }

    void closingWithNothingUnsaved() {
        QFETCH(QString, state);
        QFETCH(Closing, how);
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        QVERIFY(w.load());
        showActive(w);
        if (state != QLatin1String("opened")) {
            add(w, QStringLiteral("甲"), w.XPRadio_Text);
            QVERIFY(w.XPBut_save_Click());
        }
        if (state == QLatin1String("undone")) {
            add(w, QStringLiteral("乙"), w.XPRadio_Text);
            w.cmdUndo->click();
        }
        env.prompter.clear();
        closeBy(w, how);
        QVERIFY(env.prompter.shown.isEmpty());
        QVERIFY(!w.isVisible());
    }

    // In the name field Ctrl+Z / Ctrl+Y undo and redo its own typing while it has some, and else the
    // window's edits; a box undone while it had the focus does not hand the focus to the name field.
    void undoKeysInTheNameField() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        QVERIFY(w.load());
        showActive(w);
        add(w, QStringLiteral("甲"), w.XPRadio_Text); // set, not typed: the field has nothing to undo
        w.Text_Name->setFocus();
        QVERIFY(!w.Text_Name->isUndoAvailable());
        ctrl(w.Text_Name, Qt::Key_Z);
        QCOMPARE(w.model().single.count, 0);
        ctrl(w.Text_Name, Qt::Key_Y);
        QCOMPARE(w.model().single.count, 1);

        w.Text_Name->setText(QString());
        QTest::keyClicks(w.Text_Name, QStringLiteral("yi"));
        w.XPBut确定_Click();
        QCOMPARE(w.model().single.count, 2);
        ctrl(w.Text_Name, Qt::Key_Z); // the typing first
        QCOMPARE(w.Text_Name->text(), QString());
        QCOMPARE(w.model().single.count, 2);
        ctrl(w.Text_Name, Qt::Key_Y);
        QCOMPARE(w.Text_Name->text(), QStringLiteral("yi"));
        QCOMPARE(w.model().single.count, 2);
        ctrl(w.Text_Name, Qt::Key_Z);
        ctrl(w.Text_Name, Qt::Key_Z); // nothing of its own left: the window's add
        QCOMPARE(w.model().single.count, 1);
        QCOMPARE(w.Text_Name->text(), QString());
        ctrl(w.Text_Name, Qt::Key_Y); // its own redo first
        QCOMPARE(w.Text_Name->text(), QStringLiteral("yi"));
        QCOMPARE(w.model().single.count, 1);
        ctrl(w.Text_Name, Qt::Key_Y);
        QCOMPARE(w.model().single.count, 2);

        // Undone from inside its own box, the point's box hides; the next Ctrl+Z still undoes.
        w.Text_Add[2]->setFocus(Qt::MouseFocusReason);
        QCOMPARE(w.Text_Name->text(), QStringLiteral("yi"));
        ctrl(w.Text_Add[2], Qt::Key_Z);
        QCOMPARE(w.model().single.count, 1);
        QVERIFY(!w.Text_Name->hasFocus());
        QVERIFY(QApplication::focusWidget());
        ctrl(QApplication::focusWidget(), Qt::Key_Z);
        QCOMPARE(w.model().single.count, 0);
        // Landed in the name field after all, the keys still reach the window.
        w.Text_Name->setFocus(Qt::TabFocusReason);
        ctrl(w.Text_Name, Qt::Key_Y);
        QCOMPARE(w.model().single.count, 1);
    }

    // The handles and the selection go with a selected point that an undo or "删除点" removes.
    void handlesGoWithTheirPoint_data() {
        QTest::addColumn<bool>("byDelete");
        QTest::newRow("undo") << false;
        QTest::newRow("删除点") << true;
    }

    void handlesGoWithTheirPoint() {
        QFETCH(bool, byDelete);
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        QVERIFY(w.load());
        showActive(w);
        auto handlesShown = [&] {
            int n = 0;
            for (templates::Handle h : templates::kAllHandles)
                n += w.handles->handle(h)->isVisible() ? 1 : 0;
            return n;
        };
        add(w, QStringLiteral("甲"), w.XPRadio_Text);
        w.selectPoint(Family::Single, 1);
        QCOMPARE(handlesShown(), templates::kHandleCount);
        if (byDelete)
            w.XPBut_Del_Click();
        else
            ctrl(w.Text_Add[1], Qt::Key_Z);
        QVERIFY(!w.Text_Add[1]->isVisible());
        QCOMPARE(handlesShown(), 0);
        QCOMPARE(w.handles->selected(), static_cast<QWidget*>(nullptr));
        QVERIFY(w.selectedKind().isEmpty());
        w.XPBut修改_Click();
        QCOMPARE(env.prompter.lastText(), kSelectFirst);

        // A removed point that is not selected leaves the selection alone.
        add(w, QStringLiteral("乙"), w.XPRadio_Text);
        w.selectPicture();
        ctrl(w.XPBut确定, Qt::Key_Z);
        QCOMPARE(w.handles->selected(), static_cast<QWidget*>(w.Image1));
        QCOMPARE(handlesShown(), templates::kHandleCount);
        QCOMPARE(w.selectedKind(), QStringLiteral("背景图片"));
    }

    // Tab顺序: the boxes clicked (or numbered from the keyboard) one after the other take that order, the
    // others follow; leaving the mode makes it one undo step, and it is saved with the template.
    void tabOrderByClicks() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        Frm_moban w;
        QVERIFY(w.load());
        add(w, QStringLiteral("甲"), w.XPRadio_Text);
        add(w, QStringLiteral("乙"), w.XPRadio_Text, true);
        add(w, QStringLiteral("丙"), w.XPRadio_Text);
        const templates::SlotRef s1{Family::Single, 1}, m1{Family::Multi, 1}, s2{Family::Single, 2};
        w.document()->setPointRect(s1, {600_tw, 600_tw, 2055_tw, 315_tw});
        w.document()->setPointRect(m1, {600_tw, 1200_tw, 2055_tw, 600_tw});
        w.document()->setPointRect(s2, {4000_tw, 600_tw, 2055_tw, 315_tw});
        const int steps = w.document()->undoStack()->count();
        showActive(w);
        QVERIFY(w.cmdTabOrder->toolTip().startsWith(QStringLiteral("Tab顺序 (Ctrl+T)")));
        templates::TabOrderLayer* layer = w.tabOrderLayer();

        ctrl(w.XPBut确定, Qt::Key_T);
        QVERIFY(w.cmdTabOrder->isChecked() && layer->isVisible());
        QVERIFY(!w.FrameNewText->isEnabled() && !w.cmdUndo->isEnabled());
        QCOMPARE(layer->shownOrder(), (QList<templates::SlotRef>{s1, m1, s2})); // the column rule
        QTest::mouseClick(layer, Qt::LeftButton, {}, w.box(Family::Single, 2)->geometry().center());
        QCOMPARE(layer->framed(), std::optional(s1));
        QTest::keyClick(layer, Qt::Key_Right);
        QTest::keyClick(layer, Qt::Key_Space);
        const QList<templates::SlotRef> chosen{s2, m1, s1};
        QCOMPARE(layer->shownOrder(), chosen);
        QCOMPARE(w.document()->undoStack()->count(), steps); // not yet an edit
        QTest::keyClick(layer, Qt::Key_Escape);
        QVERIFY(w.isVisible() && !w.cmdTabOrder->isChecked() && !layer->isVisible());
        QVERIFY(w.FrameNewText->isEnabled() && w.cmdUndo->isEnabled());
        QCOMPARE(templates::tabOrder(w.model()), chosen);
        QCOMPARE(w.document()->undoStack()->count(), steps + 1);
        w.cmdUndo->click();
        QCOMPARE(templates::tabOrder(w.model()), (QList<templates::SlotRef>{s1, m1, s2}));
        w.cmdRedo->click();
        QVERIFY(w.XPBut_save_Click());

        Frm_moban again;
        QVERIFY(again.load());
        QCOMPARE(templates::tabOrder(again.model()), chosen);
        // In and out without a click changes nothing.
        again.cmdTabOrder->click();
        again.cmdTabOrder->click();
        QVERIFY(!again.isModified());
    }

    void openerShowsTheWindow() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("运单");
        QString title;
        env.prompter.onExec = [&](QDialog* d) {
            title = d->windowTitle();
            return int(QDialog::Rejected);
        };
        windows::openDesigner(nullptr);
        QCOMPARE(env.prompter.dialogsShown, QStringList{QStringLiteral("Frm_模板")});
        QCOMPARE(title, QStringLiteral("运单"));
    }

private:
    test::ScopedEnvironment caseEnv_; // for the whole case: 96 dpi, 1 pixel = 15 twips
};

QTEST_MAIN(TestDesigner)
#include "tst_designer.moc"
