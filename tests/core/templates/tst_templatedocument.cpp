#include "TestEnv.h"
#include "data/Sql.h"
#include "templates/TemplateDocument.h"
#include "templates/TemplateStore.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>

using namespace vorlan;
using namespace vorlan::templates;

namespace {

InputPoint point(const QString& type, const QString& name, ui::Twips left, ui::Twips top) {
    InputPoint p;
    p.type = type;
    p.name = name;
    p.binding = kNoBinding;
    p.rect = {left, top, 2055_tw, 315_tw};
    return p;
}

QByteArray pngBytes(int w, int h, int seed = 0) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7 + seed) & 255, (y * 13) & 255, (x * y) & 255));
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

// Two single-line points, one multi-line point and a stored picture.
Template sample() {
    Template t;
    t.name = QStringLiteral("运单");
    t.single.append(point(type::SingleLine, QStringLiteral("收件人"), 1500_tw, 900_tw));
    t.single.append(point(type::Number, QStringLiteral("电话"), 1500_tw, 1500_tw));
    t.multi.append(point(type::MultiLine, QStringLiteral("地址"), 300_tw, 2400_tw));
    t.pictureRect = {0_tw, 0_tw, 12000_tw, 6000_tw};
    t.picture = pngBytes(120, 80);
    t.hasHeader = true;
    t.single[1].tabOrder = 5;
    return t;
}

// Everything an edit may change.
struct State {
    Template tmpl;
    QStringList added, deleted;
    PictureState picture;
    bool operator==(const State&) const = default;
};

State stateOf(const TemplateDocument& d) {
    return {d.tmpl(), d.pending().added, d.pending().deleted, d.picture()};
}

enum class Edit {
    AddSingle,
    AddMulti,
    Change,
    Delete,
    MovePoint,
    ResizePoint,
    MovePicture,
    Choose,
    Clear,
    TabOrder
};

const SlotRef kPhone{Family::Single, 2};

// Runs one edit on the document and returns the state it must lead to, worked out by hand from before.
State apply(TemplateDocument& d, Edit edit, const QByteArray& chosen) {
    State s = stateOf(d);
    switch (edit) {
    case Edit::AddSingle: {
        const InputPoint p = point(type::Integer, QStringLiteral("件数"), 5880_tw, 7500_tw);
        const auto ref = d.addPoint(p);
        if (ref != SlotRef{Family::Single, 3})
            qFatal("wrong slot");
        s.tmpl.single[3] = p;
        s.tmpl.single.count = 3;
        s.added << p.name;
        break;
    }
    case Edit::AddMulti: {
        const InputPoint p = point(type::MultiLine, QStringLiteral("备注"), 5880_tw, 7500_tw);
        d.addPoint(p);
        s.tmpl.multi[2] = p;
        s.tmpl.multi.count = 2;
        s.added << p.name;
        break;
    }
    case Edit::Change: {
        InputPoint p = d.tmpl().point(kPhone);
        p.binding = QStringLiteral("联系电话");
        p.fontName = QStringLiteral("黑体");
        p.fontSize = 14;
        p.bold = true;
        p.backColor = color::encode(QColor(255, 255, 0));
        p.foreColor = color::encode(QColor(0, 0, 255));
        d.changePoint(kPhone, p);
        s.tmpl.point(kPhone) = p;
        break;
    }
    case Edit::Delete:
        if (!d.deletePoint(kPhone))
            qFatal("not deleted");
        s.tmpl.point(kPhone).type.clear();
        s.deleted << QStringLiteral("电话");
        break;
    case Edit::MovePoint: {
        const ui::TwipsRect r{2500.5_tw, 1800_tw, 2055_tw, 315_tw};
        d.setPointRect(kPhone, r);
        s.tmpl.point(kPhone).rect = r;
        break;
    }
    case Edit::ResizePoint: {
        const ui::TwipsRect r{1500_tw, 1500_tw, 3210_tw, 600_tw};
        d.setPointRect(kPhone, r);
        s.tmpl.point(kPhone).rect = r;
        break;
    }
    case Edit::MovePicture: {
        const ui::TwipsRect r{120_tw, 60_tw, 11000_tw, 6100_tw};
        d.setPictureRect(r);
        s.tmpl.pictureRect = r;
        break;
    }
    case Edit::Choose:
        d.choosePicture(QStringLiteral("/tmp/form.png"), chosen);
        s.picture = {chosen, QStringLiteral("/tmp/form.png"), chosen};
        break;
    case Edit::Clear:
        d.clearPicture();
        s.picture.shown.clear();
        break;
    case Edit::TabOrder: // every point gets its place, whatever it had
        s.tmpl.single[1].tabOrder = 0;
        d.setTabOrder({{Family::Multi, 1}, kPhone});
        s.tmpl.multi[1].tabOrder = 1;
        s.tmpl.point(kPhone).tabOrder = 2;
        break;
    }
    d.endGesture();
    return s;
}

