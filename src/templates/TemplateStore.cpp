#include "templates/TemplateStore.h"

#include "data/Schema.h"
#include "data/Sql.h"

#include <QSet>
#include <QSqlError>
#include <QSqlRecord>

namespace vorlan::templates {

using data::DbError;
using data::exec;
using data::quoteId;

namespace {

const QString kDateColumn = QStringLiteral("打印日期");

QString incomplete(const QString& tmpl, const QString& point, const QString& column)
{
    if (point.isEmpty())
        return QStringLiteral("模板“%1”的数据不完整（%2 为空），无法打开该模板。").arg(tmpl, column);
    return QStringLiteral("模板“%1”的输入点“%2”数据不完整（%3 为空），无法打开该模板。").arg(tmpl, point, column);
}

// A numeric column that must hold a value.
double number(const QSqlQuery& q, const char* column, const QString& tmpl, const QString& point)
{
    const QVariant v = q.value(QString::fromLatin1(column));
    if (v.isNull()) throw DbError(incomplete(tmpl, point, QString::fromLatin1(column)));
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok) throw DbError(incomplete(tmpl, point, QString::fromLatin1(column)));
    return d;
}

struct SavedPoint {
    const InputPoint* point;
    int slot;
};

void insertPoint(QSqlQuery& ins, const QString& name, const InputPoint& p, int slot)
{
    const QVariantList values{name,
                              data::textValue(p.type),
                              data::textValue(p.name),
                              data::textValue(p.binding),
                              slot,
                              double(p.rect.left),
                              double(p.rect.top),
                              double(p.rect.width),
                              double(p.rect.height),
                              data::textValue(p.fontName),
                              double(p.fontSize),
                              p.italic,
                              p.bold,
                              p.underline,
                              p.backColor,
                              p.foreColor};
    data::run(ins, values);
}

QStringList columnsOf(const QSqlDatabase& db, const QString& table)
{
    QStringList cols;
    QSqlQuery q = exec(db, QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
    while (q.next()) cols << q.value(0).toString();
    return cols;
}

bool containsNoCase(const QStringList& list, const QString& s)
{
    return list.contains(s, Qt::CaseInsensitive);
}

// A table, index or view: they share one set of names, in which ASCII letter case does not count.
struct SchemaObject {
    QString type;
    QString name;
    QString table;
};

std::optional<SchemaObject> objectNamed(const QSqlDatabase& db, const QString& name)
{
    QSqlQuery q = exec(db,
                       QStringLiteral("SELECT type, name, tbl_name FROM sqlite_master WHERE name = ? COLLATE NOCASE "
                                      "AND type IN ('table', 'index', 'view') LIMIT 1"),
                       {name});
    if (!q.next()) return std::nullopt;
    return SchemaObject{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()};
}

// The date index of a log table made before index names were reserved: it may stand where a new
// template's table is to go, and is then moved out of the way.
bool isLegacyLogIndex(const SchemaObject& o)
{
    return o.type == QLatin1String("index") && !data::schema::isBaseTable(o.table) &&
           logtable::sameName(o.name, logtable::legacyIndexName(o.table));
}

QString createIndex(const QString& table)
{
    return QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
        .arg(quoteId(logtable::indexName(table)), quoteId(table), quoteId(kDateColumn));
}

} // namespace

TemplateStore::TemplateStore(QSqlDatabase db)
    : db_(std::move(db))
{
}

QString TemplateStore::nameProblem(const QString& name)
{
    if (name.trimmed().isEmpty()) return QStringLiteral("模板名称不能为空，请在模板目录中为模板起一个名称！");
    if (data::schema::isBaseTable(name))
        return QStringLiteral("模板名称“%1”与系统数据表同名，不能使用，请在模板目录中换一个名称！").arg(name);
    return QString();
}

QString TemplateStore::checkName(const QString& name, const QStringList& otherNames) const
{
    if (QString problem = nameProblem(name); !problem.isEmpty()) return problem;
    // A template whose log table already exists keeps working, whatever its name.
    if (logtable::existingName(db_, name).isEmpty()) {
        if (name.startsWith(logtable::kIndexPrefix, Qt::CaseInsensitive))
            return QStringLiteral("模板名称不能以“%1”开头，这样的名称留给打印记录表的索引使用，请在模板目录中换一个名称！")
                .arg(logtable::kIndexPrefix);
        const auto o = objectNamed(db_, name);
        if (o && o->type != QLatin1String("table") && !isLegacyLogIndex(*o))
            return QStringLiteral("模板名称“%1”与数据库中已有的%2“%3”同名，不能使用，请在模板目录中换一个名称！")
                .arg(name, o->type == QLatin1String("view") ? QStringLiteral("视图") : QStringLiteral("索引"),
                     o->name);
    }
    QString twin;
    for (const QString& n : otherNames)
        if (n != name && logtable::sameName(n, name)) twin = n;
    if (twin.isEmpty())
        twin = data::nullToEmpty(data::scalar(
            db_,
            QStringLiteral("SELECT n FROM (SELECT mobanname AS n FROM mobanxywh UNION SELECT mobanname FROM moban "
                           "UNION SELECT trim(text) FROM mobantabe) WHERE n = ? COLLATE NOCASE AND n <> ? LIMIT 1"),
            {name, name}));
    if (!twin.isEmpty())
        return QStringLiteral("模板名称“%1”与已有的模板“%2”只有字母大小写不同，两个模板会共用同一张打印记录表，"
                              "请换一个名称！")
            .arg(name, twin);
    return QString();
}

LoadResult TemplateStore::load(const QString& name) const
{
    LoadResult result;
    Template& t = result.tmpl;
    t.name = name;

    for (const QString& ty : pointTypes()) {
        PointFamily& fam = t.family(familyOf(ty));
        QSqlQuery q = exec(db_,
                           QStringLiteral("SELECT * FROM mobanxywh WHERE mobanname = ? AND textLX = ? "
                                          "ORDER BY textNumes, rowid"),
                           {name, ty});
        while (q.next()) {
            InputPoint p;
            p.type = ty;
            p.name = data::nullToEmpty(q.value(QStringLiteral("textName")));
            p.binding = data::nullToEmpty(q.value(QStringLiteral("lockZiduan")));
            const QVariant slotValue = q.value(QStringLiteral("textNumes"));
            if (slotValue.isNull()) throw DbError(incomplete(name, p.name, QStringLiteral("textNumes")));
            const int k = slotValue.toInt();
            p.rect.left = float(number(q, "X", name, p.name));
            p.rect.top = float(number(q, "Y", name, p.name));
            p.rect.width = float(number(q, "W", name, p.name));
            p.rect.height = float(number(q, "H", name, p.name));
            p.fontName = data::nullToEmpty(q.value(QStringLiteral("Font")));
            p.fontSize = float(number(q, "FontSize", name, p.name));
            p.italic = number(q, "FontItalic", name, p.name) != 0;
            p.bold = number(q, "FontBold", name, p.name) != 0;
            p.underline = number(q, "FontUnderline", name, p.name) != 0;
            p.backColor = qint32(qint64(number(q, "BackColor", name, p.name)));
            p.foreColor = qint32(qint64(number(q, "ForeColor", name, p.name)));
            if (k < 1 || k > kMaxSlot) {
                result.skipped << QStringLiteral("输入点“%1”的序号 %2 不在 1 到 100 之间，已跳过。").arg(p.name).arg(k);
                continue;
            }
            if (fam[k].inUse()) {
                result.skipped << QStringLiteral("输入点“%1”与输入点“%2”的序号同为 %3，已跳过。")
                                      .arg(p.name, fam[k].name)
                                      .arg(k);
                continue;
            }
            fam[k] = p;
            fam.count = std::max(fam.count, k);
        }
    }

    {
        QSqlQuery q = exec(db_,
                           QStringLiteral("SELECT X, Y, W, H FROM mobanxywh WHERE mobanname = ? AND textLX = ? "
                                          "ORDER BY rowid LIMIT 1"),
                           {name, type::Background});
        if (q.next()) {
            t.pictureRect.left = float(number(q, "X", name, {}));
            t.pictureRect.top = float(number(q, "Y", name, {}));
            t.pictureRect.width = float(number(q, "W", name, {}));
            t.pictureRect.height = float(number(q, "H", name, {}));
        }
    }
    {
        QSqlQuery q = exec(db_,
                           QStringLiteral("SELECT backimage, allup, allleft FROM moban WHERE mobanname = ? "
                                          "ORDER BY rowid LIMIT 1"),
                           {name});
        if (q.next()) {
            t.hasHeader = true;
            t.picture = q.value(0).toByteArray();
            t.allup = int(number(q, "allup", name, {}));
            t.allleft = int(number(q, "allleft", name, {}));
        }
    }
    return result;
}

QByteArray TemplateStore::readPicture(const QString& name) const
{
    return data::scalar(db_, QStringLiteral("SELECT backimage FROM moban WHERE mobanname = ? ORDER BY rowid LIMIT 1"),
                        {name})
        .toByteArray();
}

void TemplateStore::save(const Template& t, const std::optional<QByteArray>& newPicture,
                         PendingColumns& pending) const
{
    const QString problem = checkName(t.name);
    if (!problem.isEmpty()) throw DbError(problem);

    data::Transaction tx(db_);
    exec(db_, QStringLiteral("DELETE FROM mobanxywh WHERE mobanname = ?"), {t.name});
    QSqlQuery ins = data::prepare(db_, QStringLiteral("INSERT INTO mobanxywh (mobanname, textLX, textName, lockZiduan, textNumes, X, Y, "
                                    "W, H, Font, FontSize, FontItalic, FontBold, FontUnderline, BackColor, ForeColor) "
                                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const PointFamily* fam : {&t.single, &t.multi})
        for (int i = 1; i <= fam->count; ++i)
            if ((*fam)[i].inUse()) insertPoint(ins, t.name, (*fam)[i], i);
    exec(db_, QStringLiteral("INSERT INTO mobanxywh (mobanname, textLX, X, Y, W, H) VALUES (?, ?, ?, ?, ?, ?)"),
         {t.name, type::Background, double(t.pictureRect.left), double(t.pictureRect.top),
          double(t.pictureRect.width), double(t.pictureRect.height)});
    if (newPicture) {
        // The new header row carries only name and picture: the offsets return to 0.
        exec(db_, QStringLiteral("DELETE FROM moban WHERE mobanname = ?"), {t.name});
        exec(db_, QStringLiteral("INSERT INTO moban (mobanname, backimage) VALUES (?, ?)"), {t.name, *newPicture});
    }
    PendingColumns applied = pending;
    logtable::bringUpToDate(db_, t, applied);
    tx.commit();
    pending = applied;
}

void TemplateStore::saveGeometry(const Template& t) const
{
    data::Transaction tx(db_);
    QSqlQuery single = data::prepare(db_, QStringLiteral("UPDATE mobanxywh SET X = ?, Y = ?, W = ?, H = ? WHERE "
                                                         "mobanname = ? AND textLX <> ? AND textNumes = ?"));
    QSqlQuery multi = data::prepare(db_, QStringLiteral("UPDATE mobanxywh SET X = ?, Y = ?, W = ?, H = ? WHERE "
                                                        "mobanname = ? AND textLX = ? AND textNumes = ?"));
    auto update = [&](QSqlQuery& q, const PointFamily& fam) {
        for (int i = 1; i <= fam.count; ++i) {
            const InputPoint& p = fam[i];
            if (!p.isLive()) continue;
            data::run(q, {double(p.rect.left), double(p.rect.top), double(p.rect.width), double(p.rect.height),
                          t.name, type::MultiLine, i});
        }
    };
    update(single, t.single);
    update(multi, t.multi);
    QSqlQuery offsets = exec(db_, QStringLiteral("UPDATE moban SET allup = ?, allleft = ? WHERE mobanname = ?"),
                             {t.allup, t.allleft, t.name});
    if (offsets.numRowsAffected() == 0) {
        // A template that never got a picture has no header row; make one so the offsets are kept.
        exec(db_, QStringLiteral("INSERT INTO moban (mobanname, backimage, allup, allleft) VALUES (?, NULL, ?, ?)"),
             {t.name, t.allup, t.allleft});
    }
    tx.commit();
}

namespace logtable {

bool sameName(const QString& a, const QString& b)
{
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x == y) continue;
        auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
        if (lower(x) != lower(y)) return false;
    }
    return true;
}

QString indexName(const QString& table) { return kIndexPrefix + table; }

QString legacyIndexName(const QString& table)
{
    return QStringLiteral("idx_") + table + QStringLiteral("_打印日期");
}

void drop(const QSqlDatabase& db, const QString& templateName)
{
    if (templateName.trimmed().isEmpty() || data::schema::isBaseTable(templateName)) return;
    const QString table = existingName(db, templateName);
    if (!table.isEmpty()) exec(db, QStringLiteral("DROP TABLE ") + quoteId(table));
}

QString existingName(const QSqlDatabase& db, const QString& templateName)
{
    return data::nullToEmpty(data::scalar(
        db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE LIMIT 1"),
        {templateName}));
}

QStringList statements(const QSqlDatabase& db, const Template& t, const PendingColumns& pending)
{
    QStringList out;
    const QString table = existingName(db, t.name);
    if (!table.isEmpty()) {
        // One column per statement: add the new names, then drop the deleted ones. A column that is
        // already there is not added twice, and one that is gone is not dropped.
        QStringList columns = columnsOf(db, table);
        for (const QString& n : pending.added) {
            if (n.isEmpty() || containsNoCase(columns, n)) continue;
            out << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 varchar(255)").arg(quoteId(table), quoteId(n));
            columns << n;
        }
        for (const QString& n : pending.deleted) {
            if (n.isEmpty() || !containsNoCase(columns, n) || n.compare(kDateColumn, Qt::CaseInsensitive) == 0) continue;
            out << QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(quoteId(table), quoteId(n));
            columns.removeAll(n);
        }
        return out;
    }
    // The name may be held by another log table's date index under its old name: it moves to its own.
    if (const auto o = objectNamed(db, t.name); o && isLegacyLogIndex(*o)) {
        out << QStringLiteral("DROP INDEX %1").arg(quoteId(o->name));
        if (!objectNamed(db, logtable::indexName(o->table)) && columnsOf(db, o->table).contains(kDateColumn))
            out << createIndex(o->table);
    }
    QStringList cols{quoteId(kDateColumn) + QStringLiteral(" datetime")};
    QStringList seen{kDateColumn};
    for (const PointFamily* fam : {&t.single, &t.multi})
        for (int i = 1; i <= fam->count; ++i) {
            const QString& n = (*fam)[i].name;
            if (n.isEmpty() || containsNoCase(seen, n)) continue;
            seen << n;
            cols << quoteId(n) + QStringLiteral(" varchar(255)");
        }
    out << QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteId(t.name), cols.join(QLatin1Char(',')));
    // The index only speeds up the history query: where its name is taken (by a table made before index
    // names were reserved) the table goes without it.
    if (!objectNamed(db, logtable::indexName(t.name))) out << createIndex(t.name);
    return out;
}

void bringUpToDate(const QSqlDatabase& db, const Template& t, PendingColumns& pending)
{
    const QString problem = TemplateStore::nameProblem(t.name);
    if (!problem.isEmpty()) throw DbError(problem);
    for (const PointFamily* fam : {&t.single, &t.multi})
        for (int i = 1; i <= fam->count; ++i)
            if ((*fam)[i].name.compare(kDateColumn, Qt::CaseInsensitive) == 0)
                throw DbError(QStringLiteral("输入点名称不能是“打印日期”，它是打印记录表的日期列，请改名后再保存！"));
    for (const QString& sql : statements(db, t, pending)) exec(db, sql);
    pending.clear();
}

} // namespace logtable

} // namespace vorlan::templates
