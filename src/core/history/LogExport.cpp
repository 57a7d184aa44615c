#include "history/LogExport.h"

#include "customers/ImportRules.h"
#include "customers/SpreadsheetReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace vorlan::history {

namespace {

QString shownName(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Why a file could not be made or written, in the user's words.
QString reasonOf(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入的权限");
    case EROFS:
        return QStringLiteral("所在的磁盘是只读的");
    case ENOSPC:
        return QStringLiteral("磁盘已满");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("超出了磁盘配额");
#endif
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("文件夹不存在");
    case EIO:
        return QStringLiteral("磁盘读写错误");
    case 0:
        return QStringLiteral("写入失败");
    default:
        return QStringLiteral("系统错误代码%1").arg(error);
    }
}

bool isXmlCharacter(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

// The width of a text in a worksheet column, in characters: a Chinese character takes two.
int displayWidth(const QString& text) {
    int w = 0;
    for (const QChar c : text)
        w += c.unicode() >= 0x2E80 ? 2 : 1;
    return w;
}

// The file under a hidden name of this export's own, beside the target; removed unless it was put in
// the target's place.
class StagedFile {
public:
    StagedFile() = default;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile() {
        if (!staged_.isEmpty())
            QFile::remove(staged_);
    }

    // Makes this export's file; or why it cannot be made.
    std::optional<QString> open(const QString& target) {
        const QFileInfo named(target);
        // A link to a file is written through: the file it names is replaced.
        target_ = named.isSymLink() ? named.canonicalFilePath() : named.absoluteFilePath();
        if (target_.isEmpty())
            return QStringLiteral("“%1”是指向不存在的文件的链接，不能导出到那里。").arg(shownName(target));
        const QFileInfo info(target_);
        if (info.isDir())
            return QStringLiteral("“%1”是文件夹，不能作为导出的文件。").arg(shownName(target));
        if (info.exists() && !info.isFile())
            return QStringLiteral("“%1”不是普通文件，不能作为导出的文件。").arg(shownName(target));
        const QString folder = info.absolutePath();
        if (!QFileInfo(folder).isDir())
            return QStringLiteral("文件夹“%1”不存在，没有导出。").arg(shownName(folder));
        for (int attempt = 0; attempt < 16; ++attempt) {
            const QString name = QDir(folder).filePath(
                QStringLiteral(".%1.%2.tmp")
                    .arg(info.fileName(),
                         QString::number((quint64(::getpid()) << 16) | quint64(attempt), 36)));
            // The user's file mode (umask) applies, as for any file the user saves.
            const int fd = ::open(QFile::encodeName(name).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (fd >= 0) {
                ::close(fd);
                staged_ = name;
                return std::nullopt;
            }
            if (errno != EEXIST)
                return QStringLiteral("无法在文件夹“%1”中写入（%2），没有导出。")
                    .arg(shownName(folder), reasonOf(errno));
        }
        return QStringLiteral("无法在文件夹“%1”中建立临时文件，没有导出。").arg(shownName(folder));
    }

    QString path() const { return staged_; }
    QString target() const { return target_; }

    // On the disk first, then in the target's place.
    std::optional<QString> commit() {
        const QByteArray from = QFile::encodeName(staged_);
        const int fd = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
        const bool synced = fd >= 0 && ::fsync(fd) == 0;
        const int syncError = errno;
        if (fd >= 0)
            ::close(fd);
        if (!synced)
            return writeFailed(syncError);
        if (::rename(from.constData(), QFile::encodeName(target_).constData()) != 0)
            return QStringLiteral("导出的文件无法改名为“%1”（%2），没有导出。")
                .arg(shownName(target_), reasonOf(errno));
        staged_.clear();
        return std::nullopt;
    }

    QString writeFailed(int error) const {
        return QStringLiteral("无法写入文件“%1”（%2），没有导出。").arg(shownName(target_), reasonOf(error));
    }

private:
    QString target_;
    QString staged_;
};

// What a workbook cannot hold, named by the record and the worksheet row (the header is row 1).
QString cellPlace(qint64 record, const QString& column) {
    if (record == 0)
        return QStringLiteral("列名“%1”").arg(column);
    return QStringLiteral("第%1条记录（工作表第%2行）“%3”列").arg(record).arg(record + 1).arg(column);
}

const QString kCsvInstead = QStringLiteral("可以改为导出*.csv文件，它没有这个限制。");

// The largest part a workbook without zip64 may hold.
constexpr qint64 kMaxPartBytes = qint64(4000) * 1000 * 1000;

class WorkbookWriter {
public:
    explicit WorkbookWriter(const QString& path) : zip_(path) {}

    // The parts that say what the package holds, then the sheet part opened for its rows.
    bool begin(const QString& sheetName) {
        if (!zip_.open(QuaZip::mdCreate))
            return false;
        const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
        const QByteArray rels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
        return part(QStringLiteral("[Content_Types].xml"),
                    head + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                           "<Default Extension=\"rels\" "
                           "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                           "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
                           "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
                           "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/"
                           "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
                           "</Types>") &&
               part(QStringLiteral("_rels/.rels"),
                    head +
                        "<Relationships "
                        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                        "<Relationship Id=\"rId1\" Type=\"" +
                        rels + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>") &&
               part(QStringLiteral("xl/workbook.xml"),
                    head +
                        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                        "xmlns:r=\"" +
                        rels + "\"><sheets><sheet name=\"" + attribute(sheetName) +
                        "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>") &&
               part(QStringLiteral("xl/_rels/workbook.xml.rels"),
                    head +
                        "<Relationships "
                        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                        "<Relationship Id=\"rId1\" Type=\"" +
                        rels + "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>") &&
               sheet_.open(QIODevice::WriteOnly, QuaZipNewInfo(QStringLiteral("xl/worksheets/sheet1.xml"))) &&
               put(head + "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                          // The header stays in view while the rows scroll.
                          "<sheetViews><sheetView workbookViewId=\"0\"><pane ySplit=\"1\" topLeftCell=\"A2\" "
                          "activePane=\"bottomLeft\" state=\"frozen\"/></sheetView></sheetViews>");
    }

    bool columns(const QList<int>& widths) {
        QByteArray cols = "<cols>";
        for (int i = 0; i < widths.size(); ++i)
            cols += "<col min=\"" + QByteArray::number(i + 1) + "\" max=\"" + QByteArray::number(i + 1) +
                    "\" width=\"" + QByteArray::number(widths.at(i)) + "\" customWidth=\"1\"/>";
        return put(cols + "</cols><sheetData>");
    }

    // One worksheet row of texts; an empty text leaves its cell out.
    bool row(qint64 number, const QStringList& cells) {
        const QByteArray r = QByteArray::number(number);
        buffer_ += "<row r=\"" + r + "\">";
        for (int c = 0; c < cells.size(); ++c) {
            if (cells.at(c).isEmpty())
                continue;
            buffer_ += "<c r=\"" + customers::columnLetters(c + 1).toLatin1() + r +
                       "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">" + xmlText(cells.at(c)).toUtf8() +
                       "</t></is></c>";
        }
        buffer_ += "</row>";
        return buffer_.size() < (qint64(1) << 16) || flush();
    }

    // The end of the sheet (numbers stored as text are what was meant there) and of the package.
    bool finish(int lastColumn, qint64 lastRow) {
        QByteArray end = "</sheetData>";
        if (lastColumn > 0)
            end +=
                "<ignoredErrors><ignoredError sqref=\"A1:" + customers::columnLetters(lastColumn).toLatin1() +
                QByteArray::number(lastRow) + "\" numberStoredAsText=\"1\"/></ignoredErrors>";
        if (!put(end + "</worksheet>") || !flush())
            return false;
        sheet_.close();
        if (sheet_.getZipError() != ZIP_OK)
            return false;
        zip_.close();
        return zip_.getZipError() == ZIP_OK;
    }

    bool tooLarge() const { return written_ > kMaxPartBytes; }

private:
    static QByteArray attribute(const QString& text) {
        return xmlText(text).replace(u'"', QStringLiteral("&quot;")).toUtf8();
    }
    bool part(const QString& name, const QByteArray& bytes) {
        QuaZipFile f(&zip_);
        if (!f.open(QIODevice::WriteOnly, QuaZipNewInfo(name)))
            return false;
        const bool written = f.write(bytes) == bytes.size();
        f.close();
        return written && f.getZipError() == ZIP_OK;
    }
    bool put(const QByteArray& bytes) {
        buffer_ += bytes;
        return flush();
    }
    bool flush() {
        if (buffer_.isEmpty())
            return true;
        written_ += buffer_.size();
        if (tooLarge() || sheet_.write(buffer_) != buffer_.size())
            return false;
        buffer_.clear();
        return true;
    }

    QuaZip zip_;
    QuaZipFile sheet_{&zip_};
    QByteArray buffer_;
    qint64 written_ = 0;
};

// What a cell of a workbook cannot hold, or nothing.
std::optional<QString> cellProblem(qint64 record, const QString& column, const QString& text) {
    if (const qsizetype at = firstNonXmlCharacter(text); at >= 0) {
        // Every character XML cannot hold is a single UTF-16 unit.
        const QString code = QString::number(text.at(at).unicode(), 16).toUpper().rightJustified(4, u'0');
        return QStringLiteral("%1中有Excel文件不能保存的字符（代码U+%2），没有导出。")
                   .arg(cellPlace(record, column), code) +
               kCsvInstead;
    }
    if (text.size() > customers::kMaxCellText)
        return QStringLiteral("%1的内容有%2个字符，超过了Excel单元格最多的%3个字符，没有导出。")
                   .arg(cellPlace(record, column))
                   .arg(text.size())
                   .arg(customers::kMaxCellText) +
               kCsvInstead;
    return std::nullopt;
}

ExportResult writeWorkbook(const StagedFile& file, const QStringList& header, const RowSource& next,
                           const QString& sheetName) {
    ExportResult out;
    auto failed = [&] {
        out.problem = file.writeFailed(errno);
        return out;
    };
    if (header.size() > customers::kMaxColumns) {
        out.problem = QStringLiteral("要导出%1列，超过了Excel工作表最多的%2列，没有导出。")
                          .arg(header.size())
                          .arg(customers::kMaxColumns) +
                      kCsvInstead;
        return out;
    }
    for (const QString& name : header)
        if (const auto problem = cellProblem(0, name, name)) {
            out.problem = *problem;
            return out;
        }
    // The first row is read ahead: with the header it sets the column widths, written before the rows.
    QStringList first;
    const bool hasFirst = next(first);
    QList<int> widths;
    for (int c = 0; c < header.size(); ++c) {
        const int w = std::max(displayWidth(header.at(c)), hasFirst ? displayWidth(first.value(c)) : 0);
        widths << std::clamp(w + 2, 8, 60);
    }

    WorkbookWriter book(file.path());
    errno = 0;
    if (!book.begin(worksheetName(sheetName, QStringLiteral("打印记录"))) || !book.columns(widths) ||
        !book.row(1, header))
        return failed();
    QStringList row = std::move(first);
    for (bool more = hasFirst; more; more = next(row)) {
        if (out.rows + 2 > customers::kMaxRows) {
            out.problem = QStringLiteral("记录超过了Excel工作表最多的%1行（含列名一行），没有导出。")
                              .arg(customers::kMaxRows) +
                          kCsvInstead;
            return out;
        }
        for (int c = 0; c < row.size(); ++c)
            if (const auto problem = cellProblem(out.rows + 1, header.value(c), row.at(c))) {
                out.problem = *problem;
                return out;
            }
        errno = 0;
        if (!book.row(out.rows + 2, row)) {
            if (book.tooLarge()) {
                out.problem =
                    QStringLiteral("导出的内容超过了Excel文件能保存的大小，没有导出。") + kCsvInstead;
                return out;
            }
            return failed();
        }
        ++out.rows;
    }
    errno = 0;
    if (!book.finish(int(header.size()), out.rows + 1))
        return failed();
    return out;
}

} // namespace

std::optional<ExportFormat> exportFormatFor(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"csv")
        return ExportFormat::Csv;
    if (suffix == u"xlsx")
        return ExportFormat::Xlsx;
    return std::nullopt;
}

QString csvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString csvRecord(const QStringList& fields) {
    QString out;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += u',';
        out += csvField(fields.at(i));
    }
    return out + QStringLiteral("\r\n");
}

qsizetype firstNonXmlCharacter(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i; // a pair: a character beyond U+FFFF, which XML holds
            continue;
        }
        if (c.isSurrogate() || !isXmlCharacter(c.unicode()))
            return i;
    }
    return -1;
}

