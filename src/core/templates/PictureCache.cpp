#include "templates/PictureCache.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace vorlan::templates {

QString pictureDigest(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()) +
           QLatin1Char('-') + QString::number(bytes.size());
}

PictureCache::PictureCache()
    : PictureCache(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                   QStringLiteral("/pictures")) {}

PictureCache::PictureCache(QString folder) : folder_(std::move(folder)) {}

QString PictureCache::path(const QString& digest) const {
    // Only a digest as pictureDigest makes it names a file: nothing from the database reaches a path.
    static const QRegularExpression form(QStringLiteral("^[0-9a-f]{64}-[0-9]{1,12}$"));
    if (folder_.isEmpty() || !form.match(digest).hasMatch())
        return QString();
    return folder_ + QLatin1Char('/') + digest;
}

std::optional<QByteArray> PictureCache::find(const QString& digest) const {
    const QString file = path(digest);
    if (file.isEmpty())
        return std::nullopt;
    QFile f(file);
    const qint64 size = digest.section(QLatin1Char('-'), 1).toLongLong();
    if (!f.open(QIODevice::ReadOnly) || f.size() != size)
        return std::nullopt;
    QByteArray bytes = f.readAll();
    if (bytes.size() != size)
        return std::nullopt;
    // Touched, so that the pictures in use are the last to go.
    f.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    return bytes;
}

void PictureCache::keep(const QString& digest, const QByteArray& bytes) const {
    const QString file = path(digest);
    if (file.isEmpty() || bytes.size() > kMaxBytes || pictureDigest(bytes) != digest)
        return;
    if (!QDir().mkpath(folder_))
        return;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return;
    QDir dir(folder_);
    QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Time); // newest first
    qint64 total = 0;
    for (const QFileInfo& info : files) {
        total += info.size();
        if (total > kMaxBytes && info.fileName() != digest)
            QFile::remove(info.filePath());
    }
}

} // namespace vorlan::templates
