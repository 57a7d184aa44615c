#pragma once
// The customer table Basic_Khgl: reading it, the name lookup and every write. Rows are also reached
// by their row id, which the customer list keeps instead of the rows themselves.

#include "customers/CustomerColumns.h"
#include "data/PagedRows.h"

#include "data/Engine.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace vorlan::customers {

// One customer: the twelve fields in table order (field 0 is the name, the customer's identity).
using Customer = std::array<QString, kFieldCount>;
using RowId = qint64;

// Every field with leading and trailing blanks removed, as they are written.
Customer trimmed(const Customer& c);

// The customer search: a customer matches a text when one of the searched fields contains it, ASCII
// letters without regard to case (as names compare), every other character, % and _ as well, as
// itself. The empty text matches every customer.
inline constexpr std::array<int, 5> kSearchFields{0, 1, 4, 6, 2}; // 客户名称 快捷码 联系电话 联系人 客户地址
bool matches(const Customer& c, const QString& text);

// Do two names denote the same customer? Names compare like the table's lookups: ASCII letters
// without regard to case, everything else exactly.
bool sameName(QStringView a, QStringView b);

// A customer held compactly: one text with the twelve fields one after the other, and where each
// field ends.
class CustomerRow {
public:
    CustomerRow() = default;
    explicit CustomerRow(const Customer& c);
    // From the fields joined by U+001F; nothing when the text does not split into twelve fields.
    static std::optional<CustomerRow> fromJoined(QString joined);

    QStringView field(int k) const {
        const qsizetype from = k == 0 ? 0 : ends_[size_t(k - 1)] + 1;
        const qsizetype to = k == kFieldCount - 1 ? text_.size() : ends_[size_t(k)];
        return QStringView(text_).sliced(from, to - from);
    }
    Customer customer() const;

private:
    QString text_ = QString(kFieldCount - 1, QChar(0x1f));
    std::array<int, kFieldCount - 1> ends_{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
};

// A customer changed at another computer since this one read it.
class CustomerChanged : public data::DbError {
public:
    CustomerChanged(const Customer& loaded, std::optional<Customer> now);
    // The customer as the database now holds it; nothing when it was deleted.
    const std::optional<Customer>& now() const { return now_; }

private:
    std::optional<Customer> now_;
};

class CustomerStore {
public:
    explicit CustomerStore(data::Engine engine);

    // Every customer in table order; the first twelve columns by position, Null as empty.
    std::vector<Customer> all() const;
    // The row ids of the customers matching the text (every customer for an empty text), in table order.
    std::vector<RowId> ids(const QString& text = {}) const;
    // The customers of those row ids, in the same order; a row that is gone reads as empty.
    std::vector<CustomerRow> rows(const std::vector<RowId>& ids) const;
    // One field of every customer, by row id, in table order.
    std::vector<std::pair<RowId, QString>> field(int k) const;
    // The row ids of the customers of that name.
    std::vector<RowId> idsOf(const QString& name) const;
    // The customers matching the text as the record picker lists them: the twelve columns in table
    // order, titled by their names; the names in pinyin order, equal names in table order. Scrollable,
    // as a grid's model needs it. Throws DbError.
    QSqlQuery pickerRows(const QString& text = {}, const data::RowPage& page = {}) const;

    bool exists(const QString& name) const;
    RowId insert(const Customer& c);
    // Deletes every customer of that name and inserts c, both or neither; the new row's id.
    RowId replace(const QString& name, const Customer& c);
    // The same, when the customer still reads as loaded (what this computer showed, by loaded's name):
    // throws CustomerChanged, writing nothing, when another computer changed or deleted it meanwhile.
    RowId replace(const QString& name, const Customer& c, const Customer& loaded);
    // Deletes every customer carrying one of the names, all or none.
    void remove(const QStringList& names);
    void removeAll();

private:
    // Brings the search copy up to date (see the .cpp).
    void refreshSearch() const;

    data::Engine engine_;
};

// The writes of one spreadsheet import. New rows are gathered in a transaction that is committed
// whenever the import stops or is about to ask the user something, so rows already saved stay saved
// whatever happens next; an overwrite is a transaction of its own.
class ImportSession {
public:
    explicit ImportSession(data::Engine engine);
    ~ImportSession(); // commits what was written
    ImportSession(const ImportSession&) = delete;
    ImportSession& operator=(const ImportSession&) = delete;

    bool exists(const QString& name);
    RowId insert(const Customer& c);

    struct Replaced {
        std::vector<RowId> removed;
        RowId added = 0;
    };
    Replaced replace(const QString& name, const Customer& c);
    // Makes every row written so far durable. Throws DbError.
    void commit();

private:
    void begin();
    void rollback();

    data::Engine engine_;
    bool open_ = false;
    std::optional<QSqlQuery> lookup_;
    std::optional<QSqlQuery> insert_;
};

} // namespace vorlan::customers
