#pragma once
// Who may use the database file while another process replaces it. A job that prints and logs holds the
// lock shared from its start to its log; a compaction, which renames a new file over the database, holds
// it alone. Without it a compaction during a batch left the batch's connection on the old, unlinked file,
// and its log was lost. The lock is an advisory lock on a file beside the database (released by the
// system when its holder ends, however it ends).

#include <QString>

namespace vorlan::data {

// "<database>-lock": one of the database's companion files, never to be written over.
QString useLockPath(const QString& databasePath);

class UseLock {
public:
    UseLock() = default; // holds nothing
    ~UseLock();
    UseLock(UseLock&& other) noexcept;
    UseLock& operator=(UseLock&& other) noexcept;
    UseLock(const UseLock&) = delete;
    UseLock& operator=(const UseLock&) = delete;

    // For a job that prints and logs (job names it for a compaction that has to wait, e.g. "模板“运单”的
    // 20张"): shared with other such jobs, waiting up to waitMs for a compaction to end. Where no lock
    // file can be made (a read-only folder, where no compaction can run either) it holds nothing and is
    // not refused.
    static UseLock forPrinting(const QString& databasePath, const QString& job, int waitMs = 30000);
    // The same on the database of the shared connection.
    static UseLock forPrinting(const QString& job);
    // For replacing the database file (what: "压缩"): alone, without waiting. Throws DbError naming the
    // job that holds the lock.
    static UseLock forReplacing(const QString& databasePath, const QString& what);

    bool held() const { return fd_ >= 0; }
    // forPrinting: a compaction still held the lock when the wait ended.
    bool refused() const { return refused_; }

private:
    int fd_ = -1;
    bool refused_ = false;
};

// What the command line and the print window say when a compaction kept a job from starting.
QString databaseBusyText();

} // namespace vorlan::data
