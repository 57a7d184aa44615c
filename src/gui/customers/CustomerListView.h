#pragma once
// The register's customer list: report view in the register's colour, a tick box per row, headers
// that sort when clicked, and the track-select style (a row under the resting pointer is selected).

#include <QTreeView>

class QTimer;

namespace vorlan::customers {

class CustomerListModel;

class CustomerListView : public QTreeView {
    Q_OBJECT
public:
    explicit CustomerListView(CustomerListModel* model, QWidget* parent = nullptr);

    // The columns' widths (the key column hidden) and, once sorting is on, the sort indicator.
    void setupColumns();
    // Selects the row under a resting mouse pointer.
    void trackSelect(int row);

signals:
    // A left click on the list, on a row or beside the rows (which leaves no row selected).
    void listClicked();
    // The current row moved with the keyboard.
    void movedByKeyboard();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    CustomerListModel* model_;
    QTimer* hoverTimer_;
    int hoverRow_ = -1;
};

} // namespace vorlan::customers
