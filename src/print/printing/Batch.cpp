#include "printing/Batch.h"

#include "data/Database.h"
#include "data/Sql.h"
#include "data/UseLock.h"
#include "printing/AmountInWords.h"
#include "printing/BoxFill.h"
#include "printing/PageRenderer.h"
#include "printing/Placement.h"
#include "printing/PrintJobStore.h"
#include "printing/PrinterSetup.h"
#include "templates/PrintLogStore.h"
#include "ui/Printer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QSet>
#include <QtDebug>

namespace vorlan::printing {

using templates::Family;

QList<BatchPoint> batchPoints(const templates::Template& t) {
    QList<BatchPoint> points;
    for (Family f : {Family::Single, Family::Multi}) {
        const templates::PointFamily& fam = t.family(f);
        for (int k = 1; k <= fam.count; ++k)
            if (fam[k].isLive())
                points << BatchPoint{{f, k}, fam[k].name, fam[k].type};
    }
    return points;
}

QString looseName(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (const QChar c : name)
        if (!c.isSpace())
            out += c;
    return out.toCaseFolded();
}

QList<int> mapColumns(const QStringList& header, const QList<BatchPoint>& points) {
    QList<int> map(points.size(), -1);
    QList<bool> taken(header.size(), false);
    // Exact names first, so that a loose match never takes the column another point is named after.
    for (int p = 0; p < points.size(); ++p) {
        const int c = int(header.indexOf(points.at(p).name));
        if (c >= 0 && !taken.at(c)) {
            map[p] = c;
            taken[c] = true;
        }
    }
    for (int p = 0; p < points.size(); ++p) {
        if (map.at(p) >= 0)
            continue;
        const QString want = looseName(points.at(p).name);
        for (int c = 0; c < header.size(); ++c) {
            if (!taken.at(c) && !want.isEmpty() && looseName(header.at(c)) == want) {
                map[p] = c;
                taken[c] = true;
                break;
            }
        }
    }
    return map;
}

QStringList unfilledPoints(const QList<BatchPoint>& points, const QList<int>& map) {
    QStringList names;
    for (int p = 0; p < points.size(); ++p)
        if (map.value(p, -1) < 0)
            names << points.at(p).name;
    return names;
}

QList<int> assignColumn(QList<int> map, int point, int column) {
    if (point < 0 || point >= map.size())
        return map;
    if (column >= 0)
        for (int& c : map)
            if (c == column)
                c = -1;
    map[point] = column < 0 ? -1 : column;
    return map;
}

QString unfilledNotice(const QStringList& unfilled) {
    if (unfilled.isEmpty())
        return QStringLiteral("每个输入点都有列填入。");
    return QStringLiteral("没有列填入的输入点（用打印窗口中输入的内容）：") +
           unfilled.join(QStringLiteral("、"));
}

BatchData readBatchData(customers::SpreadsheetReader& reader, const QString& sheet, int firstRow,
                        int lastRow) {
    BatchData data;
    data.source = BatchData::Source::Spreadsheet;
    data.sheet = sheet.isEmpty() ? reader.sheetNames().value(0) : sheet;
    const int rows = std::min(reader.rowCount(data.sheet), lastRow);
    const int columns = reader.columnCount(data.sheet);
    for (int c = 1; c <= columns; ++c)
        data.header << reader.cellText(data.sheet, 1, c).trimmed();
    for (int r = std::max(firstRow, 2); r <= rows; ++r) {
        QStringList values;
        bool any = false;
        for (int c = 1; c <= columns; ++c) {
            values << reader.cellText(data.sheet, r, c);
            any = any || !values.last().isEmpty();
        }
        // A row without any value is a gap in the sheet, not an empty sheet to print.
        if (!any)
            continue;
        data.rows << values;
        data.rowNumbers << r;
    }
    auto inRows = [&](const customers::CellRef& c) {
        return c.row >= std::max(firstRow, 2) && c.row <= rows;
    };
    for (const customers::CellRef& c : reader.unreadableCells(data.sheet))
        if (inRows(c))
            data.unreadable.push_back(c);
    for (const customers::CellRef& c : reader.impreciseCells(data.sheet))
        if (inRows(c))
            data.imprecise.push_back(c);
    return data;
}

namespace {

// The cells among these that lie in the chosen rows and in a column the mapping uses, named (the first
// twenty, then "等"), with their count.
std::pair<int, QString> chosenCells(const BatchJob& job, const std::vector<customers::CellRef>& cells) {
    if (job.data.source != BatchData::Source::Spreadsheet || cells.empty())
        return {0, QString()};
    QSet<int> rows;
    for (int i : job.chosen)
        rows.insert(job.data.rowNumbers.value(i));
    QStringList named;
    int count = 0;
    for (const customers::CellRef& c : cells) {
        if (!rows.contains(c.row) || !job.map.contains(c.column - 1))
            continue;
        if (++count <= 20)
            named << customers::cellName(c.row, c.column);
    }
    QString where = named.join(QStringLiteral("、"));
    if (count > 20)
        where += QStringLiteral("等");
    return {count, where};
}

} // namespace

QString unreadableBatchCells(const BatchJob& job) {
    const auto [count, where] = chosenCells(job, job.data.unreadable);
    if (count == 0)
        return QString();
    return QStringLiteral(
               "工作表“%1”中有%2个要打印的单元格读不出内容（公式没有保存结果，或文字无法读取）：%3。\n"
               "请在Excel中检查并另存这个文件后再打印。批量打印没有开始。")
        .arg(job.data.sheet)
        .arg(count)
        .arg(where);
}

QString impreciseBatchQuestion(const BatchJob& job) {
    const auto [count, where] = chosenCells(job, job.data.imprecise);
    if (count == 0)
        return QString();
    return QStringLiteral(
               "工作表“%1”中有%2个要打印的单元格是大于9007199254740992的长数字，文件里只存有它们的近似值，"
               "末尾几位可能不对：%3。\n如是账号等号码，请在Excel中把这些列设为文本格式、重新输入后再打印。\n"
               "是否仍然打印？选择‘是’按近似值打印；选择‘否’不打印。")
        .arg(job.data.sheet)
        .arg(count)
        .arg(where);
}

BatchData customerData(const std::vector<customers::Customer>& list) {
    BatchData data;
    data.source = BatchData::Source::Customers;
    data.header = templates::customerBindings();
    int n = 0;
    for (const customers::Customer& c : list) {
        data.rows << QStringList(c.begin(), c.end());
        data.rowNumbers << ++n;
    }
    return data;
}

std::optional<std::pair<int, int>> parseRowRange(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,9})\\s*(?:-\\s*(\\d{1,9})\\s*)?$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int a = m.captured(1).toInt();
    const int b = m.captured(2).isEmpty() ? a : m.captured(2).toInt();
    if (a < 1 || b < a)
        return std::nullopt;
    return std::pair{a, b};
}

