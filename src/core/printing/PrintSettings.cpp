#include "printing/PrintSettings.h"

#include <QLocale>

#include <cmath>

namespace vorlan::printing {

namespace {

// Points (1/72 inch) to twips.
constexpr double kTwipsPerPoint = 20;

ui::TwipsRect twipsRect(const QRectF& points) {
    return {ui::Twips(points.left() * kTwipsPerPoint), ui::Twips(points.top() * kTwipsPerPoint),
            ui::Twips(points.width() * kTwipsPerPoint), ui::Twips(points.height() * kTwipsPerPoint)};
}

// The paper's size as it lies, from its definition: Qt's converted sizes are rounded to hundredths.
ui::TwipsSize paperTwips(const QPageLayout& layout) {
    const QPageSize page = layout.pageSize();
    double perUnit = 0;
    switch (page.definitionUnits()) {
    case QPageSize::Millimeter:
        perUnit = ui::kTwipsPerInch / 25.4;
        break;
    case QPageSize::Point:
        perUnit = kTwipsPerPoint;
        break;
    case QPageSize::Inch:
        perUnit = ui::kTwipsPerInch;
        break;
    case QPageSize::Pica:
        perUnit = 12 * kTwipsPerPoint;
        break;
    default:
        break;
    }
    QSizeF size = page.definitionSize() * perUnit;
    if (perUnit <= 0)
        size = QSizeF(page.sizePoints()) * kTwipsPerPoint;
    if (layout.orientation() == QPageLayout::Landscape)
        size.transpose();
    return {ui::Twips(size.width()), ui::Twips(size.height())};
}

bool usableSize(QSizeF mm) {
    return mm.width() >= kMinPaperMm && mm.width() <= kMaxPaperMm && mm.height() >= kMinPaperMm &&
           mm.height() <= kMaxPaperMm;
}

} // namespace

PrintSettings withCustomPaper(PrintSettings s, QSizeF mm) {
    s.paperKey = kCustomPaperKey;
    s.paperName = customPaperName(mm);
    s.paperMm = mm;
    return s;
}

PrintSettings withPaper(PrintSettings s, const QPageSize& size) {
    if (!size.isValid()) {
        s.paperKey.clear();
        s.paperName.clear();
        s.paperMm = QSizeF();
        return s;
    }
    s.paperKey = size.key();
    s.paperName = size.name();
    s.paperMm = size.size(QPageSize::Millimeter);
    return s;
}

QString millimetreText(double mm) {
    return QLocale::c().toString(mm, 'g', QLocale::FloatingPointShortest);
}

QString customPaperName(QSizeF mm) {
    return QStringLiteral("自定义 %1 x %2 毫米").arg(millimetreText(mm.width()), millimetreText(mm.height()));
}

LengthReading readPaperLength(const QString& text, const QString& what) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {std::nullopt, QStringLiteral("请输入纸张的%1（以毫米为单位）。").arg(what)};
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return {std::nullopt,
                QStringLiteral("纸张的%1“%2”不是数字，请输入以毫米为单位的数值，例如 230。").arg(what, t)};
    if (v <= 0)
        return {std::nullopt, QStringLiteral("纸张的%1必须大于 0 毫米（现为 %2）。").arg(what, t)};
    if (v < kMinPaperMm || v > kMaxPaperMm)
        return {std::nullopt, QStringLiteral("纸张的%1应在 %2 到 %3 毫米之间（现为 %4 毫米）。")
                                  .arg(what, millimetreText(kMinPaperMm), millimetreText(kMaxPaperMm), t)};
    return {v, QString()};
}

QPageSize pageSizeFor(const PrintSettings& s, const QList<QPageSize>& printerSizes) {
    if (!s.hasPaper())
        return QPageSize();
    if (!s.isCustomPaper())
        for (const QPageSize& size : printerSizes)
            if (size.key() == s.paperKey)
                return size;
    if (!usableSize(s.paperMm))
        return QPageSize();
    if (s.isCustomPaper())
        return QPageSize(s.paperMm, QPageSize::Millimeter, customPaperName(s.paperMm), QPageSize::ExactMatch);
    // A size this printer does not list by that key: the same dimensions, under the printer's own name
    // for them if it has one.
    return QPageSize(s.paperMm, QPageSize::Millimeter, s.paperName, QPageSize::FuzzyMatch);
}

PrinterChoice choosePrinter(const QString& stored, const QStringList& available, const QString& defaultName) {
    if (stored.isEmpty() || available.contains(stored))
        return {stored.isEmpty() ? defaultName : stored, false};
    return {defaultName, true};
}

QPointF originShift(PrintOrigin origin, const QPageLayout& layout, int resolution) {
    if (origin == PrintOrigin::PrintableArea)
        return {};
    // The printer moves the origin by the printable area's corner in whole dots; the same dots go back.
    const QRect paint = layout.paintRectPixels(resolution);
    return {-double(paint.left()), -double(paint.top())};
}

PageGeometry pageGeometry(const QPageLayout& layout, PrintOrigin origin) {
    PageGeometry g;
    g.paper = paperTwips(layout);
    // The printable area as the printer places it: in whole points.
    g.printable = twipsRect(QRectF(layout.paintRectPoints()));
    g.origin = origin == PrintOrigin::Paper ? ui::TwipsPoint{} : g.printable.topLeft();
    return g;
}

QString missingPrinterText(const QString& stored, const QString& used) {
    if (used.isEmpty())
        return QStringLiteral("本模板设定的打印机“%1”已不存在，也没有默认打印机。").arg(stored);
    return QStringLiteral(
               "本模板设定的打印机“%1”已不存在，本次改用默认打印机“%2”打印。请在“打印设置”中重新选择打印机。")
        .arg(stored, used);
}

} // namespace vorlan::printing
