#pragma once
// Statement helpers: every value is bound, every identifier taken from user data is quoted here.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <stdexcept>

class QSqlError;

namespace vorlan::data {

class Engine;

// A failed statement; what() is unused, description() is the text shown to the user.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& description)
        : std::runtime_error(description.toStdString()), description_(description) {}
    const QString& description() const { return description_; }

private:
    QString description_;
};

// "name" with embedded quotes doubled: safe for any table or column name.
QString quoteId(const QString& name);

// LIKE pattern that matches the text literally; use with ESCAPE '\'.
QString likeEscape(const QString& text);

// The text shown for a database error.
QString describe(const QSqlError& e);

// A text to bind: a null QString would be stored as Null, but the tables hold empty texts.
QVariant textValue(const QString& s);

// A statement prepared once and run many times with positional parameters; both throw DbError.
QSqlQuery prepare(const QSqlDatabase& db, const QString& sql);
void run(QSqlQuery& q, const QVariantList& params);

// Rows appended many at a time, in the caller's transaction: one statement for up to 500 rows (fewer when
// their values pass a few megabytes), which a server takes many times faster than a statement per row.
// head is "INSERT INTO t (a, b)", group the values of one row, "(?, ?)". finish() writes the rest; rows
// not finished are not written.
class RowBatch {
public:
    RowBatch(const QSqlDatabase& db, const QString& head, const QString& group, int width);
    void add(const QVariantList& row);
    void finish();

private:
    void flush();

    QSqlDatabase db_;
    QString head_;
    QString group_;
    int width_;
    int perStatement_;
    QVariantList pending_;
    qint64 bytes_ = 0;
    QSqlQuery full_; // the statement of a whole batch, prepared on first use
    bool fullPrepared_ = false;
};

// Prepares and executes a statement with positional parameters ("?"); throws DbError on failure.
QSqlQuery exec(const QSqlDatabase& db, const QString& sql, const QVariantList& params = {});

// Executes and returns the first column of the first row, or an invalid QVariant when there is none.
QVariant scalar(const QSqlDatabase& db, const QString& sql, const QVariantList& params = {});

// Null reads as the empty text; any other value as its text.
QString nullToEmpty(const QVariant& v);

// Date-time texts as stored: "yyyy-mm-dd hh:mm:ss" and "yyyy-mm-dd".
QString dateTimeText(const QDateTime& dt);
QString dateText(const QDate& d);

// Does a table of that name exist, without regard to case?
bool tableExists(const QSqlDatabase& db, const QString& name);

// One transaction; rolled back on destruction unless committed. Begun while another is open on the same
// connection, it is part of that one: its commit waits for the outer commit, its failure for the outer
// rollback.
class Transaction {
public:
    explicit Transaction(const QSqlDatabase& db);
    explicit Transaction(const Engine& e);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    QSqlDatabase db_;
    bool done_ = false;
    bool outermost_ = true; // an inner one is part of the transaction already open on the connection
};

} // namespace vorlan::data
