// Twips as a type: what converts to what (checked by the compiler), the conversions to screen pixels and
// device units, the arithmetic and the single precision of template geometry.
#include "app/Environment.h"
#include "ui/Twips.h"

#include <QImage>
#include <QTest>

#include <cmath>
#include <cstring>
#include <memory>
#include <type_traits>

using namespace vorlan;
using ui::Twips;
using ui::TwipsPoint;
using ui::TwipsRect;
using ui::TwipsSize;

Q_DECLARE_METATYPE(Twips)
Q_DECLARE_METATYPE(TwipsPoint)
Q_DECLARE_METATYPE(TwipsRect)

// --- What must not compile -----------------------------------------------------------------------------

// A bare number or a pixel value never becomes twips by itself.
static_assert(!std::is_convertible_v<double, Twips>);
static_assert(!std::is_convertible_v<float, Twips>);
static_assert(!std::is_convertible_v<int, Twips>);
static_assert(std::is_constructible_v<Twips, double>); // only when written out: Twips(120)
static_assert(!std::is_convertible_v<Twips, double>);  // and back only through value()
static_assert(!std::is_convertible_v<QPoint, TwipsPoint>);
static_assert(!std::is_convertible_v<QPointF, TwipsPoint>);
static_assert(!std::is_convertible_v<QSize, TwipsSize>);
static_assert(!std::is_convertible_v<QSizeF, TwipsSize>);
static_assert(!std::is_convertible_v<QRect, TwipsRect>);
static_assert(!std::is_convertible_v<QRectF, TwipsRect>);
static_assert(!std::is_constructible_v<TwipsRect, int, int, int, int>);
static_assert(!std::is_constructible_v<TwipsPoint, double, double>);

template <class T>
concept ConvertsToPixels = requires(T v) {
    ui::toPixels(v);
};
static_assert(ConvertsToPixels<Twips> && ConvertsToPixels<TwipsPoint> && ConvertsToPixels<TwipsSize> &&
              ConvertsToPixels<TwipsRect>);
static_assert(!ConvertsToPixels<int> && !ConvertsToPixels<double> && !ConvertsToPixels<QPoint> &&
              !ConvertsToPixels<QSizeF> && !ConvertsToPixels<QRect>);

template <class T>
concept ConvertsToDevice = requires(const QImage& image, T v) {
    ui::toDevice(image, v);
};
static_assert(ConvertsToDevice<TwipsPoint> && !ConvertsToDevice<QPointF> && !ConvertsToDevice<QPoint>);

template <class T>
concept BracedRect = requires(T v) {
    TwipsRect{v, v, v, v};
};
static_assert(BracedRect<Twips> && !BracedRect<int> && !BracedRect<double>);

// Twips times twips is no length; a length times a plain number is.
template <class A, class B>
concept Multiplies = requires(A a, B b) {
    a* b;
};
static_assert(Multiplies<Twips, double> && Multiplies<double, Twips> && Multiplies<Twips, int>);
static_assert(!Multiplies<Twips, Twips>);

// Pixels back to twips give twips, not a number.
static_assert(std::is_same_v<decltype(ui::fromPixels(1.0)), Twips>);
static_assert(std::is_same_v<decltype(ui::fromPixels(QPointF())), TwipsPoint>);

// The literals are constants.
static_assert(120_tw == Twips(120));
static_assert(67.5_tw == Twips(67.5));
static_assert(-67.5_tw == Twips(-67.5));
static_assert(Twips(0.1).toSingle() == Twips(double(0.1f)));

namespace {

// The two values are the same to the last bit (0.0 and -0.0 are not).
bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// What a failed comparison would print.
template <class T> QString text(const T& value) {
    const std::unique_ptr<char[]> s(QTest::toString(value));
    return QString::fromUtf8(s.get());
}

// Two neighbouring roundings, as a drag rounds the left and the top.
Q_NEVER_INLINE TwipsPoint roundedPair(double x, double y) {
    return {Twips(x).toSingle(), Twips(y).toSingle()};
}

QImage imageAt(int dpi) {
    QImage image(10, 10, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    return image;
}

} // namespace

class TestTwips : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { app::environment().screenDpi = 96; }

