#include "data/Schema.h"

#include "customers/CustomerColumns.h"
#include "data/Sql.h"
#include "printing/PrintJobStore.h"
#include "templates/CounterStore.h"
#include "templates/PrintLogStore.h"

namespace vorlan::data::schema {

namespace {

// Marks a new database until its first user is saved (the header's application id, otherwise unused).
constexpr int kFirstUserPendingMark = 0x566F4655;

struct TableRule {
    QString table;
    QStringList columns; // the columns the program names
    int positional = 0;  // inserted by position: the first columns in this order, and this many in all
};

const QList<TableRule>& tableRules() {
    static const QList<TableRule> rules{
        {QStringLiteral("basic_user"),
         {QStringLiteral("uid"), QStringLiteral("uName"), QStringLiteral("uPass"), QStringLiteral("czqx")},
         5},
        {QStringLiteral("mobantabe"),
         {QStringLiteral("parent"), QStringLiteral("key"), QStringLiteral("text"), QStringLiteral("image"),
          QStringLiteral("selectedimage")}},
        {QStringLiteral("moban"),
         {QStringLiteral("mobanname"), QStringLiteral("backimage"), QStringLiteral("allup"),
          QStringLiteral("allleft")}},
        {QStringLiteral("mobanxywh"),
         {QStringLiteral("mobanname"), QStringLiteral("textLX"), QStringLiteral("textName"),
          QStringLiteral("lockZiduan"), QStringLiteral("textNumes"), QStringLiteral("X"), QStringLiteral("Y"),
          QStringLiteral("W"), QStringLiteral("H"), QStringLiteral("Font"), QStringLiteral("FontSize"),
          QStringLiteral("FontItalic"), QStringLiteral("FontBold"), QStringLiteral("FontUnderline"),
          QStringLiteral("BackColor"), QStringLiteral("ForeColor")}},
        {QStringLiteral("yongtu"), {QStringLiteral("yongtuName")}, 1},
        {QStringLiteral("Basic_Khgl"), customerColumns()},
        {QStringLiteral("Detail_InOut"), {QStringLiteral("记录时间")}},
        {QString::fromLatin1(kPrintSettingsTable),
         {QStringLiteral("mobanname"), QStringLiteral("printer"), QStringLiteral("paperKey"),
          QStringLiteral("paperName"), QStringLiteral("paperWidth"), QStringLiteral("paperHeight"),
          QStringLiteral("orientation"), QStringLiteral("origin")}},
    };
    return rules;
}

// Version 2: the print settings of the templates; widths and heights in millimetres, orientation Null for
// the printer's own, 0 portrait, 1 landscape; origin 0 the printable area, 1 the paper.
void createPrintSettings(const Engine& e) {
    exec(e, QStringLiteral("CREATE TABLE %1 (mobanname TEXT PRIMARY KEY, printer TEXT, paperKey TEXT, "
                           "paperName TEXT, paperWidth %2, paperHeight %2, orientation INTEGER, "
                           "origin INTEGER DEFAULT 0)")
                .arg(quoteId(QString::fromLatin1(kPrintSettingsTable)), e.typeName(ColumnType::Real)));
}

bool containsName(const QStringList& names, const QString& name) {
    for (const QString& n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

const QStringList& baseTables() {
    static const QStringList tables{
        QStringLiteral("basic_user"),   QStringLiteral("mobantabe"), QStringLiteral("moban"),
        QStringLiteral("mobanxywh"),    QStringLiteral("yongtu"),    QStringLiteral("Basic_Khgl"),
        QStringLiteral("Detail_InOut"),
    };
    return tables;
}

bool isBaseTable(const QString& name) {
    const QString t = name.trimmed();
    for (const QString& b : baseTables())
        if (b.compare(t, Qt::CaseInsensitive) == 0)
            return true;
    if (t.compare(QLatin1String(kPrintSettingsTable), Qt::CaseInsensitive) == 0 ||
        t.compare(printing::PrintJobStore::kTable, Qt::CaseInsensitive) == 0)
        return true;
    // The engine's own tables are off limits too.
    return t.startsWith(QStringLiteral("sqlite_"), Qt::CaseInsensitive);
}

const QStringList& customerColumns() {
    return customers::columns();
}

const QStringList& keyedTables() {
    // Rows referred to, ordered or deleted one by one; the print log tables have keys of their own
    // (templates::PrintLogStore).
    static const QStringList tables{
        QStringLiteral("basic_user"), QStringLiteral("mobantabe"), QStringLiteral("moban"),
        QStringLiteral("mobanxywh"),  QStringLiteral("yongtu"),    QStringLiteral("Basic_Khgl"),
    };
    return tables;
}

namespace {

// Version 1: the base tables, each keyed table with its key column last (added by version 3 to older
// files), so that statements reading by position still find the program's columns first.
void createBaseTables(const Engine& e) {
    const QString key = QStringLiteral(", ") + e.keyColumnDefinition(QString::fromLatin1(kKeyColumn));
    exec(e, QStringLiteral("CREATE TABLE basic_user (uid TEXT, uName TEXT, uPass TEXT, czqx TEXT, "
                           "uFlag INTEGER DEFAULT 0%1)")
                .arg(key));
    exec(e, QStringLiteral("CREATE TABLE mobantabe (parent TEXT, key TEXT, text TEXT, image INTEGER, "
                           "selectedimage INTEGER%1)")
                .arg(key));
    exec(e, QStringLiteral("CREATE TABLE moban (mobanname TEXT, backimage %2, allup INTEGER DEFAULT 0, "
                           "allleft INTEGER DEFAULT 0%1)")
                .arg(key, e.typeName(ColumnType::Blob)));
    exec(e, QStringLiteral("CREATE TABLE mobanxywh (mobanname TEXT, textLX TEXT, textName TEXT, "
                           "lockZiduan TEXT, textNumes INTEGER, X %2, Y %2, W %2, H %2, Font TEXT, "
                           "FontSize %2, FontItalic INTEGER, FontBold INTEGER, FontUnderline INTEGER, "
                           "BackColor BIGINT, ForeColor BIGINT%1)")
                .arg(key, e.typeName(ColumnType::Real)));
    exec(e, QStringLiteral("CREATE TABLE yongtu (yongtuName TEXT%1)").arg(key));
    QStringList cols;
    for (const QString& c : customers::columns())
        cols << quoteId(c) + QStringLiteral(" TEXT");
    exec(e, QStringLiteral("CREATE TABLE Basic_Khgl (") + cols.join(QStringLiteral(", ")) + key +
                QLatin1Char(')'));
    exec(e, QStringLiteral("CREATE TABLE Detail_InOut (\"记录时间\" TEXT, \"内容\" TEXT)"));
    exec(e, QStringLiteral("CREATE INDEX idx_mobanxywh_name ON mobanxywh (mobanname)"));
    exec(e, QStringLiteral("CREATE INDEX idx_moban_name ON moban (mobanname)"));
    // Customer names are compared without regard to case, so the index must compare the same way.
    exec(e, QStringLiteral("CREATE INDEX idx_khgl_name ON Basic_Khgl (%1)")
                .arg(e.foldedIndexKey(quoteId(customers::columns().at(customers::kNameField)))));
    exec(e, QStringLiteral("CREATE INDEX idx_detail_time ON Detail_InOut (\"记录时间\")"));
}

// Version 2: the print settings table.
void addPrintSettings(const Engine& e) {
    if (!e.tableExists(QString::fromLatin1(kPrintSettingsTable)))
        createPrintSettings(e);
}

// Version 3: keys of their own for the keyed tables and the print log tables, numbered in the order
// the rows were written, which was the order the program showed them in.
void addRowKeys(const Engine& e) {
    for (const QString& table : keyedTables())
        if (e.keyColumn(table).isEmpty())
            e.addKeyColumn(table, QString::fromLatin1(kKeyColumn));
    templates::PrintLogStore(e).addKeys();
}

// Each step brings a database of the version before it up to its own.
struct Step {
    int version;
    void (*apply)(const Engine&);
};
// Version 4: the order of the print window's boxes. Existing rows keep Null, which loads as a template of
// reading order.
void addTabOrder(const Engine& e) {
    if (!e.columns(QStringLiteral("mobanxywh")).contains(QLatin1String("tabOrder"), Qt::CaseInsensitive))
        exec(e, QStringLiteral("ALTER TABLE mobanxywh ADD COLUMN tabOrder INTEGER"));
}

// Version 5: how a point prints (a symbol or text), a point's fixed text and the party of its binding;
// existing rows keep Null: text, no fixed text, the sender. And the digest of a template's picture, by
// which a counter keeps its own copy (Null for the pictures stored before: read from the database).
void addVersion5Columns(const Engine& e) {
    if (!containsName(e.columns(QStringLiteral("moban")), QStringLiteral("imageSum")))
        exec(e, QStringLiteral("ALTER TABLE moban ADD COLUMN imageSum TEXT"));
    const QStringList have = e.columns(QStringLiteral("mobanxywh"));
    const QList<std::pair<QString, QString>> added{
        {QStringLiteral("symbology"), QStringLiteral("TEXT")},
        {QStringLiteral("symbolText"), QStringLiteral("INTEGER")},
        {QStringLiteral("fixedText"), QStringLiteral("TEXT")},
        {QStringLiteral("bindRole"), QStringLiteral("INTEGER")},
    };
    for (const auto& [column, type] : added)
        if (!containsName(have, column))
            exec(e, QStringLiteral("ALTER TABLE mobanxywh ADD COLUMN %1 %2").arg(column, type));
}

// Version 6: the print job of each logged sheet (printing::PrintJobStore); sheets logged before have none.
void addPrintJobs(const Engine& e) {
    printing::PrintJobStore::create(e);
}

constexpr Step kSteps[] = {
    {2, addPrintSettings}, {3, addRowKeys}, {4, addTabOrder}, {5, addVersion5Columns}, {6, addPrintJobs},
};

} // namespace

void create(const Engine& e) {
    Transaction t(e.db());
    createBaseTables(e);
    createPrintSettings(e);
    addTabOrder(e); // after the key, as in a migrated file
    addVersion5Columns(e);
    addPrintJobs(e);
    if (e.logLayout() == LogLayout::SharedTable)
        templates::PrintLogStore::createShared(e);
    if (e.isServer())
        templates::CounterStore::create(e);
    e.createEngineObjects();
    e.setSchemaVersion(kVersion);
    setFirstUserPending(e, true);
    t.commit();
}

void migrate(const Engine& e) {
    const int version = e.schemaVersion();
    if (version >= kVersion)
        return;
    // Version 0 is a file whose tables were made by hand; it has every base table (checked before).
    // Every step runs in one transaction: an interrupted migration leaves the old file as it was.
    Transaction t(e.db());
    for (const Step& step : kSteps)
        if (step.version > version)
            step.apply(e);
    e.setSchemaVersion(kVersion);
    t.commit();
}

void showKeys(const Engine& e) {
    if (e.schemaVersion() >= 3)
        return;
    for (const QString& table : keyedTables())
        if (!e.columns(table).contains(QLatin1String(kKeyColumn), Qt::CaseInsensitive))
            e.showKeyColumn(table, QString::fromLatin1(kKeyColumn));
}

QString columnProblem(const QString& table, QStringList columns) {
    const QString sep = QStringLiteral("、");
    // The key column comes after the columns inserted by position.
    if (!columns.isEmpty() &&
        columns.constLast().compare(QLatin1String(kKeyColumn), Qt::CaseInsensitive) == 0)
        columns.removeLast();
    for (const TableRule& rule : tableRules()) {
        if (rule.table.compare(table, Qt::CaseInsensitive) != 0)
            continue;
        QStringList missing;
        for (const QString& c : rule.columns)
            if (!containsName(columns, c))
                missing << c;
        if (!missing.isEmpty())
            return QStringLiteral("数据表 %1 缺少列 %2").arg(rule.table, missing.join(sep));
        if (rule.positional == 0)
            return {};
        bool inOrder = columns.size() == rule.positional;
        for (qsizetype i = 0; inOrder && i < rule.columns.size(); ++i)
            inOrder = columns.at(i).compare(rule.columns.at(i), Qt::CaseInsensitive) == 0;
        if (inOrder)
            return {};
        QStringList expected = rule.columns;
        for (qsizetype i = expected.size(); i < rule.positional; ++i)
            expected << QStringLiteral("第%1列").arg(i + 1);
        return QStringLiteral("数据表 %1 的列应依次为 %2，共 %3 列（现为 %4）")
            .arg(rule.table, expected.join(sep))
            .arg(rule.positional)
            .arg(columns.join(sep));
    }
    return {};
}

QStringList columnProblems(const Engine& e) {
    QStringList problems;
    for (const TableRule& rule : tableRules()) {
        if (!e.tableExists(rule.table))
            continue;
        const QString problem = columnProblem(rule.table, e.columns(rule.table));
        if (!problem.isEmpty())
            problems << problem;
    }
    return problems;
}

bool firstUserPending(const Engine& e) {
    return e.fileMark() == kFirstUserPendingMark;
}

void setFirstUserPending(const Engine& e, bool pending) {
    e.setFileMark(pending ? kFirstUserPendingMark : 0);
}

QStringList missingTables(const Engine& e) {
    QStringList missing;
    for (const QString& t : baseTables())
        if (!e.tableExists(t))
            missing << t;
    return missing;
}

} // namespace vorlan::data::schema
