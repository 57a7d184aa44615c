#include "data/ChangeWatcher.h"

#include "data/Database.h"
#include "data/PostgresEngine.h"

#include <QSqlDriver>

namespace vorlan::data {

ChangeWatcher& ChangeWatcher::instance() {
    static ChangeWatcher* watcher = new ChangeWatcher();
    return *watcher;
}

void ChangeWatcher::watchSharedConnection() {
    const QSqlDatabase db = shared();
    if (!db.isOpen() || !Engine(db).isServer())
        return;
    QSqlDriver* driver = db.driver();
    const QString channel = QString::fromLatin1(postgres::kChangeChannel);
    if (driver->subscribedToNotifications().contains(channel))
        return;
    if (!driver->subscribeToNotification(channel))
        return; // the lists are still read afresh whenever a window opens
    connect(driver, &QSqlDriver::notification, this,
            [this](const QString& name, QSqlDriver::NotificationSource source, const QVariant& payload) {
                // This computer's own writes refresh its windows already.
                if (name == QLatin1String(postgres::kChangeChannel) && source == QSqlDriver::OtherSource)
                    emit changed(payload.toString());
            });
}

} // namespace vorlan::data
