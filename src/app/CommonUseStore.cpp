#include "app/CommonUseStore.h"

#include "data/Sql.h"

#include <QSqlError>

namespace vorlan::app {

CommonUseStore::CommonUseStore(QSqlDatabase db) : db_(std::move(db)) {}

QStringList CommonUseStore::all() const {
    QStringList out;
    QSqlQuery q = data::exec(db_, QStringLiteral("SELECT yongtuName FROM yongtu ORDER BY rowid"));
    while (q.next())
        out << data::nullToEmpty(q.value(0));
    return out;
}

QSqlQuery CommonUseStore::pickerRows() const {
    if (!db_.isOpen())
        throw data::DbError(QStringLiteral("数据库连接未打开"));
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("SELECT yongtuName as 常用用途 FROM yongtu")))
        throw data::DbError(data::describe(q.lastError()));
    return q;
}

void CommonUseStore::add(const QString& text) const {
    data::exec(db_, QStringLiteral("INSERT INTO yongtu VALUES (?)"), {text});
}

void CommonUseStore::remove(const QString& text) const {
    // An empty text also removes rows that hold Null, which read as empty.
    if (text.isEmpty())
        data::exec(db_, QStringLiteral("DELETE FROM yongtu WHERE yongtuName = '' OR yongtuName IS NULL"));
    else
        data::exec(db_, QStringLiteral("DELETE FROM yongtu WHERE yongtuName = ?"), {text});
}

} // namespace vorlan::app
