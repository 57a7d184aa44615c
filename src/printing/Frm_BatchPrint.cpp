#include "printing/Frm_BatchPrint.h"

#include "app/AppState.h"
#include "customers/CustomerStore.h"
#include "data/Sql.h"
#include "printing/PrintActions.h"
#include "printing/PrintWindows.h"
#include "ui/Controls.h"
#include "ui/Prompt.h"
#include "ui/Twips.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vorlan::printing {

namespace {
constexpr ui::TwipsSize kPreviewSize{13215_tw, 7935_tw};
const QString kNoColumn = QStringLiteral("（不填，用打印窗口中的内容）");
const QString kTitle = QStringLiteral("批量打印");
} // namespace

// --- Rows of the source ---------------------------------------------------------------------------------

void BatchRowsModel::setData(const BatchData* data) {
    beginResetModel();
    data_ = data;
    ticks_ = QList<bool>(data ? data->rows.size() : 0, false);
    endResetModel();
}

QList<int> BatchRowsModel::ticked() const {
    QList<int> out;
    for (int i = 0; i < ticks_.size(); ++i)
        if (ticks_.at(i))
            out << i;
    return out;
}

void BatchRowsModel::setTicked(int row, bool on) {
    setData(index(row, 0), on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

int BatchRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !data_ ? 0 : int(data_->rows.size());
}

int BatchRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !data_ ? 0 : int(data_->header.size()) + 1;
}

QVariant BatchRowsModel::data(const QModelIndex& index, int role) const {
    if (!data_ || !index.isValid())
        return {};
    if (index.column() == 0) {
        if (role == Qt::CheckStateRole)
            return ticks_.value(index.row()) ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::DisplayRole)
            return data_->rowNumbers.value(index.row());
        return {};
    }
    if (role == Qt::DisplayRole)
        return data_->rows.value(index.row()).value(index.column() - 1);
    return {};
}

bool BatchRowsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole || index.row() >= ticks_.size())
        return false;
    ticks_[index.row()] = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags BatchRowsModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant BatchRowsModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole || o != Qt::Horizontal || !data_)
        return QAbstractTableModel::headerData(section, o, role);
    if (section == 0)
        return data_->source == BatchData::Source::Customers ? QStringLiteral("序号")
                                                             : QStringLiteral("行号");
    return data_->header.value(section - 1);
}

// --- The dialog -------------------------------------------------------------------------------------------

Frm_BatchPrint::Frm_BatchPrint(QWidget* parent, const templates::Template& t, const BoxTexts& typed,
                               int allup, int allleft, bool log, const PrintSettings& settings)
    : QDialog(parent), tmpl_(t), typed_(typed), allup_(allup), allleft_(allleft), settings_(settings),
      log_(log) {
    setObjectName(QStringLiteral("Frm_BatchPrint"));
    setWindowTitle(kTitle + QStringLiteral("——") + t.name);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    points_ = batchPoints(tmpl_);
    buildLayout();
    useCustomers();
}

Frm_BatchPrint::~Frm_BatchPrint() = default;

