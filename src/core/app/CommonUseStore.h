#pragma once
// The common uses: short phrases in yongtu offered by the record picker.

#include "data/Engine.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

namespace vorlan::app {

class CommonUseStore {
public:
    explicit CommonUseStore(data::Engine engine);
    QStringList all() const;
    // The common uses containing the text (all of them for the empty text; ASCII letters without regard
    // to case, every other character as itself) as the record picker lists them: one column titled
    // "常用用途", in pinyin order. Scrollable, as a grid's model needs it. Throws DbError.
    QSqlQuery pickerRows(const QString& text = {}) const;
    void add(const QString& text) const;
    // Every row with that text goes.
    void remove(const QString& text) const;
    void removeAll() const;

private:
    data::Engine engine_;
};

} // namespace vorlan::app
