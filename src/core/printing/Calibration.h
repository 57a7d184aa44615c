#pragma once
// The calibration sheet: crosses at known places of the paper with millimetre rulers along its top and
// left edges, printed on a template's printer, paper and origin with its overall offsets. The user
// measures with a ruler where each cross landed, from the paper's left and top edges; the error is what
// the offsets must take back, in whole units of 48 twips, and what is left below one unit stays.
// Pure logic and the one store call that keeps the offsets.

#include "printing/Placement.h"
#include "printing/PrintSettings.h"

#include "data/Engine.h"

#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>

#include <optional>

namespace vorlan::printing::calibration {

// A ruler measures true millimetres: 1440 / 25.4 twips each.
inline constexpr double kTwipsPerMm = 1440.0 / 25.4;
// The crosses lie this far in from each corner, and one at the centre.
inline constexpr double kInsetMm = 25;
// The smallest paper the sheet fits on (its crosses, labels and rulers apart).
inline constexpr double kMinPaperMm = 90;
// Where the rulers' base lines lie, in from the top and left edges; their ticks and numbers lie inside.
inline constexpr double kRulerMm = 8;

struct Cross {
    QString label; // "A" .. "E"
    QString place; // "左上", "右上", "左下", "右下", "中心"
    QPointF mm;    // its centre, from the paper's left and top edges
};
// The five crosses of a paper of that size (width x height as it lies, millimetres).
QList<Cross> crosses(QSizeF paperMm);

// Why the sheet cannot be printed on that paper, or an empty text.
QString paperProblem(QSizeF paperMm);

// The sheet as the renderer paints it: filled bars (the crosses' arms, the rulers and their ticks) and
// the characters of the labels and ruler numbers, in twips from the corner positions count from, moved by
// the offsets as every printed value is.
struct Sheet {
    QList<ui::TwipsRect> bars;
    QList<PlacedItem> texts;
    bool ok = true; // false (and empty): the offsets move it off the page's coordinate range
};
Sheet sheet(const PageGeometry& page, int allup, int allleft);
// The paper's size in millimetres as the page lies.
QSizeF paperMillimetres(const PageGeometry& page);
// The text next to a cross: its label and where it should be, "A 25,25".
QString crossCaption(const Cross& c);

// A measured distance as typed: empty is nothing measured; what is the field's name for the message.
struct Reading {
    std::optional<double> mm;
    QString problem;
};
Reading readDistance(const QString& text, const QString& what, double maxMm);

// What was measured of one cross, from the paper's left and top edges; either may be missing.
struct Measured {
    std::optional<double> leftMm;
    std::optional<double> topMm;
};

// One direction: the mean error (measured minus where it should be; positive: right, or down), the
// offset that takes it back (the offset the sheet was printed with plus the correction), what remains
// after it, and how far the crosses disagree among themselves (which no offset corrects).
struct Axis {
    int measured = 0; // crosses measured in this direction
    double errorMm = 0;
    int offset = 0;
    double residualMm = 0;
    double spreadMm = 0;
    bool limited = false; // the offset was held to -1000..1000
};
struct Result {
    Axis horizontal; // allleft
    Axis vertical;   // allup
};

// The errors and offsets from the measurements of the crosses (in the order of crosses()); printed with
// offsets allup and allleft. A direction without a measurement keeps its offset (measured = 0).
Result compute(const QList<Cross>& crosses, const QList<Measured>& measured, int allup, int allleft);

// "水平 +1.20 毫米（偏右）", "垂直 -0.40 毫米（偏上）", "水平 0.00 毫米".
QString errorText(const Axis& a, bool horizontal);
// A signed millimetre figure with two decimals: "+0.35", "-1.20", "0.00".
QString signedMm(double mm);

// A template's overall offsets, in units of 48 twips.
struct Offsets {
    int allup = 0;
    int allleft = 0;
    bool operator==(const Offsets&) const = default;
};

// Keeps the template's offsets: on a server this computer's own, in a file the template's. Throws DbError.
void saveOffsets(const data::Engine& engine, const QString& templateName, int allup, int allleft);

} // namespace vorlan::printing::calibration