QList<int> rowsInRange(const BatchData& data, int first, int last) {
    QList<int> out;
    for (int i = 0; i < data.rowNumbers.size(); ++i)
        if (data.rowNumbers.at(i) >= first && data.rowNumbers.at(i) <= last)
            out << i;
    return out;
}

QList<int> allRows(const BatchData& data) {
    QList<int> out;
    for (int i = 0; i < data.rows.size(); ++i)
        out << i;
    return out;
}

QList<int> chosenRows(const BatchData& data, RowChoice choice, const QString& range,
                      const QList<int>& ticked) {
    switch (choice) {
    case RowChoice::All:
        return allRows(data);
    case RowChoice::Range:
        if (const auto r = parseRowRange(range))
            return rowsInRange(data, r->first, r->second);
        return {};
    case RowChoice::Ticked:
        break;
    }
    QList<int> out;
    for (int row : ticked)
        if (row >= 0 && row < data.rows.size())
            out << row;
    return out;
}

QList<int> filledColumns(const templates::Template& t, const BatchData& data, const QList<BatchPoint>& points,
                         const QList<int>& map) {
    if (data.source == BatchData::Source::Spreadsheet) {
        QList<int> out;
        for (int p = 0; p < points.size(); ++p) {
            const int c = map.value(p, -1);
            out << (c >= 0 && c < data.header.size() ? c : -1);
        }
        return out;
    }
    QList<int> out;
    const templates::Party party = batchParty(t);
    for (const BatchPoint& p : points) {
        const templates::InputPoint& point = t.family(p.ref.family)[p.ref.slot];
        const bool filled = point.party == party && templates::customerBindings().contains(point.binding);
        out << (filled ? int(data.header.indexOf(point.binding)) : -1);
    }
    return out;
}

