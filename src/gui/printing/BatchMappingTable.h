#pragma once
// The batch dialog's table of input points with the column that fills each one, and the line naming the
// points no column fills.

#include "printing/Batch.h"

#include <QWidget>

#include <optional>

class QLabel;
class QTableWidget;

namespace vorlan::printing {

class BatchMappingTable : public QWidget {
    Q_OBJECT
public:
    BatchMappingTable(QWidget* parent, const QList<BatchPoint>& points);

    QTableWidget* tblMapping = nullptr; // one row per input point, a column box "cboColumn<n>" in each
    QLabel* lblUnfilled = nullptr;

    // The columns of data that fill the points (per filledColumns); the boxes can be changed only for a
    // spreadsheet, since customers fill the points bound to them.
    void showColumns(const BatchData& data, const QList<int>& filled);

signals:
    void columnChosen(int point, int column); // -1: no column

private:
    QList<BatchPoint> points_;
};

// A mapping changed by hand is kept for the rest of the run, for the template and the columns it was made
// for: the dialog opened again on them starts from it instead of the mapping by names. Nothing when the
// columns or the template's points are not the ones it was made for.
void rememberMapping(const QString& templateName, const QStringList& header, const QList<BatchPoint>& points,
                     const QList<int>& map);
std::optional<QList<int>> rememberedMapping(const QString& templateName, const QStringList& header,
                                            const QList<BatchPoint>& points);

} // namespace vorlan::printing
