// .xlsx workbooks: a zip archive of XML parts. The workbook part names the sheets and, through its
// relationships, their parts; the shared strings hold the texts of most text cells; the styles tell which
// number cells show a date. A sheet's part is read when the sheet is first asked for.

#include "customers/ImportRules.h"
#include "customers/SheetTable.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>

#include <cmath>
#include <memory>

namespace vorlan::customers {

namespace {

// What a number cell's format makes of it.
enum class NumberKind { Plain, Date, DateTime, Time };

// The built-in formats that show dates and times (ids 14 to 22 and 45 to 47, with the East Asian ones).
NumberKind builtInKind(int id) {
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || (id >= 34 && id <= 36) || (id >= 50 && id <= 58))
        return NumberKind::Date;
    if (id == 22)
        return NumberKind::DateTime;
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 33) || (id >= 45 && id <= 47))
        return NumberKind::Time;
    return NumberKind::Plain;
}

// A format code's kind: quoted texts, escaped characters and bracketed parts ([Red], [$-804]) say nothing;
// a y or d (or the Chinese 年, 月, 日) makes a date, an h or s a time.
NumberKind codeKind(const QString& code) {
    QString bare;
    bool inQuote = false;
    int bracket = 0;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (inQuote) {
            inQuote = c != u'"';
        } else if (c == u'"') {
            inQuote = true;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u'[') {
            ++bracket;
        } else if (c == u']') {
            bracket = std::max(0, bracket - 1);
        } else if (bracket == 0) {
            bare += c.toLower();
        }
    }
    // Only the first section (positive numbers) decides.
    bare = bare.section(u';', 0, 0);
    const bool date = bare.contains(u'y') || bare.contains(u'd') || bare.contains(u'e');
    const bool time = bare.contains(u'h') || bare.contains(u's');
    if (date)
        return time ? NumberKind::DateTime : NumberKind::Date;
    return time ? NumberKind::Time : NumberKind::Plain;
}

// What a workbook may inflate to: each part and all parts together. A sheet of a million rows is far
// below; a file beyond is refused before it is inflated (by the sizes in the archive's directory) and
// while it is read (by the bytes that come out).
constexpr qint64 kMaxPart = qint64(512) << 20;
constexpr qint64 kMaxInflated = qint64(1) << 30;
// The longest run of bytes without markup a part may hold: more than the longest cell text can take
// even written as character references. A text beyond is never gathered in memory.
constexpr qint64 kMaxRun = qint64(kMaxCellText) * 12;

// A cell reference split: "AB12" -> column 28, row 12. Nothing when it is no reference: letters then
// digits, within the grid.
struct ParsedRef {
    bool ok = false;
    int column = 0;
    int row = 0; // 0 when the reference has no digits
};
ParsedRef parseRef(QStringView ref) {
    ParsedRef out;
    qsizetype i = 0;
    qint64 column = 0;
    for (; i < ref.size(); ++i) {
        const char16_t u = ref.at(i).unicode();
        if (u >= u'A' && u <= u'Z')
            column = column * 26 + (u - u'A' + 1);
        else if (u >= u'a' && u <= u'z')
            column = column * 26 + (u - u'a' + 1);
        else
            break;
        if (column > kMaxColumns)
            return out;
    }
    qint64 row = 0;
    for (qsizetype j = i; j < ref.size(); ++j) {
        const char16_t u = ref.at(j).unicode();
        if (u < u'0' || u > u'9')
            return out;
        row = row * 10 + (u - u'0');
        if (row > kMaxRows)
            return out;
    }
    if (column == 0 || (i < ref.size() && row == 0))
        return out;
    out.ok = true;
    out.column = int(column);
    out.row = int(row);
    return out;
}

// A number cell's value as the file writes it: whole numbers keep their digits (an 18-digit account
// number would lose its last ones through a double).
bool isWholeNumber(QStringView v) {
    const qsizetype start = v.startsWith(u'-') ? 1 : 0;
    if (v.size() == start || v.size() - start > 400 || (v.at(start) == u'0' && v.size() > start + 1))
        return false;
    for (qsizetype i = start; i < v.size(); ++i)
        if (v.at(i) < u'0' || v.at(i) > u'9')
            return false;
    return true;
}

