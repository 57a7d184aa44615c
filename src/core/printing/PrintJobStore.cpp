#include "printing/PrintJobStore.h"

#include "data/Sql.h"
#include "templates/CounterStore.h"

#include <algorithm>
#include <vector>

namespace vorlan::printing {

using data::DbError;
using data::exec;

namespace {

// A statement takes the keys as one parameter, this many at a time.
constexpr qsizetype kKeysPerStatement = 500;

std::vector<qint64> chunk(const QList<qint64>& ids, qsizetype from) {
    const qsizetype to = std::min(ids.size(), from + kKeysPerStatement);
    return std::vector<qint64>(ids.begin() + from, ids.begin() + to);
}

const QStringList& ownColumns() {
    static const QStringList columns{QStringLiteral("template"), QStringLiteral("log_id"),
                                     QStringLiteral("counter"),  QStringLiteral("queue"),
                                     QStringLiteral("job_id"),   QStringLiteral("pdf"),
                                     QStringLiteral("reprint")};
    return columns;
}

} // namespace

JobState jobStateFromIpp(int state) {
    switch (state) {
    case 3:
        return JobState::Pending;
    case 4:
        return JobState::Held;
    case 5:
        return JobState::Processing;
    case 6:
        return JobState::Stopped;
    case 7:
        return JobState::Cancelled;
    case 8:
        return JobState::Aborted;
    case 9:
        return JobState::Completed;
    default:
        return JobState::Unknown;
    }
}

QString jobStateText(JobState state) {
    switch (state) {
    case JobState::Pending:
        return QStringLiteral("等待中");
    case JobState::Held:
        return QStringLiteral("暂停");
    case JobState::Processing:
        return QStringLiteral("正在打印");
    case JobState::Stopped:
        return QStringLiteral("已停止");
    case JobState::Cancelled:
        return QStringLiteral("已取消");
    case JobState::Aborted:
        return QStringLiteral("已中止");
    case JobState::Completed:
        return QStringLiteral("已完成");
    case JobState::PdfFile:
        return QStringLiteral("PDF文件");
    case JobState::Unknown:
        break;
    }
    return QStringLiteral("不详");
}

JobState sheetJobState(const SheetJob& sheet, const QueueJobs& known, const QString& thisCounter) {
    if (sheet.job.pdfFile)
        return JobState::PdfFile;
    // Job numbers belong to one computer's print system: another counter's mean nothing here.
    if (!sheet.job.known() || sheet.counter != thisCounter)
        return JobState::Unknown;
    const auto it = known.constFind(sheet.job.jobId);
    // A number the print system gave again to a job of another queue is not this sheet's job.
    if (it == known.constEnd() || it->queue.compare(sheet.job.queue, Qt::CaseInsensitive) != 0)
        return JobState::Unknown;
    return it->state;
}

QString sheetStateText(const std::optional<SheetJob>& sheet, const QueueJobs& known,
                       const QString& thisCounter) {
    if (!sheet)
        return jobStateText(JobState::Unknown);
    const QString text = jobStateText(sheetJobState(*sheet, known, thisCounter));
    return sheet->reprinted ? QStringLiteral("重新打印：") + text : text;
}

QString sheetStateDetail(const std::optional<SheetJob>& sheet, const QString& thisCounter) {
    if (!sheet)
        return QStringLiteral("这一张的打印作业没有记录下来");
    if (sheet->job.pdfFile)
        return QStringLiteral("打印到了PDF文件，没有打印作业");
    const QString job = QStringLiteral("打印机“%1”的第%2号作业").arg(sheet->job.queue).arg(sheet->job.jobId);
    if (sheet->counter != thisCounter)
        return job + QStringLiteral("，在计算机“%1”上打印，本机无法查询").arg(sheet->counter);
    return job;
}

PrintJobStore::PrintJobStore(data::Engine engine) : engine_(std::move(engine)) {}

void PrintJobStore::create(const data::Engine& e) {
    if (e.tableExists(kTable)) {
        const QStringList have = e.columns(e.tableNamed(kTable));
        for (const QString& c : ownColumns())
            if (!have.contains(c, Qt::CaseInsensitive))
                throw DbError(
                    QStringLiteral("数据库中已有名为“%1”的数据表，但它不是打印作业表（缺少“%2”列），"
                                   "请先改名或删除该表。")
                        .arg(kTable, c));
        return;
    }
    const QString text = e.typeName(data::ColumnType::Text);
    const QString number = e.typeName(data::ColumnType::Integer);
    exec(e,
         QStringLiteral("CREATE TABLE %1 (template %2 NOT NULL, log_id %3 NOT NULL, counter %2 NOT NULL "
                        "DEFAULT '', queue %2 NOT NULL DEFAULT '', job_id %4 NOT NULL DEFAULT 0, pdf %4 "
                        "NOT NULL DEFAULT 0, reprint %4 NOT NULL DEFAULT 0, PRIMARY KEY (template, log_id))")
             .arg(kTable, text, e.typeName(data::ColumnType::Key), number));
}

void PrintJobStore::remove(const QString& logTable, const QList<qint64>& logIds) const {
    data::Transaction tx(engine_);
    QSqlQuery q = data::prepare(engine_, QStringLiteral("DELETE FROM %1 WHERE template = ? AND log_id IN "
                                                        "(SELECT id FROM %2 AS k)")
                                             .arg(kTable, engine_.idListSource()));
    for (qsizetype i = 0; i < logIds.size(); i += kKeysPerStatement)
        data::run(q, {logTable, engine_.idListValue(chunk(logIds, i))});
    tx.commit();
}

QString PrintJobStore::joinedColumns() {
    return QStringLiteral("j.log_id, j.counter, j.queue, j.job_id, j.pdf, j.reprint");
}

QString PrintJobStore::joinOn(const QString& sheetKey) {
    return QStringLiteral("LEFT JOIN %1 AS j ON j.template = ? AND j.log_id = %2").arg(kTable, sheetKey);
}

std::optional<SheetJob> PrintJobStore::joinedJob(const QSqlQuery& q, int first) {
    if (q.value(first).isNull())
        return std::nullopt;
    SheetJob s;
    s.counter = q.value(first + 1).toString();
    s.job.queue = q.value(first + 2).toString();
    s.job.jobId = q.value(first + 3).toInt();
    s.job.pdfFile = q.value(first + 4).toInt() != 0;
    s.reprinted = q.value(first + 5).toInt() != 0;
    return s;
}

void PrintJobStore::removeAll(const QString& logTable) const {
    exec(engine_, QStringLiteral("DELETE FROM %1 WHERE template = ?").arg(kTable), {logTable});
}

void PrintJobStore::record(const QString& logTable, const QList<qint64>& logIds, const SpooledAs& job,
                           bool reprint) const {
    if (logIds.isEmpty())
        return;
    data::Transaction tx(engine_);
    remove(logTable, logIds);
    if (job.known()) {
        data::RowBatch rows(engine_.db(),
                            QStringLiteral("INSERT INTO %1 (%2)").arg(kTable, ownColumns().join(u',')),
                            QStringLiteral("(?, ?, ?, ?, ?, ?, ?)"), int(ownColumns().size()));
        const QString counter = templates::CounterStore::thisCounter();
        for (const qint64 id : logIds)
            rows.add({logTable, id, counter, data::textValue(job.pdfFile ? QString() : job.queue),
                      job.pdfFile ? 0 : job.jobId, job.pdfFile ? 1 : 0, reprint ? 1 : 0});
        rows.finish();
    }
    tx.commit();
}

QHash<qint64, SheetJob> PrintJobStore::jobsOf(const QString& logTable, const QList<qint64>& logIds) const {
    QHash<qint64, SheetJob> out;
    if (logIds.isEmpty())
        return out;
    QSqlQuery q = data::prepare(
        engine_,
        QStringLiteral("SELECT j.log_id, j.counter, j.queue, j.job_id, j.pdf, j.reprint FROM %1 AS j "
                       "JOIN %2 AS k ON j.log_id = k.id WHERE j.template = ?")
            .arg(kTable, engine_.idListSource()));
    for (qsizetype i = 0; i < logIds.size(); i += kKeysPerStatement) {
        data::run(q, {engine_.idListValue(chunk(logIds, i)), logTable});
        while (q.next()) {
            SheetJob s;
            s.counter = q.value(1).toString();
            s.job.queue = q.value(2).toString();
            s.job.jobId = q.value(3).toInt();
            s.job.pdfFile = q.value(4).toInt() != 0;
            s.reprinted = q.value(5).toInt() != 0;
            out.insert(q.value(0).toLongLong(), s);
        }
    }
    return out;
}

bool PrintJobStore::anyQueued(const QString& logTable, const QString& counter) const {
    return data::scalar(
               engine_,
               QStringLiteral("SELECT 1 FROM %1 WHERE template = ? AND counter = ? AND pdf = 0 LIMIT 1")
                   .arg(kTable),
               {logTable, counter})
        .isValid();
}

} // namespace vorlan::printing
