// The calibration sheet's arithmetic: where its crosses are, the error from what was measured, the offsets
// that take it back in whole units and what is left, the sheet's bars and captions, and where the offsets
// are kept on either engine.
#include "BothEngines.h"
#include "TestEnv.h"
#include "TestServer.h"
#include "data/Sql.h"
#include "printing/Calibration.h"
#include "templates/TemplateStore.h"

#include <QTest>

using namespace vorlan;
using namespace vorlan::printing;
using namespace Qt::StringLiterals;

using Distances = QList<double>; // left and top of each cross in turn, A to E; a negative one: not measured

Q_DECLARE_METATYPE(Distances)

namespace {

const QSizeF kPaper(230, 127);

QList<calibration::Measured> measured(const Distances& d) {
    QList<calibration::Measured> out;
    for (qsizetype i = 0; i + 1 < d.size(); i += 2) {
        calibration::Measured m;
        if (d.at(i) >= 0)
            m.leftMm = d.at(i);
        if (d.at(i + 1) >= 0)
            m.topMm = d.at(i + 1);
        out << m;
    }
    return out;
}

ui::Twips mm(double v) {
    return ui::Twips(v * 1440 / 25.4);
}

} // namespace

class TestCalibration : public QObject {
    Q_OBJECT
private slots:
    // One offset unit is 48 twips, 0.847 mm: an error is taken back to the nearest unit, the sign against
    // it (positive offsets move right and down), and what is left is shown.
    void compute_data() {
        QTest::addColumn<Distances>("distances");
        QTest::addColumn<int>("allup");
        QTest::addColumn<int>("allleft");
        QTest::addColumn<int>("newUp");
        QTest::addColumn<int>("newLeft");
        QTest::addColumn<double>("residualX");
        QTest::addColumn<double>("residualY");
        QTest::addColumn<QString>("text");
        const double n = -1;
        QTest::newRow("on the mark") << Distances{25, 25} << 0 << 0 << 0 << 0 << 0.0 << 0.0
                                     << u"水平 0.00 毫米，垂直 0.00 毫米"_s;
        QTest::newRow("1 mm right, 0.5 mm down")
            << Distances{26, 25.5} << 0 << 0 << -1 << -1 << 0.1533 << -0.3467
            << u"水平 +1.00 毫米（偏右），垂直 +0.50 毫米（偏下）"_s;
        QTest::newRow("0.4 mm left: below half a unit, nothing to do")
            << Distances{24.6, 25} << 0 << 0 << 0 << 0 << -0.4 << 0.0 << u"水平 -0.40 毫米（偏左）"_s;
        QTest::newRow("printed with offsets, 2 mm left and 3 mm up")
            << Distances{23, 22} << 10 << -5 << 14 << -3 << -0.3067 << 0.3867
            << u"水平 -2.00 毫米（偏左），垂直 -3.00 毫米（偏上）"_s;
        QTest::newRow("the mean of the crosses measured")
            << Distances{25.5, 25, 206.5, n, n, n, n, n, 116, 64.5} << 0 << 0 << -1 << -1 << 0.1533 << -0.3467
            << u"水平 +1.00 毫米（偏右），垂直 +0.50 毫米（偏下）"_s;
        QTest::newRow("held to the largest offset")
            << Distances{15, 25} << 0 << 995 << 0 << 1000 << -5.7667 << 0.0 << u"水平 -10.00 毫米（偏左）"_s;
        QTest::newRow("one direction not measured") << Distances{n, 27} << 3 << 4 << 1 << 4 << 0.0 << 0.3067
                                                    << u"水平 未量，垂直 +2.00 毫米（偏下）"_s;
    }
    void compute() {
        QFETCH(Distances, distances);
        QFETCH(int, allup);
        QFETCH(int, allleft);
        QFETCH(int, newUp);
        QFETCH(int, newLeft);
        QFETCH(double, residualX);
        QFETCH(double, residualY);
        QFETCH(QString, text);
        const calibration::Result r =
            calibration::compute(calibration::crosses(kPaper), measured(distances), allup, allleft);
        QCOMPARE(r.vertical.offset, newUp);
        QCOMPARE(r.horizontal.offset, newLeft);
        QVERIFY2(qAbs(r.horizontal.residualMm - residualX) < 0.001,
                 qPrintable(QString::number(r.horizontal.residualMm)));
        QVERIFY2(qAbs(r.vertical.residualMm - residualY) < 0.001,
                 qPrintable(QString::number(r.vertical.residualMm)));
        QCOMPARE(r.horizontal.limited, newLeft == 1000);
        // What remains is never more than half a unit, unless the offset was held.
        if (!r.horizontal.limited)
            QVERIFY(qAbs(r.horizontal.residualMm) <= 48 / (1440 / 25.4) / 2 + 1e-9);
        const QString shown =
            calibration::errorText(r.horizontal, true) + u"，"_s + calibration::errorText(r.vertical, false);
        QVERIFY2(shown.startsWith(text) || shown.endsWith(text), qPrintable(shown));
    }

