#pragma once
// A template carried from one shop to another in one file: a zip holding template.json (its points,
// picture rectangle, paper and origin) and, when it has one, its picture as stored. What belongs to one
// computer's printer stays behind: the printer and the overall offsets. The print log is not carried.
//
// Reading checks every field before anything is written, and a file is read within fixed bounds (its size,
// the number and size of its entries, the picture's pixels), so a crafted file costs no more than a real one.

#include "app/Catalogue.h"
#include "printing/PrintSettings.h"
#include "templates/TemplateModel.h"

#include "data/Engine.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vorlan::templates {

inline const QString kTransferFormat = QStringLiteral("vorlan-template");
inline constexpr int kTransferVersion = 1;
// The file name ending offered for a template file.
inline const QString kTransferSuffix = QStringLiteral("vtpl");
inline const QString kTransferFilter = QStringLiteral("模板文件 (*.vtpl);;所有文件 (*)");

// The bounds of a file that is read.
inline constexpr qint64 kMaxTransferFileBytes = qint64(64) << 20;
inline constexpr int kMaxTransferEntries = 16;
inline constexpr qint64 kMaxTransferJsonBytes = qint64(2) << 20;
inline constexpr qint64 kMaxTransferPictureBytes = qint64(48) << 20;
inline constexpr int kMaxPictureSide = 20000;
inline constexpr qint64 kMaxPicturePixels = qint64(120) * 1000 * 1000;

// What a template file holds.
struct TemplatePackage {
    // The points (live ones only), the picture rectangle and the picture bytes; no offsets, no header flag.
    Template tmpl;
    // Paper, orientation and origin; the printer is always empty.
    printing::PrintSettings paper;
    bool operator==(const TemplatePackage&) const = default;
};

// The package of a stored template, as export writes it. notes: what was left out (rows the store
// skipped, a picture that does not decode). Throws DbError when it cannot be read or is not stored.
struct PackageRead {
    TemplatePackage package;
    QStringList notes;
};
PackageRead packageOf(const data::Engine& engine, const QString& name);

// The file's bytes: the zip with template.json and the picture.
QByteArray packageBytes(const TemplatePackage& package);

// Reads a package, checking everything; problem names the field (in Chinese) and the package is empty
// then. shownName is the file's name as the messages name it.
struct PackageReading {
    std::optional<TemplatePackage> package;
    QString problem;
};
PackageReading readPackage(const QByteArray& bytes, const QString& shownName);
PackageReading readPackageFile(const QString& path);

// Writes the package of the template to the file (replaced whole, or left as it was on failure).
// problem: the file could not be written; notes as packageOf. Throws DbError as packageOf does.
struct ExportResult {
    QString problem;
    QStringList notes;
    int points = 0;
    bool ok() const { return problem.isEmpty(); }
};
// Why an export may not write that file, or an empty text: a folder, or an existing file whose name does
// not end in .vtpl (the database, a data file or any other file is never written over).
QString exportTargetProblem(const QString& path);
ExportResult exportTemplate(const data::Engine& engine, const QString& name, const QString& path);

// Why the package cannot come in under that name, or an empty text: the rules of a new template's name,
// and no template, catalogue node or print log of the database (nor any of otherNames, the tree on
// screen) may carry it without regard to letter case. Throws DbError.
QString importNameProblem(const data::Engine& engine, const QString& name,
                          const QStringList& otherNames = {});

// The catalogue as the import leaves it: rows, the new node among them, and the rows the table is
// expected to hold (what was read); CatalogueStore::save refuses when another counter changed it.
struct CatalogueUpdate {
    QList<app::CatalogueRow> rows;
    QList<app::CatalogueRow> loaded;
};
// The tree loaded with one node for name added under the node of parentKey (empty: at the top).
CatalogueUpdate withNode(const QList<app::CatalogueRow>& loaded, const QString& parentKey,
                         const QString& name);

// Writes the template under that name, its picture, paper and origin, its print log table and the
// catalogue, all in one transaction: either everything or nothing. The offsets start at 0. Throws
// DbError (app::CatalogueChanged when the tree changed meanwhile), nothing written then.
void importTemplate(const data::Engine& engine, const TemplatePackage& package, const QString& name,
                    const CatalogueUpdate& catalogue);

// A summary for the user: "12 个输入点，有背景图片，纸张 A4（纵向），位置从纸张左上角量起".
QString packageSummary(const TemplatePackage& package);

} // namespace vorlan::templates
