#include "printing/Symbol.h"

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace vorlan::printing {

using templates::Symbology;

namespace {

// The symbol's name in a sentence: "Code 128条码", "QR 码".
QString symbolName(Symbology s) {
    switch (s) {
    case Symbology::QrCode:
        return templates::symbologyTitle(s);
    case Symbology::None:
        return QStringLiteral("文字");
    case Symbology::Code128:
    case Symbology::Pdf417:
    case Symbology::Ean13:
        break;
    }
    return templates::symbologyTitle(s) + QStringLiteral("条码");
}

int zintSymbology(Symbology s) {
    switch (s) {
    case Symbology::Code128:
        return BARCODE_CODE128;
    case Symbology::QrCode:
        return BARCODE_QRCODE;
    case Symbology::Pdf417:
        return BARCODE_PDF417;
    case Symbology::Ean13:
        return BARCODE_EANX;
    case Symbology::None:
        break;
    }
    return 0;
}

// A character as the user sees it in a message; control characters by their code.
QString shown(char32_t c) {
    if (c < 0x20 || c == 0x7F)
        return QStringLiteral("控制字符U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
    return QString::fromUcs4(&c, 1);
}

// What this program refuses before libzint is asked, so that the reason names the character or digit.
QString checkValue(const QString& value, Symbology s) {
    if (s == Symbology::Code128) {
        // Code 128 holds Latin-1 through its shift characters, but few scanners give those back as
        // typed: printable ASCII only.
        for (const char32_t c : value.toUcs4())
            if (c < 0x20 || c > 0x7E)
                return QStringLiteral("Code 128条码只能印英文字母、数字、空格和英文符号，不能印“%1”。")
                    .arg(shown(c));
        return {};
    }
    if (s == Symbology::Ean13) {
        const bool digits = std::all_of(value.begin(), value.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        });
        if (!digits || (value.size() != 12 && value.size() != 13))
            return QStringLiteral("EAN-13条码只能印12位或13位数字（13位时最后一位是校验位），“%1”不是。")
                .arg(value);
        if (value.size() == 13) {
            int sum = 0;
            for (int i = 0; i < 12; ++i)
                sum += (value.at(i).unicode() - u'0') * (i % 2 == 0 ? 1 : 3);
            const int check = (10 - sum % 10) % 10;
            const int given = value.at(12).unicode() - u'0';
            if (check != given)
                return QStringLiteral("EAN-13条码“%1”的校验位不对：最后一位应是%2，不是%3。")
                    .arg(value)
                    .arg(check)
                    .arg(given);
        }
    }
    return {};
}

// libzint's refusal (or warning: every one is taken as a refusal) in the user's terms.
QString zintRefusal(int code, Symbology s) {
    switch (code) {
    case ZINT_ERROR_TOO_LONG:
        return QStringLiteral("内容太长，一个%1放不下。").arg(symbolName(s));
    case ZINT_ERROR_INVALID_DATA:
        return QStringLiteral("内容中有%1不能表示的字符。").arg(symbolName(s));
    case ZINT_ERROR_INVALID_CHECK:
        return QStringLiteral("内容的校验位不对，不能印成%1。").arg(symbolName(s));
    default:
        break;
    }
    return QStringLiteral("这个内容不能按标准印成%1（编码器的代码%2）。").arg(symbolName(s)).arg(code);
}

struct ZintDeleter {
    void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

bool hasNonAscii(const QByteArray& utf8) {
    return std::any_of(utf8.begin(), utf8.end(), [](char c) { return uchar(c) >= 0x80; });
}

// Whole dots: a position rounded in from the box's edge, never out of it.
qint64 dotsCeil(double twips, double dot) {
    return qint64(std::ceil(twips / dot - 1e-6));
}
qint64 dotsFloor(double twips, double dot) {
    return qint64(std::floor(twips / dot + 1e-6));
}

QString millimetres(double twips) {
    return QString::number(std::ceil(twips / ui::kTwipsPerMm * 10) / 10, 'f', 1);
}

} // namespace

SymbolModules encodeSymbol(const QString& value, Symbology symbology, int columns) {
    SymbolModules out;
    const int zs = zintSymbology(symbology);
    if (zs == 0)
        return out;
    if (value.isEmpty()) {
        out.refusal = QStringLiteral("内容是空的。");
        return out;
    }
    if (QString own = checkValue(value, symbology); !own.isEmpty()) {
        out.refusal = own;
        return out;
    }
    const std::unique_ptr<zint_symbol, ZintDeleter> z(ZBarcode_Create());
    if (!z) {
        out.refusal = QStringLiteral("内存不足，无法生成%1。").arg(symbolName(symbology));
        return out;
    }
    const QByteArray utf8 = value.toUtf8();
    z->symbology = zs;
    z->input_mode = UNICODE_MODE;
    // A warning (a check digit put right, an ECI the reader was not told of) means the symbol is not what
    // was typed: a refusal like any other.
    z->warn_level = WARN_FAIL_ALL;
    z->output_options = BARCODE_QUIET_ZONES;
    z->show_hrt = 0; // the text under the bars is placed here, in the print typeface
    z->scale = 0.5f; // one vector unit per module
    if (symbology == Symbology::QrCode) {
        z->option_1 = 2; // error correction level M: a smudge on the form still reads
    } else if (symbology == Symbology::Pdf417) {
        z->option_2 = columns;
    }
    // Text beyond ASCII goes as UTF-8 and says so, so that the reader gives back the same characters.
    if ((symbology == Symbology::QrCode || symbology == Symbology::Pdf417) && hasNonAscii(utf8))
        z->eci = 26;
    const int rc = ZBarcode_Encode_and_Buffer_Vector(
        z.get(), reinterpret_cast<const unsigned char*>(utf8.constData()), int(utf8.size()), 0);
    if (rc != 0 || !z->vector) {
        out.refusal = zintRefusal(rc, symbology);
        return out;
    }
    const zint_vector& v = *z->vector;
    out.columns = int(std::lround(v.width));
    out.rows = templates::isLinear(symbology) ? 1 : int(std::lround(v.height));
    for (const zint_vector_rect* r = v.rectangles; r; r = r->next) {
        if (r->colour != -1 && r->colour != 7)
            continue; // only the dark modules print; white ones are the paper
        SymbolModules::Block b;
        b.x = int(std::lround(r->x));
        b.width = int(std::lround(r->width));
        if (templates::isLinear(symbology)) {
            b.y = 0; // every bar spans the symbol's height (EAN-13's guard bars no longer than the rest)
            b.height = 1;
        } else {
            b.y = int(std::lround(r->y));
            b.height = int(std::lround(r->height));
        }
        out.blocks << b;
    }
    if (templates::isLinear(symbology))
        out.text = QString::fromUtf8(reinterpret_cast<const char*>(z->text));
    return out;
}

SymbolPlacement placeSymbol(const QString& value, Symbology symbology, bool withText,
                            const ui::TwipsRect& box, double textSize, int dotsPerInch) {
    SymbolPlacement out;
    const QString v = trimBlanks(value);
    if (v.isEmpty() || symbology == Symbology::None)
        return out;
    const int dpi = dotsPerInch > 0 ? dotsPerInch : kPdfDotsPerInch;
    const double dot = ui::kTwipsPerInch / dpi;
    const bool linear = templates::isLinear(symbology);
    withText = withText && linear;

    // The box in whole dots, its edges taken inwards.
    const qint64 left = dotsCeil(box.left.value(), dot), right = dotsFloor(box.right().value(), dot);
    const qint64 top = dotsCeil(box.top.value(), dot), bottom = dotsFloor(box.bottom().value(), dot);
    const qint64 width = std::max<qint64>(0, right - left), height = std::max<qint64>(0, bottom - top);
    const qint64 minModule = dotsCeil(kMinModule.value(), dot);
    const qint64 textBand =
        withText ? dotsCeil(kSymbolTextGap.value() + textSize * 20, dot) : 0; // points to twips: x 20
    const qint64 minBars = dotsCeil(kMinBarHeight.value(), dot);

    auto moduleFor = [&](const SymbolModules& m) -> qint64 {
        if (m.columns <= 0 || m.rows <= 0)
            return 0;
        if (linear)
            return height - textBand >= minBars ? width / m.columns : 0;
        return std::min(width / m.columns, height / m.rows);
    };

    SymbolModules m;
    qint64 module = 0;
    if (symbology == Symbology::Pdf417) {
        // As many data columns as give the largest modules in this box: a wide box takes a flat symbol,
        // a tall one a narrow symbol of many rows.
        QString refused;
        module = -1;
        for (int c = 1; c <= 30; ++c) {
            SymbolModules tried = encodeSymbol(v, symbology, c);
            if (!tried.ok()) {
                if (refused.isEmpty())
                    refused = tried.refusal;
                continue;
            }
            if (const qint64 k = moduleFor(tried); k > module) {
                m = std::move(tried);
                module = k;
            }
        }
        if (module < 0)
            m.refusal = refused;
    } else {
        m = encodeSymbol(v, symbology);
        module = moduleFor(m);
    }
    if (!m.ok()) {
        out.refusal = m.refusal;
        return out;
    }
    if (module < minModule) {
        // The least box: the smallest module on every column (and row), one dot more each way for the
        // alignment to the dots.
        const double needW = double(m.columns * minModule + 1) * dot;
        const double needH = double(linear ? minBars + textBand + 1 : m.rows * minModule + 1) * dot;
        out.refusal = QStringLiteral("它的框太小，放不下这个%1（至少要宽%2毫米、高%3毫米，现在只有宽%4毫米、"
                                     "高%5毫米）。请在模板设计中把框放大，或缩短内容。")
                          .arg(symbolName(symbology), millimetres(needW), millimetres(needH),
                               millimetres(box.width.value()), millimetres(box.height.value()));
        return out;
    }

    const qint64 symbolWidth = module * m.columns;
    const qint64 x0 = left + (width - symbolWidth) / 2;
    const qint64 barHeight = linear ? height - textBand : module * m.rows;
    const qint64 y0 = linear ? top : top + (height - barHeight) / 2;
    const auto twips = [dot](qint64 dots) { return ui::Twips(double(dots) * dot); };
    out.items.reserve(m.blocks.size() + (withText ? m.text.size() : 0));
    for (const SymbolModules::Block& b : m.blocks) {
        PlacedItem bar;
        bar.kind = ItemKind::Bar;
        bar.rect.left = twips(x0 + b.x * module);
        bar.rect.width = twips(b.width * module);
        if (linear) {
            bar.rect.top = twips(y0);
            bar.rect.height = twips(barHeight);
        } else {
            bar.rect.top = twips(y0 + b.y * module);
            bar.rect.height = twips(b.height * module);
        }
        out.items << bar;
    }
    if (withText && !m.text.isEmpty()) {
        // Each character at the fixed advance of printed text.
        const double full = fullAdvance(textSize).value();
        double textWidth = 0;
        const QList<uint> chars = m.text.toUcs4();
        for (qsizetype i = 0; i < chars.size(); ++i) {
            const double advance = isDoubleByte(chars.at(i)) ? full : full / 2;
            textWidth += i + 1 < chars.size() ? std::nearbyint(advance) : advance; // as x steps below
        }
        // Under the bars themselves: EAN-13's quiet zones are not alike on both sides.
        int first = m.columns, last = 0;
        for (const SymbolModules::Block& b : m.blocks) {
            first = std::min(first, b.x);
            last = std::max(last, b.x + b.width);
        }
        const double centre = (double(x0) + double(module) * (first + last) / 2) * dot;
        double x = std::nearbyint(centre - textWidth / 2);
        const double y = std::nearbyint(double(y0 + barHeight) * dot + kSymbolTextGap.value());
        for (const uint c : chars) {
            const double advance = isDoubleByte(c) ? full : full / 2;
            PlacedItem ch{ItemKind::Text,
                          QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1),
                          {ui::Twips(x), ui::Twips(y), ui::Twips(advance), ui::Twips(textSize * 20)},
                          textSize};
            out.items << ch;
            x = std::nearbyint(x + advance);
        }
    }
    return out;
}

} // namespace vorlan::printing
