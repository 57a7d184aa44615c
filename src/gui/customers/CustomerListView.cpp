#include "customers/CustomerListView.h"

#include "customers/CustomerListModel.h"
#include "ui/Twips.h"

#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

namespace vorlan::customers {

namespace {
constexpr int kHoverMs = 400; // how long the pointer rests on a row before track-select picks it
const QColor kListColour(182, 214, 255);
} // namespace

CustomerListView::CustomerListView(CustomerListModel* model, QWidget* parent)
    : QTreeView(parent), model_(model), hoverTimer_(new QTimer(this)) {
    setObjectName(QStringLiteral("ListView1"));
    setModel(model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setMouseTracking(true);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setSortIndicatorShown(false);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, kListColour);
    pal.setColor(QPalette::AlternateBase, kListColour);
    setPalette(pal);
    setupColumns();

    hoverTimer_->setSingleShot(true);
    hoverTimer_->setInterval(kHoverMs);
    connect(hoverTimer_, &QTimer::timeout, this, [this] { trackSelect(hoverRow_); });
    connect(this, &QAbstractItemView::entered, this, [this](const QModelIndex& i) {
        hoverRow_ = i.row();
        hoverTimer_->start();
    });
}

void CustomerListView::setupColumns() {
    QHeaderView* h = header();
    for (int c = 0; c < CustomerListModel::kColumnCount; ++c) {
        h->resizeSection(c, ui::toPixels(ui::Twips(CustomerListModel::widthTwips(c))));
        setColumnHidden(c, CustomerListModel::widthTwips(c) == 0);
    }
    if (model_->sortingOn())
        h->setSortIndicator(model_->sortColumn(), Qt::AscendingOrder);
}

void CustomerListView::trackSelect(int row) {
    if (row < 0 || row >= model_->rowCount())
        return;
    const QPoint pointer = viewport()->mapFromGlobal(QCursor::pos());
    if (viewport()->underMouse() && indexAt(pointer).isValid() && indexAt(pointer).row() != row)
        return; // the pointer moved on before resting
    selectionModel()->setCurrentIndex(model_->index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CustomerListView::keyPressEvent(QKeyEvent* event) {
    // Moving the current row with the keyboard loads that customer, as a click does.
    const int before = currentIndex().row();
    QTreeView::keyPressEvent(event);
    if (currentIndex().isValid() && currentIndex().row() != before)
        emit movedByKeyboard();
}

void CustomerListView::mousePressEvent(QMouseEvent* event) {
    // A click beside the rows leaves no row selected.
    if (!indexAt(event->position().toPoint()).isValid())
        clearSelection();
    QTreeView::mousePressEvent(event);
}

void CustomerListView::mouseReleaseEvent(QMouseEvent* event) {
    // The row was selected by the press; the click is told before the view handles the release.
    if (event->button() == Qt::LeftButton)
        emit listClicked();
    QTreeView::mouseReleaseEvent(event);
}

bool CustomerListView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave)
        hoverTimer_->stop();
    return QTreeView::viewportEvent(event);
}

} // namespace vorlan::customers
