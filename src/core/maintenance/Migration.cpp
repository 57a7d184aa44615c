#include "maintenance/Migration.h"

#include "data/Schema.h"
#include "data/ServerAddress.h"
#include "data/Sql.h"
#include "templates/PrintLogStore.h"
#include "templates/TemplateModel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSqlQuery>

#include <algorithm>
#include <array>
#include <vector>

namespace vorlan::maintenance {

using data::DbError;
using data::Engine;
using data::quoteId;
using templates::PrintLogStore;

namespace {

namespace schema = data::schema;

constexpr int kProgressRows = 500;

// The tables of the program: the base tables and those later versions added.
QStringList programTables() {
    QStringList tables = schema::baseTables();
    tables << QString::fromLatin1(schema::kPrintSettingsTable);
    return tables;
}

bool isProgramTable(const QString& name) {
    return programTables().contains(name, Qt::CaseInsensitive);
}

// What the program makes in a new database: its tables and, on a server, the shared print log.
bool isSchemaTable(const QString& name) {
    return isProgramTable(name) || name == PrintLogStore::kSharedTable ||
           name == PrintLogStore::kSharedColumns;
}

// A name no print log may take that is not one of the program's tables: the engine's own bookkeeping.
bool isEngineTable(const QString& name) {
    return schema::isBaseTable(name) && !isSchemaTable(name);
}

qint64 rowCount(const Engine& e, const QString& table) {
    return data::scalar(e, QStringLiteral("SELECT count(*) FROM ") + quoteId(table)).toLongLong();
}

// The checksum of a table's rows. A table with a key of its own is summed in key order; any other (no
// order of rows is the same on two engines) over the sorted checksums of its rows.
class RowSum {
public:
    explicit RowSum(bool ordered) : ordered_(ordered) {}

