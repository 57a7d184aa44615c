#pragma once
// The statements on basic_user: the login's look-ups and the user accounts' changes.

#include "data/Engine.h"
#include <QList>

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "users/PasswordRules.h"

#include <optional>

namespace vorlan::users {

struct UserRow {
    QString uid;
    QString name;
    QVariant passwordHash; // may be Null
    QVariant level;        // czqx; may be Null
};

class UserStore {
public:
    explicit UserStore(data::Engine engine);

    bool isEmpty() const;
    // The user names in table order (Null names read as empty).
    QStringList names() const;
    // Every user in table order; Null texts read as empty.
    QList<UserRow> all() const;
    // The first user of that name, without regard to case.
    std::optional<UserRow> findByName(const QString& name) const;
    // Appends a user with a freshly hashed password.
    void add(const QString& uid, const QString& name, const QString& password, const QString& level);

    // Every user of that name (without regard to case) is replaced by one row with the given number,
    // name, level and a freshly hashed password, in one transaction.
    void rewriteByName(const QString& name, const QString& uid, const QString& password,
                       const QString& level);
    // Every user with that number (without regard to case) is replaced by the new user, in one transaction.
    void replaceByUid(const QString& uid, const QString& name, const QString& password, const QString& level);
    // Deletes every user of that name, without regard to case; returns how many rows went.
    int removeByName(const QString& name);

private:
    data::Engine engine_;
};

} // namespace vorlan::users