    void toPixels_data() {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<Twips>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("96: an inch") << 96.0 << 1440_tw << 96;
        QTest::newRow("96: 15 twips a pixel") << 96.0 << 15_tw << 1;
        QTest::newRow("96: 7.4 rounds down") << 96.0 << 7.4_tw << 0;
        QTest::newRow("96: half a pixel rounds up") << 96.0 << 7.5_tw << 1;
        QTest::newRow("96: minus half rounds away from zero") << 96.0 << -7.5_tw << -1;
        QTest::newRow("96: designer width 13260") << 96.0 << 13260_tw << 884;
        QTest::newRow("96: handle 135") << 96.0 << 135_tw << 9;
        QTest::newRow("96: handle left 1432.5") << 96.0 << 1432.5_tw << 96;
        QTest::newRow("120: 12 twips a pixel") << 120.0 << 1440_tw << 120;
        QTest::newRow("120: 2055") << 120.0 << 2055_tw << 171;
        QTest::newRow("144: 315") << 144.0 << 315_tw << 32;
        QTest::newRow("100: 14.4 twips a pixel") << 100.0 << 2055_tw << 143;
    }
    void toPixels() {
        QFETCH(double, dpi);
        QFETCH(Twips, twips);
        QFETCH(int, pixels);
        app::environment().screenDpi = dpi;
        QCOMPARE(ui::toPixels(twips), pixels);
        QCOMPARE(ui::toPixels(TwipsPoint{twips, -twips}), QPoint(pixels, ui::toPixels(-twips)));
        QCOMPARE(ui::toPixels(TwipsSize{twips, twips}), QSize(pixels, pixels));
        QVERIFY(qAbs(ui::toPixelsF(twips) - twips.value() * dpi / 1440) < 1e-9);
    }

    // Each of left, top, width and height is rounded on its own: the right edge is not rounded.
    void rectangleToPixels_data() {
        QTest::addColumn<TwipsRect>("twips");
        QTest::addColumn<QRect>("pixels");
        QTest::newRow("whole pixels")
            << TwipsRect{1500_tw, 1500_tw, 2055_tw, 315_tw} << QRect(100, 100, 137, 21);
        QTest::newRow("halves round up")
            << TwipsRect{7.5_tw, 22.5_tw, 7.5_tw, 7.5_tw} << QRect(1, 2, 1, 1); // 0.5, 1.5, 0.5, 0.5
        QTest::newRow("each on its own")
            << TwipsRect{7_tw, 7_tw, 7_tw, 7_tw} << QRect(0, 0, 0, 0); // 14 twips wide, yet 0 pixels
        QTest::newRow("off the surface")
            << TwipsRect{-67.5_tw, -67.5_tw, 135_tw, 135_tw} << QRect(-5, -5, 9, 9);
    }
    void rectangleToPixels() {
        QFETCH(TwipsRect, twips);
        QFETCH(QRect, pixels);
        app::environment().screenDpi = 96;
        QCOMPARE(ui::toPixels(twips), pixels);
    }

    void fromPixels_data() {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<double>("pixels");
        QTest::addColumn<Twips>("twips");
        QTest::newRow("96") << 96.0 << 20.0 << 300_tw;
        QTest::newRow("96 negative") << 96.0 << -5.0 << -75_tw;
        QTest::newRow("96 half pixel") << 96.0 << 0.5 << 7.5_tw;
        QTest::newRow("120") << 120.0 << 10.0 << 120_tw;
        QTest::newRow("100: not whole twips") << 100.0 << 1.0 << Twips(14.4);
        QTest::newRow("192") << 192.0 << 3.0 << 22.5_tw;
    }
    void fromPixels() {
        QFETCH(double, dpi);
        QFETCH(double, pixels);
        QFETCH(Twips, twips);
        app::environment().screenDpi = dpi;
        QCOMPARE(ui::fromPixels(pixels), twips);
        QCOMPARE(ui::fromPixels(QPointF(pixels, 2 * pixels)),
                 (TwipsPoint{twips, ui::fromPixels(2 * pixels)}));
    }

