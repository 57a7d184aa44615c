// .csv files: fields separated by commas, quoted by RFC 4180 (a quote inside a quoted field doubled, line
// breaks inside quotes kept). The text is UTF-8 with or without its byte order mark, UTF-16 with its mark,
// or else the Chinese code page (GB18030, which contains GBK). Every cell is kept as the text the file
// holds: a number in a .csv file is already text and is never reformatted.
//
// The file is not held in memory: opening it scans it once for where each row starts (and checks its
// text and bounds); a row asked for is read from there and kept until another row is asked for. The
// delimiters (quote, comma, tab, line breaks) are single bytes that neither UTF-8 nor GB18030 uses inside
// a character, so the scan works on the bytes; a UTF-16 file is turned into UTF-8 first.

#include "customers/SheetTable.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <memory>

namespace vorlan::customers {

namespace {

SpreadsheetError cannotOpen(const QString& text) {
    return SpreadsheetError(SpreadsheetError::Kind::CannotOpen, text);
}

constexpr qint64 kChunk = 1 << 20;

// The field and row structure of the bytes, fed in pieces: field(row, column, bytes) for every field,
// rowEnd(offset of the next row) after each line break outside quotes.
struct CsvScan {
    char separator = ',';
    int row = 1;
    int column = 1;
    bool quoted = false;       // inside a quoted field
    bool wasQuoted = false;    // the field started with a quote
    bool quoteFollows = false; // a quote seen inside quotes, at the end of a piece
    bool skipLf = false;       // a CR ended the row: a LF right after it belongs to it
    int quoteRow = 0;          // the row where an open quoted field started
    QByteArray field;

    template <class Field, class RowEnd>
    void feed(const char* p, qsizetype n, qint64 base, Field&& onField, RowEnd&& onRowEnd) {
        for (qsizetype i = 0; i < n; ++i) {
            const char c = p[i];
            if (skipLf) {
                skipLf = false;
                if (c == '\n') {
                    onRowEnd(base + i + 1, true);
                    continue;
                }
            }
            if (quoteFollows) {
                quoteFollows = false;
                if (c == '"') {
                    field += '"';
                    continue;
                }
                quoted = false;
            }
            if (quoted) {
                if (c == '"')
                    quoteFollows = true;
                else
                    field += c;
                continue;
            }
            if (c == '"' && field.isEmpty() && !wasQuoted) {
                quoted = wasQuoted = true;
                quoteRow = row;
            } else if (c == separator) {
                onField(row, column++, field);
                field.clear();
                wasQuoted = false;
            } else if (c == '\r' || c == '\n') {
                onField(row, column, field);
                field.clear();
                wasQuoted = false;
                ++row;
                column = 1;
                skipLf = c == '\r';
                onRowEnd(base + i + 1, false);
            } else {
                field += c;
            }
        }
    }
    // The end of the text: a quote held back closes its field.
    void finish() {
        if (quoteFollows) {
            quoteFollows = false;
            quoted = false;
        }
    }
};

enum class Encoding { Utf8, Gb };
// What the bytes are known to be: any text, marked UTF-8, or UTF-8 made from a UTF-16 file.
enum class Source { Plain, MarkedUtf8, FromUtf16 };

class CsvReader final : public SpreadsheetReader {
public:
    CsvReader(const QString& path, std::unique_ptr<QIODevice> source, Source kind)
        : fileName_(QFileInfo(path).fileName()), sheet_(QFileInfo(path).completeBaseName()),
          source_(std::move(source)), kind_(kind) {
        scan(kind == Source::MarkedUtf8 ? 3 : 0);
    }

    int usedRows() const override { return rows_; }
    int usedColumns() const override { return columns_; }
    // A .csv file has one sheet and keeps no name for it: whatever name is asked for is that sheet.
    QString cellText(const QString&, int row, int column) override {
        if (row < 1 || row > rows_ || column < 1)
            return QString();
        if (row != cachedRow_)
            readRow(row);
        return size_t(column) <= cached_.size() ? cached_[size_t(column - 1)] : QString();
    }
    std::vector<CellRef> unreadableCells(const QString&) override { return {}; }
    QStringList sheetNames() const override { return {sheet_}; }
    int rowCount(const QString&) override { return rows_; }
    int columnCount(const QString&) override { return columns_; }

private:
    QString decode(const QByteArray& bytes) {
        return encoding_ == Encoding::Utf8 ? QString::fromUtf8(bytes) : gb_.decode(bytes);
    }

    SpreadsheetError tooLong(int row, int column) const {
        return cellTooLong(fileName_, QString(), row, column);
    }

