#include "printing/Frm_BatchPrint.h"

#include "app/AppState.h"
#include "customers/CustomerStore.h"
#include "data/Sql.h"
#include "printing/PrintActions.h"
#include "printing/PrintWindows.h"
#include "ui/Controls.h"
#include "ui/OptionGroups.h"
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
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace vorlan::printing {

namespace {
const QString kTitle = QStringLiteral("批量打印");
} // namespace

Frm_BatchPrint::Frm_BatchPrint(QWidget* parent, const templates::Template& t, const BoxTexts& typed,
                               int allup, int allleft, bool log, const PrintSettings& settings)
    : QDialog(parent), tmpl_(t), typed_(typed), allup_(allup), allleft_(allleft), settings_(settings),
      log_(log) {
    setObjectName(QStringLiteral("Frm_BatchPrint"));
    setWindowTitle(kTitle + QStringLiteral("——") + t.name);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    points_ = batchPoints(tmpl_);
    buildLayout();
    // Room for the mapping of a long template beside the rows and the preview.
    resize(ui::toPixels(ui::TwipsSize{16800_tw, 10500_tw}).expandedTo(sizeHint()));
    ui::tabToTickedOptions(this);
    useCustomers();
}

Frm_BatchPrint::~Frm_BatchPrint() = default;

void Frm_BatchPrint::buildLayout() {
    auto* root = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    root->addLayout(left, 2);
    root->addLayout(right, 3);

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
    sl->setColumnStretch(1, 1);
    left->addWidget(source);

    mapping = new BatchMappingTable(this, points_);
    left->addWidget(mapping, 1);

    rows_ = new BatchRowsModel(this);
    lstRows = new QTableView(this);
    lstRows->setObjectName(QStringLiteral("lstRows"));
    lstRows->setModel(rows_);
    lstRows->verticalHeader()->hide();
    lstRows->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstRows->setTabKeyNavigation(false); // the arrows move in the list, Tab leaves it
    lstRows->setWordWrap(false);         // one line a row: more rows in sight
    lstRows->horizontalHeader()->setStretchLastSection(true);
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
    txtRange->setFixedWidth(ui::toPixels(1800_tw));
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
    choice->addStretch(1);
    right->addLayout(choice);

    preview = new BatchPreview(this);
    preview->sheetAt = [this](int i, QString* problem) { return batchSheet(job(), i, problem); };
    right->addWidget(preview);

    auto* buttons = new QHBoxLayout;
    cmdPrint = ui::makeButton(this, QStringLiteral("cmdPrint"), QStringLiteral("开始打印"));
    cmdClose = ui::makeButton(this, QStringLiteral("cmdClose"), QStringLiteral("返  回"));
    buttons->addStretch(1);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdClose);
    right->addLayout(buttons);

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
    connect(mapping, &BatchMappingTable::columnChosen, this, &Frm_BatchPrint::setMapping);
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
        all = customers::CustomerStore(app::state().engine()).all();
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
    txtFile->setToolTip(path);
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
    if (data_.source == BatchData::Source::Spreadsheet)
        map_ =
            rememberedMapping(tmpl_.name, data_.header, points_).value_or(mapColumns(data_.header, points_));
    else
        map_ = QList<int>(points_.size(), -1);
    rows_->setData(&data_);
    lstRows->resizeColumnsToContents();
    mapping->showColumns(data_, filledColumns(tmpl_, data_, points_, map_));
    refreshPreview();
}

void Frm_BatchPrint::setMapping(int point, int column) {
    if (data_.source != BatchData::Source::Spreadsheet)
        return;
    map_ = assignColumn(map_, point, column);
    rememberMapping(tmpl_.name, data_.header, points_, map_);
    mapping->showColumns(data_, filledColumns(tmpl_, data_, points_, map_));
    refreshPreview();
}

BatchJob Frm_BatchPrint::job() const {
    BatchJob s;
    s.tmpl = tmpl_;
    s.common = typed_;
    s.allup = allup_;
    s.allleft = allleft_;
    s.settings = settings_;
    s.data = data_;
    s.map = map_;
    const RowChoice choice = optTicked->isChecked()  ? RowChoice::Ticked
                             : optRange->isChecked() ? RowChoice::Range
                                                     : RowChoice::All;
    s.chosen = chosenRows(data_, choice, txtRange->text(), rows_->ticked());
    return s;
}

int Frm_BatchPrint::sheetCount() const {
    return int(job().chosen.size());
}

int Frm_BatchPrint::shownSheet() const {
    return preview->shown();
}

void Frm_BatchPrint::refreshPreview() {
    if (preview) // not while being built
        preview->setCount(sheetCount());
}

void Frm_BatchPrint::cmdPrint_Click() {
    const BatchBuild build = buildBatch(job());
    if (!build.ok()) {
        ui::exclamation(this, build.problem, QStringLiteral("提示"));
        return;
    }
    if (const QString question = impreciseBatchQuestion(job());
        !question.isEmpty() && ui::show(this, question, QStringLiteral("警告"), ui::Icon::Exclamation,
                                        ui::Buttons::YesNo) != ui::Answer::Yes)
        return;
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
