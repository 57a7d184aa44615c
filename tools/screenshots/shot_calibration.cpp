#include "Shots.h"

#include "TestEnv.h"
#include "printing/CalibrationDialog.h"
#include "printing/CalibrationPage.h"
#include "printing/PrinterSetup.h"

#include <QImage>
#include <QLineEdit>
#include <QPainter>

using namespace vorlan;

// The calibration of a 230 x 127 mm form: two crosses measured, the error and the offsets that take it back.
static shots::Registrar calibration("calibration", [](const QString& folder) {
    test::TestEnv env;
    printing::PrintSettings s = printing::withCustomPaper({}, QSizeF(230, 127));
    s.origin = printing::PrintOrigin::Paper;
    printing::CalibrationDialog d(nullptr, QStringLiteral("快递运单"), s, {});
    d.txtLeft.at(0)->setText(QStringLiteral("26.2"));
    d.txtTop.at(0)->setText(QStringLiteral("24.5"));
    d.txtLeft.at(3)->setText(QStringLiteral("206"));
    d.txtTop.at(3)->setText(QStringLiteral("101.6"));
    d.cmdCompute_Click();
    shots::save(&d, folder, QStringLiteral("calibration"));
});

// The sheet itself as the renderer paints it, at 150 dots per inch.
static shots::Registrar calibrationSheet("calibration-sheet", [](const QString& folder) {
    test::TestEnv env;
    env.printToNothing(); // the paper as chosen, without a printer's margins
    printing::PrintSettings s = printing::withCustomPaper({}, QSizeF(230, 127));
    s.origin = printing::PrintOrigin::Paper;
    const printing::PageGeometry page = printing::previewGeometry(s);
    QImage image(int(230 / 25.4 * 150) + 2, int(127 / 25.4 * 150) + 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(int(150 / 0.0254));
    image.setDotsPerMeterY(int(150 / 0.0254));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    printing::drawCalibrationPreview(p, page, {});
    p.end();
    const QString path = folder + QStringLiteral("/calibration-sheet.png");
    if (image.save(path))
        std::printf("%s\n", qPrintable(path));
});
