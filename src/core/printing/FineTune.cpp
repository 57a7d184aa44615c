#include "printing/FineTune.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vorlan::printing::finetune {

OffsetText readOffset(const QString& text) {
    if (text.isEmpty())
        return {OffsetText::Kind::Empty, 0};
    if (text == QStringLiteral("-"))
        return {OffsetText::Kind::Minus, 0};
    static const QRegularExpression plain(QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)$"));
    const QString t = text.trimmed();
    if (!plain.match(t).hasMatch())
        return {OffsetText::Kind::Invalid, 0};
    const double v = std::strtod(t.toLatin1().constData(), nullptr);
    // Limit before converting: a long figure must not overflow the int.
    const double rounded = std::nearbyint(v);
    const double limited = std::clamp(rounded, double(kMinOffset), double(kMaxOffset));
    return {OffsetText::Kind::Number, int(limited), limited != rounded};
}

double offsetMillimetres(int units) {
    return (kOffsetUnit * units).value() / ui::kTwipsPerMm;
}

QString offsetLabel(int units) {
    return QLatin1Char('(') + QString::number(offsetMillimetres(units), 'f', 1) + QStringLiteral("mm)");
}

std::optional<SlotRef> firstSelection(const templates::Template& t) {
    using templates::Family;
    if (t.single[1].isLive())
        return SlotRef{Family::Single, 1};
    for (Family f : {Family::Single, Family::Multi}) {
        const templates::PointFamily& fam = t.family(f);
        for (int k = 1; k <= fam.count; ++k)
            if (fam[k].isLive())
                return SlotRef{f, k};
    }
    return std::nullopt;
}

} // namespace vorlan::printing::finetune
