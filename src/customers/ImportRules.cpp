#include "customers/ImportRules.h"

#include <cmath>

namespace vorlan::customers {

int columnNumber(const QString& letters)
{
    if (letters.size() != 1) return 0;
    const char16_t c = letters.at(0).unicode();
    if (c >= u'A' && c <= u'Z') return c - u'A' + 1;
    if (c >= u'a' && c <= u'z') return c - u'a' + 1;
    return 0;
}

FieldColumns fieldColumns(const QStringList& letters)
{
    FieldColumns cols{};
    for (int k = 0; k < kFieldCount && k < letters.size(); ++k) cols[k] = columnNumber(letters.at(k));
    return cols;
}

FieldColumns columnsToRead(const FieldColumns& fields, int usedColumns)
{
    FieldColumns read{};
    for (int k = 0; k < kFieldCount; ++k) {
        const int c = fields[k];
        if (c < 1 || c > usedColumns) continue;
        bool takenBefore = false;
        for (int j = 0; j < k; ++j) takenBefore = takenBefore || fields[j] == c;
        if (!takenBefore) read[k] = c;
    }
    return read;
}

std::optional<int> startRow(const QString& text)
{
    bool ok = false;
    const int r = text.trimmed().toInt(&ok);
    if (!ok || r < 1) return std::nullopt;
    return r;
}

QString numberText(double value)
{
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    QString s = QString::number(value, 'g', 15);
    s.replace(QLatin1Char('e'), QLatin1Char('E'));
    return s;
}

} // namespace vorlan::customers