namespace {

// Where a row came from, for messages: its worksheet row, or the customer.
QString rowLabel(const BatchJob& job, int row) {
    if (job.data.source == BatchData::Source::Customers)
        return QStringLiteral("客户“%1”").arg(job.data.rows.at(row).value(0));
    return QStringLiteral("第%1行").arg(job.data.rowNumbers.value(row));
}

// The column that filled the sheet's field of that index (the sheet's fields and batchPoints share their
// order); empty when the print window's text was printed there.
QString fieldColumn(const BatchJob& job, int field) {
    const QList<BatchPoint> points = batchPoints(job.tmpl);
    const int column = filledColumns(job.tmpl, job.data, points, job.map).value(field, -1);
    return column >= 0 ? job.data.header.value(column) : QString();
}

} // namespace

namespace {

PrintSheet withSettings(PrintSheet sheet, const PrintSettings& settings) {
    sheet.settings = settings;
    return sheet;
}

} // namespace

PrintSheet batchSheet(const BatchJob& job, int i, QString* problem) {
    const int row = job.chosen.value(i, -1);
    if (row < 0 || row >= job.data.rows.size())
        return withSettings(buildSheet(job.tmpl, job.common, job.allup, job.allleft), job.settings);
    const QStringList& values = job.data.rows.at(row);
    BoxTexts texts = job.common;
    const QList<BatchPoint> points = batchPoints(job.tmpl);
    QList<int> columnOf(points.size(), -1); // for the messages: which column filled the point
    if (job.data.source == BatchData::Source::Customers) {
        // Every customer-bound box of the batch's party, exactly as a pick of that customer fills it; the
        // other party's boxes keep what the print window holds.
        const BoxTexts fills = pickFills(job.tmpl, PickResult::customer(0, values, batchParty(job.tmpl)));
        for (auto it = fills.constBegin(); it != fills.constEnd(); ++it)
            texts.insert(it.key(), it.value());
    } else {
        for (int p = 0; p < points.size(); ++p) {
            const int c = job.map.value(p, -1);
            if (c < 0)
                continue;
            texts.insert(points.at(p).ref, values.value(c));
            columnOf[p] = c;
        }
    }
    // Amounts in words from the row are converted as Enter converts a typed figure; the window's own text
    // of an unfilled point is printed as it stands, as a single print would.
    for (int p = 0; p < points.size(); ++p) {
        const BatchPoint& point = points.at(p);
        if (point.type != templates::type::AmountInWords || point.ref.family != Family::Single)
            continue;
        const QString& binding = job.tmpl.single[point.ref.slot].binding;
        const bool fromRow = job.data.source == BatchData::Source::Customers
                                 ? templates::customerBindings().contains(binding) &&
                                       job.tmpl.single[point.ref.slot].party == batchParty(job.tmpl)
                                 : columnOf.at(p) >= 0;
        if (!fromRow)
            continue;
        const QString typed = texts.value(point.ref);
        if (typed.trimmed().isEmpty())
            continue;
        const AmountConversion conv = convertAmountText(typed);
        if (conv.outcome == AmountConversion::Outcome::Converted) {
            texts.insert(point.ref, conv.text);
            continue;
        }
        if (problem) {
            const QString column = columnOf.at(p) >= 0 ? job.data.header.value(columnOf.at(p)) : binding;
            *problem =
                conv.outcome == AmountConversion::Outcome::NotANumber
                    ? QStringLiteral("%1“%2”列的内容“%3”不是数字，不能填入大写金额“%4”。")
                          .arg(rowLabel(job, row), column, typed.trimmed(), point.name)
                    : QStringLiteral("%1“%2”列的金额“%3”太大，不能转换为大写金额“%4”，请手工填写大写金额。")
                          .arg(rowLabel(job, row), column, typed.trimmed(), point.name);
        }
        return PrintSheet{};
    }
    return withSettings(buildSheet(job.tmpl, texts, job.allup, job.allleft), job.settings);
}

