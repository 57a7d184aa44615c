#include "printing/AmountInWords.h"

#include <QRegularExpression>

#include <array>
#include <cmath>
#include <cstdlib>

namespace vorlan::printing {

QString GetNumString(int digit) {
    static const std::array<QString, 10> names{
        QStringLiteral("零"), QStringLiteral("壹"), QStringLiteral("贰"), QStringLiteral("叁"),
        QStringLiteral("肆"), QStringLiteral("伍"), QStringLiteral("陆"), QStringLiteral("柒"),
        QStringLiteral("捌"), QStringLiteral("玖"),
    };
    if (digit < 0 || digit > 9)
        return QString();
    return names[size_t(digit)];
}

std::optional<double> parseAmount(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)$"));
    const QString t = text.trimmed();
    if (!plain.match(t).hasMatch())
        return std::nullopt;
    // strtod in the C locale: a figure too long for a double comes back as infinity, which the range
    // check then refuses as too large.
    const QByteArray latin = t.toLatin1();
    return std::strtod(latin.constData(), nullptr);
}

std::optional<QString> AmountToWords(double value) {
    if (!(value <= kMaxAmount && value >= -kMaxAmount))
        return std::nullopt;

    // Whole fen, halves to the even neighbour (the default rounding mode), 0..999999900.
    const auto c = static_cast<qint64>(std::nearbyint(std::fabs(value) * 100.0));
    std::array<int, 10> d{}; // d[1] millions of yuan .. d[9] fen
    qint64 rest = c;
    for (int i = 9; i >= 1; --i) {
        d[size_t(i)] = int(rest % 10);
        rest /= 10;
    }

    const QString zero = QStringLiteral("零");
    QString s;
    bool written = false;    // a non-zero digit has been written
    bool endsInZero = false; // the text ends with the filler 零
    auto digit = [&](int n, const QString& unit) {
        s += GetNumString(n) + unit;
        written = true;
        endsInZero = false;
    };
    auto filler = [&] {
        s += zero;
        endsInZero = true;
    };
    auto replaceFiller = [&](const QString& by) {
        s.chop(zero.size());
        s += by;
        endsInZero = false;
    };

    // Millions.
    if (d[1])
        digit(d[1], QStringLiteral("佰"));
    // Hundred-thousands. A one is written 壹拾: banks refuse a bare 拾. A zero between a written
    // millions digit and a non-zero ten-thousands digit must be read, or 1,050,000 would read
    // as one and a half million.
    if (d[2])
        digit(d[2], QStringLiteral("拾"));
    else if (written && d[3])
        filler();
    // Ten-thousands.
    if (d[3])
        digit(d[3], QStringLiteral("万"));
    else if (written)
        s += QStringLiteral("万");
    // Thousands.
    if (d[4])
        digit(d[4], QStringLiteral("仟"));
    else if (written)
        filler();
    // Hundreds.
    if (d[5])
        digit(d[5], QStringLiteral("佰"));
    else if (written && !endsInZero)
        filler();
    // Tens of yuan: a one is 壹拾 here too, also right after 零.
    if (d[6])
        digit(d[6], QStringLiteral("拾"));
    else if (written && !endsInZero)
        filler();
    // Yuan.
    if (d[7]) {
        s += GetNumString(d[7]) + QStringLiteral("元");
        written = true;
    } else if (written && endsInZero) {
        replaceFiller(QStringLiteral("元"));
    } else if (written) {
        s += QStringLiteral("元");
    }
    // Jiao.
    endsInZero = false;
    if (d[8])
        digit(d[8], QStringLiteral("角"));
    else if (written)
        filler();
    // Fen.
    if (d[9])
        s += GetNumString(d[9]) + QStringLiteral("分 ");
    else if (written && endsInZero)
        replaceFiller(QStringLiteral("整"));

    if (value < 0)
        s.prepend(QStringLiteral("(负数)"));
    return s;
}

AmountConversion convertAmountText(const QString& typed) {
    const std::optional<double> value = parseAmount(typed);
    if (!value)
        return {AmountConversion::Outcome::NotANumber, QString()};
    const std::optional<QString> words = AmountToWords(*value);
    if (!words)
        return {AmountConversion::Outcome::TooLarge, QString()};
    return {AmountConversion::Outcome::Converted, kAmountIndent + *words};
}

} // namespace vorlan::printing
