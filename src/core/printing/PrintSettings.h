#pragma once
// Which printer, which paper and which corner a template prints from. A plain value: what the user chose
// in the print setup of the print window, stored per template (PrintSettingsStore). The default value is
// the behaviour without any setting: the system's default printer with its own paper and orientation,
// positions from the corner of the printable area.

#include "ui/Twips.h"

#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>

namespace vorlan::printing {

// Where a position of 0, 0 lies on the sheet.
enum class PrintOrigin {
    PrintableArea, // the top-left corner of what the printer can print on
    Paper,         // the top-left corner of the paper: the printer's unprintable margin is compensated
};

// The paper key of a size the user typed in (width x height in millimetres).
inline const QString kCustomPaperKey = QStringLiteral("Custom");
// Custom paper sizes, in millimetres, that are accepted.
inline constexpr double kMinPaperMm = 10;
inline constexpr double kMaxPaperMm = 1000;

struct PrintSettings {
    QString printer; // empty: the system's default printer, whichever it is at the time of printing
    // The paper: an empty key is the printer's default paper; kCustomPaperKey a size of the user's own;
    // any other key one of the printer's sizes (QPageSize::key()). For a chosen paper its name and its
    // size (millimetres, width x height as it is fed) are kept too, so that a printer that no longer
    // lists the size still prints on paper of that size.
    QString paperKey;
    QString paperName;
    QSizeF paperMm;
    std::optional<QPageLayout::Orientation> orientation; // none: the printer's default
    PrintOrigin origin = PrintOrigin::PrintableArea;

    bool isCustomPaper() const { return paperKey == kCustomPaperKey; }
    bool hasPaper() const { return !paperKey.isEmpty(); }
    bool operator==(const PrintSettings&) const = default;
};

// A custom paper size of the user's own.
PrintSettings withCustomPaper(PrintSettings s, QSizeF mm);
// One of a printer's paper sizes.
PrintSettings withPaper(PrintSettings s, const QPageSize& size);

// The name shown for a custom size: "自定义 230 x 127 毫米".
QString customPaperName(QSizeF mm);
// A length in millimetres as the user typed it, without rounding it to fewer digits: 230, 127.5.
QString millimetreText(double mm);

// Reads a typed custom length (what is the width or height of the paper). The problem is a sentence in
// Chinese for the user; a value only when there is no problem.
struct LengthReading {
    std::optional<double> mm;
    QString problem;
};
LengthReading readPaperLength(const QString& text, const QString& what);

// The page size the settings ask for on a printer offering these sizes: the printer's own size of that
// key when it lists one, otherwise a size of the stored dimensions. Invalid for the printer's default.
QPageSize pageSizeFor(const PrintSettings& s, const QList<QPageSize>& printerSizes);

// The printer to print on: the stored one when it is among the available ones, otherwise the default
// (an empty stored name is always the default). missing is set when the stored one is not there.
struct PrinterChoice {
    QString name; // empty when there is no printer at all
    bool missing = false;
};
PrinterChoice choosePrinter(const QString& stored, const QStringList& available, const QString& defaultName);

// How far, in device units, the painter's origin must move so that positions count from the chosen
// corner. The printer places the painter's origin at the printable area's corner; for the paper origin
// that corner's offset from the paper's corner is taken back, exactly as the printer applies it (whole
// device dots at its resolution).
QPointF originShift(PrintOrigin origin, const QPageLayout& layout, int resolution);

// The sheet as the preview shows it: the paper's outline and the printable area, in twips from the
// paper's corner, and where positions count from.
struct PageGeometry {
    ui::TwipsSize paper;
    ui::TwipsRect printable;
    ui::TwipsPoint origin; // the corner positions count from, from the paper's corner
};
PageGeometry pageGeometry(const QPageLayout& layout, PrintOrigin origin);

// The message when a template's printer is not there and the default printer takes its place.
QString missingPrinterText(const QString& stored, const QString& used);

} // namespace vorlan::printing