BatchBuild buildBatch(const BatchJob& job) {
    BatchBuild out;
    const QString notStarted = QStringLiteral("批量打印没有开始，请修改后再打印。");
    if (job.chosen.isEmpty()) {
        out.problem = batchNothingChosenText();
        return out;
    }
    if (const QString cells = unreadableBatchCells(job); !cells.isEmpty()) {
        out.problem = cells;
        return out;
    }
    out.sheets.reserve(job.chosen.size());
    for (int i = 0; i < job.chosen.size(); ++i) {
        QString problem;
        PrintSheet sheet = batchSheet(job, i, &problem);
        if (!problem.isEmpty()) {
            out.sheets.clear();
            out.problem = QStringLiteral("第%1张：").arg(i + 1) + problem + u'\n' + notStarted;
            return out;
        }
        const SheetPlacement placed = placeSheet(sheet);
        if (placed.badOffset) {
            out.sheets.clear();
            out.problem = QStringLiteral("整体打印位置的偏移不是数字。") + notStarted;
            return out;
        }
        if (!placed.ok) {
            out.sheets.clear();
            QString where = rowLabel(job, job.chosen.at(i));
            // A value its symbol cannot take is the row's cell to correct: named by its column too.
            if (const QString column = fieldColumn(job, placed.failedField);
                placed.fault == PlacementFault::Symbol && !column.isEmpty())
                where += QStringLiteral("，“%1”列").arg(column);
            out.problem = QStringLiteral("第%1张（%2）：").arg(i + 1).arg(where) +
                          placementMessage(sheet, placed) + u'\n' + notStarted;
            return out;
        }
        out.sheets << std::move(sheet);
    }
    return out;
}

std::unique_ptr<QPrinter> openBatchPrinter(const QString& documentName, const QString& queue,
                                           QString* problem, const PrintSettings& settings,
                                           QString* missingNotice) {
    if (queue.isEmpty()) {
        OpenedPrinter opened = openPrinter(documentName, settings);
        if (problem)
            *problem = opened.problem;
        if (missingNotice && !opened.missingPrinter.isEmpty())
            *missingNotice = missingPrinterText(opened.missingPrinter, opened.printerUsed);
        return std::move(opened.printer);
    }
    auto printer = ui::openNamedPrinter(queue, problem);
    if (!printer)
        return printer;
    printer->setFullPage(false);
    printer->setCopyCount(1);
    printer->setDocName(documentName);
    applySettings(*printer, settings, QPrinterInfo::printerInfo(queue).supportedPageSizes());
    return printer;
}

BatchOutcome printBatch(QPrinter& printer, const QList<PrintSheet>& sheets, const BatchProgress& progress) {
    const int dpi = symbolDotsPerInch(printer);
    return printPages(
        printer, int(sheets.size()),
        [&sheets, dpi](int i) -> std::optional<PrintPage> {
            SheetPlacement placed = placeSheet(sheets.at(i), dpi);
            if (!placed.ok)
                return std::nullopt;
            return PrintPage{std::move(placed.items), sheets.at(i).settings.origin};
        },
        progress);
}

LogResult logBatch(const QList<PrintSheet>& sheets, const SpooledAs& job, bool reprint) {
    LogResult result;
    if (sheets.isEmpty())
        return result;
    result.templateName = sheets.first().templateName;
    QList<QList<templates::LogValue>> rows;
    rows.reserve(sheets.size());
    for (const PrintSheet& sheet : sheets) {
        QList<templates::LogValue> values;
        for (const PrintField& f : sheet.fields)
            if (!f.name.isEmpty())
                values << templates::LogValue{f.name, trimBlanks(f.text)};
        rows << values;
    }
    try {
        const data::Engine engine = data::sharedEngine();
        const templates::PrintLogStore logs(engine);
        data::Transaction tx(engine);
        const QList<qint64> keys = logs.insertMany(result.templateName, QDateTime::currentDateTime(), rows);
        PrintJobStore(engine).record(logs.tableName(result.templateName), keys, job, reprint);
        tx.commit();
    } catch (const templates::MissingLogTable& e) {
        result.status = LogResult::Status::NoLogTable;
        result.description = e.description();
    } catch (const data::DbError& e) {
        result.status = LogResult::Status::Failed;
        result.description = e.description();
    }
    return result;
}

BatchRun runBatch(QPrinter& printer, const QList<PrintSheet>& sheets, bool log,
                  const BatchProgress& progress) {
    BatchRun run;
    // Held from the first page to the log: a compaction meanwhile would take the log's database away.
    const data::UseLock hold = data::UseLock::forPrinting(
        QStringLiteral("打印窗口中模板“%1”的%2张").arg(sheets.value(0).templateName).arg(sheets.size()));
    run.printed = printBatch(printer, sheets, progress);
    // Only a job the printer accepted is logged; nothing of a cancelled or failed one.
    if (run.printed.ok() && log)
        run.logged = logBatch(sheets, run.printed.job);
    return run;
}

QString batchPrinterFailedText() {
    return QStringLiteral("打印机未准备好或有故障!批量打印的各张都没有打印，也没有保存打印记录。");
}

QString batchNothingChosenText() {
    return QStringLiteral("没有选中要打印的行！");
}

} // namespace vorlan::printing