    void scan(qint64 start) {
        // A tab-separated text (as spreadsheets save "Unicode text") when its first line has tabs and
        // no comma.
        source_->seek(start);
        const QByteArray head = source_->peek(kChunk);
        const qsizetype firstEnd = head.indexOf('\n');
        const QByteArray firstLine = head.left(firstEnd < 0 ? head.size() : firstEnd);
        scan_.separator = firstLine.contains('\t') && !firstLine.contains(',') ? '\t' : ',';

        QStringDecoder utf8(QStringDecoder::Utf8);
        bool utf8Ok = true;
        starts_.push_back(start);
        auto onField = [&](int row, int column, const QByteArray& field) {
            if (column > kMaxColumns)
                throw cannotOpen(QStringLiteral("文件“%1”第%2行超过%3列，电子表格没有这么多列，请检查！")
                                     .arg(fileName_)
                                     .arg(row)
                                     .arg(kMaxColumns));
            if (field.isEmpty())
                return;
            if (row > kMaxRows)
                throw cannotOpen(QStringLiteral("文件“%1”超过%2行，电子表格没有这么多行，请检查！")
                                     .arg(fileName_)
                                     .arg(kMaxRows));
            if (field.size() > kMaxCellText && decode(field).size() > kMaxCellText)
                throw tooLong(row, column);
            rows_ = std::max(rows_, row);
            columns_ = std::max(columns_, column);
        };
        auto onRowEnd = [&](qint64 next, bool lf) {
            if (lf)
                starts_.back() = next;
            else if (starts_.size() <= size_t(kMaxRows))
                starts_.push_back(next);
        };
        qint64 offset = start;
        while (true) {
            const QByteArray chunk = source_->read(kChunk);
            if (chunk.isEmpty())
                break;
            if (kind_ == Source::Plain && chunk.contains('\0'))
                throw cannotOpen(
                    QStringLiteral(
                        "文件“%1”不是文本文件（*.csv），也不是可读取的Excel文件（*.xls、*.xlsx），请检查！")
                        .arg(fileName_));
            if (utf8Ok) {
                const QString decoded = utf8.decode(chunk); // decoding happens on conversion
                utf8Ok = !utf8.hasError();
            }
            scan_.feed(chunk.constData(), chunk.size(), offset, onField, onRowEnd);
            // The field held while scanning is bounded too (a field longer in bytes than any cell in
            // characters could be is too long whatever its encoding).
            if (scan_.field.size() > qsizetype(kMaxCellText) * 4)
                throw tooLong(scan_.row, scan_.column);
            offset += chunk.size();
        }
        scan_.finish();
        if (scan_.quoted)
            throw cannotOpen(
                QStringLiteral("文件“%1”第%2行有一个引号没有配对的字段，文件可能不完整，请检查！")
                    .arg(fileName_)
                    .arg(scan_.quoteRow));
        onField(scan_.row, scan_.column, scan_.field);
        if (const auto* file = qobject_cast<QFile*>(source_.get());
            file && file->error() != QFileDevice::NoError)
            throw cannotOpen(QStringLiteral("读取文件“%1”失败：%2").arg(fileName_, file->errorString()));
        if (!utf8Ok && kind_ == Source::MarkedUtf8)
            throw cannotOpen(
                QStringLiteral("文件“%1”标明是UTF-8编码，但其中有不是UTF-8的字节，请检查！").arg(fileName_));
        if (!utf8Ok)
            checkGb(start);
    }

    // Not UTF-8: the Chinese code page, in whichever form this build's converters offer.
    void checkGb(qint64 start) {
        for (const char* name : {"GB18030", "GBK"}) {
            QStringDecoder whole(name);
            if (!whole.isValid())
                continue;
            source_->seek(start);
            bool ok = true;
            while (ok) {
                const QByteArray chunk = source_->read(kChunk);
                if (chunk.isEmpty())
                    break;
                const QString decoded = whole.decode(chunk);
                ok = !whole.hasError();
            }
            if (!ok)
                break;
            encoding_ = Encoding::Gb;
            gb_ = QStringDecoder(name, QStringDecoder::Flag::Stateless);
            return;
        }
        throw cannotOpen(
            QStringLiteral("文件“%1”的文字编码无法识别（只能读取UTF-8或GBK编码的文件），请检查！")
                .arg(fileName_));
    }

    void readRow(int row) {
        cached_.clear();
        cachedRow_ = row;
        if (size_t(row) > starts_.size())
            return;
        CsvScan s;
        s.separator = scan_.separator;
        s.row = row;
        bool done = false;
        auto onField = [&](int, int, const QByteArray& field) {
            if (!done)
                cached_.push_back(decode(field));
        };
        auto onRowEnd = [&](qint64, bool) { done = true; };
        qint64 offset = starts_[size_t(row - 1)];
        source_->seek(offset);
        // Rows are read in small pieces: most rows are short.
        qint64 piece = 4096;
        while (!done) {
            const QByteArray chunk = source_->read(piece);
            if (chunk.isEmpty()) {
                s.finish();
                onField(row, s.column, s.field);
                break;
            }
            s.feed(chunk.constData(), chunk.size(), offset, onField, onRowEnd);
            offset += chunk.size();
            piece = std::min<qint64>(piece * 2, kChunk);
        }
    }

    QString fileName_;
    QString sheet_;
    std::unique_ptr<QIODevice> source_;
    Source kind_;
    Encoding encoding_ = Encoding::Utf8;
    QStringDecoder gb_;
    CsvScan scan_;
    std::vector<qint64> starts_; // where each row starts in the source
    int rows_ = 0;
    int columns_ = 0;
    int cachedRow_ = 0;
    std::vector<QString> cached_;
};

} // namespace

std::unique_ptr<SpreadsheetReader> openCsv(const QString& path) {
    const QString fileName = QFileInfo(path).fileName();
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        throw cannotOpen(QStringLiteral("找不到文件“%1”，或者无法读取它，请检查！").arg(fileName));
    const QByteArray head = file->peek(3);
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) {
        const QByteArray bytes = file->readAll();
        if (file->error() != QFileDevice::NoError)
            throw cannotOpen(QStringLiteral("读取文件“%1”失败：%2").arg(fileName, file->errorString()));
        QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                          : QStringDecoder::Utf16BE);
        const QString text = utf16(bytes.mid(2));
        if (utf16.hasError())
            throw cannotOpen(QStringLiteral("文件“%1”的UTF-16编码有误，请检查！").arg(fileName));
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(text.toUtf8());
        buffer->open(QIODevice::ReadOnly);
        return std::make_unique<CsvReader>(path, std::move(buffer), Source::FromUtf16);
    }
    return std::make_unique<CsvReader>(path, std::move(file),
                                       head.startsWith("\xEF\xBB\xBF") ? Source::MarkedUtf8 : Source::Plain);
}

} // namespace vorlan::customers