void Frm_BatchPrint::buildLayout() {
    auto* root = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    root->addLayout(left, 1);
    root->addLayout(right, 1);

    auto* source = new QGroupBox(QStringLiteral("数据来源"), this);
    auto* sl = new QGridLayout(source);
    optCustomers = new QRadioButton(QStringLiteral("勾选的客户"), source);
    optCustomers->setObjectName(QStringLiteral("optCustomers"));
    optFile = new QRadioButton(QStringLiteral("电子表格文件"), source);
    optFile->setObjectName(QStringLiteral("optFile"));
    txtFile = new QLineEdit(source);
    txtFile->setObjectName(QStringLiteral("txtFile"));
    txtFile->setReadOnly(true);
    cmdBrowse = ui::makeButton(source, QStringLiteral("cmdBrowse"), QStringLiteral("选择文件…"));
    cboSheet = new QComboBox(source);
    cboSheet->setObjectName(QStringLiteral("cboSheet"));
    sl->addWidget(optCustomers, 0, 0, 1, 3);
    sl->addWidget(optFile, 1, 0);
    sl->addWidget(txtFile, 1, 1);
    sl->addWidget(cmdBrowse, 1, 2);
    sl->addWidget(new QLabel(QStringLiteral("工作表："), source), 2, 0);
    sl->addWidget(cboSheet, 2, 1, 1, 2);
    left->addWidget(source);

    tblMapping = new QTableWidget(int(points_.size()), 2, this);
    tblMapping->setObjectName(QStringLiteral("tblMapping"));
    tblMapping->setHorizontalHeaderLabels({QStringLiteral("输入点"), QStringLiteral("填入的列")});
    tblMapping->horizontalHeader()->setStretchLastSection(true);
    tblMapping->verticalHeader()->hide();
    for (int p = 0; p < points_.size(); ++p) {
        auto* name = new QTableWidgetItem(points_.at(p).name);
        name->setFlags(Qt::ItemIsEnabled);
        tblMapping->setItem(p, 0, name);
        auto* box = new QComboBox(tblMapping);
        box->setObjectName(QStringLiteral("cboColumn%1").arg(p));
        tblMapping->setCellWidget(p, 1, box);
        connect(box, &QComboBox::activated, this, [this, p](int i) { setMapping(p, i - 1); });
    }
    left->addWidget(new QLabel(QStringLiteral("列与输入点的对应（按名称自动对应，可以修改）："), this));
    left->addWidget(tblMapping, 1);
    lblUnfilled = ui::makeLabel(this, QStringLiteral("lblUnfilled"), QString());
    lblUnfilled->setWordWrap(true);
    left->addWidget(lblUnfilled);

    rows_ = new BatchRowsModel(this);
    lstRows = new QTableView(this);
    lstRows->setObjectName(QStringLiteral("lstRows"));
    lstRows->setModel(rows_);
    lstRows->verticalHeader()->hide();
    lstRows->setSelectionBehavior(QAbstractItemView::SelectRows);
    QPalette pal = lstRows->palette();
    pal.setColor(QPalette::Base, QColor(182, 214, 255));
    lstRows->setPalette(pal);
    right->addWidget(lstRows, 1);

    auto* choice = new QHBoxLayout;
    optAllRows = new QRadioButton(QStringLiteral("全部行"), this);
    optAllRows->setObjectName(QStringLiteral("optAllRows"));
    optRange = new QRadioButton(QStringLiteral("行范围"), this);
    optRange->setObjectName(QStringLiteral("optRange"));
    txtRange = new QLineEdit(this);
    txtRange->setObjectName(QStringLiteral("txtRange"));
    txtRange->setPlaceholderText(QStringLiteral("如 2-11"));
    optTicked = new QRadioButton(QStringLiteral("勾选的行"), this);
    optTicked->setObjectName(QStringLiteral("optTicked"));
    auto* group = new QButtonGroup(this);
    for (QRadioButton* b : {optAllRows, optRange, optTicked}) {
        group->addButton(b);
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                refreshPreview();
        });
    }
    optAllRows->setChecked(true);
    choice->addWidget(optAllRows);
    choice->addWidget(optRange);
    choice->addWidget(txtRange);
    choice->addWidget(optTicked);
    right->addLayout(choice);

    picPreview = ui::makeLabel(this, QStringLiteral("picPreview"), QString());
    picPreview->setAutoFillBackground(true);
    QPalette white = picPreview->palette();
    white.setColor(QPalette::Window, Qt::white);
    picPreview->setPalette(white);
    picPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picPreview->setFixedSize(ui::toPixels(kPreviewSize) / 2);
    picPreview->setScaledContents(true);
    right->addWidget(picPreview);

    auto* nav = new QHBoxLayout;
    cmdPrev = ui::makeButton(this, QStringLiteral("cmdPrev"), QStringLiteral("◀"));
    cmdNext = ui::makeButton(this, QStringLiteral("cmdNext"), QStringLiteral("▶"));
    spinSheet = new QSpinBox(this);
    spinSheet->setObjectName(QStringLiteral("spinSheet"));
    lblSheetOf = ui::makeLabel(this, QStringLiteral("lblSheetOf"), QString());
    cmdPrint = ui::makeButton(this, QStringLiteral("cmdPrint"), QStringLiteral("开始打印"));
    cmdClose = ui::makeButton(this, QStringLiteral("cmdClose"), QStringLiteral("返  回"));
    nav->addWidget(cmdPrev);
    nav->addWidget(spinSheet);
    nav->addWidget(cmdNext);
    nav->addWidget(lblSheetOf, 1);
    nav->addWidget(cmdPrint);
    nav->addWidget(cmdClose);
    right->addLayout(nav);

    connect(optCustomers, &QRadioButton::clicked, this, &Frm_BatchPrint::useCustomers);
    connect(optFile, &QRadioButton::clicked, this, [this] {
        if (txtFile->text().isEmpty())
            cmdBrowse_Click();
        else
            openFile(txtFile->text());
    });
    connect(cmdBrowse, &QPushButton::clicked, this, &Frm_BatchPrint::cmdBrowse_Click);
    connect(cboSheet, &QComboBox::activated, this, [this](int) { selectSheet(cboSheet->currentText()); });
    connect(txtRange, &QLineEdit::textEdited, this, [this] {
        optRange->setChecked(true);
        refreshPreview();
    });
    connect(rows_, &QAbstractItemModel::dataChanged, this, [this] {
        if (optTicked->isChecked())
            refreshPreview();
    });
    connect(cmdPrev, &QPushButton::clicked, this, [this] { showSheet(shownSheet() - 1); });
    connect(cmdNext, &QPushButton::clicked, this, [this] { showSheet(shownSheet() + 1); });
    connect(spinSheet, &QSpinBox::valueChanged, this, [this](int n) {
        if (!updating_)
            showSheet(n);
    });
    connect(cmdPrint, &QPushButton::clicked, this, &Frm_BatchPrint::cmdPrint_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
}

