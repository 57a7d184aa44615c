#include "users/UserStore.h"

#include "data/Sql.h"
#include "users/PasswordHash.h"

namespace vorlan::users {

using data::exec;

UserStore::UserStore(QSqlDatabase db) : db_(std::move(db)) {}

bool UserStore::isEmpty() const {
    return data::scalar(db_, QStringLiteral("SELECT count(*) FROM basic_user")).toInt() == 0;
}

QStringList UserStore::names() const {
    QStringList out;
    QSqlQuery q = exec(db_, QStringLiteral("SELECT uName FROM basic_user ORDER BY rowid"));
    while (q.next())
        out << data::nullToEmpty(q.value(0));
    return out;
}

QList<UserRow> UserStore::all() const {
    QList<UserRow> out;
    QSqlQuery q = exec(db_, QStringLiteral("SELECT uid, uName, uPass, czqx FROM basic_user ORDER BY rowid"));
    while (q.next())
        out.append(UserRow{data::nullToEmpty(q.value(0)), data::nullToEmpty(q.value(1)), q.value(2),
                           data::nullToEmpty(q.value(3))});
    return out;
}

std::optional<UserRow> UserStore::findByName(const QString& name) const {
    QSqlQuery q =
        exec(db_,
             QStringLiteral("SELECT uid, uName, uPass, czqx FROM basic_user WHERE uName = ? COLLATE "
                            "NOCASE ORDER BY rowid LIMIT 1"),
             {name});
    if (!q.next())
        return std::nullopt;
    return UserRow{data::nullToEmpty(q.value(0)), data::nullToEmpty(q.value(1)), q.value(2), q.value(3)};
}

void UserStore::add(const QString& uid, const QString& name, const QString& password, const QString& level) {
    exec(db_, QStringLiteral("INSERT INTO basic_user VALUES (?, ?, ?, ?, 0)"),
         {uid, name, hashPassword(password), level});
}

void UserStore::rewriteByName(const QString& name, const QString& uid, const QString& password,
                              const QString& level) {
    const QString hash = hashPassword(password);
    data::Transaction t(db_);
    exec(db_, QStringLiteral("DELETE FROM basic_user WHERE uName = ? COLLATE NOCASE"), {name});
    exec(db_, QStringLiteral("INSERT INTO basic_user VALUES (?, ?, ?, ?, 0)"), {uid, name, hash, level});
    t.commit();
}

void UserStore::replaceByUid(const QString& uid, const QString& name, const QString& password,
                             const QString& level) {
    const QString hash = hashPassword(password);
    data::Transaction t(db_);
    exec(db_, QStringLiteral("DELETE FROM basic_user WHERE uid = ? COLLATE NOCASE"), {uid});
    exec(db_, QStringLiteral("INSERT INTO basic_user VALUES (?, ?, ?, ?, 0)"), {uid, name, hash, level});
    t.commit();
}

int UserStore::removeByName(const QString& name) {
    QSqlQuery q = exec(db_, QStringLiteral("DELETE FROM basic_user WHERE uName = ? COLLATE NOCASE"), {name});
    return q.numRowsAffected();
}

} // namespace vorlan::users