    void readDistance_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("mm"); // negative: none
        QTest::addColumn<QString>("problem");
        QTest::newRow("whole") << u"25"_s << 25.0 << QString();
        QTest::newRow("full-width") << u"２５．５"_s << 25.5 << QString();
        QTest::newRow("empty: not measured") << u"  "_s << -1.0 << QString();
        QTest::newRow("with a unit") << u"25mm"_s << -1.0 << u"“十字 A 到左边的距离”的“25mm”不是数字"_s;
        QTest::newRow("off the paper") << u"300"_s << -1.0 << u"300 毫米超出了纸张（230 毫米）"_s;
    }
    void readDistance() {
        QFETCH(QString, text);
        QFETCH(double, mm);
        QFETCH(QString, problem);
        const calibration::Reading r = calibration::readDistance(text, u"十字 A 到左边的距离"_s, 230);
        QCOMPARE(r.mm.has_value(), mm >= 0);
        if (r.mm)
            QCOMPARE(*r.mm, mm);
        QVERIFY2(r.problem.contains(problem) && r.problem.isEmpty() == problem.isEmpty(),
                 qPrintable(r.problem));
    }

    // The sheet's place on paper is read back from a PDF (print/printing/tst_calibrationpage); here what
    // cannot be printed: a small paper, and offsets that push it off the coordinate range.
    void refused() {
        QVERIFY(calibration::paperProblem(QSizeF(80, 200)).contains(u"至少要 90 x 90 毫米"_s));
        QCOMPARE(calibration::paperProblem(kPaper), QString());
        PageGeometry page;
        page.paper = {mm(230), mm(127)};
        QVERIFY(calibration::sheet(page, 0, 0).ok);
        QVERIFY(!calibration::sheet(page, 0, 1000).ok);
        QVERIFY(calibration::sheet(page, 0, 1000).bars.isEmpty());
    }

    // The offsets go where the print window keeps them: the template's in a file, this computer's own on
    // a server (the template's stay for the other counters).
    void saveOffsets() {
        test::TestEnv env;
        const data::Engine db = data::sharedEngine();
        templates::Template t;
        t.name = u"运单"_s;
        templates::InputPoint p;
        p.type = templates::type::SingleLine;
        p.name = u"收件人"_s;
        p.rect = {1440_tw, 720_tw, 2055_tw, 315_tw};
        t.single.append(p);
        templates::PendingColumns pending{{p.name}, {}};
        templates::TemplateStore(db).save(t, std::nullopt, pending);
        calibration::saveOffsets(db, u"运单"_s, 12, -7);
        const templates::Template back = templates::TemplateStore(db).load(u"运单"_s).tmpl;
        QCOMPARE(back.allup, 12);
        QCOMPARE(back.allleft, -7);
        QCOMPARE(back.single[1].rect, p.rect);
        const QVariant shared =
            data::scalar(env.db(), u"SELECT allup FROM moban WHERE mobanname = ?"_s, {u"运单"_s});
        QCOMPARE(shared.isValid() ? shared.toInt() : 0, test::onServer() ? 0 : 12);
    }
};

QTEST_GUILESS_MAIN(TestCalibration)
#include "tst_calibration.moc"
