#pragma once
// The statements on basic_user: the login's look-ups and the user accounts' changes.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

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
    explicit UserStore(QSqlDatabase db);

    bool isEmpty() const;
    // The user names in table order (Null names read as empty).
    QStringList names() const;
    // The first user of that name, without regard to case.
    std::optional<UserRow> findByName(const QString& name) const;
    // Appends a user with a freshly hashed password.
    void add(const QString& uid, const QString& name, const QString& password, const QString& level);

private:
    QSqlDatabase db_;
};

} // namespace vorlan::users
