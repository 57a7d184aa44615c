#include "FileFaults.h"

#include "data/Sql.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace vorlan::test {

void fillSheets(const QSqlDatabase& db, int rows) {
    data::exec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS sheets (id INTEGER, payload TEXT)"));
    data::Transaction t(db);
    QSqlQuery q = data::prepare(db, QStringLiteral("INSERT INTO sheets VALUES (?, ?)"));
    for (int i = 1; i <= rows; ++i)
        data::run(q, {i, QString(200, QChar(u'单')) + QString::number(i)});
    t.commit();
}

bool damageMiddlePage(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    const QByteArray header = f.read(100);
    if (header.size() < 100)
        return false;
    qint64 pageSize = qFromBigEndian<quint16>(header.constData() + 16);
    if (pageSize == 1)
        pageSize = 65536;
    const qint64 pages = f.size() / pageSize;
    if (pages < 8)
        return false;
    QByteArray garbage(int(pageSize), Qt::Uninitialized);
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char(0xA5 ^ (i * 7));
    if (!f.seek((pages / 2) * pageSize) || f.write(garbage) != garbage.size())
        return false;
    return f.flush();
}

bool permissionBitsBind() {
    QTemporaryDir dir;
    if (!QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner))
        return false;
    QFile probe(QDir(dir.path()).filePath(QStringLiteral("probe")));
    const bool wrote = probe.open(QIODevice::WriteOnly);
    probe.close();
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return !wrote;
}

int fileMode(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 0777);
#else
    Q_UNUSED(path);
    return -1;
#endif
}

bool setFileMode(const QString& path, int mode) {
#ifdef Q_OS_UNIX
    return ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
#else
    Q_UNUSED(path);
    Q_UNUSED(mode);
    return false;
#endif
}

} // namespace vorlan::test
