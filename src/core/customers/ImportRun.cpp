#include "customers/ImportRun.h"

#include "data/Sql.h"

#include <algorithm>

namespace vorlan::customers {

std::optional<MissingBox> missingBox(const PanelTexts& texts, ReadAction action) {
    if (texts.startRow.isEmpty())
        return MissingBox::StartRow;
    if (texts.sheet.isEmpty())
        return MissingBox::Sheet;
    if (action == ReadAction::All && texts.letters.value(kNameField).isEmpty())
        return MissingBox::NameColumn;
    return std::nullopt;
}

QString failureMessage(ReadAction action, const QString& sheet) {
    QString description;
    try {
        throw;
    } catch (const SpreadsheetError& e) {
        if (e.kind() == SpreadsheetError::Kind::NoSuchSheet)
            return QStringLiteral("读取Excel文件内的工作表名是否为：") + sheet +
                   QStringLiteral("，请检查！如不是，请输入正确的工作表名");
        description = e.description();
    } catch (const data::DbError& e) {
        description = e.description();
    } catch (const ImportStop& e) {
        description = e.description;
    }
    return action == ReadAction::Next ? description : QStringLiteral("vorlan") + description;
}

void ImportFile::open(const QString& path) {
    // Only one spreadsheet is read at a time: whatever was open is closed first.
    path_ = path.trimmed();
    reader_.reset();
    usedRows_ = usedColumns_ = 0;
    if (path_.isEmpty())
        return;
    std::unique_ptr<SpreadsheetReader> r = openSpreadsheet(path_);
    usedRows_ = r->usedRows();
    usedColumns_ = r->usedColumns();
    reader_ = std::move(r);
}

SpreadsheetReader& ImportFile::reader() {
    if (!reader_)
        throw ImportStop{QStringLiteral("Excel文件已经关闭，请先点击“打开Excel文件”！")};
    return *reader_;
}

ReadPlan planRead(const PanelTexts& texts, ReadAction action, int usedRows, int usedColumns) {
    const auto first = startRow(texts.startRow);
    if (!first)
        throw ImportStop{QStringLiteral("读工作表内起始行“%1”不是大于0的整数，请检查！").arg(texts.startRow)};
    ReadPlan plan;
    plan.sheet = texts.sheet;
    plan.firstRow = *first;
    plan.lastRow = action == ReadAction::All ? usedRows : *first;
    plan.columns = columnsToRead(fieldColumns(texts.letters), usedColumns);
    return plan;
}

QString rowAfter(int row) {
    return QString::number(qint64(row) + 1);
}

namespace {

UnreadableCells cellsRead(const std::vector<CellRef>& cells, const ReadPlan& plan) {
    UnreadableCells out;
    const FieldColumns& read = plan.columns;
    for (const CellRef& cell : cells) {
        if (cell.row < plan.firstRow || cell.row > plan.lastRow)
            continue;
        if (std::find(read.begin(), read.end(), cell.column) == read.end())
            continue;
        if (++out.count <= UnreadableCells::kNamed)
            out.named << QStringLiteral("第%1行%2列").arg(cell.row).arg(columnLetters(cell.column));
    }
    return out;
}

QString cellList(const UnreadableCells& cells) {
    QString where = cells.named.join(QStringLiteral("、"));
    if (cells.count > UnreadableCells::kNamed)
        where += QStringLiteral("等");
    return where;
}

} // namespace

UnreadableCells unreadableCells(SpreadsheetReader& reader, const ReadPlan& plan) {
    return cellsRead(reader.unreadableCells(plan.sheet), plan);
}

UnreadableCells impreciseCells(SpreadsheetReader& reader, const ReadPlan& plan) {
    return cellsRead(reader.impreciseCells(plan.sheet), plan);
}

QString impreciseQuestion(const QString& sheet, const UnreadableCells& cells) {
    return QStringLiteral("工作表“%1”中有%2个要读取的单元格是大于9007199254740992的长数字，文件里只存有它们的"
                          "近似值，末尾几位可能不对：%"
                          "3。\n如是账号等号码，请在Excel中把这些列设为文本格式、重新输入后再读取。\n"
                          "是否仍然读取？选择‘是’表示按近似值读取；选择‘否’表示停止读取，不保存任何记录。")
        .arg(sheet)
        .arg(cells.count)
        .arg(cellList(cells));
}

QString unreadableQuestion(const QString& sheet, const UnreadableCells& cells) {
    const QString where = cellList(cells);
    return QStringLiteral(
               "工作表“%1”中有%2个要读取的单元格是公式或含有程序无法读取的文字，程序读不出它们的值：%3。\n"
               "如果继续，这些单元格将按空白读取。是否继续读取？\n"
               "选择‘是’表示继续读取；选择‘否’表示停止读取，不保存任何记录。")
        .arg(sheet)
        .arg(cells.count)
        .arg(where);
}

void readRow(SpreadsheetReader& reader, const ReadPlan& plan, int row, Customer& c) {
    for (int k = 0; k < kFieldCount; ++k)
        if (plan.columns[k] > 0)
            c[k] = reader.cellText(plan.sheet, row, plan.columns[k]);
}

QString existingQuestion(const QString& trimmedName) {
    return QStringLiteral("已经存在客户名称为 ") + trimmedName +
           QStringLiteral(" 的记录,是否复盖原有记录？1、选择‘是’表示会复盖原有记录，等人工读取；"
                          "2、选择‘否’表示不保存此记录，继续读取下一条；3、选择‘取消’表示读取全部数据停止！");
}

namespace {

// The read-all loop; `shown` is what the edit boxes are to show, kept for a failure.
ImportSummary readRows(SpreadsheetReader& reader, const ReadPlan& plan, ImportSession& session,
                       const ImportHooks& hooks, Customer& shown) {
    ImportSummary s;
    auto show = [&] {
        if (hooks.show)
            hooks.show(shown);
    };
    auto saved = [&](RowId id, const Customer& c) {
        if (hooks.saved)
            hooks.saved(id, c);
        shown = Customer{}; // the boxes are emptied for the next record
    };
    int i = plan.firstRow;
    for (; i <= plan.lastRow; ++i) {
        readRow(reader, plan, i, shown);
        const QString name = shown[kNameField];
        if (!session.exists(name)) {
            const Customer c = trimmed(shown);
            saved(session.insert(c), c);
            ++s.added;
            continue;
        }
        // Everything saved so far is made durable before the user is asked or the import stops.
        session.commit();
        show();
        if (name.trimmed().isEmpty()) {
            s.end = ImportSummary::End::EmptyName;
            return s;
        }
        const ExistingAnswer a = hooks.existing ? hooks.existing(name.trimmed()) : ExistingAnswer::Stop;
        if (a == ExistingAnswer::Stop) {
            s.end = ImportSummary::End::Stopped;
            return s;
        }
        if (a == ExistingAnswer::Skip) {
            ++s.skipped;
            continue;
        }
        // The lookup took the name as read; the row is written trimmed.
        const Customer c = trimmed(shown);
        const ImportSession::Replaced r = session.replace(name, c);
        if (hooks.removed)
            hooks.removed(r.removed);
        saved(r.added, c);
        ++s.replaced;
    }
    session.commit();
    show();
    s.nextRow = i;
    s.end = i == plan.lastRow + 1 ? ImportSummary::End::Done : ImportSummary::End::PastTheEnd;
    return s;
}

} // namespace

ImportSummary readAll(SpreadsheetReader& reader, const ReadPlan& plan, const QSqlDatabase& db,
                      const ImportHooks& hooks) {
    Customer shown;
    ImportSession session(db); // commits, also on the way out of a failure
    try {
        return readRows(reader, plan, session, hooks, shown);
    } catch (...) {
        if (hooks.show)
            hooks.show(shown);
        throw;
    }
}

} // namespace vorlan::customers
