#include "app/CommonUseStore.h"

#include "customers/PinyinOrder.h"
#include "data/Sql.h"

#include <QSqlError>

#include <utility>
#include <vector>

namespace vorlan::app {

CommonUseStore::CommonUseStore(QSqlDatabase db) : db_(std::move(db)) {}

QStringList CommonUseStore::all() const {
    QStringList out;
    QSqlQuery q = data::exec(db_, QStringLiteral("SELECT yongtuName FROM yongtu ORDER BY rowid"));
    while (q.next())
        out << data::nullToEmpty(q.value(0));
    return out;
}

QSqlQuery CommonUseStore::pickerRows(const QString& text) const {
    if (!db_.isOpen())
        throw data::DbError(QStringLiteral("数据库连接未打开"));
    // The uses are few: they are read, put in pinyin order here and selected again in that order,
    // handed over as one JSON array of row ids.
    std::vector<std::pair<qint64, QString>> uses;
    {
        QSqlQuery q =
            text.isEmpty()
                ? data::exec(db_, QStringLiteral("SELECT rowid, yongtuName FROM yongtu ORDER BY rowid"))
                : data::exec(db_,
                             QStringLiteral("SELECT rowid, yongtuName FROM yongtu "
                                            "WHERE instr(lower(yongtuName), lower(?)) > 0 ORDER BY rowid"),
                             {text});
        while (q.next())
            uses.emplace_back(q.value(0).toLongLong(), data::nullToEmpty(q.value(1)));
    }
    QStringList order;
    for (size_t i : customers::PinyinOrder().order(uses, [](const auto& u) { return u.second; }))
        order << QString::number(uses[i].first);

    QSqlQuery q(db_);
    if (!q.prepare(QStringLiteral("SELECT y.yongtuName as 常用用途 FROM json_each(?) j "
                                  "CROSS JOIN yongtu y ON y.rowid = j.value ORDER BY j.key")))
        throw data::DbError(data::describe(q.lastError()));
    q.addBindValue(QLatin1Char('[') + order.join(QLatin1Char(',')) + QLatin1Char(']'));
    if (!q.exec())
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
