#include "templates/CounterStore.h"

#include "data/Sql.h"

#include <QSysInfo>

namespace vorlan::templates {

CounterStore::CounterStore(data::Engine engine) : engine_(std::move(engine)) {}

QString CounterStore::thisCounter() {
    const QString host = QSysInfo::machineHostName();
    return host.isEmpty() ? QStringLiteral("本机") : host;
}

void CounterStore::create(const data::Engine& e) {
    data::exec(
        e, QStringLiteral("CREATE TABLE %1 (counter TEXT NOT NULL, mobanname TEXT NOT NULL, printer TEXT, "
                          "allup INTEGER, allleft INTEGER, PRIMARY KEY (counter, mobanname))")
               .arg(kTable));
}

bool CounterStore::kept() const {
    return engine_.isServer() && engine_.tableExists(kTable);
}

CounterSettings CounterStore::load(const QString& templateName) const {
    CounterSettings s;
    if (!kept())
        return s;
    QSqlQuery q = data::exec(
        engine_,
        QStringLiteral("SELECT printer, allup, allleft FROM %1 WHERE counter = ? AND mobanname = ?")
            .arg(kTable),
        {thisCounter(), templateName});
    if (!q.next())
        return s;
    if (!q.value(0).isNull())
        s.printer = q.value(0).toString();
    if (!q.value(1).isNull() && !q.value(2).isNull()) {
        s.allup = q.value(1).toInt();
        s.allleft = q.value(2).toInt();
    }
    return s;
}

void CounterStore::savePrinter(const QString& templateName, const QString& printer) const {
    data::exec(
        engine_,
        QStringLiteral("INSERT INTO %1 (counter, mobanname, printer) VALUES (?, ?, ?) ON CONFLICT (counter, "
                       "mobanname) DO UPDATE SET printer = excluded.printer")
            .arg(kTable),
        {thisCounter(), templateName, data::textValue(printer)});
}

void CounterStore::saveOffsets(const QString& templateName, int allup, int allleft) const {
    data::exec(engine_,
               QStringLiteral(
                   "INSERT INTO %1 (counter, mobanname, allup, allleft) VALUES (?, ?, ?, ?) ON CONFLICT "
                   "(counter, mobanname) DO UPDATE SET allup = excluded.allup, allleft = excluded.allleft")
                   .arg(kTable),
               {thisCounter(), templateName, allup, allleft});
}

void CounterStore::remove(const QString& templateName) const {
    if (kept())
        data::exec(engine_, QStringLiteral("DELETE FROM %1 WHERE mobanname = ?").arg(kTable), {templateName});
}

} // namespace vorlan::templates
