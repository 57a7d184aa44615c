#pragma once
// The customer table Basic_Khgl: reading it whole, the name lookup and every write.

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace vorlan::customers {

inline constexpr int kFieldCount = 12;

// One customer: the twelve fields in table order (field 0 is the name, the customer's identity).
using Customer = std::array<QString, kFieldCount>;

// Every field with leading and trailing blanks removed, as they are written.
Customer trimmed(const Customer& c);

// Do two names denote the same customer? Names compare like the table's lookups: ASCII letters
// without regard to case, everything else exactly.
bool sameName(const QString& a, const QString& b);

class CustomerStore {
public:
    explicit CustomerStore(const QSqlDatabase& db);

    // Every customer in table order; the first twelve columns by position, Null as empty.
    QList<Customer> all() const;
    bool exists(const QString& name) const;
    void insert(const Customer& c);
    // Deletes every customer of that name and inserts c, both or neither.
    void replace(const QString& name, const Customer& c);
    // Deletes every customer carrying one of the names, all or none.
    void remove(const QStringList& names);
    void removeAll();

private:
    QSqlDatabase db_;
};

// The writes of one spreadsheet import. New rows are gathered in a transaction that is committed
// whenever the import stops or is about to ask the user something, so rows already saved stay saved
// whatever happens next; an overwrite is a transaction of its own.
class ImportSession {
public:
    explicit ImportSession(const QSqlDatabase& db);
    ~ImportSession(); // commits what was written
    ImportSession(const ImportSession&) = delete;
    ImportSession& operator=(const ImportSession&) = delete;

    bool exists(const QString& name);
    void insert(const Customer& c);
    void replace(const QString& name, const Customer& c);
    // Makes every row written so far durable. Throws DbError.
    void commit();

private:
    void begin();
    void rollback();

    QSqlDatabase db_;
    bool open_ = false;
    std::optional<QSqlQuery> lookup_;
    std::optional<QSqlQuery> insert_;
};

} // namespace vorlan::customers