// A part of the archive as it inflates, within its bounds: the bytes its directory entry declares and
// the bounds above. Past a bound it reads as cut off, with the reason kept.
class BoundedPart final : public QIODevice {
public:
    enum class Trip { None, TooLarge, LongText };
    BoundedPart(QuaZipFile& file, qint64 limit) : file_(file), limit_(limit) { open(QIODevice::ReadOnly); }
    Trip trip() const { return trip_; }
    qint64 inflated() const { return read_; }
    bool isSequential() const override { return true; }
    bool atEnd() const override { return trip_ != Trip::None || file_.atEnd(); }

protected:
    qint64 readData(char* data, qint64 max) override {
        if (trip_ != Trip::None)
            return -1;
        const qint64 n = file_.read(data, std::min<qint64>(max, 1 << 16));
        if (n <= 0)
            return n;
        read_ += n;
        if (read_ > limit_) {
            trip_ = Trip::TooLarge;
            return -1;
        }
        for (qint64 i = 0; i < n; ++i) {
            if (data[i] == '<')
                run_ = 0;
            else if (++run_ > kMaxRun) {
                trip_ = Trip::LongText;
                return -1;
            }
        }
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QuaZipFile& file_;
    qint64 limit_;
    qint64 read_ = 0;
    qint64 run_ = 0;
    Trip trip_ = Trip::None;
};

// A part's path inside the archive from a relationship target, relative to the workbook's folder or absolute.
QString partPath(const QString& target) {
    if (target.startsWith(u'/'))
        return target.mid(1);
    QStringList parts = QStringLiteral("xl/").append(target).split(u'/', Qt::SkipEmptyParts);
    QStringList out;
    for (const QString& p : parts) {
        if (p == u"..") {
            if (!out.isEmpty())
                out.removeLast();
        } else if (p != u".") {
            out << p;
        }
    }
    return out.join(u'/');
}

class XlsxReader final : public TableReader {
public:
    explicit XlsxReader(const QString& path)
        : path_(path), fileName_(QFileInfo(path).fileName()), zip_(path) {
        if (!zip_.open(QuaZip::mdUnzip))
            throw broken();
        // Part names are compared without regard to case: some writers spell them differently.
        const QList<QuaZipFileInfo64> entries = zip_.getFileInfoList64();
        quint64 total = 0;
        for (const QuaZipFileInfo64& e : entries) {
            parts_.insert(e.name.toLower(), e.name);
            sizes_.insert(e.name, e.uncompressedSize);
            if (e.uncompressedSize > quint64(kMaxPart))
                throw tooLarge(e.name);
            total += e.uncompressedSize;
        }
        if (total > quint64(kMaxInflated))
            throw tooLarge(QString());

        withPart(QStringLiteral("xl/_rels/workbook.xml.rels"), true,
                 [&](QXmlStreamReader& xml) { readRelationships(xml); });
        withPart(QStringLiteral("xl/workbook.xml"), true, [&](QXmlStreamReader& xml) { readWorkbook(xml); });
        if (tables_.empty())
            throw SpreadsheetError(SpreadsheetError::Kind::CannotOpen,
                                   QStringLiteral("文件“%1”内没有工作表！").arg(fileName_));
        auto strings = std::make_shared<TextPool>();
        withPart(sharedStringsPath_, false, [&](QXmlStreamReader& xml) { readSharedStrings(xml, *strings); });
        strings_ = strings;
        for (SheetTable& t : tables_)
            t.shared = strings_;
        withPart(stylesPath_, false, [&](QXmlStreamReader& xml) { readStyles(xml); });
        SheetTable& first = loadedSheet(0);
        firstRows_ = first.rowCount();
        firstColumns_ = first.columns;
    }

private:
    SpreadsheetError broken() const {
        return SpreadsheetError(
            SpreadsheetError::Kind::CannotOpen,
            QStringLiteral("文件“%1”不是可读取的Excel文件（*.xlsx），或者它已经损坏，请检查！")
                .arg(fileName_));
    }
    SpreadsheetError tooLarge(const QString& part) const {
        return SpreadsheetError(
            SpreadsheetError::Kind::CannotOpen,
            part.isEmpty()
                ? QStringLiteral("文件“%1”解压后超过%2MB，不像是正常的Excel文件，没有读取，请检查！")
                      .arg(fileName_)
                      .arg(kMaxInflated >> 20)
                : QStringLiteral(
                      "文件“%1”内的部件“%2”解压后超过%3MB，不像是正常的Excel文件，没有读取，请检查！")
                      .arg(fileName_, part)
                      .arg(kMaxPart >> 20));
    }
    // A damaged cell of a sheet, named.
    SpreadsheetError damaged(const QString& sheet, int row, int column, const QString& what) const {
        const QString where = column > 0 ? cellName(row, column, sheet)
                                         : QStringLiteral("工作表“%1”第%2行").arg(sheet).arg(row);
        return SpreadsheetError(
            SpreadsheetError::Kind::Read,
            QStringLiteral("文件“%1”已经损坏：%2%3，请检查！").arg(fileName_, where, what));
    }
    SpreadsheetError badPart(const QString& what, const QXmlStreamReader& xml) const {
        return SpreadsheetError(
            SpreadsheetError::Kind::CannotOpen,
            QStringLiteral("文件“%1”的%2无法读取（第%3行：%4），文件可能已经损坏，请检查！")
                .arg(fileName_, what)
                .arg(xml.lineNumber())
                .arg(xml.errorString()));
    }

