#include "about/Notice.h"

#include "app/Product.h"
#include "data/Database.h"
#include "ui/Net.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <QStringDecoder>

namespace vorlan::about {

QString separatorLine() {
    return QString(62, QLatin1Char('*'));
}

QUrl noticeUrl() {
    return QUrl(app::updateServer() + QLatin1String(kNoticeFileOnServer));
}

QString localNoticePath() {
    return QDir(data::dataFolder()).filePath(QLatin1String(kLocalNoticeName));
}

bool downloadToFile(const QUrl& url, const QString& path, int timeoutMs) {
    const auto body = ui::fetch(url, timeoutMs);
    if (!body)
        return false;
    // Written whole or not at all, so a broken transfer never leaves a half notice behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(*body);
    return file.commit();
}

QStringList noticeLines(const QByteArray& gbkText) {
    QString text;
    QStringDecoder gbk("GBK");
    if (gbk.isValid())
        text = gbk.decode(gbkText);
    else
        text = QString::fromLocal8Bit(gbkText);

    QStringList lines;
    QString line;
    bool open = false; // characters seen since the last line end
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            lines << line;
            line.clear();
            open = false;
        } else {
            line += c;
            open = true;
        }
    }
    if (open)
        lines << line;
    return lines;
}

QString upgradeProgramName() {
#ifdef Q_OS_WIN
    return QStringLiteral("Kesti快递打印系统升级.exe");
#else
    return QStringLiteral("Kesti快递打印系统升级");
#endif
}

QString upgradeProgramPath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(upgradeProgramName());
}

QString packagedUpgradeText() {
    return QStringLiteral("本系统是用软件包安装的，请用系统的软件包管理器升级，例如：\n\n"
                          "    sudo apt install ./vorlan_新版本号_amd64.deb\n\n"
                          "或者在已经加入本系统软件源时：\n\n    sudo apt update && sudo apt upgrade");
}

} // namespace vorlan::about
