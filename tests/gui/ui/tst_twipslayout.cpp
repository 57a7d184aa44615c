// Placing widgets in twips: the geometry a window's controls get at a screen resolution.
#include "app/Environment.h"
#include "ui/TwipsLayout.h"

#include "TestEnv.h"

#include <QLabel>
#include <QTest>
#include <QWidget>

using namespace vorlan;
using ui::TwipsRect;
using ui::TwipsSize;

Q_DECLARE_METATYPE(TwipsRect)

// A widget is placed and sized in twips only.
template <class T>
concept Placeable = requires(QWidget* w, T r) {
    ui::place(w, r);
};
static_assert(Placeable<TwipsRect> && !Placeable<QRect> && !Placeable<QRectF>);
template <class T>
concept Sizeable = requires(QWidget* w, T s) {
    ui::setClientSize(w, s);
};
static_assert(Sizeable<TwipsSize> && !Sizeable<QSize> && !Sizeable<QSizeF>);

class TestTwipsLayout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::initTestApplication(); }
    void cleanup() { app::environment().screenDpi = 96; }

    void place_data() {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<TwipsRect>("twips");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("96: the designer's name box")
            << 96.0 << TwipsRect{1300_tw, 270_tw, 1750_tw, 330_tw} << QRect(87, 18, 117, 22);
        QTest::newRow("96: a handle off the surface")
            << 96.0 << TwipsRect{-67.5_tw, -67.5_tw, 135_tw, 135_tw} << QRect(-5, -5, 9, 9);
        QTest::newRow("120: a default point")
            << 120.0 << TwipsRect{5880_tw, 7500_tw, 2055_tw, 315_tw} << QRect(490, 625, 171, 26);
    }
    void place() {
        QFETCH(double, dpi);
        QFETCH(TwipsRect, twips);
        QFETCH(QRect, geometry);
        app::environment().screenDpi = dpi;
        QWidget parent;
        auto* child = new QLabel(&parent);
        ui::place(child, twips);
        QCOMPARE(child->geometry(), geometry);
        QCOMPARE(child->geometry(), ui::toPixels(twips));
    }

    void clientSize() {
        app::environment().screenDpi = 96;
        QWidget w;
        ui::setClientSize(&w, {13260_tw, 9465_tw});
        QCOMPARE(w.size(), QSize(884, 631));
        app::environment().screenDpi = 120;
        ui::setClientSize(&w, {13260_tw, 9465_tw});
        QCOMPARE(w.size(), QSize(1105, 789)); // 788.75
    }
};

QTEST_MAIN(TestTwipsLayout)
#include "tst_twipslayout.moc"