// The signal names a document emits, in order.
void record(TemplateDocument& d, QStringList& out) {
    QObject::connect(&d, &TemplateDocument::pointAdded,
                     [&out](SlotRef r) { out << QStringLiteral("added %1").arg(r.slot); });
    QObject::connect(&d, &TemplateDocument::pointRemoved,
                     [&out](SlotRef r) { out << QStringLiteral("removed %1").arg(r.slot); });
    QObject::connect(&d, &TemplateDocument::pointChanged,
                     [&out](SlotRef r) { out << QStringLiteral("changed %1").arg(r.slot); });
    QObject::connect(&d, &TemplateDocument::pointMoved,
                     [&out](SlotRef r) { out << QStringLiteral("moved %1").arg(r.slot); });
    QObject::connect(&d, &TemplateDocument::pictureMoved, [&out] { out << QStringLiteral("picture moved"); });
    QObject::connect(&d, &TemplateDocument::pictureChanged, [&out] { out << QStringLiteral("picture"); });
    QObject::connect(&d, &TemplateDocument::tabOrderChanged, [&out] { out << QStringLiteral("order"); });
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestTemplateDocument : public QObject {
    Q_OBJECT
private slots:

    // Every kind of edit: undone, the template, the pending columns and the picture are exactly as before;
    // redone, exactly as after; each way the document tells what changed.
    void undoAndRedoRestoreExactly_data() {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("signal");
        QTest::newRow("add single-line") << Edit::AddSingle << QStringLiteral("added 3|removed 3");
        QTest::newRow("add multi-line") << Edit::AddMulti << QStringLiteral("added 2|removed 2");
        QTest::newRow("modify") << Edit::Change << QStringLiteral("changed 2|changed 2");
        QTest::newRow("delete") << Edit::Delete << QStringLiteral("removed 2|added 2");
        QTest::newRow("move") << Edit::MovePoint << QStringLiteral("moved 2|moved 2");
        QTest::newRow("resize") << Edit::ResizePoint << QStringLiteral("moved 2|moved 2");
        QTest::newRow("picture area") << Edit::MovePicture << QStringLiteral("picture moved|picture moved");
        QTest::newRow("choose picture") << Edit::Choose << QStringLiteral("picture|picture");
        QTest::newRow("clear picture") << Edit::Clear << QStringLiteral("picture|picture");
        QTest::newRow("Tab order") << Edit::TabOrder << QStringLiteral("order|order");
    }

    void undoAndRedoRestoreExactly() {
        QFETCH(Edit, edit);
        QFETCH(QString, signal);
        const auto [redoSignal, undoSignal] = [&] {
            const QStringList parts = signal.split(QLatin1Char('|'));
            return std::pair{parts.at(0), parts.at(1)};
        }();
        TemplateDocument d;
        d.reset(sample());
        QCOMPARE(d.picture().shown, sample().picture); // the stored picture is shown
        QVERIFY(!d.isModified());
        const State before = stateOf(d);
        QStringList signals_;
        record(d, signals_);

        const State expected = apply(d, edit, pngBytes(60, 40, 9));
        const State after = stateOf(d);
        QVERIFY(after != before);
        QVERIFY(after == expected);
        QCOMPARE(signals_, QStringList{redoSignal});
        QCOMPARE(d.undoStack()->count(), 1);
        QVERIFY(d.isModified());

        signals_.clear();
        d.undoStack()->undo();
        QVERIFY(stateOf(d) == before);
        QCOMPARE(signals_, QStringList{undoSignal});
        QVERIFY(!d.isModified()); // back where it was loaded
        d.undoStack()->redo();
        QVERIFY(stateOf(d) == after);
        d.undoStack()->undo();
        QVERIFY(stateOf(d) == before);
    }

    // A sequence of edits undone one by one walks back through every state.
    void undoWalksBackThroughASequence() {
        TemplateDocument d;
        d.reset(sample());
        QList<State> states{stateOf(d)};
        for (Edit e : {Edit::AddSingle, Edit::MovePoint, Edit::Change, Edit::Delete, Edit::Choose,
                       Edit::MovePicture, Edit::Clear}) {
            apply(d, e, pngBytes(60, 40, 3));
            states << stateOf(d);
        }
        QCOMPARE(d.undoStack()->count(), 7);
        for (qsizetype i = states.size() - 2; i >= 0; --i) {
            d.undoStack()->undo();
            QVERIFY2(stateOf(d) == states.at(i), qPrintable(QString::number(i)));
        }
        QVERIFY(!d.undoStack()->canUndo());
        for (qsizetype i = 1; i < states.size(); ++i) {
            d.undoStack()->redo();
            QVERIFY2(stateOf(d) == states.at(i), qPrintable(QString::number(i)));
        }
    }

    // Adding and deleting the same name: each undo takes back only its own listing.
    void pendingColumnsFollowUndo() {
        TemplateDocument d;
        d.reset(sample());
        const auto ref = d.addPoint(point(type::Date, QStringLiteral("日期"), 5880_tw, 7500_tw));
        QVERIFY(ref);
        QVERIFY(d.deletePoint(*ref));
        QCOMPARE(d.pending().added, QStringList{QStringLiteral("日期")});
        QCOMPARE(d.pending().deleted, QStringList{QStringLiteral("日期")});
        QVERIFY(!d.deletePoint(*ref)); // deleted already: no second step, no second listing
        QCOMPARE(d.undoStack()->count(), 2);
        d.undoStack()->undo();
        QVERIFY(d.pending().deleted.isEmpty());
        QCOMPARE(d.pending().added, QStringList{QStringLiteral("日期")});
        QCOMPARE(d.tmpl().point(*ref).type, type::Date);
        d.undoStack()->undo();
        QVERIFY(d.pending().added.isEmpty());
        QCOMPARE(d.tmpl().single.count, 2);
        QVERIFY(!d.tmpl().point(*ref).inUse());
        // The next point takes the slot again.
        QCOMPARE(d.addPoint(point(type::Day, QStringLiteral("日"), 0_tw, 0_tw)), ref);
    }

    // The moves of one mouse gesture are one step; the next gesture is another.
    void aDragIsOneStep() {
        TemplateDocument d;
        d.reset(sample());
        const ui::TwipsRect start = d.tmpl().point(kPhone).rect;
        for (int i = 1; i <= 5; ++i)
            d.setPointRect(kPhone, {start.left + ui::Twips(i * 15), start.top, start.width, start.height});
        d.endGesture();
        QCOMPARE(d.undoStack()->count(), 1);
        QCOMPARE(d.tmpl().point(kPhone).rect.left, start.left + 75_tw);

        // The next drag, and a resize of the picture area in between: separate steps.
        d.setPointRect(kPhone, {start.left, start.top + 30_tw, start.width, start.height});
        d.setPointRect(kPhone, {start.left, start.top + 45_tw, start.width, start.height});
        d.endGesture();
        d.setPictureRect({0_tw, 0_tw, 11000_tw, 6000_tw});
        d.setPictureRect({0_tw, 0_tw, 10000_tw, 6000_tw});
        d.endGesture();
        QCOMPARE(d.undoStack()->count(), 3);
        d.undoStack()->undo();
        QCOMPARE(d.tmpl().pictureRect, sample().pictureRect);
        d.undoStack()->undo();
        QCOMPARE(d.tmpl().point(kPhone).rect,
                 (ui::TwipsRect{start.left + 75_tw, start.top, start.width, start.height}));
        d.undoStack()->undo();
        QCOMPARE(d.tmpl().point(kPhone).rect, start);
        QVERIFY(!d.isModified());
    }

    // Moves of two objects never merge, even without endGesture between them; a gesture that goes on
    // after an undo starts a new step.
    void movesMergeOnlyForOneObjectAndGesture() {
        TemplateDocument d;
        d.reset(sample());
        const SlotRef name{Family::Single, 1};
        d.setPointRect(name, {0_tw, 0_tw, 2055_tw, 315_tw});
        d.setPointRect(kPhone, {0_tw, 600_tw, 2055_tw, 315_tw});
        QCOMPARE(d.undoStack()->count(), 2);
        d.undoStack()->undo();
        d.undoStack()->redo();
        d.setPointRect(kPhone, {0_tw, 900_tw, 2055_tw, 315_tw});
        QCOMPARE(d.undoStack()->count(), 3);
        d.undoStack()->undo();
        QCOMPARE(d.tmpl().point(kPhone).rect, (ui::TwipsRect{0_tw, 600_tw, 2055_tw, 315_tw}));
    }

    // A drag that ends where it began leaves nothing to undo.
    void aDragBackToTheStartIsNoStep() {
        TemplateDocument d;
        d.reset(sample());
        const ui::TwipsRect start = d.tmpl().point(kPhone).rect;
        d.setPointRect(kPhone, {start.left + 150_tw, start.top, start.width, start.height});
        QVERIFY(d.isModified());
        d.setPointRect(kPhone, start);
        d.endGesture();
        QCOMPARE(d.undoStack()->count(), 0);
        QVERIFY(!d.isModified());
    }

    // Edits that change nothing push no step.
    void emptyEditsPushNothing() {
        TemplateDocument d;
        Template t = sample();
        t.picture.clear();
        t.single[1].tabOrder = 1;
        for (int i = 3; i <= kMaxSlot; ++i)
            t.single.append(point(type::Number, QStringLiteral("点%1").arg(i), 0_tw, 0_tw));
        d.reset(t);
        QVERIFY(!d.addPoint(point(type::Year, QStringLiteral("年"), 0_tw, 0_tw))); // the family is full
        d.changePoint(kPhone, d.tmpl().point(kPhone));
        d.setPointRect(kPhone, d.tmpl().point(kPhone).rect);
        d.setPictureRect(d.tmpl().pictureRect);
        d.clearPicture();                     // nothing shown
        d.setTabOrder({{Family::Single, 1}}); // the places it has
        QVERIFY(!d.deletePoint({Family::Multi, 2}));
        QVERIFY(!d.deletePoint({Family::Single, 0}));
        QCOMPARE(d.undoStack()->count(), 0);
        QVERIFY(!d.isModified());
        // The other family still takes one.
        QCOMPARE(d.addPoint(point(type::MultiLine, QStringLiteral("年"), 0_tw, 0_tw)),
                 (SlotRef{Family::Multi, 2}));
    }

    // After a save there is nothing to undo or redo, and the document is not modified.
    void saveEndsTheHistory() {
        test::TestEnv env;
        TemplateDocument d;
        QSignalSpy modified(&d, &TemplateDocument::modifiedChanged);
        Template t;
        t.name = QStringLiteral("运单");
        d.reset(t);
        d.addPoint(point(type::SingleLine, QStringLiteral("收件人"), 5880_tw, 7500_tw));
        d.addPoint(point(type::SingleLine, QStringLiteral("电话"), 5880_tw, 7500_tw));
        d.undoStack()->undo(); // 电话 is not saved, and cannot be redone after the save
        const QByteArray picture = pngBytes(200, 100);
        d.choosePicture(QStringLiteral("form.png"), picture);
        QVERIFY(d.isModified());
        d.save(TemplateStore(env.db()));
        QVERIFY(!d.isModified());
        QVERIFY(!d.undoStack()->canUndo());
        QVERIFY(!d.undoStack()->canRedo());
        QVERIFY(d.pending().added.isEmpty());
        const State saved = stateOf(d);
        d.undoStack()->undo();
        d.undoStack()->redo();
        QVERIFY(stateOf(d) == saved);
        QCOMPARE(modified.size(), 2);
        QCOMPARE(modified.at(0).at(0).toBool(), true);
        QCOMPARE(modified.at(1).at(0).toBool(), false);
        QCOMPARE(data::scalar(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh WHERE textName = ?"),
                              {QStringLiteral("收件人")})
                     .toInt(),
                 1);
        QCOMPARE(data::scalar(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh WHERE textName = ?"),
                              {QStringLiteral("电话")})
                     .toInt(),
                 0);
        QCOMPARE(TemplateStore(env.db()).readPicture(QStringLiteral("运单")), picture);

        // Edits after the save are undone back to the saved state, not further.
        d.setPointRect({Family::Single, 1}, {0_tw, 0_tw, 2055_tw, 315_tw});
        d.endGesture();
        d.undoStack()->undo();
        QVERIFY(stateOf(d) == saved);
        QVERIFY(!d.isModified());
        QVERIFY(!d.undoStack()->canUndo());
    }

    // A save the store refuses keeps the edits and their history.
    void failedSaveKeepsTheHistory() {
        test::TestEnv env;
        TemplateDocument d;
        Template t;
        t.name = QStringLiteral("moban"); // a base table's name
        d.reset(t);
        d.addPoint(point(type::SingleLine, QStringLiteral("收件人"), 5880_tw, 7500_tw));
        QVERIFY_THROWS_EXCEPTION(data::DbError, d.save(TemplateStore(env.db())));
        QVERIFY(d.isModified());
        QCOMPARE(d.pending().added, QStringList{QStringLiteral("收件人")});
        d.undoStack()->undo();
        QCOMPARE(d.tmpl().single.count, 0);
    }

    // Loading another template forgets the history of the one before.
    void resetForgetsEverything() {
        TemplateDocument d;
        d.reset(sample());
        apply(d, Edit::AddSingle, {});
        apply(d, Edit::Choose, pngBytes(50, 50));
        Template small;
        small.picture = QByteArray(999, 'x'); // too small to be a picture: not shown
        d.reset(small);
        QVERIFY(!d.isModified());
        QVERIFY(!d.undoStack()->canUndo());
        QVERIFY(d.pending().added.isEmpty());
        QCOMPARE(d.picture(), PictureState());
    }

    void readPictureFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("png") << pngBytes(30, 20) << true;
        QTest::newRow("not a picture") << QByteArray(4000, 'x') << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void readPictureFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, accepted);
        test::TestEnv env;
        const QString path = env.folder() + QStringLiteral("/图片.png");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QCOMPARE(templates::readPictureFile(path), accepted ? bytes : QByteArray());
        QCOMPARE(templates::readPictureFile(QStringLiteral(" ") + path + QStringLiteral(" ")),
                 accepted ? bytes : QByteArray());
        QCOMPARE(templates::readPictureFile(path + QStringLiteral(".missing")), QByteArray());
    }
};

QTEST_MAIN(TestTemplateDocument)
#include "tst_templatedocument.moc"
