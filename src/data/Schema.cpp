#include "data/Schema.h"

#include "customers/CustomerColumns.h"
#include "data/Sql.h"

namespace vorlan::data::schema {

const QStringList& baseTables()
{
    static const QStringList tables{
        QStringLiteral("basic_user"), QStringLiteral("mobantabe"),  QStringLiteral("moban"),
        QStringLiteral("mobanxywh"),  QStringLiteral("yongtu"),     QStringLiteral("Basic_Khgl"),
        QStringLiteral("Detail_InOut"),
    };
    return tables;
}

bool isBaseTable(const QString& name)
{
    const QString t = name.trimmed();
    for (const QString& b : baseTables())
        if (b.compare(t, Qt::CaseInsensitive) == 0) return true;
    // SQLite's own tables are off limits too.
    return t.startsWith(QStringLiteral("sqlite_"), Qt::CaseInsensitive);
}

const QStringList& customerColumns() { return customers::columns(); }

void create(const QSqlDatabase& db)
{
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
                            "BackColor INTEGER, ForeColor INTEGER)"));
    exec(db, QStringLiteral("CREATE TABLE yongtu (yongtuName TEXT)"));
    QStringList cols;
    for (const QString& c : customers::columns()) cols << quoteId(c) + QStringLiteral(" TEXT");
    exec(db, QStringLiteral("CREATE TABLE Basic_Khgl (") + cols.join(QStringLiteral(", ")) + QLatin1Char(')'));
    exec(db, QStringLiteral("CREATE TABLE Detail_InOut (\"记录时间\" TEXT, \"内容\" TEXT)"));
    exec(db, QStringLiteral("CREATE INDEX idx_mobanxywh_name ON mobanxywh (mobanname)"));
    exec(db, QStringLiteral("CREATE INDEX idx_moban_name ON moban (mobanname)"));
    // Customer names are compared without regard to case, so the index must use the same collation.
    exec(db, QStringLiteral("CREATE INDEX idx_khgl_name ON Basic_Khgl (%1 COLLATE NOCASE)")
                 .arg(quoteId(customers::columns().at(customers::kNameField))));
    exec(db, QStringLiteral("CREATE INDEX idx_detail_time ON Detail_InOut (\"记录时间\")"));
    exec(db, QStringLiteral("PRAGMA user_version = %1").arg(kVersion));
    t.commit();
}

void migrate(const QSqlDatabase& db)
{
    const int version = scalar(db, QStringLiteral("PRAGMA user_version")).toInt();
    if (version >= kVersion) return;
    // Version 0 is a file whose tables were made by hand; it has every base table (checked before).
    exec(db, QStringLiteral("PRAGMA user_version = %1").arg(kVersion));
}

QStringList missingTables(const QSqlDatabase& db)
{
    QStringList missing;
    for (const QString& t : baseTables())
        if (!tableExists(db, t)) missing << t;
    return missing;
}

} // namespace vorlan::data::schema
