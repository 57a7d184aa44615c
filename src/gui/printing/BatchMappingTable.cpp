#include "printing/BatchMappingTable.h"

#include "ui/Controls.h"

#include <QComboBox>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vorlan::printing {

namespace {
const QString kNoColumn = QStringLiteral("（不填，用打印窗口中的内容）");

struct KeptMapping {
    QStringList points; // the names of the points, in the order of the map
    QList<int> map;
};

// Only in memory: a few mappings a run, each as long as a template's points.
QHash<QPair<QString, QStringList>, KeptMapping>& keptMappings() {
    static QHash<QPair<QString, QStringList>, KeptMapping> kept;
    return kept;
}

QStringList pointNames(const QList<BatchPoint>& points) {
    QStringList names;
    for (const BatchPoint& p : points)
        names << p.name;
    return names;
}
} // namespace

void rememberMapping(const QString& templateName, const QStringList& header, const QList<BatchPoint>& points,
                     const QList<int>& map) {
    keptMappings().insert({templateName, header}, {pointNames(points), map});
}

std::optional<QList<int>> rememberedMapping(const QString& templateName, const QStringList& header,
                                            const QList<BatchPoint>& points) {
    const auto it = keptMappings().constFind({templateName, header});
    if (it == keptMappings().cend() || it->points != pointNames(points) || it->map.size() != points.size())
        return std::nullopt;
    return it->map;
}

BatchMappingTable::BatchMappingTable(QWidget* parent, const QList<BatchPoint>& points)
    : QWidget(parent), points_(points) {
    setObjectName(QStringLiteral("BatchMappingTable"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("列与输入点的对应（按名称自动对应，可以修改）："), this));
    tblMapping = new QTableWidget(int(points_.size()), 2, this);
    tblMapping->setObjectName(QStringLiteral("tblMapping"));
    tblMapping->setHorizontalHeaderLabels({QStringLiteral("输入点"), QStringLiteral("填入的列")});
    tblMapping->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tblMapping->horizontalHeader()->setStretchLastSection(true);
    tblMapping->verticalHeader()->hide();
    // Tab goes from one column box to the next and then on out of the table, not round its cells; the
    // table itself is no stop, there is nothing to do on the names.
    tblMapping->setTabKeyNavigation(false);
    tblMapping->setFocusPolicy(Qt::NoFocus);
    for (int p = 0; p < points_.size(); ++p) {
        auto* name = new QTableWidgetItem(points_.at(p).name);
        name->setFlags(Qt::ItemIsEnabled);
        tblMapping->setItem(p, 0, name);
        auto* box = new QComboBox(tblMapping);
        box->setObjectName(QStringLiteral("cboColumn%1").arg(p));
        tblMapping->setCellWidget(p, 1, box);
        connect(box, &QComboBox::activated, this, [this, p](int i) { emit columnChosen(p, i - 1); });
    }
    layout->addWidget(tblMapping, 1);
    lblUnfilled = ui::makeLabel(this, QStringLiteral("lblUnfilled"), QString());
    lblUnfilled->setWordWrap(true);
    layout->addWidget(lblUnfilled);
}

void BatchMappingTable::showColumns(const BatchData& data, const QList<int>& filled) {
    const bool editable = data.source == BatchData::Source::Spreadsheet;
    for (int p = 0; p < points_.size(); ++p) {
        auto* box = qobject_cast<QComboBox*>(tblMapping->cellWidget(p, 1));
        if (!box)
            continue;
        const int column = filled.value(p, -1);
        box->clear();
        if (editable) {
            box->addItem(kNoColumn);
            box->addItems(data.header);
            box->setCurrentIndex(column + 1);
        } else {
            box->addItem(column >= 0 ? data.header.value(column) : kNoColumn);
        }
        box->setEnabled(editable);
    }
    lblUnfilled->setText(unfilledNotice(unfilledPoints(points_, filled)));
}

} // namespace vorlan::printing
