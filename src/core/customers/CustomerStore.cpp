#include "customers/CustomerStore.h"

#include "customers/PinyinOrder.h"
#include "data/Sql.h"

#include <QHash>
#include <QSqlError>
#include <QVariant>

#include <algorithm>

namespace vorlan::customers {

namespace {

// The twelve customer columns, quoted, comma-separated.
const QString& columnList() {
    static const QString list = [] {
        QStringList cols;
        for (const QString& c : columns())
            cols << data::quoteId(c);
        return cols.join(QLatin1Char(','));
    }();
    return list;
}

const QString& insertSql() {
    static const QString sql = QStringLiteral("INSERT INTO Basic_Khgl (") + columnList() +
                               QStringLiteral(") VALUES (?,?,?,?,?,?,?,?,?,?,?,?) RETURNING id");
    return sql;
}

// Names compare without regard to ASCII case, like the name index of the table.
QString nameMatch(const data::Engine& e) {
    return QStringLiteral(" WHERE ") + e.equalsFolded(data::quoteId(columns().at(kNameField)));
}

QString lookupSql(const data::Engine& e) {
    return QStringLiteral("SELECT 1 FROM Basic_Khgl") + nameMatch(e) + QStringLiteral(" LIMIT 1");
}

QString deleteSql(const data::Engine& e) {
    return QStringLiteral("DELETE FROM Basic_Khgl") + nameMatch(e);
}

// The search reads a copy of the searched fields, one text per customer with the fields joined by
// U+001F and ASCII letters in lower case, stored in the pinyin order of the names. A search is one
// pass over that copy, and the picker reads the customers in its order, so the first screen comes
// without sorting anything. The copy lives in the connection's temporary tables (never in the file)
// under names no template takes, and is made afresh whenever the engine's change stamp moved since.
const QString kSearchTable = QStringLiteral("__khgl_search");
const QString kSearchRanks = QStringLiteral("__khgl_search_rank");
const QString kSearchState = QStringLiteral("__khgl_search_state");
constexpr QChar kFieldBreak(0x1f);

// ASCII letters in lower case, like SQLite's lower().
QString lowerAscii(QString text) {
    for (QChar& c : text)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return text;
}

// The condition on the copy; the text is folded by the same lower() as the copy. A text holding the
// field break (which nobody types) would match across fields, so it matches nothing.
QString searchCondition(const data::Engine& e, const QString& text) {
    return text.contains(kFieldBreak)
               ? QStringLiteral("0 = 1 AND CAST(? AS TEXT) IS NULL")
               : e.contains(QStringLiteral("s.hay"), e.foldedAscii(QStringLiteral("?")));
}

QVariantList values(const Customer& c) {
    QVariantList v;
    v.reserve(kFieldCount);
    for (const QString& f : c)
        v << data::textValue(f);
    return v;
}

} // namespace

Customer trimmed(const Customer& c) {
    Customer t;
    for (int i = 0; i < kFieldCount; ++i)
        t[i] = c[i].trimmed();
    return t;
}

bool matches(const Customer& c, const QString& text) {
    if (text.isEmpty())
        return true;
    if (text.contains(kFieldBreak))
        return false;
    const QString needle = lowerAscii(text);
    for (int k : kSearchFields)
        if (lowerAscii(c[k]).contains(needle))
            return true;
    return false;
}

bool sameName(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a.at(i).unicode();
        char16_t y = b.at(i).unicode();
        if (x >= u'A' && x <= u'Z')
            x = char16_t(x + 32);
        if (y >= u'A' && y <= u'Z')
            y = char16_t(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

constexpr QChar kSeparator(0x1f);

CustomerRow::CustomerRow(const Customer& c) : text_() {
    qsizetype size = kFieldCount - 1;
    for (const QString& f : c)
        size += f.size();
    text_.reserve(size);
    for (int k = 0; k < kFieldCount; ++k) {
        if (k > 0) {
            ends_[size_t(k - 1)] = int(text_.size());
            text_ += kSeparator;
        }
        text_ += c[k];
    }
}

std::optional<CustomerRow> CustomerRow::fromJoined(QString joined) {
    CustomerRow r;
    int found = 0;
    const QChar* text = joined.constData();
    for (qsizetype i = 0, n = joined.size(); i < n; ++i) {
        if (text[i] != kSeparator)
            continue;
        if (found == kFieldCount - 1)
            return std::nullopt;
        r.ends_[size_t(found++)] = int(i);
    }
    if (found != kFieldCount - 1)
        return std::nullopt;
    r.text_ = std::move(joined);
    return r;
}

Customer CustomerRow::customer() const {
    Customer c;
    for (int k = 0; k < kFieldCount; ++k)
        c[k] = field(k).toString();
    return c;
}

CustomerStore::CustomerStore(data::Engine engine) : engine_(std::move(engine)) {}

std::vector<Customer> CustomerStore::all() const {
    QSqlQuery q = data::exec(engine_, QStringLiteral("select * from Basic_Khgl ORDER BY id"));
    std::vector<Customer> rows;
    while (q.next()) {
        Customer c;
        for (int i = 0; i < kFieldCount; ++i)
            c[i] = data::nullToEmpty(q.value(i));
        rows.push_back(std::move(c));
    }
    return rows;
}

void CustomerStore::refreshSearch() const {
    const data::Engine& e = engine_;
    const QString table = e.temporaryTable(kSearchTable), ranks = e.temporaryTable(kSearchRanks),
                  state = e.temporaryTable(kSearchState);
    data::exec(e, e.createTemporaryTable(
                      kSearchTable, QStringLiteral("rank %1 PRIMARY KEY, rid %1 NOT NULL, hay TEXT NOT NULL")
                                        .arg(e.typeName(data::ColumnType::Key))));
    data::exec(e, e.createTemporaryTable(kSearchRanks, QStringLiteral("rid %1 PRIMARY KEY, rank %1 NOT NULL")
                                                           .arg(e.typeName(data::ColumnType::Key))));
    data::exec(e, e.createTemporaryTable(kSearchState, QStringLiteral("own BIGINT, others BIGINT")));
    data::exec(e,
               QStringLiteral("INSERT INTO %1 SELECT -1, -1 WHERE NOT EXISTS (SELECT 1 FROM %1)").arg(state));
    const data::ChangeStamp now = e.changeStamp();
    {
        QSqlQuery q = data::exec(e, QStringLiteral("SELECT own, others FROM %1").arg(state));
        if (q.next() && data::ChangeStamp{q.value(0).toLongLong(), q.value(1).toLongLong()} == now)
            return;
    }

    // The pinyin order is worked out here and handed over as one list of the keys in that order, a
    // customer's place being its position. The engine then copies and folds the fields itself in one
    // pass over the table, far quicker than a statement per customer; reading the table in pinyin
    // order instead would cost a seek per row.
    const std::vector<std::pair<RowId, QString>> names = field(kNameField);
    const std::vector<size_t> order = PinyinOrder().order(names, [](const auto& n) { return n.second; });
    std::vector<qint64> ids;
    ids.reserve(order.size());
    for (size_t i : order)
        ids.push_back(names[i].first);

    QStringList fields;
    for (int k : kSearchFields)
        fields << QStringLiteral("k.") + data::quoteId(columns().at(k));
    const QString copySql =
        QStringLiteral("INSERT INTO %1 (rank, rid, hay) SELECT r.rank, k.id, %2 FROM Basic_Khgl k "
                       "JOIN %3 r ON r.rid = k.id ORDER BY r.rank")
            .arg(table, e.foldedAscii(e.joinedText(fields, kFieldBreak)), ranks);
    data::exec(e, QStringLiteral("DELETE FROM %1").arg(ranks));
    data::exec(e,
               QStringLiteral("INSERT INTO %1 (rid, rank) SELECT j.id, j.pos FROM %2 j")
                   .arg(ranks, e.idListSource()),
               {e.idListValue(ids)});
    data::exec(e, QStringLiteral("DELETE FROM %1").arg(table));
    data::exec(e, copySql);
    // The state is written last, so a copy that failed half-way is made again next time. The copy's own
    // writes count as changes too: the stamp is taken after them, and its update is one more write.
    const data::ChangeStamp copied = e.afterOwnWrites(e.changeStamp(), 1);
    data::exec(e, QStringLiteral("UPDATE %1 SET own = ?, others = ?").arg(state),
               {copied.own, copied.others});
}

// Keys gathered by the engine into one text, "1,2,3", and sorted here: a hundred thousand rows one
// by one cost more than the search itself.
static std::vector<RowId> gatheredIds(QSqlQuery& q) {
    if (!q.next())
        return {};
    std::vector<RowId> ids = data::Engine::readIds(q.value(0).toString());
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<RowId> CustomerStore::ids(const QString& text) const {
    if (text.isEmpty()) {
        QSqlQuery q = data::exec(
            engine_,
            QStringLiteral("SELECT %1 FROM Basic_Khgl").arg(engine_.gatheredIds(QStringLiteral("id"))));
        return gatheredIds(q);
    }
    refreshSearch();
    QSqlQuery q = data::exec(engine_,
                             QStringLiteral("SELECT %1 FROM %2 s WHERE %3")
                                 .arg(engine_.gatheredIds(QStringLiteral("s.rid")),
                                      engine_.temporaryTable(kSearchTable), searchCondition(engine_, text)),
                             {text});
    return gatheredIds(q);
}

std::vector<CustomerRow> CustomerStore::rows(const std::vector<RowId>& ids) const {
    // Each row comes as one text, its fields joined by a separator that typed text never holds; a
    // row whose fields do hold it is read again field by field.
    QStringList quoted;
    for (const QString& c : columns())
        quoted << data::quoteId(c);
    const QString joinedSql = QStringLiteral("SELECT id, ") + engine_.joinedText(quoted, kSeparator) +
                              QStringLiteral(" FROM Basic_Khgl WHERE id IN (");
    constexpr size_t kChunk = 200;
    QHash<RowId, CustomerRow> found;
    found.reserve(qsizetype(ids.size()));
    std::vector<RowId> odd;
    for (size_t from = 0; from < ids.size(); from += kChunk) {
        const size_t n = std::min(kChunk, ids.size() - from);
        QVariantList params;
        params.reserve(qsizetype(n));
        for (size_t i = 0; i < n; ++i)
            params << ids[from + i];
        QStringList marks(qsizetype(n), QStringLiteral("?"));
        QSqlQuery q =
            data::exec(engine_, joinedSql + marks.join(QLatin1Char(',')) + QLatin1Char(')'), params);
        while (q.next()) {
            const RowId id = q.value(0).toLongLong();
            if (auto r = CustomerRow::fromJoined(q.value(1).toString()))
                found.insert(id, std::move(*r));
            else
                odd.push_back(id);
        }
    }
    for (RowId id : odd) {
        QSqlQuery q = data::exec(
            engine_,
            QStringLiteral("SELECT ") + columnList() + QStringLiteral(" FROM Basic_Khgl WHERE id = ?"), {id});
        if (!q.next())
            continue;
        Customer c;
        for (int i = 0; i < kFieldCount; ++i)
            c[i] = data::nullToEmpty(q.value(i));
        found.insert(id, CustomerRow(c));
    }
    std::vector<CustomerRow> out;
    out.reserve(ids.size());
    for (RowId id : ids)
        out.push_back(found.value(id));
    return out;
}

std::vector<std::pair<RowId, QString>> CustomerStore::field(int k) const {
    QSqlQuery q = data::exec(
        engine_,
        QStringLiteral("SELECT id, %1 FROM Basic_Khgl ORDER BY id").arg(data::quoteId(columns().at(k))));
    std::vector<std::pair<RowId, QString>> out;
    while (q.next())
        out.emplace_back(q.value(0).toLongLong(), data::nullToEmpty(q.value(1)));
    return out;
}

std::vector<RowId> CustomerStore::idsOf(const QString& name) const {
    QSqlQuery q = data::exec(engine_, QStringLiteral("SELECT id FROM Basic_Khgl") + nameMatch(engine_),
                             {data::textValue(name)});
    std::vector<RowId> ids;
    while (q.next())
        ids.push_back(q.value(0).toLongLong());
    return ids;
}

QSqlQuery CustomerStore::pickerRows(const QString& text, const data::RowPage& page) const {
    if (!engine_.isOpen())
        throw data::DbError(QStringLiteral("数据库连接未打开"));
    QStringList cols;
    for (const QString& c : columns())
        cols << QStringLiteral("k.%1 AS %1").arg(data::quoteId(c));
    QString sql = QStringLiteral("SELECT  ") + cols.join(QLatin1Char(',')) +
                  QStringLiteral(" FROM %1 s JOIN Basic_Khgl k ON k.id = s.rid")
                      .arg(engine_.temporaryTable(kSearchTable));
    if (!text.isEmpty())
        sql += QStringLiteral(" WHERE ") + searchCondition(engine_, text);
    sql += QStringLiteral(" ORDER BY s.rank") + data::pageClause(page);
    refreshSearch();
    // The search copy walked in name order: the first screen comes without reading the whole table.
    QSqlQuery q(engine_.db());
    q.setForwardOnly(page.count >= 0);
    if (!q.prepare(sql))
        throw data::DbError(data::describe(q.lastError()));
    if (!text.isEmpty())
        q.addBindValue(text);
    data::bindPage(q, page);
    if (!q.exec())
        throw data::DbError(data::describe(q.lastError()));
    return q;
}

bool CustomerStore::exists(const QString& name) const {
    return data::scalar(engine_, lookupSql(engine_), {data::textValue(name)}).isValid();
}

RowId CustomerStore::insert(const Customer& c) {
    return data::scalar(engine_, insertSql(), values(c)).toLongLong();
}

RowId CustomerStore::replace(const QString& name, const Customer& c) {
    data::Transaction t(engine_);
    data::exec(engine_, deleteSql(engine_), {data::textValue(name)});
    const RowId id = data::scalar(engine_, insertSql(), values(c)).toLongLong();
    t.commit();
    return id;
}

CustomerChanged::CustomerChanged(const Customer& loaded, std::optional<Customer> now)
    : DbError(now ? QStringLiteral("客户“%1”的资料在您读取以后已被另一台电脑修改，这次修改没有保存。"
                                   "框中现在是最新的资料，请核对后再修改。")
                        .arg(loaded[kNameField])
                  : QStringLiteral("客户“%1”在您读取以后已被另一台电脑删除，这次修改没有保存。"
                                   "如仍需要这位客户，请点“新  增”后保存。")
                        .arg(loaded[kNameField])),
      now_(std::move(now)) {}

RowId CustomerStore::replace(const QString& name, const Customer& c, const Customer& loaded) {
    data::Transaction t(engine_);
    // Named as the engines keep a name made without quotes (a server in lower case).
    engine_.lockForWriting(QStringLiteral("basic_khgl"));
    std::optional<Customer> now;
    if (const std::vector<RowId> ids = idsOf(loaded[kNameField]); !ids.empty())
        now = rows({ids.front()}).front().customer();
    if (!now || *now != loaded)
        throw CustomerChanged(loaded, now);
    data::exec(engine_, deleteSql(engine_), {data::textValue(name)});
    const RowId id = data::scalar(engine_, insertSql(), values(c)).toLongLong();
    t.commit();
    return id;
}

void CustomerStore::remove(const QStringList& names) {
    if (names.isEmpty())
        return;
    data::Transaction t(engine_);
    QSqlQuery q = data::prepare(engine_, deleteSql(engine_));
    for (const QString& n : names)
        data::run(q, {data::textValue(n)});
    t.commit();
}

void CustomerStore::removeAll() {
    data::exec(engine_, QStringLiteral("delete from Basic_Khgl"));
}

ImportSession::ImportSession(data::Engine engine) : engine_(std::move(engine)) {}

ImportSession::~ImportSession() {
    QSqlDatabase db = engine_.db();
    if (open_ && !db.commit())
        db.rollback();
}

void ImportSession::begin() {
    if (open_)
        return;
    QSqlDatabase db = engine_.db();
    if (!db.transaction())
        throw data::DbError(data::describe(db.lastError()));
    open_ = true;
}

void ImportSession::rollback() {
    if (open_) {
        QSqlDatabase db = engine_.db();
        db.rollback();
    }
    open_ = false;
}

void ImportSession::commit() {
    if (!open_)
        return;
    open_ = false;
    QSqlDatabase db = engine_.db();
    if (!db.commit()) {
        const QString why = data::describe(db.lastError());
        db.rollback();
        throw data::DbError(why);
    }
}

bool ImportSession::exists(const QString& name) {
    if (!lookup_)
        lookup_ = data::prepare(engine_, lookupSql(engine_));
    data::run(*lookup_, {data::textValue(name)});
    const bool found = lookup_->next();
    lookup_->finish();
    return found;
}

RowId ImportSession::insert(const Customer& c) {
    begin();
    if (!insert_)
        insert_ = data::prepare(engine_, insertSql());
    data::run(*insert_, values(c));
    const RowId id = insert_->next() ? insert_->value(0).toLongLong() : 0;
    insert_->finish();
    return id;
}

ImportSession::Replaced ImportSession::replace(const QString& name, const Customer& c) {
    // Rows gathered so far are saved first, so that a failing overwrite undoes only itself.
    commit();
    begin();
    try {
        Replaced r;
        r.removed = CustomerStore(engine_).idsOf(name);
        data::exec(engine_, deleteSql(engine_), {data::textValue(name)});
        r.added = insert(c);
        commit();
        return r;
    } catch (...) {
        rollback();
        throw;
    }
}

} // namespace vorlan::customers
