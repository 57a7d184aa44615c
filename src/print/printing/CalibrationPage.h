#pragma once
// The calibration sheet on paper: laid out on the page the printer gives the settings' paper, painted by
// the one renderer, sent by the one page loop, like the test page.

#include "printing/Calibration.h"
#include "printing/PrintOutcome.h"
#include "printing/PrintSettings.h"

#include <QList>
#include <QString>

class QPainter;

namespace vorlan::printing {

// The sheet's bars and characters as placed items.
QList<PlacedItem> calibrationItems(const calibration::Sheet& sheet);

struct CalibrationPrint {
    PrintOutcome outcome;
    // Not sent, and why, for the user: the paper is too small, or the offsets move the sheet off the page.
    QString refusal;
    PageGeometry page; // the page it was laid out on (when a printer was there)
};

// Prints the sheet on the settings' printer and paper, positions from their origin, moved by the offsets.
CalibrationPrint printCalibrationSheet(const PrintSettings& settings, const calibration::Offsets& offsets);

// The sheet drawn as the preview draws a page: the paper's outline, the printable area, the sheet.
void drawCalibrationPreview(QPainter& painter, const PageGeometry& page, const calibration::Offsets& offsets);

} // namespace vorlan::printing