void Frm_BatchPrint::useCustomers() {
    optCustomers->setChecked(true);
    reader_.reset();
    cboSheet->clear();
    cboSheet->setEnabled(false);
    std::vector<customers::Customer> all;
    try {
        all = customers::CustomerStore(app::state().db()).all();
    } catch (const data::DbError& e) {
        ui::reportError(this, QStringLiteral("useCustomers"), e.description());
    }
    data_ = customerData(all);
    optTicked->setChecked(true);
    sourceChanged();
}

void Frm_BatchPrint::cmdBrowse_Click() {
    ui::FileRequest request;
    request.title = QStringLiteral("选择批量打印的数据文件");
    request.filter = customers::spreadsheetFilter();
    const QString chosen = ui::prompter().fileName(this, request).trimmed();
    if (chosen.isEmpty()) {
        if (!reader_)
            optCustomers->setChecked(true);
        return;
    }
    openFile(chosen);
}

void Frm_BatchPrint::openFile(const QString& path) {
    std::unique_ptr<customers::SpreadsheetReader> reader;
    try {
        reader = customers::openSpreadsheet(path);
    } catch (const customers::SpreadsheetError& e) {
        ui::exclamation(this, e.description(), QStringLiteral("提示"));
        if (!reader_)
            optCustomers->setChecked(true);
        return;
    }
    reader_ = std::move(reader);
    txtFile->setText(path);
    optFile->setChecked(true);
    cboSheet->clear();
    cboSheet->addItems(reader_->sheetNames());
    cboSheet->setEnabled(cboSheet->count() > 1);
    selectSheet(cboSheet->itemText(0));
}

void Frm_BatchPrint::selectSheet(const QString& sheet) {
    if (!reader_)
        return;
    try {
        data_ = readBatchData(*reader_, sheet);
    } catch (const customers::SpreadsheetError& e) {
        ui::exclamation(this, e.description(), QStringLiteral("提示"));
        return;
    }
    cboSheet->setCurrentText(data_.sheet);
    optAllRows->setChecked(true);
    sourceChanged();
}

void Frm_BatchPrint::sourceChanged() {
    map_ = data_.source == BatchData::Source::Spreadsheet ? mapColumns(data_.header, points_)
                                                          : QList<int>(points_.size(), -1);
    rows_->setData(&data_);
    refreshMapping();
    refreshPreview();
}

void Frm_BatchPrint::setMapping(int point, int column) {
    if (point < 0 || point >= map_.size() || data_.source != BatchData::Source::Spreadsheet)
        return;
    // A column fills one point: the point that had it lets it go.
    if (column >= 0)
        for (int& c : map_)
            if (c == column)
                c = -1;
    map_[point] = column;
    refreshMapping();
    refreshPreview();
}

void Frm_BatchPrint::refreshMapping() {
    const bool fromFile = data_.source == BatchData::Source::Spreadsheet;
    for (int p = 0; p < points_.size(); ++p) {
        auto* box = qobject_cast<QComboBox*>(tblMapping->cellWidget(p, 1));
        if (!box)
            continue;
        box->clear();
        if (fromFile) {
            box->addItem(kNoColumn);
            box->addItems(data_.header);
            box->setCurrentIndex(map_.value(p, -1) + 1);
        } else {
            // Customers fill the points bound to their columns, as a pick does.
            const QString& binding = tmpl_.family(points_.at(p).ref.family)[points_.at(p).ref.slot].binding;
            box->addItem(templates::customerBindings().contains(binding) ? binding : kNoColumn);
        }
        box->setEnabled(fromFile);
    }
    QStringList unfilled;
    if (fromFile) {
        unfilled = unfilledPoints(points_, map_);
    } else {
        for (const BatchPoint& p : points_)
            if (!templates::customerBindings().contains(tmpl_.family(p.ref.family)[p.ref.slot].binding))
                unfilled << p.name;
    }
    lblUnfilled->setText(unfilled.isEmpty()
                             ? QStringLiteral("每个输入点都有列填入。")
                             : QStringLiteral("没有列填入的输入点（打印打印窗口中输入的内容）：") +
                                   unfilled.join(QStringLiteral("、")));
}

