// .csv files: fields separated by commas, quoted by RFC 4180 (a quote inside a quoted field doubled, line
// breaks inside quotes kept). The text is UTF-8 with or without its byte order mark, UTF-16 with its mark,
// or else the Chinese code page (GB18030, which contains GBK). Every cell is kept as the text the file
// holds: a number in a .csv file is already text and is never reformatted.

#include "customers/SheetTable.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace vorlan::customers {

namespace {

SpreadsheetError cannotOpen(const QString& text) {
    return SpreadsheetError(SpreadsheetError::Kind::CannotOpen, text);
}

// The text of the file, or why it is not one.
QString decode(const QByteArray& bytes, const QString& fileName) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8(bytes.mid(3));
        if (utf8.hasError())
            throw cannotOpen(
                QStringLiteral("文件“%1”标明是UTF-8编码，但其中有不是UTF-8的字节，请检查！").arg(fileName));
        return text;
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                          : QStringDecoder::Utf16BE);
        QString text = utf16(bytes.mid(2));
        if (utf16.hasError())
            throw cannotOpen(QStringLiteral("文件“%1”的UTF-16编码有误，请检查！").arg(fileName));
        return text;
    }
    if (bytes.contains('\0'))
        throw cannotOpen(
            QStringLiteral(
                "文件“%1”不是文本文件（*.csv），也不是可读取的Excel文件（*.xls、*.xlsx），请检查！")
                .arg(fileName));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    // Not UTF-8: the Chinese code page, in whichever form this build's converters offer.
    for (const char* name : {"GB18030", "GBK"}) {
        QStringDecoder gb(name, QStringDecoder::Flag::Stateless);
        if (!gb.isValid())
            continue;
        text = gb(bytes);
        if (gb.hasError())
            break;
        return text;
    }
    throw cannotOpen(
        QStringLiteral("文件“%1”的文字编码无法识别（只能读取UTF-8或GBK编码的文件），请检查！").arg(fileName));
}

class CsvReader final : public TableReader {
public:
    CsvReader(const QString& path, const QString& text) {
        SheetTable t;
        t.name = QFileInfo(path).completeBaseName();
        parse(text, t, QFileInfo(path).fileName());
        t.loaded = true;
        firstRows_ = t.rowCount();
        firstColumns_ = t.columns;
        tables_.push_back(std::move(t));
    }

    // A .csv file has one sheet and keeps no name for it: whatever name is asked for is that sheet.
    QString cellText(const QString&, int row, int column) override {
        return tables_.front().cell(row, column);
    }
    std::vector<CellRef> unreadableCells(const QString&) override { return {}; }
    int rowCount(const QString&) override { return firstRows_; }
    int columnCount(const QString&) override { return firstColumns_; }

private:
    void load(int) override {}

    static void parse(const QString& text, SheetTable& t, const QString& fileName) {
        // A tab-separated text (as spreadsheets save "Unicode text") when its first line has tabs and no
        // comma.
        const qsizetype firstEnd = text.indexOf(QLatin1Char('\n'));
        const QStringView firstLine = QStringView(text).left(firstEnd < 0 ? text.size() : firstEnd);
        const QChar separator = firstLine.contains(u'\t') && !firstLine.contains(u',') ? u'\t' : u',';

        int row = 1, column = 1;
        int quoteRow = 0; // the row where an open quoted field started
        QString field;
        bool quoted = false;    // inside a quoted field
        bool wasQuoted = false; // the field started with a quote
        const qsizetype n = text.size();
        for (qsizetype i = 0; i < n; ++i) {
            const QChar c = text.at(i);
            if (quoted) {
                if (c == u'"') {
                    if (i + 1 < n && text.at(i + 1) == u'"') {
                        field += u'"';
                        ++i;
                    } else {
                        quoted = false;
                    }
                } else {
                    field += c;
                }
                continue;
            }
            if (c == u'"' && field.isEmpty() && !wasQuoted) {
                quoted = wasQuoted = true;
                quoteRow = row;
            } else if (c == separator) {
                t.set(row, column++, field);
                field.clear();
                wasQuoted = false;
            } else if (c == u'\r' || c == u'\n') {
                if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                    ++i;
                t.set(row, column, field);
                field.clear();
                wasQuoted = false;
                ++row;
                column = 1;
            } else {
                field += c;
            }
        }
        if (quoted)
            throw cannotOpen(
                QStringLiteral("文件“%1”第%2行有一个引号没有配对的字段，文件可能不完整，请检查！")
                    .arg(fileName)
                    .arg(quoteRow));
        t.set(row, column, field);
    }
};

} // namespace

std::unique_ptr<SpreadsheetReader> openCsv(const QString& path) {
    const QString fileName = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw cannotOpen(QStringLiteral("找不到文件“%1”，或者无法读取它，请检查！").arg(fileName));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw cannotOpen(QStringLiteral("读取文件“%1”失败：%2").arg(fileName, file.errorString()));
    return std::make_unique<CsvReader>(path, decode(bytes, fileName));
}

} // namespace vorlan::customers
