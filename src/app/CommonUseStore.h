#pragma once
// The common uses: short phrases in yongtu offered by the record picker.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

namespace vorlan::app {

class CommonUseStore {
public:
    explicit CommonUseStore(QSqlDatabase db);
    QStringList all() const;
    // The common uses as the record picker lists them: one column titled "常用用途". Scrollable, as a
    // grid's model needs it. Throws DbError.
    QSqlQuery pickerRows() const;
    void add(const QString& text) const;
    // Every row with that text goes.
    void remove(const QString& text) const;

private:
    QSqlDatabase db_;
};

} // namespace vorlan::app