BatchSpec Frm_BatchPrint::spec() const {
    BatchSpec s;
    s.tmpl = tmpl_;
    s.common = typed_;
    s.allup = allup_;
    s.allleft = allleft_;
    s.settings = settings_;
    s.data = data_;
    s.map = map_;
    if (optTicked->isChecked()) {
        s.chosen = rows_->ticked();
    } else if (optRange->isChecked()) {
        if (const auto r = parseRowRange(txtRange->text()))
            s.chosen = rowsInRange(data_, r->first, r->second);
    } else {
        s.chosen = allRows(data_);
    }
    return s;
}

int Frm_BatchPrint::sheetCount() const {
    return int(spec().chosen.size());
}

int Frm_BatchPrint::shownSheet() const {
    return sheetCount() == 0 ? 0 : spinSheet->value();
}

void Frm_BatchPrint::refreshPreview() {
    if (!cmdPrint) // still being built
        return;
    const int n = sheetCount();
    updating_ = true;
    spinSheet->setRange(n == 0 ? 0 : 1, n);
    updating_ = false;
    showSheet(std::clamp(spinSheet->value(), n == 0 ? 0 : 1, n));
}

void Frm_BatchPrint::showSheet(int n) {
    const BatchSpec s = spec();
    const int total = int(s.chosen.size());
    if (total == 0) {
        picPreview->setPixmap(QPixmap());
        lblSheetOf->setText(QStringLiteral("没有要打印的张"));
        cmdPrev->setEnabled(false);
        cmdNext->setEnabled(false);
        return;
    }
    n = std::clamp(n, 1, total);
    updating_ = true;
    spinSheet->setValue(n);
    updating_ = false;
    cmdPrev->setEnabled(n > 1);
    cmdNext->setEnabled(n < total);
    lblSheetOf->setText(QStringLiteral("第%1张，共%2张").arg(n).arg(total));
    // The same renderer as the page and the print window's preview.
    QString problem;
    const PrintSheet sheet = batchSheet(s, n - 1, &problem);
    QPixmap page(ui::toPixels(kPreviewSize));
    page.fill(Qt::white);
    if (problem.isEmpty()) {
        QPainter painter(&page);
        drawSheet(painter, sheet);
    }
    picPreview->setPixmap(page);
    picPreview->setToolTip(problem);
}

void Frm_BatchPrint::cmdPrint_Click() {
    const BatchBuild build = buildBatch(spec());
    if (!build.ok()) {
        ui::exclamation(this, build.problem, QStringLiteral("提示"));
        return;
    }
    QString problem;
    QString missing;
    const std::unique_ptr<QPrinter> printer =
        openBatchPrinter(tmpl_.name, QString(), &problem, settings_, &missing);
    if (!missing.isEmpty())
        ui::information(this, missing, QStringLiteral("提示"));
    if (!printer) {
        ui::critical(this, batchPrinterFailedText(), QStringLiteral("错误"));
        return;
    }
    const int total = int(build.sheets.size());
    QProgressDialog progress(QStringLiteral("正在打印第0张，共%1张").arg(total), QStringLiteral("取  消"), 0,
                             total, this);
    progress.setObjectName(QStringLiteral("progressBatch"));
    progress.setWindowTitle(kTitle);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    cmdPrint->setEnabled(false);
    const BatchRun run = runBatch(*printer, build.sheets, log_, [&](int done, int all) {
        progress.setValue(done);
        progress.setLabelText(QStringLiteral("正在打印第%1张，共%2张").arg(done).arg(all));
        if (onProgress)
            onProgress(done, &progress);
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    });
    progress.reset();
    cmdPrint->setEnabled(true);
    switch (run.printed.status) {
    case BatchOutcome::Status::Cancelled:
        ui::information(this, QStringLiteral("批量打印已取消，没有打印，也没有保存打印记录。"),
                        QStringLiteral("提示"));
        return;
    case BatchOutcome::Status::Failed:
        ui::critical(this, batchPrinterFailedText(), QStringLiteral("错误"));
        return;
    case BatchOutcome::Status::Printed:
        break;
    }
    if (run.logged && !run.logged->ok()) {
        showNotice(this, logNotice(*run.logged));
        return;
    }
    ui::information(this,
                    run.logged ? QStringLiteral("已打印%1张，已保存%1条打印记录。").arg(total)
                               : QStringLiteral("已打印%1张。").arg(total),
                    QStringLiteral("系统提示"));
}

} // namespace vorlan::printing
