#include "data/Engine.h"

#include "data/PostgresEngine.h"
#include "data/SqliteEngine.h"

#include <algorithm>

namespace vorlan::data {

Engine::Engine(QSqlDatabase db) : db_(std::move(db)) {
    ops_ = db_.driverName() == QLatin1String(postgres::kDriver) ? postgres::ops() : sqlite::ops();
}

const EngineOps& Engine::ops() const {
    if (!ops_)
        throw DbError(QStringLiteral("数据库连接未打开"));
    return *ops_;
}

bool Engine::tableExists(const QString& name) const {
    const auto o = objectNamed(name);
    return o && o->kind == SchemaObject::Kind::Table;
}

QString Engine::tableNamed(const QString& name) const {
    const auto o = objectNamed(name);
    return o && o->kind == SchemaObject::Kind::Table ? o->name : QString();
}

std::vector<qint64> Engine::readIds(const QString& text) {
    // A hundred thousand numbers read here cost less than as many rows.
    std::vector<qint64> ids;
    qint64 id = 0;
    bool inNumber = false, negative = false;
    for (const QChar c : text) {
        if (c.isDigit()) {
            id = id * 10 + (c.unicode() - u'0');
            inNumber = true;
        } else if (c == QLatin1Char('-')) {
            negative = true;
        } else {
            if (inNumber)
                ids.push_back(negative ? -id : id);
            id = 0;
            inNumber = negative = false;
        }
    }
    if (inNumber)
        ids.push_back(negative ? -id : id);
    return ids;
}

} // namespace vorlan::data
