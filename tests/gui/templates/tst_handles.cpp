#include "TestEnv.h"
#include "app/Environment.h"
#include "templates/Handles.h"
#include "ui/TwipsLayout.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

using namespace vorlan;
using templates::Handle;
using ui::Twips;
using ui::TwipsPoint;
using ui::TwipsRect;

Q_DECLARE_METATYPE(Twips)
Q_DECLARE_METATYPE(TwipsRect)
Q_DECLARE_METATYPE(Handle)

namespace {

void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// v as a float holds it. Through memory: GCC 12 at -O2 may drop two neighbouring roundings to float.
float single(double v) {
    volatile float f = float(v);
    return f;
}

QString str(const TwipsRect& r) {
    return QStringLiteral("%1,%2 %3x%4")
        .arg(r.left.value())
        .arg(r.top.value())
        .arg(r.width.value())
        .arg(r.height.value());
}

} // namespace

class TestHandles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { app::environment().screenDpi = 96; } // 1 pixel = 15 twips
    void cleanup() { app::environment().screenDpi = 96; }

    void handlePoints_data() {
        QTest::addColumn<Handle>("handle");
        QTest::addColumn<QPointF>("centre");
        QTest::addColumn<Qt::CursorShape>("cursor");
        // Object 1000,600 2000x500.
        QTest::newRow("Pic1") << Handle::Pic1 << QPointF(1000, 600) << Qt::SizeFDiagCursor;
        QTest::newRow("Pic2") << Handle::Pic2 << QPointF(2000, 600) << Qt::SizeVerCursor;
        QTest::newRow("Pic3") << Handle::Pic3 << QPointF(3000, 600) << Qt::SizeBDiagCursor;
        QTest::newRow("Pic4") << Handle::Pic4 << QPointF(1000, 850) << Qt::SizeHorCursor;
        QTest::newRow("Pic5") << Handle::Pic5 << QPointF(3000, 850) << Qt::SizeHorCursor;
        QTest::newRow("Pic6") << Handle::Pic6 << QPointF(1000, 1100) << Qt::SizeBDiagCursor;
        QTest::newRow("Pic7") << Handle::Pic7 << QPointF(2000, 1100) << Qt::SizeVerCursor;
        QTest::newRow("Pic8") << Handle::Pic8 << QPointF(3000, 1100) << Qt::SizeFDiagCursor;
    }

    void handlePoints() {
        QFETCH(Handle, handle);
        QFETCH(QPointF, centre);
        QFETCH(Qt::CursorShape, cursor);
        templates::Handles h;
        h.place({1000_tw, 600_tw, 2000_tw, 500_tw});
        const TwipsRect r = h.rect(handle);
        QCOMPARE(r.width, 135_tw);
        QCOMPARE(r.height, 135_tw);
        QCOMPARE(r.left, Twips(centre.x() - 67.5));
        QCOMPARE(r.top, Twips(centre.y() - 67.5));
        QCOMPARE(templates::handleCursor(handle), cursor);
        QCOMPARE(templates::handleFromName(templates::handleName(handle)), std::optional<Handle>(handle));
    }

    void handlesAtTheEdgeAreNotClipped() {
        templates::Handles h;
        h.place({0_tw, 0_tw, 12615_tw, 6375_tw});
        QCOMPARE(h.rect(Handle::Pic1), (TwipsRect{-67.5_tw, -67.5_tw, 135_tw, 135_tw}));
        QCOMPARE(h.rect(Handle::Pic8), (TwipsRect{12547.5_tw, 6307.5_tw, 135_tw, 135_tw}));
    }

    void resizeTable_data() {
        QTest::addColumn<Handle>("handle");
        QTest::addColumn<Twips>("dx");
        QTest::addColumn<Twips>("dy");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<TwipsRect>("expected");
        // Object 1000,1000 1000x600; moves of +100/+50 unless the row says otherwise.
        QTest::newRow("Pic1") << Handle::Pic1 << 100_tw << 50_tw << true
                              << TwipsRect{1100_tw, 1050_tw, 900_tw, 550_tw};
        QTest::newRow("Pic2") << Handle::Pic2 << 100_tw << 50_tw << true
                              << TwipsRect{1000_tw, 1050_tw, 1000_tw, 550_tw};
        QTest::newRow("Pic3") << Handle::Pic3 << 100_tw << 50_tw << true
                              << TwipsRect{1000_tw, 1050_tw, 1100_tw, 550_tw};
        QTest::newRow("Pic4") << Handle::Pic4 << 100_tw << 50_tw << true
                              << TwipsRect{1100_tw, 1000_tw, 900_tw, 600_tw};
        QTest::newRow("Pic5") << Handle::Pic5 << 100_tw << 50_tw << true
                              << TwipsRect{1000_tw, 1000_tw, 1100_tw, 600_tw};
        QTest::newRow("Pic6") << Handle::Pic6 << 100_tw << 50_tw << true
                              << TwipsRect{1100_tw, 1000_tw, 900_tw, 650_tw};
        QTest::newRow("Pic7") << Handle::Pic7 << 100_tw << 50_tw << true
                              << TwipsRect{1000_tw, 1000_tw, 1000_tw, 650_tw};
        QTest::newRow("Pic8") << Handle::Pic8 << 100_tw << 50_tw << true
                              << TwipsRect{1000_tw, 1000_tw, 1100_tw, 650_tw};
        // The minimum: exactly 280 is refused, 280.5 accepted.
        QTest::newRow("Pic5 width 280") << Handle::Pic5 << -720_tw << 0_tw << false << TwipsRect{};
        QTest::newRow("Pic5 width 280.5")
            << Handle::Pic5 << -719.5_tw << 0_tw << true << TwipsRect{1000_tw, 1000_tw, 280.5_tw, 600_tw};
        QTest::newRow("Pic4 width 280") << Handle::Pic4 << 720_tw << 0_tw << false << TwipsRect{};
        QTest::newRow("Pic7 height 280") << Handle::Pic7 << 0_tw << -320_tw << false << TwipsRect{};
        QTest::newRow("Pic7 height 280.5")
            << Handle::Pic7 << 0_tw << -319.5_tw << true << TwipsRect{1000_tw, 1000_tw, 1000_tw, 280.5_tw};
        QTest::newRow("Pic2 height 280") << Handle::Pic2 << 0_tw << 320_tw << false << TwipsRect{};
        QTest::newRow("Pic8 width below") << Handle::Pic8 << -800_tw << 0_tw << false << TwipsRect{};
        QTest::newRow("Pic8 height below") << Handle::Pic8 << 0_tw << -400_tw << false << TwipsRect{};
        QTest::newRow("Pic1 height only too small") << Handle::Pic1 << 0_tw << 330_tw << false << TwipsRect{};
        QTest::newRow("Pic6 width too small") << Handle::Pic6 << 750_tw << 0_tw << false << TwipsRect{};
        // Edge handles ignore the coordinate along their edge: a tiny width does not stop Pic2.
        QTest::newRow("Pic2 ignores dx")
            << Handle::Pic2 << -5000_tw << -100_tw << true << TwipsRect{1000_tw, 900_tw, 1000_tw, 700_tw};
        QTest::newRow("Pic5 ignores dy")
            << Handle::Pic5 << 10_tw << 5000_tw << true << TwipsRect{1000_tw, 1000_tw, 1010_tw, 600_tw};
        // Growing past the origin is allowed: positions are not limited.
        QTest::newRow("Pic1 off surface")
            << Handle::Pic1 << -2000_tw << -1500_tw << true << TwipsRect{-1000_tw, -500_tw, 3000_tw, 2100_tw};
    }

    void resizeTable() {
        QFETCH(Handle, handle);
        QFETCH(Twips, dx);
        QFETCH(Twips, dy);
        QFETCH(bool, accepted);
        QFETCH(TwipsRect, expected);
        const TwipsRect object{1000_tw, 1000_tw, 1000_tw, 600_tw};

        const auto r = templates::resized(object, handle, dx, dy);
        QCOMPARE(r.has_value(), accepted);
        if (accepted)
            QCOMPARE(str(*r), str(expected));

        // The same through the stateful rules with the anchor, and only with exactly the left button.
        templates::Handles h;
        h.place(object);
        const TwipsPoint anchor{40_tw, 40_tw};
        const TwipsPoint pos = anchor + TwipsPoint{dx, dy};
        h.setAnchor(anchor);
        QVERIFY(!h.resize(handle, object, pos, Qt::NoButton));
        QVERIFY(!h.resize(handle, object, pos, Qt::RightButton));
        QVERIFY(!h.resize(handle, object, pos, Qt::LeftButton | Qt::RightButton));
        QCOMPARE(h.rect(handle), templates::handleRect(object, handle));
        const auto r2 = h.resize(handle, object, pos, Qt::LeftButton);
        QCOMPARE(r2.has_value(), accepted);
        // Handles follow an accepted resize and stay where they were on a refused one.
        const TwipsRect now = accepted ? expected : object;
        for (Handle k : templates::kAllHandles)
            QCOMPARE(h.rect(k), templates::handleRect(now, k));
    }

    // Dragging Pic4 to the right: the right edge stays, and once the width would reach 280 the object keeps
    // the width of the last accepted step.
    void leftHandleKeepsRightEdge() {
        TwipsRect obj{1000_tw, 500_tw, 1000_tw, 400_tw};
        templates::Handles h;
        h.place(obj);
        h.setAnchor({60_tw, 60_tw});
        // Each step moves the mouse 200 twips right relative to the handle; an accepted step moves the
        // handle, so the next position relative to it starts from the anchor again.
        QList<Twips> widths;
        for (int step = 0; step < 6; ++step) {
            if (auto r = h.resize(Handle::Pic4, obj, {260_tw, 60_tw}, Qt::LeftButton))
                obj = *r;
            QCOMPARE(obj.right(), 2000_tw);
            widths << obj.width;
        }
        QCOMPARE(widths, (QList<Twips>{800_tw, 600_tw, 400_tw, 400_tw, 400_tw, 400_tw}));
        QCOMPARE(obj.left, 1600_tw);
    }

    void dragNeedsExactlyTheLeftButton_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<bool>("moves");
        QTest::newRow("none") << int(Qt::NoButton) << false;
        QTest::newRow("right") << int(Qt::RightButton) << false;
        QTest::newRow("middle") << int(Qt::MiddleButton) << false;
        QTest::newRow("left+right") << int(Qt::LeftButton | Qt::RightButton) << false;
        QTest::newRow("left") << int(Qt::LeftButton) << true;
    }

    void dragNeedsExactlyTheLeftButton() {
        QFETCH(int, buttons);
        QFETCH(bool, moves);
        const TwipsRect obj{500_tw, 700_tw, 2055_tw, 315_tw};
        templates::Handles h;
        h.place(obj);
        h.setVisible(true);
        h.setAnchor({100_tw, 50_tw});
        const auto r = h.dragPoint(obj, {400_tw, 200_tw}, Qt::MouseButtons(buttons));
        QCOMPARE(r.has_value(), moves);
        QCOMPARE(h.visible(), !moves);
        QCOMPARE(h.dragging(), moves);
        if (moves) {
            QCOMPARE(*r, (TwipsRect{800_tw, 850_tw, 2055_tw, 315_tw}));
            h.endDrag();
            QVERIFY(h.visible());
            QVERIFY(!h.dragging());
        }
    }

    // Every move and resize leaves the rectangle in single precision, as the model keeps and stores it,
    // and exactly as single precision fields computed it: a drag adds the mouse movement to the left and
    // top and rounds once, a resize rounds the movement and then every sum.
    void movesStayInSinglePrecision_data() {
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("top");
        QTest::addColumn<double>("anchorX");
        QTest::addColumn<double>("anchorY");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::newRow("whole twips") << 1500.0 << 1500.0 << 30.0 << 15.0 << 330.0 << 165.0;
        QTest::newRow("tenths of a twip") << 1000.1 << 2000.7 << 0.3 << 0.1 << 300.7 << 150.2;
        QTest::newRow("mouse at 100 dpi") << 5880.0 << 7500.0 << 14.4 << 28.8 << 432.0 << -14.4;
        QTest::newRow("mouse at 110 dpi")
            << 5880.0 << 7500.0 << 1440.0 / 110 << 3 * 1440.0 / 110 << 57 * 1440.0 / 110 << -8 * 1440.0 / 110;
        QTest::newRow("far off the surface") << 16777000.3 << -16777000.3 << 0.0 << 0.0 << 255.9 << -3.7;
    }
    void movesStayInSinglePrecision() {
        QFETCH(double, left);
        QFETCH(double, top);
        QFETCH(double, anchorX);
        QFETCH(double, anchorY);
        QFETCH(double, x);
        QFETCH(double, y);
        const float l = single(left), t = single(top), w = 2055.3f, h = 900.7f;
        const TwipsRect object{Twips(l), Twips(t), Twips(w), Twips(h)};
        templates::Handles handles;
        handles.setAnchor({Twips(anchorX), Twips(anchorY)});

        const auto moved = handles.dragPoint(object, {Twips(x), Twips(y)}, Qt::LeftButton);
        QVERIFY(moved);
        const TwipsRect dragged{Twips(single(l + (x - anchorX))), Twips(single(t + (y - anchorY))), Twips(w),
                                Twips(h)};
        QCOMPARE(*moved, dragged);
        QCOMPARE(moved->toSingle(), *moved);

        const float dx = single(x - anchorX), dy = single(y - anchorY);
        const auto grown = handles.resize(Handle::Pic1, object, {Twips(x), Twips(y)}, Qt::LeftButton);
        const TwipsRect pic1{Twips(l + dx), Twips(t + dy), Twips(w - dx), Twips(h - dy)};
        QCOMPARE(grown.has_value(), w - dx > 280 && h - dy > 280);
        if (grown) {
            QCOMPARE(*grown, pic1);
            for (Handle k : templates::kAllHandles)
                QCOMPARE(handles.rect(k), handles.rect(k).toSingle());
        }
        const auto wider = templates::resized(object, Handle::Pic8, Twips(x - anchorX), Twips(y - anchorY));
        QVERIFY(wider);
        QCOMPARE(*wider, (TwipsRect{Twips(l), Twips(t), Twips(w + dx), Twips(h + dy)}));
    }

    // The same through the mouse at a resolution where a pixel is not a whole number of twips.
    void mouseDragAtAnOddResolution() {
        test::initTestApplication();
        app::environment().screenDpi = 110;
        QWidget surface;
        surface.resize(900, 700);
        auto* box = new QLineEdit(&surface);
        const float l = 1500.3f, t = 1500.6f;
        const TwipsRect start{Twips(l), Twips(t), 2055_tw, 315_tw};
        ui::place(box, start);
        templates::HandleSet set(&surface);
        set.attachBox(box);
        set.select(box, start);
        surface.show();
        mouse(box, QEvent::MouseButtonPress, {10, 5}, Qt::LeftButton, Qt::LeftButton);
        mouse(box, QEvent::MouseMove, {37, 26}, Qt::NoButton, Qt::LeftButton);
        auto twips = [](int pixels) { return pixels * 1440.0 / 110; };
        const TwipsRect expected{Twips(single(l + (twips(37) - twips(10)))),
                                 Twips(single(t + (twips(26) - twips(5)))), 2055_tw, 315_tw};
        QCOMPARE(set.selectedRect(), expected);
        QCOMPARE(box->geometry(), ui::toPixels(expected));
    }

    // The widget layer: a box dragged with the mouse, a handle dragged, events ignored when inactive.
    void widgetsDragAndResize() {
        test::initTestApplication();
        QWidget surface;
        surface.resize(900, 700);
        auto* box = new QLineEdit(&surface);
        const TwipsRect start{1500_tw, 1500_tw, 2055_tw, 315_tw};
        ui::place(box, start);
        templates::HandleSet set(&surface);
        set.attachBox(box);
        QSignalSpy moved(&set, &templates::HandleSet::objectMoved);
        QSignalSpy released(&set, &templates::HandleSet::boxReleased);
        set.select(box, start);
        set.setHandlesVisible(true);
        surface.show();
        QWidget* pic8 = surface.findChild<QWidget*>(QStringLiteral("Pic8"));
        QVERIFY(pic8 && pic8->isVisible());
        QCOMPARE(pic8->cursor().shape(), Qt::SizeFDiagCursor);
        QCOMPARE(pic8->size(), QSize(9, 9)); // 135 twips at 96 dpi

        // Right button: nothing moves.
        mouse(box, QEvent::MouseButtonPress, {10, 5}, Qt::RightButton, Qt::RightButton);
        mouse(box, QEvent::MouseMove, {30, 15}, Qt::NoButton, Qt::RightButton);
        QCOMPARE(moved.count(), 0);
        mouse(box, QEvent::MouseButtonRelease, {30, 15}, Qt::RightButton, Qt::NoButton);
        QCOMPARE(released.count(), 1);

        // Left button: 20 px right and 10 px down = 300 and 150 twips.
        mouse(box, QEvent::MouseButtonPress, {10, 5}, Qt::LeftButton, Qt::LeftButton);
        mouse(box, QEvent::MouseMove, {30, 15}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(set.selectedRect(), (TwipsRect{1800_tw, 1650_tw, 2055_tw, 315_tw}));
        QCOMPARE(box->pos(), QPoint(120, 110));
        QVERIFY(!pic8->isVisible());
        QCOMPARE(box->cursor().shape(), Qt::SizeAllCursor);
        mouse(box, QEvent::MouseButtonRelease, {10, 5}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(released.count(), 2);
        QVERIFY(pic8->isVisible());
        QCOMPARE(box->cursor().shape(), Qt::IBeamCursor);

        // Pic8 dragged 10 px right and 2 px down.
        set.select(box, set.selectedRect());
        mouse(pic8, QEvent::MouseButtonPress, {4, 4}, Qt::LeftButton, Qt::LeftButton);
        mouse(pic8, QEvent::MouseMove, {14, 6}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(set.selectedRect(), (TwipsRect{1800_tw, 1650_tw, 2205_tw, 345_tw}));
        QCOMPARE(box->size(), QSize(147, 23));
        QCOMPARE(moved.count(), 2);
        QCOMPARE(moved.last().at(0).value<QWidget*>(), static_cast<QWidget*>(box));

        // Inactive (fine-tune mode off): nothing happens.
        set.setActive(false);
        mouse(box, QEvent::MouseButtonPress, {10, 5}, Qt::LeftButton, Qt::LeftButton);
        mouse(box, QEvent::MouseMove, {60, 40}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(moved.count(), 2);
    }

    // The end of a move is told once per gesture: after a drag of a box (not after a plain click) and when
    // the button goes up on a handle, so that the moves between make one change.
    void moveFinishedEndsEachGesture() {
        test::initTestApplication();
        QWidget surface;
        surface.resize(900, 700);
        auto* box = new QLineEdit(&surface);
        const TwipsRect start{1500_tw, 1500_tw, 2055_tw, 315_tw};
        ui::place(box, start);
        templates::HandleSet set(&surface);
        set.attachBox(box);
        QSignalSpy finished(&set, &templates::HandleSet::moveFinished);
        set.select(box, start);
        set.setHandlesVisible(true);
        surface.show();

        mouse(box, QEvent::MouseButtonPress, {10, 5}, Qt::LeftButton, Qt::LeftButton);
        mouse(box, QEvent::MouseButtonRelease, {10, 5}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(finished.count(), 0); // a click moves nothing

        mouse(box, QEvent::MouseButtonPress, {10, 5}, Qt::LeftButton, Qt::LeftButton);
        mouse(box, QEvent::MouseMove, {20, 5}, Qt::NoButton, Qt::LeftButton);
        mouse(box, QEvent::MouseMove, {30, 5}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(finished.count(), 0);
        mouse(box, QEvent::MouseButtonRelease, {30, 5}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.last().at(0).value<QWidget*>(), static_cast<QWidget*>(box));
        set.endDrag(); // no drag any more: nothing to tell
        QCOMPARE(finished.count(), 1);

        QWidget* pic5 = set.handle(templates::Handle::Pic5);
        mouse(pic5, QEvent::MouseButtonPress, {4, 4}, Qt::LeftButton, Qt::LeftButton);
        mouse(pic5, QEvent::MouseMove, {14, 4}, Qt::NoButton, Qt::LeftButton);
        mouse(pic5, QEvent::MouseButtonRelease, {14, 4}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(finished.count(), 2);
    }

    // A multi-line box is dragged through its viewport, which gets the mouse events.
    void multiLineBoxDragsThroughViewport() {
        test::initTestApplication();
        QWidget surface;
        surface.resize(900, 700);
        auto* box = new QTextEdit(&surface);
        ui::place(box, {1500_tw, 1500_tw, 2055_tw, 900_tw});
        templates::HandleSet set(&surface);
        set.attachBox(box);
        set.select(box, {1500_tw, 1500_tw, 2055_tw, 900_tw});
        surface.show();
        QWidget* vp = box->viewport();
        mouse(vp, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
        mouse(vp, QEvent::MouseMove, {5, 30}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(set.selectedRect(), (TwipsRect{1425_tw, 1800_tw, 2055_tw, 900_tw}));
        QCOMPARE(vp->cursor().shape(), Qt::SizeAllCursor);
        mouse(vp, QEvent::MouseButtonRelease, {5, 30}, Qt::LeftButton, Qt::NoButton);
        QVERIFY(vp->cursor().shape() != Qt::SizeAllCursor);
    }

private:
    test::ScopedEnvironment caseEnv_; // for the whole case: 96 dpi, 1 pixel = 15 twips
};

QTEST_MAIN(TestHandles)
#include "tst_handles.moc"
