#include "TestEnv.h"
#include "templates/Handles.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

using namespace vorlan;
using templates::Handle;
using ui::TwipsRect;

Q_DECLARE_METATYPE(TwipsRect)
Q_DECLARE_METATYPE(Handle)

namespace {

void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

QString str(const TwipsRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.left).arg(r.top).arg(r.width).arg(r.height);
}

} // namespace

class TestHandles : public QObject {
    Q_OBJECT
private slots:

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
        h.place({1000, 600, 2000, 500});
        const TwipsRect r = h.rect(handle);
        QCOMPARE(r.width, 135.f);
        QCOMPARE(r.height, 135.f);
        QCOMPARE(r.left, float(centre.x() - 67.5));
        QCOMPARE(r.top, float(centre.y() - 67.5));
        QCOMPARE(templates::handleCursor(handle), cursor);
        QCOMPARE(templates::handleFromName(templates::handleName(handle)), std::optional<Handle>(handle));
    }

    void handlesAtTheEdgeAreNotClipped() {
        templates::Handles h;
        h.place({0, 0, 12615, 6375});
        QCOMPARE(h.rect(Handle::Pic1), (TwipsRect{-67.5f, -67.5f, 135, 135}));
        QCOMPARE(h.rect(Handle::Pic8), (TwipsRect{12615 - 67.5f, 6375 - 67.5f, 135, 135}));
    }

    void resizeTable_data() {
        QTest::addColumn<Handle>("handle");
        QTest::addColumn<float>("dx");
        QTest::addColumn<float>("dy");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<TwipsRect>("expected");
        // Object 1000,1000 1000x600; moves of +100/+50 unless the row says otherwise.
        QTest::newRow("Pic1") << Handle::Pic1 << 100.f << 50.f << true << TwipsRect{1100, 1050, 900, 550};
        QTest::newRow("Pic2") << Handle::Pic2 << 100.f << 50.f << true << TwipsRect{1000, 1050, 1000, 550};
        QTest::newRow("Pic3") << Handle::Pic3 << 100.f << 50.f << true << TwipsRect{1000, 1050, 1100, 550};
        QTest::newRow("Pic4") << Handle::Pic4 << 100.f << 50.f << true << TwipsRect{1100, 1000, 900, 600};
        QTest::newRow("Pic5") << Handle::Pic5 << 100.f << 50.f << true << TwipsRect{1000, 1000, 1100, 600};
        QTest::newRow("Pic6") << Handle::Pic6 << 100.f << 50.f << true << TwipsRect{1100, 1000, 900, 650};
        QTest::newRow("Pic7") << Handle::Pic7 << 100.f << 50.f << true << TwipsRect{1000, 1000, 1000, 650};
        QTest::newRow("Pic8") << Handle::Pic8 << 100.f << 50.f << true << TwipsRect{1000, 1000, 1100, 650};
        // The minimum: exactly 280 is refused, 280.5 accepted.
        QTest::newRow("Pic5 width 280") << Handle::Pic5 << -720.f << 0.f << false << TwipsRect{};
        QTest::newRow("Pic5 width 280.5")
            << Handle::Pic5 << -719.5f << 0.f << true << TwipsRect{1000, 1000, 280.5, 600};
        QTest::newRow("Pic4 width 280") << Handle::Pic4 << 720.f << 0.f << false << TwipsRect{};
        QTest::newRow("Pic7 height 280") << Handle::Pic7 << 0.f << -320.f << false << TwipsRect{};
        QTest::newRow("Pic7 height 280.5")
            << Handle::Pic7 << 0.f << -319.5f << true << TwipsRect{1000, 1000, 1000, 280.5};
        QTest::newRow("Pic2 height 280") << Handle::Pic2 << 0.f << 320.f << false << TwipsRect{};
        QTest::newRow("Pic8 width below") << Handle::Pic8 << -800.f << 0.f << false << TwipsRect{};
        QTest::newRow("Pic8 height below") << Handle::Pic8 << 0.f << -400.f << false << TwipsRect{};
        QTest::newRow("Pic1 height only too small") << Handle::Pic1 << 0.f << 330.f << false << TwipsRect{};
        QTest::newRow("Pic6 width too small") << Handle::Pic6 << 750.f << 0.f << false << TwipsRect{};
        // Edge handles ignore the coordinate along their edge: a tiny width does not stop Pic2.
        QTest::newRow("Pic2 ignores dx")
            << Handle::Pic2 << -5000.f << -100.f << true << TwipsRect{1000, 900, 1000, 700};
        QTest::newRow("Pic5 ignores dy")
            << Handle::Pic5 << 10.f << 5000.f << true << TwipsRect{1000, 1000, 1010, 600};
        // Growing past the origin is allowed: positions are not limited.
        QTest::newRow("Pic1 off surface")
            << Handle::Pic1 << -2000.f << -1500.f << true << TwipsRect{-1000, -500, 3000, 2100};
    }

    void resizeTable() {
        QFETCH(Handle, handle);
        QFETCH(float, dx);
        QFETCH(float, dy);
        QFETCH(bool, accepted);
        QFETCH(TwipsRect, expected);
        const TwipsRect object{1000, 1000, 1000, 600};

        const auto r = templates::resized(object, handle, dx, dy);
        QCOMPARE(r.has_value(), accepted);
        if (accepted)
            QCOMPARE(str(*r), str(expected));

        // The same through the stateful rules with the anchor, and only with exactly the left button.
        templates::Handles h;
        h.place(object);
        h.setAnchor({40, 40});
        QVERIFY(!h.resize(handle, object, {40 + dx, 40 + dy}, Qt::NoButton));
        QVERIFY(!h.resize(handle, object, {40 + dx, 40 + dy}, Qt::RightButton));
        QVERIFY(!h.resize(handle, object, {40 + dx, 40 + dy}, Qt::LeftButton | Qt::RightButton));
        QCOMPARE(h.rect(handle), templates::handleRect(object, handle));
        const auto r2 = h.resize(handle, object, {40 + dx, 40 + dy}, Qt::LeftButton);
        QCOMPARE(r2.has_value(), accepted);
        // Handles follow an accepted resize and stay where they were on a refused one.
        const TwipsRect now = accepted ? expected : object;
        for (Handle k : templates::kAllHandles)
            QCOMPARE(h.rect(k), templates::handleRect(now, k));
    }

    // Dragging Pic4 to the right: the right edge stays, and once the width would reach 280 the object keeps
    // the width of the last accepted step.
    void leftHandleKeepsRightEdge() {
        TwipsRect obj{1000, 500, 1000, 400};
        templates::Handles h;
        h.place(obj);
        h.setAnchor({60, 60});
        // Each step moves the mouse 200 twips right relative to the handle; an accepted step moves the
        // handle, so the next position relative to it starts from the anchor again.
        QList<float> widths;
        for (int step = 0; step < 6; ++step) {
            if (auto r = h.resize(Handle::Pic4, obj, {260, 60}, Qt::LeftButton))
                obj = *r;
            QCOMPARE(obj.right(), 2000.f);
            widths << obj.width;
        }
        QCOMPARE(widths, (QList<float>{800, 600, 400, 400, 400, 400}));
        QCOMPARE(obj.left, 1600.f);
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
        const TwipsRect obj{500, 700, 2055, 315};
        templates::Handles h;
        h.place(obj);
        h.setVisible(true);
        h.setAnchor({100, 50});
        const auto r = h.dragPoint(obj, {400, 200}, Qt::MouseButtons(buttons));
        QCOMPARE(r.has_value(), moves);
        QCOMPARE(h.visible(), !moves);
        QCOMPARE(h.dragging(), moves);
        if (moves) {
            QCOMPARE(*r, (TwipsRect{800, 850, 2055, 315}));
            h.endDrag();
            QVERIFY(h.visible());
            QVERIFY(!h.dragging());
        }
    }

    // The widget layer: a box dragged with the mouse, a handle dragged, events ignored when inactive.
    void widgetsDragAndResize() {
        test::initTestApplication();
        QWidget surface;
        surface.resize(900, 700);
        auto* box = new QLineEdit(&surface);
        const TwipsRect start{1500, 1500, 2055, 315};
        ui::place(box, start.left, start.top, start.width, start.height);
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
        QCOMPARE(set.selectedRect(), (TwipsRect{1800, 1650, 2055, 315}));
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
        QCOMPARE(set.selectedRect(), (TwipsRect{1800, 1650, 2205, 345}));
        QCOMPARE(box->size(), QSize(147, 23));
        QCOMPARE(moved.count(), 2);
        QCOMPARE(moved.last().at(0).value<QWidget*>(), static_cast<QWidget*>(box));

        // Inactive (fine-tune mode off): nothing happens.
        set.setActive(false);
        mouse(box, QEvent::MouseButtonPress, {10, 5}, Qt::LeftButton, Qt::LeftButton);
        mouse(box, QEvent::MouseMove, {60, 40}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(moved.count(), 2);
    }

    // A multi-line box is dragged through its viewport, which gets the mouse events.
    void multiLineBoxDragsThroughViewport() {
        test::initTestApplication();
        QWidget surface;
        surface.resize(900, 700);
        auto* box = new QTextEdit(&surface);
        ui::place(box, 1500, 1500, 2055, 900);
        templates::HandleSet set(&surface);
        set.attachBox(box);
        set.select(box, {1500, 1500, 2055, 900});
        surface.show();
        QWidget* vp = box->viewport();
        mouse(vp, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
        mouse(vp, QEvent::MouseMove, {5, 30}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(set.selectedRect(), (TwipsRect{1425, 1800, 2055, 900}));
        QCOMPARE(vp->cursor().shape(), Qt::SizeAllCursor);
        mouse(vp, QEvent::MouseButtonRelease, {5, 30}, Qt::LeftButton, Qt::NoButton);
        QVERIFY(vp->cursor().shape() != Qt::SizeAllCursor);
    }

private:
    test::ScopedEnvironment caseEnv_; // for the whole case: 96 dpi, 1 pixel = 15 twips
};

QTEST_MAIN(TestHandles)
#include "tst_handles.moc"