    // Parses a part as it inflates, never holding it whole; a part the archive does not hold is skipped
    // (an error when required). A part past its bounds is refused, naming it; a text too long for a
    // cell names the cell the parse was in (textTooLong).
    template <class Parse> void withPart(const QString& path, bool required, Parse&& parse) {
        const QString actual = parts_.value(path.toLower());
        if (actual.isEmpty() || !zip_.setCurrentFile(actual)) {
            if (required)
                throw broken();
            return;
        }
        QuaZipFile file(&zip_);
        if (!file.open(QIODevice::ReadOnly))
            throw broken();
        const qint64 declared = qint64(sizes_.value(actual));
        BoundedPart device(file, std::min({declared, kMaxPart, kMaxInflated - inflated_}));
        QXmlStreamReader xml(&device);
        auto tripped = [&] {
            if (device.trip() == BoundedPart::Trip::TooLarge)
                throw device.inflated() > declared ? broken() : tooLarge(QString());
            if (device.trip() == BoundedPart::Trip::LongText)
                throw textTooLong();
        };
        try {
            refuseExternalEntities(xml, path);
            parse(xml);
        } catch (const SpreadsheetError&) {
            tripped();
            throw;
        }
        tripped();
        inflated_ += device.inflated();
        file.close();
        if (file.getZipError() != UNZ_OK)
            throw broken();
    }

    // The parser drops a reference to an external entity without a trace, so a cell using one would
    // read as silently short. A workbook part has no business declaring one: the part is refused.
    void refuseExternalEntities(QXmlStreamReader& xml, const QString& part) const {
        while (!xml.atEnd() && !xml.isStartElement()) {
            xml.readNext();
            if (xml.isDTD())
                for (const QXmlStreamEntityDeclaration& d : xml.entityDeclarations())
                    if (!d.systemId().isEmpty() || !d.publicId().isEmpty() || !d.notationName().isEmpty())
                        throw SpreadsheetError(
                            SpreadsheetError::Kind::CannotOpen,
                            QStringLiteral("文件“%1”的%2引用了外部实体“%3”，其中的文字无法读取，"
                                           "请用电子表格程序另存后再试！")
                                .arg(fileName_, part, d.name().toString()));
        }
    }

    SpreadsheetError textTooLong() const {
        if (textRow_ > 0)
            return cellTooLong(fileName_, textSheet_, textRow_, textColumn_);
        return SpreadsheetError(
            SpreadsheetError::Kind::CannotOpen,
            QStringLiteral("文件“%1”的%2中有一段文字超过%3个字符，电子表格的单元格不能这么长，"
                           "文件可能已经损坏，请检查！")
                .arg(fileName_, textSheet_)
                .arg(kMaxCellText));
    }

