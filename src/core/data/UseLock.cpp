#include "data/UseLock.h"

#include "data/Database.h"
#include "data/Sql.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QThread>

#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace vorlan::data {

namespace {

#ifdef Q_OS_UNIX
int openLockFile(const QString& databasePath) {
    const QByteArray path = QFile::encodeName(useLockPath(databasePath));
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    return fd;
}

// flock, not fcntl: its locks belong to the open file, so a compaction in this process is kept off by a
// batch of this process too.
bool tryLock(int fd, int how) {
    for (;;) {
        if (::flock(fd, how | LOCK_NB) == 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

// The last printing job's own description, for the compaction's refusal.
void describe(int fd, const QString& job) {
    const QByteArray text = job.toUtf8();
    if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, text.constData(), size_t(text.size()), 0) < 0) {
        // Only the refusal's wording depends on it.
    }
}

QString description(int fd) {
    QByteArray text(512, Qt::Uninitialized);
    const ssize_t n = ::pread(fd, text.data(), size_t(text.size()), 0);
    return n > 0 ? QString::fromUtf8(text.constData(), n) : QString();
}
#endif

} // namespace

QString useLockPath(const QString& databasePath) {
    return databasePath + QStringLiteral("-lock");
}

UseLock::~UseLock() {
#ifdef Q_OS_UNIX
    if (fd_ >= 0)
        ::close(fd_); // gives the lock back
#endif
}

UseLock::UseLock(UseLock&& other) noexcept : fd_(other.fd_), refused_(other.refused_) {
    other.fd_ = -1;
}

UseLock& UseLock::operator=(UseLock&& other) noexcept {
    if (this != &other) {
        UseLock gone(std::move(*this));
        fd_ = std::exchange(other.fd_, -1);
        refused_ = other.refused_;
    }
    return *this;
}

UseLock UseLock::forPrinting(const QString& databasePath, const QString& job, int waitMs) {
    UseLock lock;
#ifdef Q_OS_UNIX
    const int fd = openLockFile(databasePath);
    if (fd < 0)
        return lock;
    QElapsedTimer waited;
    waited.start();
    while (!tryLock(fd, LOCK_SH)) {
        if (waited.elapsed() >= waitMs) {
            ::close(fd);
            lock.refused_ = true;
            return lock;
        }
        QThread::msleep(50);
    }
    lock.fd_ = fd;
    describe(fd, job);
#else
    Q_UNUSED(databasePath);
    Q_UNUSED(job);
    Q_UNUSED(waitMs);
#endif
    return lock;
}

UseLock UseLock::forPrinting(const QString& job) {
    const QSqlDatabase db = shared();
    // A server keeps its own locks, and its compaction runs beside the counters' work.
    if (db.isOpen() ? Engine(db).isServer() : chosenServer().has_value())
        return UseLock();
    return forPrinting(db.isOpen() ? db.databaseName() : databasePath(), job);
}

UseLock UseLock::forReplacing(const QString& databasePath, const QString& what) {
    UseLock lock;
#ifdef Q_OS_UNIX
    const int fd = openLockFile(databasePath);
    if (fd < 0)
        throw DbError(QStringLiteral("无法建立数据库的锁文件“%1”，不能%2。数据库没有改动。")
                          .arg(QDir::toNativeSeparators(useLockPath(databasePath)), what));
    if (!tryLock(fd, LOCK_EX)) {
        QString job = description(fd);
        ::close(fd);
        if (job.isEmpty())
            job = QStringLiteral("一批打印");
        throw DbError(
            QStringLiteral(
                "正在打印：%1。打印完成并保存打印记录以前不能%2数据库，请稍后再%2。数据库没有改动。")
                .arg(job, what));
    }
    lock.fd_ = fd;
#else
    Q_UNUSED(databasePath);
    Q_UNUSED(what);
#endif
    return lock;
}

QString databaseBusyText() {
    return QStringLiteral("数据库正在压缩，等了30秒还没有完成，没有打印。请等压缩完成后再打印。");
}

} // namespace vorlan::data