    // A whole pixel count goes to twips and comes back unchanged at any common resolution.
    void pixelsRoundTrip_data() {
        QTest::addColumn<double>("dpi");
        for (double dpi : {72.0, 96.0, 100.0, 110.0, 120.0, 144.0, 192.0})
            QTest::newRow(qPrintable(QString::number(dpi))) << dpi;
    }
    void pixelsRoundTrip() {
        QFETCH(double, dpi);
        app::environment().screenDpi = dpi;
        for (int px = -2000; px <= 2000; ++px)
            QCOMPARE(ui::toPixels(ui::fromPixels(px)), px);
    }

    void deviceUnits_data() {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<TwipsPoint>("twips");
        QTest::addColumn<QPointF>("device");
        QTest::newRow("72 dpi: points") << 72 << TwipsPoint{1440_tw, 20_tw} << QPointF(72, 1);
        QTest::newRow("300 dpi") << 300 << TwipsPoint{1440_tw, 720_tw} << QPointF(300, 150);
        QTest::newRow("600 dpi, offsets of 48 twips") << 600 << TwipsPoint{48_tw, -48_tw} << QPointF(20, -20);
        QTest::newRow("1200 dpi") << 1200 << TwipsPoint{1_tw, 3900_tw} << QPointF(1200.0 / 1440, 3250);
    }
    void deviceUnits() {
        QFETCH(int, dpi);
        QFETCH(TwipsPoint, twips);
        QFETCH(QPointF, device);
        const QImage image = imageAt(dpi);
        QCOMPARE(ui::deviceUnitsPerTwip(image), dpi / 1440.0);
        QCOMPARE(ui::dotsPerTwip(dpi), dpi / 1440.0);
        const QPointF got = ui::toDevice(image, twips);
        QCOMPARE(got.x(), device.x());
        QCOMPARE(got.y(), device.y());
    }

    // The screen's resolution has nothing to do with a printer's.
    void deviceUnitsIgnoreTheScreen() {
        app::environment().screenDpi = 120;
        QCOMPARE(ui::toDevice(imageAt(300), {1440_tw, 1440_tw}), QPointF(300, 300));
    }

    void arithmetic_data() {
        QTest::addColumn<Twips>("got");
        QTest::addColumn<Twips>("expected");
        QTest::newRow("sum") << 1500_tw + 300_tw << 1800_tw;
        QTest::newRow("difference") << 1000_tw - 1280_tw << -280_tw;
        QTest::newRow("negation") << -(67.5_tw) << Twips(-67.5);
        QTest::newRow("times a number") << 48_tw * 10 << 480_tw;
        QTest::newRow("number times") << -5 * 48_tw << -240_tw;
        QTest::newRow("times a fraction") << Twips(56.7) * 0.5 << Twips(28.35);
        QTest::newRow("halved") << 135_tw / 2 << 67.5_tw;
        QTest::newRow("right edge") << TwipsRect{1000_tw, 0_tw, 1000_tw, 0_tw}.right() << 2000_tw;
        QTest::newRow("bottom edge") << TwipsRect{0_tw, 700_tw, 0_tw, 315_tw}.bottom() << 1015_tw;
        Twips t = 100_tw;
        t += 50_tw;
        QTest::newRow("add to") << t << 150_tw;
        t -= 200_tw;
        QTest::newRow("take from") << t << -50_tw;
        QTest::newRow("default is zero") << Twips() << 0_tw;
    }
    void arithmetic() {
        QFETCH(Twips, got);
        QFETCH(Twips, expected);
        QCOMPARE(got, expected);
    }

    void comparison_data() {
        QTest::addColumn<Twips>("a");
        QTest::addColumn<Twips>("b");
        QTest::addColumn<int>("order"); // -1 a < b, 0 equal, 1 a > b
        QTest::newRow("280 is the minimum itself") << 280_tw << 280_tw << 0;
        QTest::newRow("280.5 is above") << 280.5_tw << 280_tw << 1;
        QTest::newRow("negative below zero") << -1_tw << 0_tw << -1;
        QTest::newRow("zero and minus zero") << Twips(-0.0) << 0_tw << 0;
    }
    void comparison() {
        QFETCH(Twips, a);
        QFETCH(Twips, b);
        QFETCH(int, order);
        QCOMPARE(a < b, order < 0);
        QCOMPARE(a <= b, order <= 0);
        QCOMPARE(a > b, order > 0);
        QCOMPARE(a >= b, order >= 0);
        QCOMPARE(a == b, order == 0);
        QCOMPARE(a != b, order != 0);
        QCOMPARE((a <=> b) == 0, order == 0);
    }

