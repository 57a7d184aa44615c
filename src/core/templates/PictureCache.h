#pragma once
// This computer's copies of template pictures kept on a server, by their digest: a picture of a few
// megabytes travels from the server as escaped text, many times slower than it is read from a file, and
// it changes only when the template gets a new one. The digest is stored beside the picture when it is
// saved; a picture stored without one is always read from the server.

#include <QByteArray>
#include <QString>

#include <optional>

namespace vorlan::templates {

// What is stored beside a picture: its SHA-256 and its size, "hex-size".
QString pictureDigest(const QByteArray& bytes);

class PictureCache {
public:
    // In the user's cache folder; a different folder for tests.
    PictureCache();
    explicit PictureCache(QString folder);

    // The picture of that digest when this computer has it whole.
    std::optional<QByteArray> find(const QString& digest) const;
    // Keeps it (written whole or not at all); the oldest pictures go past a bound on the folder's size.
    // A picture that cannot be kept is simply read from the server next time.
    void keep(const QString& digest, const QByteArray& bytes) const;

    static constexpr qint64 kMaxBytes = 256LL * 1024 * 1024;

private:
    QString path(const QString& digest) const;
    QString folder_;
};

} // namespace vorlan::templates
