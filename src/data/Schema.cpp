#include "data/Schema.h"

#include "customers/CustomerColumns.h"
#include "data/Sql.h"

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
void createPrintSettings(const QSqlDatabase& db) {
    exec(db, QStringLiteral("CREATE TABLE %1 (mobanname TEXT PRIMARY KEY, printer TEXT, paperKey TEXT, "
                            "paperName TEXT, paperWidth REAL, paperHeight REAL, orientation INTEGER, "
                            "origin INTEGER DEFAULT 0)")
                 .arg(quoteId(QString::fromLatin1(kPrintSettingsTable))));
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
    if (t.compare(QLatin1String(kPrintSettingsTable), Qt::CaseInsensitive) == 0)
        return true;
    // SQLite's own tables are off limits too.
    return t.startsWith(QStringLiteral("sqlite_"), Qt::CaseInsensitive);
}

const QStringList& customerColumns() {
    return customers::columns();
}

void create(const QSqlDatabase& db) {
    Transaction t(db);
    // Column orders matter: some statements insert or read by position.
    exec(db, QStringLiteral("CREATE TABLE basic_user (uid TEXT, uName TEXT, uPass TEXT, czqx TEXT, "
                            "uFlag INTEGER DEFAULT 0)"));
    exec(db, QStringLiteral("CREATE TABLE mobantabe (parent TEXT, key TEXT, text TEXT, image INTEGER, "
                            "selectedimage INTEGER)"));
    exec(db, QStringLiteral("CREATE TABLE moban (mobanname TEXT, backimage BLOB, allup INTEGER DEFAULT 0, "
                            "allleft INTEGER DEFAULT 0)"));
    exec(db, QStringLiteral("CREATE TABLE mobanxywh (mobanname TEXT, textLX TEXT, textName TEXT, "
                            "lockZiduan TEXT, textNumes INTEGER, X REAL, Y REAL, W REAL, H REAL, Font TEXT, "
                            "FontSize REAL, FontItalic INTEGER, FontBold INTEGER, FontUnderline INTEGER, "
                            "BackColor INTEGER, ForeColor INTEGER, tabOrder INTEGER)"));
    exec(db, QStringLiteral("CREATE TABLE yongtu (yongtuName TEXT)"));
    QStringList cols;
    for (const QString& c : customers::columns())
        cols << quoteId(c) + QStringLiteral(" TEXT");
    exec(db,
         QStringLiteral("CREATE TABLE Basic_Khgl (") + cols.join(QStringLiteral(", ")) + QLatin1Char(')'));
    exec(db, QStringLiteral("CREATE TABLE Detail_InOut (\"记录时间\" TEXT, \"内容\" TEXT)"));
    exec(db, QStringLiteral("CREATE INDEX idx_mobanxywh_name ON mobanxywh (mobanname)"));
    exec(db, QStringLiteral("CREATE INDEX idx_moban_name ON moban (mobanname)"));
    // Customer names are compared without regard to case, so the index must use the same collation.
    exec(db, QStringLiteral("CREATE INDEX idx_khgl_name ON Basic_Khgl (%1 COLLATE NOCASE)")
                 .arg(quoteId(customers::columns().at(customers::kNameField))));
    exec(db, QStringLiteral("CREATE INDEX idx_detail_time ON Detail_InOut (\"记录时间\")"));
    createPrintSettings(db);
    exec(db, QStringLiteral("PRAGMA user_version = %1").arg(kVersion));
    setFirstUserPending(db, true);
    t.commit();
}

void migrate(const QSqlDatabase& db) {
    const int version = scalar(db, QStringLiteral("PRAGMA user_version")).toInt();
    if (version >= kVersion)
        return;
    // Version 0 is a file whose tables were made by hand; it has every base table (checked before).
    Transaction t(db);
    if (!tableExists(db, QString::fromLatin1(kPrintSettingsTable)))
        createPrintSettings(db);
    // Version 3: the order of the print window's boxes. Existing rows keep Null, which loads as a
    // template of reading order.
    if (scalar(db,
               QStringLiteral("SELECT count(*) FROM pragma_table_info('mobanxywh') WHERE name = ? "
                              "COLLATE NOCASE"),
               {QStringLiteral("tabOrder")})
            .toInt() == 0)
        exec(db, QStringLiteral("ALTER TABLE mobanxywh ADD COLUMN tabOrder INTEGER"));
    exec(db, QStringLiteral("PRAGMA user_version = %1").arg(kVersion));
    t.commit();
}

QString columnProblem(const QString& table, const QStringList& columns) {
    const QString sep = QStringLiteral("、");
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

QStringList columnProblems(const QSqlDatabase& db) {
    QStringList problems;
    for (const TableRule& rule : tableRules()) {
        if (!tableExists(db, rule.table))
            continue;
        QStringList columns;
        QSqlQuery q = exec(db, QStringLiteral("SELECT name FROM pragma_table_info(?)"), {rule.table});
        while (q.next())
            columns << q.value(0).toString();
        const QString problem = columnProblem(rule.table, columns);
        if (!problem.isEmpty())
            problems << problem;
    }
    return problems;
}

bool firstUserPending(const QSqlDatabase& db) {
    return scalar(db, QStringLiteral("PRAGMA application_id")).toInt() == kFirstUserPendingMark;
}

void setFirstUserPending(const QSqlDatabase& db, bool pending) {
    // A pragma takes no bound parameters; the value is one of two constants.
    exec(db, QStringLiteral("PRAGMA application_id = %1").arg(pending ? kFirstUserPendingMark : 0));
}

QStringList missingTables(const QSqlDatabase& db) {
    QStringList missing;
    for (const QString& t : baseTables())
        if (!tableExists(db, t))
            missing << t;
    return missing;
}

} // namespace vorlan::data::schema
