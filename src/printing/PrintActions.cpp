#include "printing/PrintActions.h"

#include "data/Database.h"
#include "data/Schema.h"
#include "data/Sql.h"
#include "printing/PageRenderer.h"
#include "printing/Placement.h"

#include <QDateTime>
#include <QPainter>

namespace vorlan::printing {

namespace {

// Why the placement refused the sheet, as an outcome; Printed when every field was placed.
PrintOutcome refusal(const PrintSheet& sheet, const SheetPlacement& placed)
{
    PrintOutcome out;
    if (placed.badOffset) {
        out.status = PrintStatus::OffsetInvalid;
        const bool upBad = !offsetTwips(sheet.allupText).has_value();
        out.offsetBox = upBad ? OffsetBox::Vertical : OffsetBox::Horizontal;
        out.offsetText = upBad ? sheet.allupText : sheet.allleftText;
    } else if (!placed.ok) {
        out.status = PrintStatus::OutOfRange;
        out.field = placed.failedField;
        if (placed.failedField >= 0 && placed.failedField < sheet.fields.size())
            out.fieldName = sheet.fields.at(placed.failedField).name;
        out.fault = placed.fault;
    }
    return out;
}

} // namespace

PrintOutcome printSheet(const PrintSheet& sheet)
{
    const SheetPlacement placed = placeSheet(sheet);
    // A sheet that cannot be placed whole is not sent at all: the printer is not at fault.
    if (PrintOutcome refused = refusal(sheet, placed); !refused.ok()) return refused;
    return printPage(sheet.templateName, placed.chars);
}

PrintOutcome drawSheet(QPainter& painter, const PrintSheet& sheet)
{
    const SheetPlacement placed = placeSheet(sheet);
    paintPlaced(painter, placed.chars);
    return refusal(sheet, placed);
}

LogResult logSheet(const PrintSheet& sheet)
{
    QStringList columns{data::quoteId(QStringLiteral("打印日期"))};
    QVariantList values{data::dateTimeText(QDateTime::currentDateTime())};
    for (const PrintField& f : sheet.fields) {
        if (f.name.isEmpty()) continue;
        columns << data::quoteId(f.name);
        values << data::textValue(trimBlanks(f.text)); // an empty box logs the empty text, not Null
    }
    QStringList marks;
    for (qsizetype i = 0; i < values.size(); ++i) marks << QStringLiteral("?");
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(data::quoteId(sheet.templateName), columns.join(QStringLiteral(", ")),
                                 marks.join(QStringLiteral(", ")));
    const QSqlDatabase db = data::shared();
    LogResult result;
    result.templateName = sheet.templateName;
    try {
        // A template named like a base table never has a log table of its own.
        if (data::schema::isBaseTable(sheet.templateName) || sheet.templateName.trimmed().isEmpty())
            throw data::DbError(QStringLiteral("模板名称不能用作打印记录表的名称"));
        data::exec(db, sql, values);
        return result;
    } catch (const data::DbError& e) {
        bool noTable = false;
        try {
            noTable = db.isOpen() && !data::tableExists(db, sheet.templateName);
        } catch (const data::DbError&) {
        }
        result.status = noTable ? LogResult::Status::NoLogTable : LogResult::Status::Failed;
        result.description = e.description();
        return result;
    }
}

} // namespace vorlan::printing
