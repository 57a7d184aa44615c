#include "users/UserStore.h"

#include "data/Sql.h"
#include "users/PasswordHash.h"

namespace vorlan::users {

using data::exec;

namespace {

const QString kInsert =
    QStringLiteral("INSERT INTO basic_user (uid, uName, uPass, czqx, uFlag) VALUES (?, ?, ?, ?, 0)");

// Numbers and names compare without regard to ASCII letter case.
QString deleteWhere(const data::Engine& e, const QString& column) {
    return QStringLiteral("DELETE FROM basic_user WHERE ") + e.equalsFolded(column);
}

} // namespace

UserStore::UserStore(data::Engine engine) : engine_(std::move(engine)) {}

bool UserStore::isEmpty() const {
    return data::scalar(engine_, QStringLiteral("SELECT count(*) FROM basic_user")).toInt() == 0;
}

QStringList UserStore::names() const {
    QStringList out;
    QSqlQuery q = exec(engine_, QStringLiteral("SELECT uName FROM basic_user ORDER BY id"));
    while (q.next())
        out << data::nullToEmpty(q.value(0));
    return out;
}

QList<UserRow> UserStore::all() const {
    QList<UserRow> out;
    QSqlQuery q = exec(engine_, QStringLiteral("SELECT uid, uName, uPass, czqx FROM basic_user ORDER BY id"));
    while (q.next())
        out.append(UserRow{data::nullToEmpty(q.value(0)), data::nullToEmpty(q.value(1)), q.value(2),
                           data::nullToEmpty(q.value(3))});
    return out;
}

std::optional<UserRow> UserStore::findByName(const QString& name) const {
    QSqlQuery q =
        exec(engine_,
             QStringLiteral("SELECT uid, uName, uPass, czqx FROM basic_user WHERE ") +
                 engine_.equalsFolded(QStringLiteral("uName")) + QStringLiteral(" ORDER BY id LIMIT 1"),
             {name});
    if (!q.next())
        return std::nullopt;
    return UserRow{data::nullToEmpty(q.value(0)), data::nullToEmpty(q.value(1)), q.value(2), q.value(3)};
}

void UserStore::add(const QString& uid, const QString& name, const QString& password, const QString& level) {
    exec(engine_, kInsert, {uid, name, hashPassword(password), level});
}

void UserStore::rewriteByName(const QString& name, const QString& uid, const QString& password,
                              const QString& level) {
    const QString hash = hashPassword(password);
    data::Transaction t(engine_);
    exec(engine_, deleteWhere(engine_, QStringLiteral("uName")), {name});
    exec(engine_, kInsert, {uid, name, hash, level});
    t.commit();
}

void UserStore::replaceByUid(const QString& uid, const QString& name, const QString& password,
                             const QString& level) {
    const QString hash = hashPassword(password);
    data::Transaction t(engine_);
    exec(engine_, deleteWhere(engine_, QStringLiteral("uid")), {uid});
    exec(engine_, kInsert, {uid, name, hash, level});
    t.commit();
}

int UserStore::removeByName(const QString& name) {
    QSqlQuery q = exec(engine_, deleteWhere(engine_, QStringLiteral("uName")), {name});
    return q.numRowsAffected();
}

} // namespace vorlan::users
