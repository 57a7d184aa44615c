#pragma once
// What became of each logged sheet: the print queue its job went to and the number the queue gave it (or
// a PDF file, which has no job), kept in a table of its own beside the print log, one row per logged
// sheet. A log row only says that the sheet was handed to the queue; the history query asks the print
// system what the queue did with the job (finished, cancelled, aborted, still waiting), so that a sheet
// that jammed or was cancelled can be found and printed again.

#include "data/Engine.h"
#include "printing/PrintOutcome.h"

#include <QHash>
#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <optional>

namespace vorlan::printing {

// The state of a print job as the print system reports it, and PdfFile for a sheet written to a file.
enum class JobState { Pending, Held, Processing, Stopped, Cancelled, Aborted, Completed, Unknown, PdfFile };

// The job states of IPP: 3 pending, 4 held, 5 processing, 6 stopped, 7 cancelled, 8 aborted, 9 completed;
// any other number is Unknown.
JobState jobStateFromIpp(int state);
// 等待中, 暂停, 正在打印, 已停止, 已取消, 已中止, 已完成, 不详, PDF文件.
QString jobStateText(JobState state);

// A job the print system knows: its queue and its state.
struct QueueJob {
    QString queue;
    JobState state = JobState::Unknown;
};
// The jobs the print system knows, by job number.
using QueueJobs = QHash<int, QueueJob>;

// A logged sheet's job, as kept.
struct SheetJob {
    QString counter; // the computer that printed it (its queues are its own)
    SpooledAs job;
    bool reprinted = false; // the job kept is that of a reprint of the sheet

    bool operator==(const SheetJob&) const = default;
};

// The state of the sheet's job: PdfFile for a file; for a job this computer handed to its queue, what the
// print system says of it; Unknown for a job it no longer knows, of another queue or another computer.
JobState sheetJobState(const SheetJob& sheet, const QueueJobs& known, const QString& thisCounter);
// As the history list shows it: the state's text ("重新打印：" before it for a reprint); "不详" for a
// sheet whose job was never kept (logged by an older version).
QString sheetStateText(const std::optional<SheetJob>& sheet, const QueueJobs& known,
                       const QString& thisCounter);
// More of it, for a tool tip: which queue and job, or which computer.
QString sheetStateDetail(const std::optional<SheetJob>& sheet, const QString& thisCounter);

class PrintJobStore {
public:
    static inline const QString kTable = QStringLiteral("vorlan_print_job");

    explicit PrintJobStore(data::Engine engine);
    // Makes the table unless it is there (a new database, or a step of the migration). Throws DbError,
    // also when a table of that name is there without the columns of this one.
    static void create(const data::Engine& e);

    // Keeps the job of these sheets of the log table (this computer's), replacing what was kept for
    // them; an unknown job keeps nothing, so that a row never shows an older job under a reused key. One
    // transaction of its own or part of the caller's. Throws DbError.
    void record(const QString& logTable, const QList<qint64>& logIds, const SpooledAs& job,
                bool reprint = false) const;
    // The jobs kept for these sheets, by key; sheets without one are left out. Throws DbError.
    QHash<qint64, SheetJob> jobsOf(const QString& logTable, const QList<qint64>& logIds) const;
    // Whether any sheet of the log table went to a queue of this computer: only then is the print system
    // asked. Throws DbError.
    bool anyQueued(const QString& logTable, const QString& counter) const;
    // Forgets the jobs of these sheets (they were deleted from the log). Throws DbError.
    void remove(const QString& logTable, const QList<qint64>& logIds) const;
    // Forgets the jobs of every sheet of the log table (it was dropped). Throws DbError.
    void removeAll(const QString& logTable) const;

    // The job of each sheet a log statement selects, read in the same statement (a server's connection
    // reads one statement at a time): the columns to select after the statement's own, and the join on
    // the sheet's key, s.<key>; the join takes the log table's name as its one parameter.
    static QString joinedColumns();
    static QString joinOn(const QString& sheetKey);
    // The job from those columns, starting at column first; nothing when none was kept.
    static std::optional<SheetJob> joinedJob(const QSqlQuery& q, int first);

private:
    data::Engine engine_;
};

} // namespace vorlan::printing
