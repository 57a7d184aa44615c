#pragma once
// The PDF file a command prints to (vorlan print --pdf, vorlan reprint --pdf): written under a name of
// the job's own beside the target and put in its place only once the job has printed.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

namespace vorlan::app {

namespace detail {

inline QString nativeName(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Why a file could not be made in a folder, in the user's words.
inline QString reasonOf(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入的权限");
    case EROFS:
        return QStringLiteral("所在的磁盘是只读的");
    case ENOSPC:
        return QStringLiteral("磁盘已满");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("超出了磁盘配额");
#endif
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("文件夹不存在");
    default:
        return QStringLiteral("系统错误代码%1").arg(error);
    }
}

} // namespace detail

// The PDF is written under a name of this job's own in the target's folder and takes the target's name
// only when the job has printed: two jobs for one name each write their own file, and neither removes a
// file it did not write.
class PdfOutput {
public:
    PdfOutput() = default;
    PdfOutput(const PdfOutput&) = delete;
    PdfOutput& operator=(const PdfOutput&) = delete;
    ~PdfOutput() {
        // The printer's own job file beside it is removed by the job itself (ui::SpooledJob).
        if (!staged_.isEmpty())
            QFile::remove(staged_);
    }

    // Makes this job's file; or why the folder takes none.
    std::optional<QString> open(const QString& target) {
        const QFileInfo named(target);
        // A link to a PDF (checked before) is written through: the PDF it names is replaced.
        target_ = named.isSymLink() ? named.canonicalFilePath() : named.absoluteFilePath();
        const QString folder = QFileInfo(target_).absolutePath();
        const QFileInfo folderInfo(folder);
        if (!folderInfo.exists())
            return QStringLiteral("输出文件夹“%1”不存在，PDF文件无法写入。").arg(detail::nativeName(folder));
        if (!folderInfo.isDir())
            return QStringLiteral("“%1”不是文件夹，PDF文件无法写入。").arg(detail::nativeName(folder));
        for (int attempt = 0; attempt < 16; ++attempt) {
            const QString name = QDir(folder).filePath(
                QStringLiteral(".%1.%2.tmp")
                    .arg(QFileInfo(target_).fileName(),
                         QString::number((quint64(::getpid()) << 16) | quint64(attempt), 36)));
            const int fd = ::open(QFile::encodeName(name).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (fd >= 0) {
                ::close(fd);
                staged_ = name;
                return std::nullopt;
            }
            if (errno != EEXIST)
                return QStringLiteral("输出文件夹“%1”不能写入（%2），PDF文件无法写入。")
                    .arg(detail::nativeName(folder), detail::reasonOf(errno));
        }
        return QStringLiteral("输出文件夹“%1”中无法建立临时文件，PDF文件无法写入。")
            .arg(detail::nativeName(folder));
    }

    QString path() const { return staged_; }

    // Puts the printed file in the target's place: a new name, or over a regular file; never over
    // anything else that took the name meanwhile.
    std::optional<QString> commit() {
        const QByteArray from = QFile::encodeName(staged_), to = QFile::encodeName(target_);
        for (int attempt = 0; attempt < 3; ++attempt) {
            struct stat st {};
            if (::lstat(to.constData(), &st) != 0) {
                if (errno != ENOENT)
                    break;
                if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) ==
                    0) {
                    staged_.clear();
                    return std::nullopt;
                }
                if (errno == EEXIST)
                    continue; // made meanwhile: look again
                if (errno != EINVAL)
                    break;
                // The file system cannot refuse to replace: as below.
            } else if (!S_ISREG(st.st_mode)) {
                return QStringLiteral("“%1”在打印时被换成了不是普通文件的东西，PDF文件没有放到那里。")
                    .arg(detail::nativeName(target_));
            }
            if (::rename(from.constData(), to.constData()) == 0) {
                staged_.clear();
                return std::nullopt;
            }
            break;
        }
        return QStringLiteral("打印好的PDF文件无法改名为“%1”（%2）。")
            .arg(detail::nativeName(target_), detail::reasonOf(errno));
    }

private:
    QString target_;
    QString staged_;
};

} // namespace vorlan::app
