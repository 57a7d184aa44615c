#include "printing/Reprint.h"

#include "data/Database.h"
#include "data/Sql.h"
#include "printing/AmountInWords.h"
#include "printing/Placement.h"
#include "printing/PrintJobStore.h"
#include "printing/PrintSettingsStore.h"
#include "templates/TemplateStore.h"

namespace vorlan::printing {

using templates::PrintLogStore;

namespace {

QString quotedList(const QStringList& names) {
    QString out;
    for (const QString& n : names)
        out += QStringLiteral("“%1”").arg(n);
    return out;
}

// The print time of a logged sheet, for the messages.
QString printedAt(const ReprintJob& job, int i) {
    const qsizetype date = job.table.columns.indexOf(PrintLogStore::kDateColumn);
    return date < 0 ? QString() : job.sheets.at(i).values.value(date);
}

} // namespace

QList<LoggedSheet> readLoggedSheets(QSqlQuery& query, const templates::LogTable& table) {
    QList<LoggedSheet> out;
    const int n = int(table.columns.size());
    while (query.next()) {
        LoggedSheet s;
        s.id = query.value(0).toLongLong();
        s.values.reserve(n);
        for (int c = 0; c < n; ++c)
            s.values << data::nullToEmpty(query.value(c + 1));
        out << std::move(s);
    }
    return out;
}

ReprintMapping reprintMapping(const QStringList& logColumns, const QList<BatchPoint>& points) {
    ReprintMapping m;
    QList<bool> used(logColumns.size(), false);
    for (const BatchPoint& p : points) {
        // The column the log made for the point has its name; a second point of a name differing only in
        // letter case shares the database's one column.
        qsizetype c = logColumns.indexOf(p.name);
        if (c < 0)
            for (qsizetype i = 0; i < logColumns.size() && c < 0; ++i)
                if (PrintLogStore::sameName(logColumns.at(i), p.name))
                    c = i;
        if (c >= 0 && logColumns.at(c) == PrintLogStore::kDateColumn)
            c = -1;
        m.columnOf << int(c);
        if (c < 0)
            m.unfilled << p.name;
        else
            used[c] = true;
    }
    for (qsizetype i = 0; i < logColumns.size(); ++i)
        if (!used.at(i) && logColumns.at(i) != PrintLogStore::kDateColumn)
            m.dropped << logColumns.at(i);
    return m;
}

QString reprintMappingNotice(const QString& templateName, const ReprintMapping& mapping) {
    QStringList lines;
    if (!mapping.dropped.isEmpty())
        lines << QStringLiteral("模板“%1”中已经没有输入点%2，打印记录中这些列的内容不再打印。")
                     .arg(templateName, quotedList(mapping.dropped));
    if (!mapping.unfilled.isEmpty())
        lines << QStringLiteral("输入点%1在打印记录中没有对应的列，重新打印时为空。")
                     .arg(quotedList(mapping.unfilled));
    return lines.join(u'\n');
}

QString reprintLogText(bool log) {
    return log ? QStringLiteral("重新打印的各张另外记入打印记录，每张增加一条新的记录。")
               : QStringLiteral("重新打印不增加打印记录（各张在第一次打印时已经记录）。");
}

std::optional<ReprintJob> loadReprint(const data::Engine& engine, const QString& templateName,
                                      QString* problem) {
    ReprintJob job;
    job.tmpl = templates::TemplateStore(engine).load(templateName).tmpl;
    if (!job.tmpl.hasHeader && job.tmpl.livePointCount() == 0) {
        *problem = QStringLiteral("模板“%1”不存在！").arg(templateName);
        return std::nullopt;
    }
    job.tmpl.name = templateName;
    const auto table = PrintLogStore(engine).find(templateName);
    if (!table) {
        *problem = QStringLiteral("模板“%1”还没有打印记录表，没有可以重新打印的记录。").arg(templateName);
        return std::nullopt;
    }
    job.table = *table;
    job.settings = PrintSettingsStore(engine).load(templateName);
    job.mapping = reprintMapping(job.table.columns, batchPoints(job.tmpl));
    return job;
}

PrintSheet reprintSheet(const ReprintJob& job, int i) {
    BoxTexts texts;
    const QList<BatchPoint> points = batchPoints(job.tmpl);
    const LoggedSheet& logged = job.sheets.at(i);
    for (qsizetype p = 0; p < points.size(); ++p) {
        const int c = job.mapping.columnOf.value(p, -1);
        if (c < 0)
            continue;
        QString text = logged.values.value(c);
        // The log keeps the words of an amount without the blanks the box holds around them.
        if (points.at(p).type == templates::type::AmountInWords && !text.isEmpty()) {
            text = kAmountIndent + text;
            if (text.endsWith(u'分'))
                text += u' ';
        }
        texts.insert(points.at(p).ref, text);
    }
    PrintSheet sheet = buildSheet(job.tmpl, texts, job.tmpl.allup, job.tmpl.allleft);
    sheet.settings = job.settings;
    return sheet;
}

BatchBuild buildReprint(const ReprintJob& job) {
    BatchBuild out;
    const QString notStarted = QStringLiteral("重新打印没有开始。");
    if (job.sheets.isEmpty()) {
        out.problem = QStringLiteral("没有选中要重新打印的记录！");
        return out;
    }
    out.sheets.reserve(job.sheets.size());
    for (int i = 0; i < job.sheets.size(); ++i) {
        PrintSheet sheet = reprintSheet(job, i);
        const SheetPlacement placed = placeSheet(sheet);
        if (placed.badOffset) {
            out.sheets.clear();
            out.problem = QStringLiteral("整体打印位置的偏移不是数字。") + notStarted;
            return out;
        }
        if (!placed.ok) {
            out.sheets.clear();
            out.problem = QStringLiteral("第%1张（%2打印的记录）：").arg(i + 1).arg(printedAt(job, i)) +
                          placementMessage(sheet, placed) + u'\n' + notStarted;
            return out;
        }
        out.sheets << std::move(sheet);
    }
    return out;
}

ReprintRun runReprint(QPrinter& printer, const ReprintJob& job, const QList<PrintSheet>& sheets, bool log,
                      const BatchProgress& progress) {
    const BatchOutcome printed = printBatch(printer, sheets, progress);
    if (!printed.ok()) {
        ReprintRun run;
        run.printed = printed;
        return run;
    }
    return keepReprint(job, sheets, printed, log);
}

ReprintRun keepReprint(const ReprintJob& job, const QList<PrintSheet>& sheets, const BatchOutcome& printed,
                       bool log) {
    ReprintRun run;
    run.printed = printed;
    if (log)
        run.logged = logBatch(sheets, run.printed.job, true);
    // The sheets reprinted now show the reprint's job: a cancelled one is found again.
    QList<qint64> ids;
    for (const LoggedSheet& s : job.sheets)
        ids << s.id;
    try {
        PrintJobStore(data::sharedEngine()).record(job.table.name, ids, run.printed.job, true);
    } catch (const data::DbError& e) {
        run.jobNotKept = e.description();
    }
    return run;
}

QString reprintDoneText(const ReprintRun& run, int sheets) {
    QString text = run.logged && run.logged->ok()
                       ? QStringLiteral("已重新打印%1张，已另外保存%1条打印记录。").arg(sheets)
                       : QStringLiteral("已重新打印%1张，没有增加打印记录。").arg(sheets);
    if (!run.jobNotKept.isEmpty())
        text += QStringLiteral("\n打印作业没有记录下来，打印状态无法查询：") + run.jobNotKept;
    return text;
}

} // namespace vorlan::printing
