#include "templates/TemplateModel.h"

#include "customers/CustomerColumns.h"

#include <cmath>

namespace vorlan::templates {

const QStringList& pointTypes() {
    static const QStringList types{type::SingleLine,    type::MultiLine, type::Date, type::Integer,
                                   type::AmountInWords, type::Amount,    type::Year, type::Month,
                                   type::Day,           type::Number};
    return types;
}

bool isPointType(const QString& t) {
    return pointTypes().contains(t);
}

const QStringList& customerBindings() {
    return customers::columns();
}

const QStringList& designerBindings() {
    static const QStringList b = [] {
        // The designer lists the bank fields first; 联系人 is not offered.
        QStringList out{kNoBinding};
        for (int k : {7, 8, 9, 10, 11, 0, 1, 2, 3, 4, 5})
            out << customers::columns().at(k);
        out << kCommonUseBinding;
        return out;
    }();
    return b;
}

Family familyOf(const QString& t) {
    return t == type::MultiLine ? Family::Multi : Family::Single;
}

namespace {

struct SymbologyName {
    Symbology symbology;
    const char* title;
    const char* key;
};

constexpr SymbologyName kSymbologyNames[] = {
    {Symbology::None, "无", ""},           {Symbology::Code128, "Code 128", "Code128"},
    {Symbology::QrCode, "QR 码", "QR"},    {Symbology::Pdf417, "PDF417", "PDF417"},
    {Symbology::Ean13, "EAN-13", "EAN13"},
};

} // namespace

const QList<Symbology>& symbologies() {
    static const QList<Symbology> all = [] {
        QList<Symbology> l;
        for (const SymbologyName& n : kSymbologyNames)
            l << n.symbology;
        return l;
    }();
    return all;
}

QString symbologyTitle(Symbology s) {
    for (const SymbologyName& n : kSymbologyNames)
        if (n.symbology == s)
            return QString::fromUtf8(n.title);
    return QString();
}

QString symbologyKey(Symbology s) {
    for (const SymbologyName& n : kSymbologyNames)
        if (n.symbology == s)
            return QString::fromLatin1(n.key);
    return QString();
}

Symbology symbologyFromKey(const QString& key) {
    if (key.isEmpty())
        return Symbology::None;
    for (const SymbologyName& n : kSymbologyNames)
        if (key.compare(QLatin1String(n.key), Qt::CaseInsensitive) == 0)
            return n.symbology;
    return Symbology::None;
}

bool isLinear(Symbology s) {
    return s == Symbology::Code128 || s == Symbology::Ean13;
}

bool takesSymbol(const QString& t) {
    return t == type::Number || t == type::SingleLine;
}

QString partyTitle(Party p) {
    return p == Party::Receiver ? QStringLiteral("收件方") : QStringLiteral("寄件方");
}

namespace color {

bool isSystem(qint32 value) {
    return (quint32(value) & 0x80000000u) != 0;
}

qint32 encode(const QColor& c) {
    const QColor rgb = c.toRgb();
    return qint32(quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16));
}

QColor decode(qint32 value, const QPalette& palette) {
    if (!isSystem(value)) {
        const quint32 v = quint32(value);
        return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
    }
    // System colour indices as the templates store them.
    switch (quint32(value) & 0xFFu) {
    case 0x00:
        return palette.color(QPalette::Window); // scroll bars
    case 0x01:
        return palette.color(QPalette::Dark); // desktop
    case 0x02:
        return palette.color(QPalette::Highlight); // active title bar
    case 0x04:
        return palette.color(QPalette::Window); // menu
    case 0x05:
        return palette.color(QPalette::Base); // window background
    case 0x06:
        return palette.color(QPalette::Shadow); // window frame
    case 0x07:
        return palette.color(QPalette::WindowText); // menu text
    case 0x08:
        return palette.color(QPalette::Text); // window text
    case 0x09:
        return palette.color(QPalette::HighlightedText); // active title text
    case 0x0D:
        return palette.color(QPalette::Highlight);
    case 0x0E:
        return palette.color(QPalette::HighlightedText);
    case 0x0F:
        return palette.color(QPalette::Button);
    case 0x10:
        return palette.color(QPalette::Mid);
    case 0x11:
        return palette.color(QPalette::PlaceholderText);
    case 0x12:
        return palette.color(QPalette::ButtonText);
    case 0x14:
        return palette.color(QPalette::Light);
    case 0x15:
        return palette.color(QPalette::Shadow);
    case 0x17:
        return palette.color(QPalette::ToolTipText);
    case 0x18:
        return palette.color(QPalette::ToolTipBase);
    default:
        return palette.color(QPalette::Base);
    }
}

} // namespace color

QFont InputPoint::font() const {
    QFont f(fontName.isEmpty() ? QStringLiteral("宋体") : fontName);
    if (fontSize > 0)
        f.setPointSizeF(fontSize);
    f.setItalic(italic);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}

void InputPoint::setFont(const QFont& f) {
    fontName = f.family();
    fontSize = float(f.pointSizeF() > 0 ? f.pointSizeF() : 9);
    italic = f.italic();
    bold = f.bold();
    underline = f.underline();
}

int PointFamily::append(const InputPoint& p) {
    if (isFull())
        return 0;
    ++count;
    items[size_t(count)] = p;
    return count;
}

bool samePointName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool Template::hasName(const QString& pointName) const {
    for (const PointFamily* f : {&single, &multi})
        for (int i = 1; i <= f->count; ++i)
            if ((*f)[i].inUse() && samePointName((*f)[i].name, pointName))
                return true;
    return false;
}

int Template::livePointCount() const {
    int n = 0;
    for (const PointFamily* f : {&single, &multi})
        for (int i = 1; i <= f->count; ++i)
            if ((*f)[i].isLive())
                ++n;
    return n;
}

bool pictureShown(const QByteArray& bytes) {
    return bytes.size() >= kMinPictureBytes;
}

} // namespace vorlan::templates