    void add(const QVariantList& row) {
        QByteArray bytes;
        for (const QVariant& v : row)
            bytes += canonicalValue(v);
        if (ordered_) {
            whole_.addData(bytes);
        } else {
            std::array<char, 32> digest{};
            const QByteArray d = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
            std::copy(d.begin(), d.end(), digest.begin());
            digests_.push_back(digest);
        }
        ++rows_;
    }
    qint64 rows() const { return rows_; }
    QByteArray result() {
        if (!ordered_) {
            std::sort(digests_.begin(), digests_.end());
            for (const auto& d : digests_)
                whole_.addData(QByteArrayView(d.data(), qsizetype(d.size())));
            digests_.clear();
        }
        return whole_.result();
    }

private:
    bool ordered_;
    qint64 rows_ = 0;
    QCryptographicHash whole_{QCryptographicHash::Sha256};
    std::vector<std::array<char, 32>> digests_;
};

// Calls the progress function and stops the copy when it says so.
class Stepper {
public:
    Stepper(const MigrationProgress& progress, int count, QString target)
        : progress_(progress), target_(std::move(target)) {
        step_.count = count;
    }
    void table(const QString& name) {
        step_.table = name;
        step_.rows = 0;
        ++step_.index;
        report();
    }
    void row() {
        if (++step_.rows % kProgressRows == 0)
            report();
    }
    void done() {
        step_.table.clear();
        report();
    }

private:
    void report() {
        if (progress_ && !progress_(step_))
            throw DbError(QStringLiteral("迁移已取消，%1没有改动。").arg(target_));
    }
    const MigrationProgress& progress_;
    QString target_;
    MigrationStep step_;
};

QString selectSql(const QStringList& columns, const QString& table, const QString& key) {
    QStringList quoted;
    for (const QString& c : columns)
        quoted << quoteId(c);
    QString sql = QStringLiteral("SELECT ") + quoted.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                  quoteId(table);
    if (!key.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + quoteId(key);
    return sql;
}

// The rows of a copied table, written many at a time.
data::RowBatch insertBatch(const Engine& target, const QString& table, const QStringList& columns) {
    QStringList quoted, marks;
    for (const QString& c : columns) {
        quoted << quoteId(c);
        marks << QStringLiteral("?");
    }
    return data::RowBatch(
        target.db(),
        QStringLiteral("INSERT INTO %1 (%2)").arg(quoteId(table), quoted.join(QStringLiteral(", "))),
        QLatin1Char('(') + marks.join(QStringLiteral(", ")) + QLatin1Char(')'), int(columns.size()));
}

// What is to be copied.
struct Plan {
    QStringList tables; // the program's tables, as the source names them
    QStringList logs;   // the print logs
    QStringList skipped;
};

void checkSource(const Engine& source) {
    const QString where = shownDatabase(source);
    if (source.logLayout() != data::LogLayout::TablePerTemplate)
        throw DbError(QStringLiteral("%1不是本机的数据库文件，只能从本机的数据库文件迁移。").arg(where));
    const int version = source.schemaVersion();
    if (version > schema::kVersion)
        throw DbError(QStringLiteral("%1是较新版本的本系统写入的，这个版本不能迁移它。").arg(where));
    if (const QStringList missing = schema::missingTables(source); !missing.isEmpty())
        throw DbError(QStringLiteral("%1不是本系统的数据库（缺少数据表 %2），不能迁移。")
                          .arg(where, missing.join(QStringLiteral("、"))));
    if (version < schema::kVersion)
        throw DbError(
            QStringLiteral("%1是较早版本的本系统的数据库，请先用本系统打开它一次（会自动升级），再迁移。")
                .arg(where));
}

Plan plan(const Engine& source) {
    Plan p;
    for (const QString& t : programTables())
        p.tables << source.tableNamed(t);
    const PrintLogStore logs(source);
    for (const QString& t : source.tables()) {
        if (schema::isBaseTable(t))
            continue;
        const bool hasDate = source.columns(t).contains(PrintLogStore::kDateColumn);
        const auto log = logs.find(t);
        if (log && log->name == t && hasDate)
            p.logs << t;
        else if (hasDate)
            throw DbError(
                QStringLiteral("打印记录表“%1”的名称不能用作模板名称，不能迁移。请先在本系统中处理这个表。")
                    .arg(t));
        else
            p.skipped << t;
    }
    return p;
}

// The target must hold no row at all. In the copy's transaction every table is locked first, so that no
// other counter writes one until the copy is committed or rolled back.
QStringList refuseData(const Engine& target, const QString& where, bool lock) {
    QStringList present;
    for (const QString& t : target.tables()) {
        if (isEngineTable(t))
            continue;
        if (lock)
            target.lockForWriting(t);
        if (const qint64 n = rowCount(target, t); n > 0)
            throw DbError(QStringLiteral("%1中已有数据（数据表“%2”中有 %3 行）。迁移只能写入空的数据库，"
                                         "那里的数据没有改动。")
                              .arg(where, t)
                              .arg(n));
        present << t;
    }
    return present;
}

// Tables of the program that are empty (an earlier attempt that was stopped leaves them) are taken as
// they are, an empty database gets the schema.
void prepareTarget(const Engine& target, const QString& where) {
    const QStringList present = refuseData(target, where, false);
    if (present.isEmpty()) {
        // Part of the copy's transaction: a copy that fails leaves the database as empty as it was.
        schema::create(target);
        return;
    }
    for (const QString& t : present)
        if (!isSchemaTable(t))
            throw DbError(
                QStringLiteral("%1中有不属于本系统的数据表“%2”，请使用一个空的数据库。").arg(where, t));
    if (!schema::missingTables(target).isEmpty() || target.schemaVersion() != schema::kVersion ||
        !schema::columnProblems(target).isEmpty())
        throw DbError(QStringLiteral("%1中已有数据表，但不是本系统这个版本的数据库，请使用一个空的数据库。")
                          .arg(where));
}

TableCheck copyTable(const Engine& source, const Engine& target, const QString& table, Stepper& step) {
    const QString where = shownDatabase(target);
    TableCheck check;
    check.name = table;
    const QStringList columns = source.columns(table);
    const QString to = target.tableNamed(table);
    // Each column as the target spells it: a server folds the unquoted names of its schema.
    const QStringList present = target.columns(to);
    QStringList targetColumns;
    for (const QString& c : columns) {
        const auto same = std::find_if(present.begin(), present.end(), [&](const QString& p) {
            return p.compare(c, Qt::CaseInsensitive) == 0;
        });
        if (same == present.end())
            throw DbError(QStringLiteral("%1的数据表“%2”缺少列“%3”，不能迁移。").arg(where, to, c));
        targetColumns << *same;
    }
    const QString key = source.keyColumn(table);
    const QString targetKey = key.isEmpty() ? key : targetColumns.at(columns.indexOf(key));

    RowSum sent(!key.isEmpty());
    QSqlQuery in = data::exec(source, selectSql(columns, table, key));
    data::RowBatch out = insertBatch(target, to, targetColumns);
    QVariantList row;
    while (in.next()) {
        row.clear();
        for (int i = 0; i < columns.size(); ++i)
            row << in.value(i);
        sent.add(row);
        out.add(row);
        step.row();
    }
    out.finish();
    check.sourceRows = sent.rows();
    check.sourceSum = sent.result();
    // A row added later on the target is numbered after every copied one.
    if (!key.isEmpty())
        target.continueKeys(to, targetKey);

    RowSum back(!key.isEmpty());
    QSqlQuery q = data::exec(target, selectSql(targetColumns, to, targetKey));
    while (q.next()) {
        row.clear();
        for (int i = 0; i < columns.size(); ++i)
            row << q.value(i);
        back.add(row);
    }
    check.targetRows = back.rows();
    check.targetSum = back.result();
    return check;
}

// A logged date as the log stores it: "yyyy-mm-dd hh:mm:ss" (read as UTC, so no clock change moves it).
QDateTime loggedTime(const QVariant& v) {
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    const QString text = v.toString();
    if (text.size() != 19 || text.at(10) != QLatin1Char(' '))
        return {};
    const QDate d = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime t = QTime::fromString(text.mid(11), QStringLiteral("HH:mm:ss"));
    if (!d.isValid() || !t.isValid())
        return {};
    return QDateTime(d, t, Qt::UTC);
}

// Appends copied rows to a template's print log on the target, inside the copy's transaction: the time
// as the source logged it and every value as it stands, Null kept (a value never logged reads as Null).
const templates::LogCriteria& wholeLog() {
    static const templates::LogCriteria all{QString(), QString(), QDate(1, 1, 1), QDate(9999, 12, 31)};
    return all;
}

TableCheck copyLog(const Engine& source, const Engine& target, const QString& name, Stepper& step) {
    const PrintLogStore from(source), to(target);
    const templates::LogTable log = *from.find(name);
    QStringList points = log.columns;
    points.removeAll(PrintLogStore::kDateColumn);
    if (points.size() > 2 * templates::kMaxSlot)
        throw DbError(QStringLiteral("打印记录表“%1”有 %2 列，超过了一个模板能有的输入点数，不能迁移。")
                          .arg(name)
                          .arg(points.size()));
    // The target's log gets the source's columns in their order: the single-line family holds the first
    // hundred, the multi-line family the rest.
    templates::Template t;
    t.name = log.name;
    for (qsizetype i = 0; i < points.size(); ++i) {
        templates::PointFamily& fam = i < templates::kMaxSlot ? t.single : t.multi;
        fam[fam.count + 1].name = points.at(i);
        ++fam.count;
    }
    templates::PendingColumns none;
    to.bringUpToDate(t, none);
    const auto copied = to.find(name);
    if (!copied)
        throw DbError(QStringLiteral("在%1上没有建成打印记录表“%2”。").arg(shownDatabase(target), name));

    TableCheck check;
    check.name = name;
    check.log = true;
    // The query's columns: the key, then the table's columns in order.
    const qsizetype dateAt = 1 + log.columns.indexOf(PrintLogStore::kDateColumn);
    std::vector<int> sourceAt;
    for (const QString& p : points)
        sourceAt.push_back(int(1 + log.columns.indexOf(p)));
    PrintLogStore::Copier writer(to, *copied, points);
    RowSum sent(true);
    QVariantList row, values;
    QSqlQuery in = from.query(log, wholeLog());
    while (in.next()) {
        const QVariant when = in.value(int(dateAt));
        const QDateTime at = loggedTime(when);
        if (!at.isValid())
            throw DbError(QStringLiteral("打印记录表“%1”中有一条记录的打印日期“%2”无法识别，不能迁移。")
                              .arg(name, when.toString()));
        values.clear();
        for (const int i : sourceAt)
            values << in.value(i);
        row = QVariantList{when} + values;
        sent.add(row);
        writer.add(at, values);
        step.row();
    }
    writer.finish();
    check.sourceRows = sent.rows();
    check.sourceSum = sent.result();
    // The query reads by date: a row without a usable date would be missing from the copy.
    if (const qint64 all = rowCount(source, log.name); all != check.sourceRows)
        throw DbError(QStringLiteral("打印记录表“%1”中有 %2 条记录没有打印日期，不能迁移。")
                          .arg(name)
                          .arg(all - check.sourceRows));

    const qsizetype backDate = 1 + copied->columns.indexOf(PrintLogStore::kDateColumn);
    std::vector<int> targetAt;
    for (const QString& p : points) {
        qsizetype i = 0;
        while (i < copied->columns.size() && copied->columns.at(i).compare(p, Qt::CaseInsensitive) != 0)
            ++i;
        if (i == copied->columns.size())
            throw DbError(
                QStringLiteral("%1的打印记录表“%2”缺少列“%3”。").arg(shownDatabase(target), name, p));
        targetAt.push_back(int(1 + i));
    }
    RowSum back(true);
    QSqlQuery q = to.query(*copied, wholeLog());
    while (q.next()) {
        row = QVariantList{q.value(int(backDate))};
        for (const int i : targetAt)
            row << q.value(i);
        back.add(row);
    }
    check.targetRows = back.rows();
    check.targetSum = back.result();
    return check;
}

} // namespace

bool MigrationReport::allEqual() const {
    return std::all_of(tables.begin(), tables.end(), [](const TableCheck& t) { return t.equal(); });
}

QString shownDatabase(const Engine& e) {
    const QSqlDatabase& db = e.db();
    if (e.isServer()) {
        if (db.hostName().isEmpty())
            return QStringLiteral("服务器上的数据库“%1”").arg(db.databaseName());
        data::ServerAddress a;
        a.host = db.hostName();
        a.port = db.port() > 0 ? db.port() : a.port;
        a.database = db.databaseName();
        return data::shownServer(a);
    }
    return QStringLiteral("数据库文件“%1”").arg(QDir::toNativeSeparators(db.databaseName()));
}

MigrationReport migrate(const Engine& source, const Engine& target, const MigrationProgress& progress) {
    MigrationReport report;
    report.target = shownDatabase(target);
    checkSource(source);
    // Every read of the source sees one state of it, whatever another program writes meanwhile. The
    // transaction only reads and is rolled back.
    data::Transaction snapshot(source);
    const Plan p = plan(source);
    report.skipped = p.skipped;
    Stepper step(progress, int(p.tables.size() + p.logs.size()), report.target);
    data::Transaction copy(target);
    prepareTarget(target, report.target);
    refuseData(target, report.target, true);
    for (const QString& t : p.tables) {
        step.table(t);
        report.tables << copyTable(source, target, t, step);
    }
    for (const QString& t : p.logs) {
        step.table(t);
        report.tables << copyLog(source, target, t, step);
    }
    // A database whose first user was never saved stays one on the server.
    schema::setFirstUserPending(target, schema::firstUserPending(source));
    step.done();
    if (report.allEqual()) {
        copy.commit();
        report.committed = true;
    }
    return report;
}

QByteArray canonicalValue(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return QByteArray(1, '\0');
    QByteArray bytes;
    switch (v.typeId()) {
    case QMetaType::QByteArray:
        bytes = v.toByteArray();
        break;
    case QMetaType::Bool:
        bytes = v.toBool() ? QByteArrayLiteral("1") : QByteArrayLiteral("0");
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        bytes = QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest).toUtf8();
        break;
    case QMetaType::QDateTime:
        bytes = data::dateTimeText(v.toDateTime()).toUtf8();
        break;
    case QMetaType::QDate:
        bytes = data::dateText(v.toDate()).toUtf8();
        break;
    default:
        bytes = v.toString().toUtf8();
        break;
    }
    // A value is its length and its bytes, so that no two rows run into each other.
    QByteArray out(1, '\1');
    const quint64 n = quint64(bytes.size());
    for (int shift = 56; shift >= 0; shift -= 8)
        out += char((n >> shift) & 0xff);
    out += bytes;
    return out;
}

QString shownSum(const QByteArray& sum, bool full) {
    const QString hex = QString::fromLatin1(sum.toHex());
    return full ? hex : hex.left(16);
}

QString reportText(const MigrationReport& r) {
    QStringList lines;
    lines << QStringLiteral("迁移到%1：").arg(r.target);
    for (const TableCheck& t : r.tables)
        lines << QStringLiteral("%1%2：本机 %3 行，服务器 %4 行；校验和 %5 / %6，%7")
                     .arg(t.log ? QStringLiteral("打印记录表") : QStringLiteral("数据表"), t.name)
                     .arg(t.sourceRows)
                     .arg(t.targetRows)
                     .arg(shownSum(t.sourceSum), shownSum(t.targetSum),
                          t.equal() ? QStringLiteral("相同") : QStringLiteral("不同"));
    if (!r.skipped.isEmpty())
        lines << QStringLiteral("不是本系统的数据表，没有迁移：%1").arg(r.skipped.join(QStringLiteral("、")));
    lines << (r.committed
                  ? QStringLiteral("所有数据表的行数和校验和都相同，迁移已完成。")
                  : QStringLiteral("有数据表的行数或校验和不同，迁移没有完成，%1没有改动。").arg(r.target));
    return lines.join(QLatin1Char('\n'));
}

} // namespace vorlan::maintenance
