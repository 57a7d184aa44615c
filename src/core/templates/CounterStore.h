#pragma once
// What each computer keeps for itself on a shared server: the printer it prints a template on and its own
// fine offsets for that printer. The template (points, picture, paper, origin) is the same at every
// counter; a local file belongs to one computer and keeps these in the template's own rows.

#include "data/Engine.h"

#include <QString>

#include <optional>

namespace vorlan::templates {

struct CounterSettings {
    std::optional<QString> printer; // none: this computer never chose one
    std::optional<int> allup, allleft;
};

class CounterStore {
public:
    static inline const QString kTable = QStringLiteral("vorlan_counter");

    explicit CounterStore(data::Engine engine);
    // This computer, as the rows name it.
    static QString thisCounter();
    // Makes the table (a new server database).
    static void create(const data::Engine& e);

    // Does this database keep settings per computer (a server's, with the table)?
    bool kept() const;
    CounterSettings load(const QString& templateName) const;
    void savePrinter(const QString& templateName, const QString& printer) const;
    void saveOffsets(const QString& templateName, int allup, int allleft) const;
    // Every computer's row of the template (it is deleted).
    void remove(const QString& templateName) const;

private:
    data::Engine engine_;
};

} // namespace vorlan::templates
