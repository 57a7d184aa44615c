#include "customers/ImportRules.h"

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace vorlan::customers {

int columnNumber(const QString& letters) {
    if (letters.size() != 1)
        return 0;
    const char16_t c = letters.at(0).unicode();
    if (c >= u'A' && c <= u'Z')
        return c - u'A' + 1;
    if (c >= u'a' && c <= u'z')
        return c - u'a' + 1;
    return 0;
}

QString columnLetters(int column) {
    QString out;
    for (int c = column; c > 0; c = (c - 1) / 26)
        out.prepend(QChar(u'A' + (c - 1) % 26));
    return out;
}

FieldColumns fieldColumns(const QStringList& letters) {
    FieldColumns cols{};
    for (int k = 0; k < kFieldCount && k < letters.size(); ++k)
        cols[k] = columnNumber(letters.at(k));
    return cols;
}

FieldColumns columnsToRead(const FieldColumns& fields, int usedColumns) {
    FieldColumns read{};
    for (int k = 0; k < kFieldCount; ++k) {
        const int c = fields[k];
        if (c < 1 || c > usedColumns)
            continue;
        bool takenBefore = false;
        for (int j = 0; j < k; ++j)
            takenBefore = takenBefore || fields[j] == c;
        if (!takenBefore)
            read[k] = c;
    }
    return read;
}

std::optional<int> startRow(const QString& text) {
    bool ok = false;
    const int r = text.trimmed().toInt(&ok);
    if (!ok || r < 1)
        return std::nullopt;
    return r;
}

QString numberText(double value) {
    if (value == 0)
        return QStringLiteral("0"); // -0 as well
    char buf[400];
    if (std::isfinite(value) && value == std::trunc(value)) {
        // Whole values: the exact digits of the double (exact integers up to 2^53).
        if (std::fabs(value) < 9.2e18)
            return QString::number(static_cast<qint64>(value));
        const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 0);
        return QString::fromLatin1(buf, r.ptr - buf);
    }
    // The shortest digits that read back to the same double, written out without an exponent.
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    const std::string_view s(buf, size_t(r.ptr - buf));
    const size_t e = s.find('e');
    if (e == std::string_view::npos)
        return QString::fromLatin1(s.data(), qsizetype(s.size())); // nan, inf
    const bool negative = s.front() == '-';
    std::string digits;
    for (char c : s.substr(negative ? 1 : 0, e - (negative ? 1 : 0)))
        if (c != '.')
            digits += c;
    int exponent = 0;
    std::from_chars(s.data() + e + 1 + (s[e + 1] == '+' ? 1 : 0), s.data() + s.size(), exponent);
    // digits = d1 d2 d3 …, value = d1.d2d3… × 10^exponent; a fraction here, so the point falls inside
    // the digits or before them.
    std::string out = negative ? "-" : "";
    const int point = exponent + 1; // digits before the decimal point
    if (point <= 0)
        out += "0." + std::string(size_t(-point), '0') + digits;
    else
        out += digits.substr(0, size_t(point)) + '.' + digits.substr(size_t(point));
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

} // namespace vorlan::customers
