#include "app/VersionCheck.h"

#include "app/Product.h"
#include "ui/Net.h"
#include "ui/Prompt.h"

#include <QStringDecoder>

namespace vorlan::app {

QString fetchPublishedVersion() {
    const auto body = ui::fetch(QUrl(updateServer() + QStringLiteral("/ZovVer.txt")), kNetworkTimeoutMs);
    if (!body)
        return QString();
    QStringDecoder gbk("GBK");
    if (gbk.isValid())
        return gbk.decode(*body);
    return QString::fromLocal8Bit(*body);
}

QString versionAnnouncement(const QString& published) {
    if (published.isEmpty() || published == QString::fromLatin1(kVersionLabel))
        return QString();
    return QStringLiteral("您好！忠心的感谢您便用本系统！现目前最新的版本号为：") + published +
           QStringLiteral("，请您在") + QString::fromLatin1(kWebSite) + QStringLiteral("下载最新版本！");
}

void CheckNewVersion(QWidget* parent) {
    const QString text = versionAnnouncement(fetchPublishedVersion());
    if (!text.isEmpty())
        ui::information(parent, text, QStringLiteral("提示"));
}

} // namespace vorlan::app
