#include "app/LocalSettings.h"

namespace vorlan::app {

namespace {
const QString kLastLogin = QStringLiteral("login/lastUser");
} // namespace

QString& localSettingsFile() {
    static QString file;
    return file;
}

std::unique_ptr<QSettings> localSettings() {
    const QString& file = localSettingsFile();
    if (!file.isEmpty())
        return std::make_unique<QSettings>(file, QSettings::IniFormat);
    return std::make_unique<QSettings>(QStringLiteral("Vorlan"), QStringLiteral("Vorlan"));
}

QString lastLoginName() {
    return localSettings()->value(kLastLogin).toString();
}

void setLastLoginName(const QString& name) {
    localSettings()->setValue(kLastLogin, name);
}

} // namespace vorlan::app
