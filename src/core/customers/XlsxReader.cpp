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

#include <cmath>

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

// "AB12" -> column 28; 0 for a reference without letters.
int referenceColumn(QStringView ref) {
    int column = 0;
    for (const QChar c : ref) {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z')
            column = column * 26 + (u - u'A' + 1);
        else if (u >= u'a' && u <= u'z')
            column = column * 26 + (u - u'a' + 1);
        else
            break;
        if (column > 16384)
            return 0;
    }
    return column;
}

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
        const QStringList names = zip_.getFileNameList();
        for (const QString& n : names)
            parts_.insert(n.toLower(), n);

        const QByteArray workbook = part(QStringLiteral("xl/workbook.xml"), true);
        readRelationships(part(QStringLiteral("xl/_rels/workbook.xml.rels"), true));
        readWorkbook(workbook);
        if (tables_.empty())
            throw SpreadsheetError(SpreadsheetError::Kind::CannotOpen,
                                   QStringLiteral("文件“%1”内没有工作表！").arg(fileName_));
        readSharedStrings(part(sharedStringsPath_, false));
        readStyles(part(stylesPath_, false));
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
    SpreadsheetError badPart(const QString& what, const QXmlStreamReader& xml) const {
        return SpreadsheetError(
            SpreadsheetError::Kind::CannotOpen,
            QStringLiteral("文件“%1”的%2无法读取（第%3行：%4），文件可能已经损坏，请检查！")
                .arg(fileName_, what)
                .arg(xml.lineNumber())
                .arg(xml.errorString()));
    }

    // The bytes of a part; an empty array for a part the archive does not hold (an error when required).
    QByteArray part(const QString& path, bool required) {
        const QString actual = parts_.value(path.toLower());
        if (actual.isEmpty() || !zip_.setCurrentFile(actual)) {
            if (required)
                throw broken();
            return QByteArray();
        }
        QuaZipFile file(&zip_);
        if (!file.open(QIODevice::ReadOnly))
            throw broken();
        QByteArray bytes = file.readAll();
        file.close();
        if (file.getZipError() != UNZ_OK)
            throw broken();
        return bytes;
    }

    void readRelationships(const QByteArray& bytes) {
        QXmlStreamReader xml(bytes);
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

    void readWorkbook(const QByteArray& bytes) {
        QXmlStreamReader xml(bytes);
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

    // The text of an <si> or <is> element: its <t>, or the <t> of each rich-text run (phonetic runs left
    // out).
    static QString richText(QXmlStreamReader& xml) {
        QString text;
        const QString end = xml.name().toString();
        int depthInPhonetic = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                if (xml.name() == u"rPh")
                    ++depthInPhonetic;
                else if (xml.name() == u"t" && depthInPhonetic == 0)
                    text += xml.readElementText();
            } else if (xml.isEndElement()) {
                if (xml.name() == u"rPh")
                    --depthInPhonetic;
                else if (xml.name() == end)
                    break;
            }
        }
        return text;
    }

    void readSharedStrings(const QByteArray& bytes) {
        if (bytes.isEmpty())
            return;
        QXmlStreamReader xml(bytes);
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"si")
                strings_ << richText(xml);
        }
        if (xml.hasError())
            throw badPart(QStringLiteral("共享文字表"), xml);
    }

    void readStyles(const QByteArray& bytes) {
        if (bytes.isEmpty())
            return;
        QHash<int, NumberKind> custom;
        QXmlStreamReader xml(bytes);
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
        QByteArray bytes;
        try {
            bytes = part(path, true);
        } catch (const SpreadsheetError& e) {
            throw SpreadsheetError(SpreadsheetError::Kind::Read, e.description());
        }
        QXmlStreamReader xml(bytes);
        int row = 0;
        int column = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            if (xml.name() == u"row") {
                const int r = xml.attributes().value(QLatin1String("r")).toInt();
                row = r > 0 ? r : row + 1;
                column = 0;
            } else if (xml.name() == u"c") {
                readCell(xml, t, row, column);
            }
        }
        if (xml.hasError()) {
            const SpreadsheetError e = badPart(QStringLiteral("工作表“%1”").arg(t.name), xml);
            throw SpreadsheetError(SpreadsheetError::Kind::Read, e.description());
        }
        std::sort(t.unreadable.begin(), t.unreadable.end(), [](const CellRef& a, const CellRef& b) {
            return a.row != b.row ? a.row < b.row : a.column < b.column;
        });
    }

    void readCell(QXmlStreamReader& xml, SheetTable& t, int row, int& column) {
        const QXmlStreamAttributes a = xml.attributes();
        const int c = referenceColumn(a.value(QLatin1String("r")));
        column = c > 0 ? c : column + 1;
        const QString type = a.value(QLatin1String("t")).toString();
        const int style = a.hasAttribute(QLatin1String("s")) ? a.value(QLatin1String("s")).toInt() : 0;
        QString value;
        bool hasValue = false, hasFormula = false, inlineText = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement() && xml.name() == u"c")
                break;
            if (!xml.isStartElement())
                continue;
            if (xml.name() == u"v") {
                value = xml.readElementText();
                hasValue = true;
            } else if (xml.name() == u"f") {
                hasFormula = true;
                xml.skipCurrentElement();
            } else if (xml.name() == u"is") {
                value = richText(xml);
                hasValue = inlineText = true;
            }
        }
        // A formula whose result was never stored (some writers leave an empty value).
        if (!hasValue || (hasFormula && value.isEmpty())) {
            if (hasFormula)
                t.unreadable.push_back({row, column});
            return;
        }
        t.set(row, column, cellValue(type, style, value, inlineText));
    }

    QString cellValue(const QString& type, int style, const QString& value, bool inlineText) const {
        if (inlineText || type == u"inlineStr" || type == u"str")
            return value;
        if (type == u"s") {
            bool ok = false;
            const int i = value.trimmed().toInt(&ok);
            return ok && i >= 0 && i < strings_.size() ? strings_.at(i) : QString();
        }
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
        bool ok = false;
        const double number = value.trimmed().toDouble(&ok);
        if (!ok)
            return value;
        const NumberKind kind = styleKind(style);
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
    QStringList strings_;
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