QString xmlText(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case u'&':
            out += QStringLiteral("&amp;");
            break;
        case u'<':
            out += QStringLiteral("&lt;");
            break;
        case u'>':
            out += QStringLiteral("&gt;");
            break;
        case u'\r':
            out += QStringLiteral("&#13;");
            break;
        case u'_':
            // "_x0041_" would be read as "A": its underscore is written as the escape of itself.
            if (i + 6 < text.size() && text.at(i + 1) == u'x' && isHexDigit(text.at(i + 2)) &&
                isHexDigit(text.at(i + 3)) && isHexDigit(text.at(i + 4)) && isHexDigit(text.at(i + 5)) &&
                text.at(i + 6) == u'_')
                out += QStringLiteral("_x005F_");
            else
                out += c;
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString worksheetName(const QString& wanted, const QString& fallback) {
    QString name;
    for (const QChar c : wanted) {
        if (QStringView(u"[]:*?/\\").contains(c) || c.unicode() < 0x20 || !isXmlCharacter(c.unicode()) ||
            c.isSurrogate())
            name += u'_';
        else
            name += c;
    }
    name = name.trimmed();
    while (name.startsWith(u'\''))
        name.remove(0, 1);
    while (name.endsWith(u'\''))
        name.chop(1);
    if (name.size() > 31)
        name.truncate(31);
    // Cut between the halves of a pair, the first half would be left alone.
    if (!name.isEmpty() && name.back().isHighSurrogate())
        name.chop(1);
    if (name.trimmed().isEmpty() || name.compare(u"History", Qt::CaseInsensitive) == 0)
        return fallback;
    return name;
}

ExportResult writeCsv(QIODevice& out, const QStringList& header, const RowSource& next, bool bom,
                      const QString& deviceName) {
    ExportResult result;
    auto put = [&](const QByteArray& bytes) {
        errno = 0;
        if (out.write(bytes) == bytes.size())
            return true;
        result.problem = QStringLiteral("无法写入%1（%2）。").arg(deviceName, reasonOf(errno));
        return false;
    };
    QByteArray pending = bom ? QByteArray(kUtf8Bom) : QByteArray();
    pending += csvRecord(header).toUtf8();
    QStringList row;
    while (next(row)) {
        pending += csvRecord(row).toUtf8();
        ++result.rows;
        if (pending.size() >= (qint64(1) << 16)) {
            if (!put(pending))
                return result;
            pending.clear();
        }
    }
    put(pending);
    return result;
}

ExportResult exportTable(const QString& path, ExportFormat format, const QStringList& header,
                         const RowSource& next, const QString& sheetName) {
    ExportResult result;
    StagedFile staged;
    if (const auto problem = staged.open(path)) {
        result.problem = *problem;
        return result;
    }
    if (format == ExportFormat::Xlsx) {
        result = writeWorkbook(staged, header, next, sheetName);
    } else {
        QFile file(staged.path());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            result.problem = staged.writeFailed(errno);
            return result;
        }
        result =
            writeCsv(file, header, next, true, QStringLiteral("文件“%1”").arg(shownName(staged.target())));
        if (!result.ok())
            result.problem += QStringLiteral("没有导出。");
        errno = 0;
        if (result.ok() && !file.flush())
            result.problem = staged.writeFailed(errno);
        file.close();
        if (result.ok() && file.error() != QFileDevice::NoError)
            result.problem = staged.writeFailed(errno);
    }
    if (!result.ok())
        return result;
    if (const auto problem = staged.commit())
        result.problem = *problem;
    return result;
}

} // namespace vorlan::history
