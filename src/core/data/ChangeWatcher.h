#pragma once
// Tells the windows when another computer wrote to a table of the shared server, so that a list on screen
// shows a customer added at the next counter without a restart. The server sends a notification with
// every committed write (see PostgresEngine.h); a local file has no other writers and sends nothing.

#include <QObject>
#include <QString>

namespace vorlan::data {

class ChangeWatcher : public QObject {
    Q_OBJECT
public:
    static ChangeWatcher& instance();
    // Listens on the shared connection when it is a server's (again after every reconnect).
    void watchSharedConnection();

signals:
    // table: the table's name as the server keeps it, in lower case (e.g. "basic_khgl").
    void changed(const QString& table);

private:
    ChangeWatcher() = default;
};

} // namespace vorlan::data
