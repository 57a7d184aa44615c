#pragma once
// The statements on the print settings table: one row per template, keyed by its name.

#include "printing/PrintSettings.h"

#include "data/Engine.h"

#include <QSqlDatabase>

namespace vorlan::printing {

class PrintSettingsStore {
public:
    explicit PrintSettingsStore(data::Engine engine);

    // The template's settings; the defaults when it has none, or when the database is older than the
    // table and could not be brought up to date (opened read-only). A stored value the program cannot use
    // (an unknown orientation or origin, a custom size out of range) reads as its default. Throws
    // DbError when the row cannot be read.
    PrintSettings load(const QString& templateName) const;

    // Stores the template's settings, replacing what it had; the default settings remove its row.
    // Throws DbError (nothing has changed then).
    void save(const QString& templateName, const PrintSettings& settings) const;

    // Removes the template's row, if there is one (the template is deleted).
    void remove(const QString& templateName) const;

private:
    data::Engine engine_;
};

} // namespace vorlan::printing