    void points() {
        const TwipsPoint a{1500_tw, 1500_tw}, b{300_tw, -150_tw};
        QCOMPARE(a + b, (TwipsPoint{1800_tw, 1350_tw}));
        QCOMPARE(a - b, (TwipsPoint{1200_tw, 1650_tw}));
        const TwipsRect r{100_tw, 200_tw, 300_tw, 400_tw};
        QCOMPARE(r.topLeft(), (TwipsPoint{100_tw, 200_tw}));
        QCOMPARE(r.size(), (TwipsSize{300_tw, 400_tw}));
        QVERIFY(r != (TwipsRect{100_tw, 200_tw, 300_tw, 401_tw}));
    }

    // Template geometry is kept as the database stores it: the nearest single precision value.
    void toSingle_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("single");
        QTest::newRow("whole twips stay") << 12615.0 << 12615.0;
        QTest::newRow("halves and quarters stay") << 1650.25 << 1650.25;
        QTest::newRow("a mouse position at 100 dpi") << 14.4 << double(14.4f);
        QTest::newRow("a tenth") << 0.1 << double(0.1f);
        QTest::newRow("negative") << -2000.3 << double(-2000.3f);
        QTest::newRow("beyond 24 bits, to even") << 16777217.0 << 16777216.0;
        QTest::newRow("beyond 24 bits, up") << 16777219.0 << 16777220.0;
        QTest::newRow("tiny") << 1e-40 << double(1e-40f);
    }
    void toSingle() {
        QFETCH(double, value);
        QFETCH(double, single);
        const Twips s = Twips(value).toSingle();
        QVERIFY(sameBits(s.value(), single));
        QVERIFY(sameBits(s.toSingle().value(), single)); // rounding again changes nothing
        const TwipsRect r = TwipsRect{Twips(value), Twips(-value), Twips(value), Twips(value)}.toSingle();
        QCOMPARE(r, (TwipsRect{Twips(single), Twips(-single), Twips(single), Twips(single)}));
    }

    // Both are rounded even where an optimiser would pair the two conversions and drop them (GCC 12 -O2).
    void neighbouringRoundings_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("singleX");
        QTest::addColumn<double>("singleY");
        QTest::newRow("tenths") << 2000.7 << 2150.8 << double(2000.7f) << double(2150.8f);
        QTest::newRow("100 dpi") << 14.4 * 37 << -14.4 << double(532.8f) << double(-14.4f);
    }
    void neighbouringRoundings() {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, singleX);
        QFETCH(double, singleY);
        const TwipsPoint p = roundedPair(x, y);
        QVERIFY(sameBits(p.x.value(), singleX));
        QVERIFY(sameBits(p.y.value(), singleY));
    }

    // Single precision sums are what the model's float fields gave: rounding a double sum of two singles
    // once is the same as adding them in single precision.
    void singleSumsAsFloats() {
        const float values[] = {0.1f, 1000.1f, 5880.7f, -67.5f, 2055.3f, 1e7f + 1, 16777215.f, 3.3e-3f};
        for (float a : values)
            for (float b : values) {
                const float sum = a + b, difference = a - b;
                QVERIFY(sameBits((Twips(a) + Twips(b)).toSingle().value(), double(sum)));
                QVERIFY(sameBits((Twips(a) - Twips(b)).toSingle().value(), double(difference)));
            }
    }

    // Failure messages show every digit that matters.
    void debugText() {
        QCOMPARE(text(1440_tw), QStringLiteral("1440tw"));
        QCOMPARE(text(Twips(0.1)), QStringLiteral("0.1tw"));
        QCOMPARE(text(Twips(0.1).toSingle()), QStringLiteral("0.10000000149011612tw"));
        QCOMPARE(text(TwipsPoint{-67.5_tw, 0_tw}), QStringLiteral("TwipsPoint(-67.5, 0)"));
        QCOMPARE(text(TwipsRect{1_tw, 2_tw, 3_tw, 4.5_tw}), QStringLiteral("TwipsRect(1, 2 3 x 4.5)"));
    }
};

QTEST_GUILESS_MAIN(TestTwips)
#include "tst_twips.moc"
