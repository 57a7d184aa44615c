#pragma once
// A list of row keys as one text, "[1,2,3]" or "{1,2,3}": how the engines take a list as one parameter.

#include <QByteArray>
#include <QString>

#include <vector>

namespace vorlan::data {

inline QString idListText(const std::vector<qint64>& ids, char open, char close) {
    QByteArray text;
    text.reserve(qsizetype(ids.size()) * 8 + 2);
    text += open;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (i > 0)
            text += ',';
        text += QByteArray::number(ids[i]);
    }
    text += close;
    return QString::fromLatin1(text);
}

} // namespace vorlan::data
