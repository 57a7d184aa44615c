#pragma once
// The common uses: short phrases in yongtu offered by the record picker.

#include <QSqlDatabase>
#include <QStringList>

namespace vorlan::app {

class CommonUseStore {
public:
    explicit CommonUseStore(QSqlDatabase db);
    QStringList all() const;
    void add(const QString& text) const;
    // Every row with that text goes.
    void remove(const QString& text) const;

private:
    QSqlDatabase db_;
};

} // namespace vorlan::app
