#include "app/ProgramOptions.h"

#include "app/Environment.h"

#include <QDir>
#include <QFileInfo>

namespace vorlan::app {

ProgramOptions takeProgramOptions(QStringList& args) {
    ProgramOptions out;
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == u"--version") {
            out.version = true;
        } else if (a == u"--data-dir" || a.startsWith(QLatin1String("--data-dir="))) {
            QString folder;
            if (a == u"--data-dir") {
                if (i + 1 >= args.size()) {
                    out.error = QStringLiteral("选项--data-dir后面缺少文件夹。");
                    break;
                }
                folder = args.at(++i);
            } else {
                folder = a.mid(qsizetype(sizeof("--data-dir=") - 1));
            }
            if (folder.trimmed().isEmpty()) {
                out.error = QStringLiteral("选项--data-dir后面缺少文件夹。");
                break;
            }
            out.dataDir = QFileInfo(folder).absoluteFilePath();
        } else if (a == u"--database" || a.startsWith(QLatin1String("--database="))) {
            QString url;
            if (a == u"--database") {
                if (i + 1 >= args.size()) {
                    out.error = QStringLiteral(
                        "选项--database后面缺少数据库地址（postgresql://用户@服务器:端口/数据库）。");
                    break;
                }
                url = args.at(++i);
            } else {
                url = a.mid(qsizetype(sizeof("--database=") - 1));
            }
            QString why;
            out.server = data::parseServerUrl(url, &why);
            if (!out.server) {
                out.error = why;
                break;
            }
        } else {
            rest << a;
        }
    }
    args = rest;
    return out;
}

std::optional<QString> useDataFolder(const QString& folder) {
    const QString shown = QDir::toNativeSeparators(folder);
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("“%1”不是文件夹，不能存放数据。").arg(shown);
    if (!QDir().mkpath(folder))
        return QStringLiteral("数据文件夹“%1”无法建立。").arg(shown);
    environment().dataLocation = data::DataLocation{QDir::cleanPath(folder), {}};
    return std::nullopt;
}

} // namespace vorlan::app
