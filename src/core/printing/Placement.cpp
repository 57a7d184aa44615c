#include "printing/Placement.h"

#include "printing/PrintSheet.h"
#include "printing/Symbol.h"

#include <QLocale>
#include <QStringEncoder>

#include <array>
#include <cmath>
#include <cstdint>

namespace vorlan::printing {

namespace {

constexpr double kMinPosition = -32768;
constexpr double kMaxPosition = 32767;

bool fits(double v) {
    return v >= kMinPosition && v <= kMaxPosition;
}

// Positions are whole twips; every rounding goes to the even neighbour on a tie.
double roundEven(double v) {
    return std::nearbyint(v);
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
           c == QLatin1Char('\n') || c == QLatin1Char('\v') || c == QLatin1Char('\f') ||
           c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// A typed line break: what a multi-line box holds between its lines (and the separators of rich text).
bool isLineBreak(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

} // namespace

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

bool isDoubleByte(char32_t ucs4) {
    if (ucs4 < 0x80)
        return false;
    if (ucs4 > 0xFFFF)
        return false; // not in the code page at all
    // 0 unknown, 1 single byte, 2 double byte; the code page never changes, so each character is asked once.
    static std::array<std::uint8_t, 0x10000> known{};
    std::uint8_t& k = known[ucs4];
    if (k == 0) {
        QStringEncoder gbk("GBK");
        const QChar c{char16_t(ucs4)};
        const QByteArray bytes = gbk.encode(QStringView(&c, 1));
        if (gbk.isValid()) {
            k = (!gbk.hasError() && bytes.size() == 2) ? 2 : 1;
        } else {
            // A Qt without the code page: the ranges GBK covers with two bytes (CJK symbols, kana,
            // ideographs, compatibility forms, full-width forms, Greek/Cyrillic/box drawing).
            const bool wide = (ucs4 >= 0x0391 && ucs4 <= 0x0451) || (ucs4 >= 0x2010 && ucs4 <= 0x2642) ||
                              (ucs4 >= 0x3000 && ucs4 <= 0x33FF) || (ucs4 >= 0x4E00 && ucs4 <= 0x9FFF) ||
                              (ucs4 >= 0xE000 && ucs4 <= 0xE864) || (ucs4 >= 0xF900 && ucs4 <= 0xFA2D) ||
                              (ucs4 >= 0xFE30 && ucs4 <= 0xFE6B) || (ucs4 >= 0xFF01 && ucs4 <= 0xFFE5);
            k = wide ? 2 : 1;
        }
    }
    return k == 2;
}

ui::Twips fullAdvance(double size) {
    return ui::Twips((size - 9.12) * 20 + 180);
}

Placement placeText(const QString& text, ui::TwipsPoint at, double size) {
    Placement out;
    const QString t = trimBlanks(text);
    if (t.isEmpty())
        return out;
    // A failure on the first character (its place or its advance) is the value's position; any later one,
    // its length.
    bool firstDone = false;
    const auto fail = [&out, &firstDone] {
        out.ok = false;
        out.fault = firstDone ? PlacementFault::TooLong : PlacementFault::Position;
        return out;
    };

    // The arithmetic runs on plain numbers: whole twips, checked against the 16-bit range at every step.
    const int x = int(at.x.value());
    const int y = int(at.y.value());
    const double wrap = kWrapWidth.value();
    const double pitch = kLinePitch.value();
    const double full = fullAdvance(size).value();
    const double half = full / 2;
    double d = x;
    // A line break typed into the value starts the next print line at the value's left edge, below the
    // lines its text has taken so far; each such line wraps on its own.
    double lineTop = y;
    int lastLine = 0; // the wrapped line (0 to 2) of the current typed line's last character
    qsizetype i = 0;
    while (i < t.size()) {
        if (isLineBreak(t.at(i))) {
            if (t.at(i) == QLatin1Char('\r') && i + 1 < t.size() && t.at(i + 1) == QLatin1Char('\n'))
                ++i; // CR LF is one break
            ++i;
            lineTop += (lastLine + 1) * pitch;
            lastLine = 0;
            d = x;
            continue;
        }
        // One character: a surrogate pair is drawn whole but, being two units the code page cannot hold,
        // advances by two half widths.
        qsizetype units = 1;
        char32_t ucs4 = t.at(i).unicode();
        if (t.at(i).isHighSurrogate() && i + 1 < t.size() && t.at(i + 1).isLowSurrogate()) {
            ucs4 = QChar::surrogateToUcs4(t.at(i), t.at(i + 1));
            units = 2;
        }

        // The line limits are themselves 16-bit positions.
        if (!fits(double(x) + wrap))
            return fail();
        const double advance = units == 2 ? half : (isDoubleByte(ucs4) ? full : half);
        const int steps = units == 2 ? 2 : 1;
        PlacedItem pc{ItemKind::Text, t.mid(i, units), {}, size};
        pc.rect.width = ui::Twips(steps * advance);
        pc.rect.height = ui::Twips(size * 20);
        if (d <= double(x) + wrap) {
            if (!fits(lineTop))
                return fail();
            pc.rect.left = ui::Twips(int(d));
            pc.rect.top = ui::Twips(int(lineTop));
            lastLine = 0;
        } else {
            if (!fits(double(x) + 2 * wrap))
                return fail();
            const int line = d <= double(x) + 2 * wrap ? 1 : 2;
            const double top = lineTop + line * pitch;
            if (!fits(top))
                return fail();
            pc.rect.left = ui::Twips(int(d) - line * int(wrap));
            pc.rect.top = ui::Twips(int(top));
            lastLine = line;
        }
        out.items.append(pc);

        for (int s = 0; s < steps; ++s) {
            d = roundEven(d + advance);
            if (!fits(d))
                return fail();
        }
        firstDone = true;
        i += units;
    }
    return out;
}

std::optional<ui::Twips> offsetTwips(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return ui::Twips(0);
    bool ok = false;
    const double units = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(units))
        return std::nullopt;
    const double twips = roundEven((kOffsetUnit * units).value());
    if (std::fabs(twips) > 1e9)
        return std::nullopt;
    return ui::Twips(int(twips));
}

SheetPlacement placeSheet(const PrintSheet& sheet, int dotsPerInch) {
    SheetPlacement out;
    const auto dv = offsetTwips(sheet.allupText);
    const auto dh = offsetTwips(sheet.allleftText);
    if (!dv || !dh) {
        out.ok = false;
        out.badOffset = true;
        return out;
    }
    for (int f = 0; f < sheet.fields.size(); ++f) {
        const PrintField& field = sheet.fields.at(f);
        const double x = roundEven((field.left + *dh).value());
        const double y = roundEven((field.top + *dv).value());
        const bool symbol = field.symbology != templates::Symbology::None;
        Placement p;
        QString reason;
        if (fits(x) && fits(y) &&
            (!symbol || (fits(x + field.width.value()) && fits(y + field.height.value())))) {
            if (symbol) {
                // The whole box is the symbol's: it lies on the page when the box does.
                SymbolPlacement s = placeSymbol(field.text, field.symbology, field.symbolText,
                                                {ui::Twips(x), ui::Twips(y), field.width, field.height},
                                                field.fontSize, dotsPerInch);
                p.items = std::move(s.items);
                if (!s.ok()) {
                    p.ok = false;
                    p.fault = PlacementFault::Symbol;
                    reason = s.refusal;
                }
            } else {
                switch (field.kind) {
                case ItemKind::Text:
                    p = placeText(field.text, {ui::Twips(x), ui::Twips(y)}, field.fontSize);
                    break;
                case ItemKind::Bar: // no field is placed as a bare bar
                    break;
                }
            }
        } else if (!trimBlanks(field.text).isEmpty()) {
            p.ok = false; // an empty box is never placed, so its position does not matter
            p.fault = PlacementFault::Position;
        }
        out.items += p.items;
        if (!p.ok) {
            out.ok = false;
            out.failedField = f;
            out.fault = p.fault;
            out.reason = reason;
            return out;
        }
    }
    return out;
}

QString outOfRangeMessage(const QString& pointName, PlacementFault fault, const QString& reason) {
    if (fault == PlacementFault::Symbol)
        return QStringLiteral("输入点“%1”无法打印：%2").arg(pointName, reason);
    if (fault == PlacementFault::TooLong)
        return QStringLiteral("输入点“%1”的内容太长，超出纸张范围，无法打印。请缩短内容后再打印。")
            .arg(pointName);
    return QStringLiteral("输入点“%1”的位置超出纸张范围，无法打印。请开启微调把它移回纸面，"
                          "或减小整体打印位置的偏移。")
        .arg(pointName);
}

QString placementMessage(const PrintSheet& sheet, const SheetPlacement& placed) {
    if (placed.ok || placed.badOffset || placed.failedField < 0 || placed.failedField >= sheet.fields.size())
        return QString();
    return outOfRangeMessage(sheet.fields.at(placed.failedField).name, placed.fault, placed.reason);
}

} // namespace vorlan::printing