    void readRelationships(QXmlStreamReader& xml) {
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"Relationship") {
                const QXmlStreamAttributes a = xml.attributes();
                const QString target = partPath(a.value(QLatin1String("Target")).toString());
                const QStringView type = a.value(QLatin1String("Type"));
                relations_.insert(a.value(QLatin1String("Id")).toString(), target);
                if (type.endsWith(u"/sharedStrings"))
                    sharedStringsPath_ = target;
                else if (type.endsWith(u"/styles"))
                    stylesPath_ = target;
            }
        }
        if (xml.hasError())
            throw badPart(QStringLiteral("工作簿关系"), xml);
    }

    void readWorkbook(QXmlStreamReader& xml) {
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            if (xml.name() == u"workbookPr") {
                const QStringView d = xml.attributes().value(QLatin1String("date1904"));
                date1904_ = d == u"1" || d == u"true";
            } else if (xml.name() == u"sheet") {
                const QXmlStreamAttributes a = xml.attributes();
                QString id;
                for (const QXmlStreamAttribute& attr : a)
                    if (attr.name() == u"id" && attr.namespaceUri().endsWith(u"/relationships"))
                        id = attr.value().toString();
                if (id.isEmpty())
                    id = a.value(QLatin1String("r:id")).toString();
                SheetTable t;
                t.name = a.value(QLatin1String("name")).toString();
                tables_.push_back(std::move(t));
                sheetParts_ << relations_.value(id);
            }
        }
        if (xml.hasError())
            throw badPart(QStringLiteral("工作簿"), xml);
    }

    // Appends the character data of the current element, up to its end, to text. An entity the parser
    // does not expand (an external one) leaves the text unreadable rather than silently short.
    void elementText(QXmlStreamReader& xml, QString& text, bool& unreadable) const {
        int depth = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isCharacters()) {
                text += xml.text();
                if (text.size() > kMaxCellText)
                    throw textTooLong();
            } else if (xml.isEntityReference()) {
                unreadable = true;
            } else if (xml.isStartElement()) {
                ++depth;
            } else if (xml.isEndElement()) {
                if (depth-- == 0)
                    return;
            }
        }
    }

    // The text of an <si> or <is> element: its <t>, or the <t> of each rich-text run (phonetic runs left
    // out).
    QString richText(QXmlStreamReader& xml, bool& unreadable) const {
        QString text;
        const QString end = xml.name().toString();
        int depthInPhonetic = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                if (xml.name() == u"rPh")
                    ++depthInPhonetic;
                else if (xml.name() == u"t" && depthInPhonetic == 0)
                    elementText(xml, text, unreadable);
            } else if (xml.isEndElement()) {
                if (xml.name() == u"rPh")
                    --depthInPhonetic;
                else if (xml.name() == end)
                    break;
            }
        }
        return text;
    }

    void readSharedStrings(QXmlStreamReader& xml, TextPool& pool) {
        textSheet_ = QStringLiteral("共享文字表");
        textRow_ = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"si") {
                bool unreadable = false;
                const int index = pool.add(richText(xml, unreadable));
                if (unreadable)
                    unreadableStrings_.insert(index);
            }
        }
        if (xml.hasError())
            throw badPart(QStringLiteral("共享文字表"), xml);
    }

    void readStyles(QXmlStreamReader& xml) {
        textSheet_ = QStringLiteral("样式表");
        QHash<int, NumberKind> custom;
        bool inCellXfs = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                if (xml.name() == u"numFmt") {
                    const QXmlStreamAttributes a = xml.attributes();
                    custom.insert(a.value(QLatin1String("numFmtId")).toInt(),
                                  codeKind(a.value(QLatin1String("formatCode")).toString()));
                } else if (xml.name() == u"cellXfs") {
                    inCellXfs = true;
                } else if (inCellXfs && xml.name() == u"xf") {
                    const int id = xml.attributes().value(QLatin1String("numFmtId")).toInt();
                    styleKinds_.push_back(custom.contains(id) ? custom.value(id) : builtInKind(id));
                }
            } else if (xml.isEndElement() && xml.name() == u"cellXfs") {
                inCellXfs = false;
            }
        }
        if (xml.hasError())
            throw badPart(QStringLiteral("样式表"), xml);
    }

    NumberKind styleKind(int style) const {
        return style >= 0 && size_t(style) < styleKinds_.size() ? styleKinds_[size_t(style)]
                                                                : NumberKind::Plain;
    }

    // A serial date number as its text: days since 1899-12-30 (1904-01-01 in the 1904 system).
    QString dateText(double serial, NumberKind kind) const {
        double days = std::floor(serial);
        // The 1900 system counts a 29 February 1900 that never was: days before it start a day later.
        const QDate epoch = date1904_   ? QDate(1904, 1, 1)
                            : days < 61 ? QDate(1899, 12, 31)
                                        : QDate(1899, 12, 30);
        qint64 seconds = std::llround((serial - days) * 86400.0);
        if (seconds >= 86400) {
            days += 1;
            seconds -= 86400;
        }
        const QTime time = QTime(0, 0).addSecs(int(seconds));
        if (kind == NumberKind::Time)
            return time.toString(QStringLiteral("hh:mm:ss"));
        const QDate date = epoch.addDays(qint64(days));
        if (kind == NumberKind::DateTime && seconds != 0)
            return date.toString(QStringLiteral("yyyy-MM-dd")) + u' ' +
                   time.toString(QStringLiteral("hh:mm:ss"));
        return date.toString(QStringLiteral("yyyy-MM-dd"));
    }

    void load(int index) override {
        SheetTable& t = tables_[size_t(index)];
        const QString path = sheetParts_.value(index);
        if (path.isEmpty())
            throw SpreadsheetError(
                SpreadsheetError::Kind::Read,
                QStringLiteral("文件“%1”内找不到工作表“%2”的内容，文件可能已经损坏，请检查！")
                    .arg(fileName_, t.name));
        textSheet_ = t.name;
        try {
            withPart(path, true, [&](QXmlStreamReader& xml) { readSheet(xml, t); });
        } catch (const SpreadsheetError& e) {
            throw SpreadsheetError(SpreadsheetError::Kind::Read, e.description());
        }
        std::sort(t.unreadable.begin(), t.unreadable.end(), [](const CellRef& a, const CellRef& b) {
            return a.row != b.row ? a.row < b.row : a.column < b.column;
        });
    }

    // The rows and cells of a sheet, which come in order: a row or cell numbered before the one it
    // follows, or beyond the grid, is damage and named.
    void readSheet(QXmlStreamReader& xml, SheetTable& t) {
        int row = 0;
        int column = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            if (xml.name() == u"row") {
                const QStringView r = xml.attributes().value(QLatin1String("r"));
                bool ok = true;
                const qint64 n = r.isEmpty() ? qint64(row) + 1 : r.toLongLong(&ok);
                if (!ok || n < 1 || n > kMaxRows)
                    throw damaged(
                        t.name, row + 1, 0,
                        QStringLiteral("的下一行编号为“%1”，超出了电子表格的%2行").arg(r).arg(kMaxRows));
                if (n <= row)
                    throw damaged(t.name, int(n), 0, QStringLiteral("排在第%1行之后，行的次序颠倒").arg(row));
                row = int(n);
                column = 0;
            } else if (xml.name() == u"c") {
                if (row == 0)
                    row = 1; // cells outside any row element belong to the first row
                readCell(xml, t, row, column);
            }
        }
        if (xml.hasError())
            throw badPart(QStringLiteral("工作表“%1”").arg(t.name), xml);
    }

    void readCell(QXmlStreamReader& xml, SheetTable& t, int row, int& column) {
        const QXmlStreamAttributes a = xml.attributes();
        const QStringView ref = a.value(QLatin1String("r"));
        if (ref.isEmpty()) {
            if (column >= kMaxColumns)
                throw damaged(t.name, row, 0, QStringLiteral("超过%1列").arg(kMaxColumns));
            ++column;
        } else {
            const ParsedRef p = parseRef(ref);
            if (!p.ok)
                throw damaged(
                    t.name, row, 0,
                    QStringLiteral("的单元格“%1”超出了电子表格的范围（最大为XFD%2）").arg(ref).arg(kMaxRows));
            if (p.row != 0 && p.row != row)
                throw damaged(t.name, row, 0, QStringLiteral("中的单元格“%1”不属于这一行").arg(ref));
            if (p.column <= column)
                throw damaged(t.name, row, p.column,
                              QStringLiteral("排在%1列之后，单元格的次序颠倒").arg(columnLetters(column)));
            column = p.column;
        }
        textRow_ = row;
        textColumn_ = column;
        const QString type = a.value(QLatin1String("t")).toString();
        const int style = a.hasAttribute(QLatin1String("s")) ? a.value(QLatin1String("s")).toInt() : 0;
        QString value;
        bool hasValue = false, hasFormula = false, inlineText = false, unreadable = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement() && xml.name() == u"c")
                break;
            if (!xml.isStartElement())
                continue;
            if (xml.name() == u"v") {
                value.clear();
                elementText(xml, value, unreadable);
                hasValue = true;
            } else if (xml.name() == u"f") {
                hasFormula = true;
                xml.skipCurrentElement();
            } else if (xml.name() == u"is") {
                value = richText(xml, unreadable);
                hasValue = inlineText = true;
            }
        }
        // A formula whose result was never stored (some writers leave an empty value).
        if (unreadable || ((!hasValue || value.isEmpty()) && hasFormula)) {
            t.unreadable.push_back({row, column});
            return;
        }
        if (!hasValue)
            return;
        if (type == u"s" && !inlineText) {
            bool ok = false;
            const int i = value.trimmed().toInt(&ok);
            if (!ok || i < 0 || i >= strings_->size())
                throw damaged(t.name, row, column,
                              QStringLiteral("引用的共享文字第%1项不存在（共有%2项）")
                                  .arg(value.trimmed())
                                  .arg(strings_->size()));
            if (unreadableStrings_.contains(i))
                t.unreadable.push_back({row, column});
            else
                t.setShared(row, column, i);
            return;
        }
        t.set(row, column, cellValue(type, style, value, inlineText));
    }

    QString cellValue(const QString& type, int style, const QString& value, bool inlineText) const {
        if (inlineText || type == u"inlineStr" || type == u"str")
            return value;
        if (type == u"b")
            return value.trimmed() == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        if (type == u"e")
            return value; // the error as the spreadsheet shows it, e.g. #DIV/0!
        if (type == u"d") {
            // An ISO 8601 date or date-time written as such.
            const QString v = value.trimmed();
            const QDateTime dt = QDateTime::fromString(v, Qt::ISODate);
            if (dt.isValid())
                return dt.time() == QTime(0, 0) ? dt.date().toString(QStringLiteral("yyyy-MM-dd"))
                                                : dt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            const QDate d = QDate::fromString(v.left(10), Qt::ISODate);
            return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")) : v;
        }
        const QString v = value.trimmed();
        const NumberKind kind = styleKind(style);
        if (kind == NumberKind::Plain && isWholeNumber(v))
            return v;
        bool ok = false;
        const double number = v.toDouble(&ok);
        if (!ok)
            return value;
        if (kind != NumberKind::Plain && std::isfinite(number) && number >= 0 && number < 2958466)
            return dateText(number, kind);
        return numberText(number);
    }

    QString path_;
    QString fileName_;
    QuaZip zip_;
    QHash<QString, QString> parts_; // lower-case name -> name in the archive
    QHash<QString, QString> relations_;
    QString sharedStringsPath_ = QStringLiteral("xl/sharedStrings.xml");
    QString stylesPath_ = QStringLiteral("xl/styles.xml");
    QStringList sheetParts_;
    QHash<QString, quint64> sizes_; // each part's inflated size, as the archive's directory gives it
    qint64 inflated_ = 0;           // what the parts read so far inflated to
    std::shared_ptr<const TextPool> strings_ = std::make_shared<TextPool>();
    QSet<int> unreadableStrings_;
    // Where the parse is, for a text too long: the sheet (or part) and the cell.
    QString textSheet_;
    int textRow_ = 0;
    int textColumn_ = 0;
    std::vector<NumberKind> styleKinds_;
    bool date1904_ = false;
};

} // namespace

std::unique_ptr<SpreadsheetReader> openXlsx(const QString& path) {
    try {
        return std::make_unique<XlsxReader>(path);
    } catch (const SpreadsheetError& e) {
        throw SpreadsheetError(SpreadsheetError::Kind::CannotOpen, e.description());
    }
}

} // namespace vorlan::customers
