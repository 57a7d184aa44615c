#include "printing/PrintActions.h"

#include "data/Database.h"
#include "data/Schema.h"
#include "data/Sql.h"
#include "printing/PageRenderer.h"
#include "printing/Placement.h"
#include "templates/PrintLogStore.h"
#include "ui/Prompt.h"

#include <QDateTime>
#include <QPainter>

namespace vorlan::printing {

namespace {

void reportBadOffset(QWidget* parent, const PrintSheet& sheet)
{
    const bool upBad = !offsetTwips(sheet.allupText).has_value();
    const QString text = upBad ? sheet.allupText : sheet.allleftText;
    ui::exclamation(parent,
                    QStringLiteral("整体打印位置的%1偏移“%2”不是一个数字，请改正后再打印。")
                        .arg(upBad ? QStringLiteral("上下") : QStringLiteral("左右"), text.trimmed()),
                    QStringLiteral("提示"));
}

} // namespace

bool printSheet(QWidget* parent, const PrintSheet& sheet)
{
    const SheetPlacement placed = placeSheet(sheet);
    if (placed.badOffset) {
        reportBadOffset(parent, sheet);
        return false;
    }
    if (!placed.ok) {
        // A value that would land outside the page's coordinate range: nothing of the page is sent, and
        // the user learns which input point is at fault, not that the printer is.
        ui::exclamation(parent, placementMessage(sheet, placed), QStringLiteral("提示"));
        return false;
    }
    return printPage(parent, sheet.templateName, placed.chars);
}

bool drawSheet(QPainter& painter, const PrintSheet& sheet)
{
    const SheetPlacement placed = placeSheet(sheet);
    // Like the paper, the preview shows what was placed before a failure.
    paintPlaced(painter, placed.chars);
    return placed.ok;
}

bool logSheet(QWidget* parent, const PrintSheet& sheet)
{
    QList<templates::LogValue> values;
    for (const PrintField& f : sheet.fields)
        if (!f.name.isEmpty()) values << templates::LogValue{f.name, trimBlanks(f.text)};
    QString text;
    try {
        templates::PrintLogStore(data::shared()).insert(sheet.templateName, QDateTime::currentDateTime(), values);
        return true;
    } catch (const templates::MissingLogTable&) {
        text = QStringLiteral("本张已经打印，但模板“%1”还没有打印记录表，这次的打印明细没有保存。\n"
                              "请在“模板设计”中保存一次该模板，以后的打印就会记录下来。")
                   .arg(sheet.templateName);
    } catch (const data::DbError& e) {
        text = QStringLiteral("本张已经打印，但打印明细没有保存到模板“%1”的打印记录表：%2")
                   .arg(sheet.templateName, e.description());
    }
    ui::exclamation(parent, text, QStringLiteral("提示"));
    return false;
}

} // namespace vorlan::printing
