#include "app/CommonUseStore.h"

#include "customers/PinyinOrder.h"
#include "data/Sql.h"

#include <QSqlError>

#include <utility>
#include <vector>

namespace vorlan::app {

CommonUseStore::CommonUseStore(data::Engine engine) : engine_(std::move(engine)) {}

QStringList CommonUseStore::all() const {
    QStringList out;
    QSqlQuery q = data::exec(engine_, QStringLiteral("SELECT yongtuName FROM yongtu ORDER BY id"));
    while (q.next())
        out << data::nullToEmpty(q.value(0));
    return out;
}

QSqlQuery CommonUseStore::pickerRows(const QString& text) const {
    if (!engine_.isOpen())
        throw data::DbError(QStringLiteral("数据库连接未打开"));
    // The uses are few: they are read, put in pinyin order here and selected again in that order,
    // handed over as one list of keys.
    std::vector<std::pair<qint64, QString>> uses;
    {
        QSqlQuery q =
            text.isEmpty()
                ? data::exec(engine_, QStringLiteral("SELECT id, yongtuName FROM yongtu ORDER BY id"))
                : data::exec(
                      engine_,
                      QStringLiteral("SELECT id, yongtuName FROM yongtu WHERE ") +
                          engine_.contains(QStringLiteral("lower(yongtuName)"), QStringLiteral("lower(?)")) +
                          QStringLiteral(" ORDER BY id"),
                      {text});
        while (q.next())
            uses.emplace_back(q.value(0).toLongLong(), data::nullToEmpty(q.value(1)));
    }
    std::vector<qint64> order;
    for (size_t i : customers::PinyinOrder().order(uses, [](const auto& u) { return u.second; }))
        order.push_back(uses[i].first);

    QSqlQuery q(engine_.db());
    if (!q.prepare(QStringLiteral("SELECT y.yongtuName as 常用用途 FROM %1 j "
                                  "JOIN yongtu y ON y.id = j.id ORDER BY j.pos")
                       .arg(engine_.idListSource())))
        throw data::DbError(data::describe(q.lastError()));
    q.addBindValue(engine_.idListValue(order));
    if (!q.exec())
        throw data::DbError(data::describe(q.lastError()));
    return q;
}

void CommonUseStore::add(const QString& text) const {
    data::exec(engine_, QStringLiteral("INSERT INTO yongtu (yongtuName) VALUES (?)"), {text});
}

void CommonUseStore::remove(const QString& text) const {
    // An empty text also removes rows that hold Null, which read as empty.
    if (text.isEmpty())
        data::exec(engine_, QStringLiteral("DELETE FROM yongtu WHERE yongtuName = '' OR yongtuName IS NULL"));
    else
        data::exec(engine_, QStringLiteral("DELETE FROM yongtu WHERE yongtuName = ?"), {text});
}

void CommonUseStore::removeAll() const {
    data::exec(engine_, QStringLiteral("DELETE FROM yongtu"));
}

} // namespace vorlan::app
