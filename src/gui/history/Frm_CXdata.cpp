#include "history/Frm_CXdata.h"

#include "app/AppState.h"
#include "app/Windows.h"
#include "data/Sql.h"
#include "history/HistoryModel.h"
#include "history/LogExport.h"
#include "history/ReprintDialog.h"
#include "printing/PrintJobStore.h"
#include "printing/PrintWindows.h"
#include "printing/Reprint.h"
#include "templates/CounterStore.h"
#include "ui/Controls.h"
#include "ui/Guarded.h"
#include "ui/Modal.h"
#include "ui/Printer.h"
#include "ui/Prompt.h"
#include "ui/TwipsLayout.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QTreeView>

namespace vorlan::history {

namespace {

const QString kListBackground = QStringLiteral("rgb(182, 214, 255)");
const QString kReprintTitle = QStringLiteral("重新打印");

// The state column's cells: the job kept for the sheet, and what the print system said of the jobs when
// the query ran (known).
history::JobCells jobCells(const printing::QueueJobs& known) {
    const QString counter = templates::CounterStore::thisCounter();
    return [known, counter](const QSqlQuery& q, int first) {
        const std::optional<printing::SheetJob> sheet = printing::PrintJobStore::joinedJob(q, first);
        return history::JobCell{printing::sheetStateText(sheet, known, counter),
                                printing::sheetStateDetail(sheet, counter)};
    };
}

} // namespace

Frm_CXdata::Frm_CXdata(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Frm_CXdata"));
    setWindowTitle(QStringLiteral("快递数据综合查询"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    ui::setClientSize(this, {12000_tw, 8160_tw});
    setMinimumSize(size());

    ui::placeLabel(this, QStringLiteral("1.选择条件："), 240_tw, 150_tw, 2400_tw);
    List_findlx = new QListWidget(this);
    List_findlx->setObjectName(QStringLiteral("List_findlx"));
    List_findlx->setSelectionMode(QAbstractItemView::SingleSelection);
    ui::place(List_findlx, {240_tw, 480_tw, 2640_tw, 1560_tw});

    ui::placeLabel(this, QStringLiteral("2.请输入条件内容："), 3120_tw, 150_tw, 3000_tw);
    Txt_CXtj = new QLineEdit(this);
    Txt_CXtj->setObjectName(QStringLiteral("Txt_CXtj"));
    ui::place(Txt_CXtj, {3120_tw, 480_tw, 4200_tw, 380_tw});

    ui::placeLabel(this, QStringLiteral("开始日期"), 3120_tw, 1095_tw, 1000_tw);
    DTPicker2 = ui::makeDatePicker(this, QStringLiteral("DTPicker2"));
    ui::place(DTPicker2, {4140_tw, 1065_tw, 1800_tw, 380_tw});
    ui::placeLabel(this, QStringLiteral("结束日期"), 3120_tw, 1635_tw, 1000_tw);
    DTPicker3 = ui::makeDatePicker(this, QStringLiteral("DTPicker3"));
    ui::place(DTPicker3, {4140_tw, 1605_tw, 1800_tw, 380_tw});

    Comd_FindData = ui::makeButton(this, QStringLiteral("Comd_FindData"), QStringLiteral("数据查询 "));
    ui::place(Comd_FindData, {7800_tw, 480_tw, 1650_tw, 450_tw});
    XPBu数据删除 = ui::makeButton(this, QStringLiteral("XPBu数据删除"), QStringLiteral("打勾删除"));
    ui::place(XPBu数据删除, {7800_tw, 1080_tw, 1650_tw, 450_tw});
    XPBut_Exit = ui::makeButton(this, QStringLiteral("XPBut_Exit"), QStringLiteral("返  回"));
    ui::place(XPBut_Exit, {9960_tw, 480_tw, 1650_tw, 450_tw});
    cmdExport = ui::makeButton(this, QStringLiteral("cmdExport"), QStringLiteral("导出"));
    ui::place(cmdExport, {9960_tw, 1080_tw, 1650_tw, 450_tw});
    cmdExport->setEnabled(false);
    cmdReprint = ui::makeButton(this, QStringLiteral("cmdReprint"), QStringLiteral("重新打印"));
    ui::place(cmdReprint, {7800_tw, 1680_tw, 1650_tw, 450_tw});
    chkReprintLog = new QCheckBox(QStringLiteral("重新打印时也记录"), this);
    chkReprintLog->setObjectName(QStringLiteral("chkReprintLog"));
    ui::place(chkReprintLog, {9960_tw, 1680_tw, 1950_tw, 450_tw});
    updateReprintHint();

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    ui::place(Frame1, {120_tw, 2220_tw, 11760_tw, 5820_tw});
    ListView1 = new QTreeView(Frame1);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->header()->setStretchLastSection(false);
    ui::place(ListView1, {90_tw, 90_tw, 11580_tw, 5640_tw});
    model = new HistoryModel(this);
    ListView1->setModel(model);

    connect(Comd_FindData, &QPushButton::clicked, this, &Frm_CXdata::Comd_FindData_Click);
    // Enter in the condition box searches at once, as the button does.
    connect(Txt_CXtj, &QLineEdit::returnPressed, this, &Frm_CXdata::Comd_FindData_Click);
    connect(XPBu数据删除, &QPushButton::clicked, this, &Frm_CXdata::XPBu数据删除_Click);
    connect(XPBut_Exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdExport, &QPushButton::clicked, this, &Frm_CXdata::cmdExport_Click);
    connect(cmdReprint, &QPushButton::clicked, this, &Frm_CXdata::cmdReprint_Click);
    connect(chkReprintLog, &QCheckBox::toggled, this, &Frm_CXdata::updateReprintHint);
    connect(model, &QAbstractItemModel::modelReset, this, &Frm_CXdata::updateExport);
    connect(model, &QAbstractItemModel::rowsInserted, this, &Frm_CXdata::updateExport);
}

void Frm_CXdata::load() {
    const QDate today = QDate::currentDate();
    DTPicker2->setDate(today.addDays(-1));
    DTPicker3->setDate(today);

    Frame1->setStyleSheet(QStringLiteral("QFrame#Frame1 { background: %1; }").arg(kListBackground));
    ListView1->setStyleSheet(QStringLiteral("QTreeView#ListView1 { background: %1; }").arg(kListBackground));
    buildColumns();
}

void Frm_CXdata::buildColumns() {
    List_findlx->clear();
    model->setColumns({});
    table_ = currentTable();
    if (!table_)
        return;
    model->setColumns(table_->columns);
    for (int i = 1; i < table_->columns.size(); ++i)
        List_findlx->addItem(table_->columns.at(i));
    List_findlx->setCurrentRow(-1);
    List_findlx->clearSelection();
    QHeaderView* h = ListView1->header();
    // 2100 twips, or what the time and its tick box need in the font at hand.
    const int timeWidth = ListView1->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) +
                          ListView1->style()->pixelMetric(QStyle::PM_IndicatorWidth) + 16;
    h->resizeSection(0, std::max(ui::toPixels(2100_tw), timeWidth));
    h->resizeSection(1, 0);
    h->setSectionHidden(1, true);
    for (int c = 2; c < model->columnCount(); ++c)
        h->resizeSection(c, ui::toPixels(1800_tw));
    // What became of the sheet is read first, beside its print time.
    h->resizeSection(model->stateColumn(), ui::toPixels(2100_tw));
    h->moveSection(h->visualIndex(model->stateColumn()), 2);
}

std::optional<templates::LogTable> Frm_CXdata::currentTable() {
    const QString name = app::state().currentTemplate;
    if (name.trimmed().isEmpty()) {
        ui::information(this, QStringLiteral("当前没有选定的模板，请先在模板目录中选择要查询的模板。"),
                        QStringLiteral("提示"));
        return std::nullopt;
    }
    std::optional<templates::LogTable> t;
    ui::guarded(this, u"Form_Load", [&] {
        t = templates::PrintLogStore(app::state().engine()).find(name);
        if (!t) {
            ui::information(this,
                            QStringLiteral("模板“%1”还没有打印记录表，没有可查询的打印记录。"
                                           "请先在模板设计中保存该模板。")
                                .arg(name),
                            QStringLiteral("提示"));
        }
    });
    return t;
}

void Frm_CXdata::Comd_FindData_Click() {
    model->clear();
    if (!table_) {
        // Without a log table at opening, look again: it may have been created since.
        buildColumns();
        if (!table_)
            return;
    }
    runQuery();
}

void Frm_CXdata::runQuery() {
    model->clear();
    templates::LogCriteria c;
    if (QListWidgetItem* item = List_findlx->currentItem(); item && item->isSelected())
        c.column = item->text();
    c.text = Txt_CXtj->text();
    c.start = DTPicker2->date();
    c.end = DTPicker3->date();
    ui::guarded(this, u"Comd_FindData_Click", [&] {
        const data::Engine engine = app::state().engine();
        // The print system is asked once per query, and only when a sheet of the log went to one of this
        // computer's queues; it answers within a few seconds or not at all.
        printing::QueueJobs known;
        if (printing::PrintJobStore(engine).anyQueued(table_->name, templates::CounterStore::thisCounter())) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            known = ui::queueJobs();
            QGuiApplication::restoreOverrideCursor();
        }
        const bool jobs = templates::PrintLogStore::keepsJobs(*table_);
        model->setQuery(templates::PrintLogStore(engine).query(*table_, c, jobs),
                        jobs ? jobCells(known) : history::JobCells());
    });
}

void Frm_CXdata::XPBu数据删除_Click() {
    if (model->rowCount() == 0) {
        ui::exclamation(this, QStringLiteral("列表记录为空"), QString());
        return;
    }
    if (ui::question(this, QStringLiteral("确认要删除-->>打勾选择的客户记录吗？"), QStringLiteral("警告"),
                     ui::Buttons::OkCancel) != ui::Answer::Ok)
        return;
    const QList<qint64> ids = model->checkedRowIds();
    ui::guarded(this, u"Comd_Del_Click", [&] {
        // The list's cursor is let go before the rows go.
        model->clear();
        templates::PrintLogStore(app::state().engine()).deleteRows(*table_, ids);
    });
    runQuery();
}

void Frm_CXdata::updateExport() {
    cmdExport->setEnabled(model->rowCount() > 0);
}

void Frm_CXdata::cmdExport_Click() {
    if (model->rowCount() == 0) {
        ui::exclamation(this, QStringLiteral("列表记录为空"), QString());
        return;
    }
    ui::FileRequest request;
    request.title = QStringLiteral("导出打印记录");
    request.filter = QStringLiteral("CSV文件（UTF-8） (*.csv);;Excel工作簿 (*.xlsx)");
    request.directory = QDir::home().filePath(
        history::worksheetName(table_ ? table_->name : QString(), QStringLiteral("打印记录")) +
        QStringLiteral("打印记录.csv"));
    request.save = true;
    const QString chosen = ui::prompter().fileName(this, request).trimmed();
    if (chosen.isEmpty())
        return;
    const auto format = history::exportFormatFor(chosen);
    if (!format) {
        ui::exclamation(
            this,
            QStringLiteral("文件名“%1”的扩展名不是.csv或.xlsx，没有导出。请在文件名后加上.csv或.xlsx。")
                .arg(QFileInfo(chosen).fileName()),
            QStringLiteral("提示"));
        return;
    }
    // The columns as the list shows them, in their order on screen; the hidden one is left out.
    const QHeaderView* h = ListView1->header();
    QList<int> shown;
    QStringList header;
    for (int v = 0; v < h->count(); ++v) {
        const int c = h->logicalIndex(v);
        // The job's state is the print system's, not the log's.
        if (h->isSectionHidden(c) || c == model->stateColumn())
            continue;
        shown << c;
        header << model->headerData(c, Qt::Horizontal).toString();
    }
    // Every row of the result, the ones not fetched yet included, as the list would show them scrolled.
    int next = 0;
    const history::RowSource rows = [&](QStringList& row) {
        if (next >= model->rowCount() && model->canFetchMore())
            model->fetchMore();
        if (next >= model->rowCount())
            return false;
        row.clear();
        for (const int c : shown)
            row << model->index(next, c).data().toString();
        ++next;
        return true;
    };
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const history::ExportResult result = history::exportTable(chosen, *format, header, rows, table_->name);
    QGuiApplication::restoreOverrideCursor();
    if (!result.ok()) {
        ui::exclamation(this, result.problem, QStringLiteral("提示"));
        return;
    }
    ui::information(this,
                    QStringLiteral("已导出%1条打印记录到文件“%2”。")
                        .arg(result.rows)
                        .arg(QDir::toNativeSeparators(QFileInfo(chosen).absoluteFilePath())),
                    QStringLiteral("系统提示"));
}

void Frm_CXdata::updateReprintHint() {
    cmdReprint->setToolTip(
        QStringLiteral("打勾选择的各张（没有打勾时为当前的一张）按模板现在的位置和偏移重新打印。") +
        printing::reprintLogText(chkReprintLog->isChecked()));
}

void Frm_CXdata::cmdReprint_Click() {
    const QList<int> rows = model->chosenRows(ListView1->currentIndex().row());
    if (!table_ || rows.isEmpty()) {
        ui::exclamation(this, QStringLiteral("请先打勾选择要重新打印的记录。"), QStringLiteral("提示"));
        return;
    }
    QList<qint64> ids;
    for (const int r : rows)
        ids << model->rowId(r);
    // The list's cursor is let go first (a server's connection reads one statement at a time); the list
    // comes back afterwards with the reprint's jobs, the sheets still ticked.
    model->clear();
    reprint(ids);
    runQuery();
    model->check(ids);
}

void Frm_CXdata::reprint(const QList<qint64>& ids) {
    std::optional<printing::ReprintJob> job;
    QString problem;
    // Read again by key: the sheets as the log holds them, in the columns it has now.
    if (!ui::guarded(this, u"cmdReprint_Click", [&] {
            const data::Engine engine = app::state().engine();
            job = printing::loadReprint(engine, app::state().currentTemplate, &problem);
            if (!job)
                return;
            QSqlQuery q = templates::PrintLogStore(engine).queryKeys(job->table, ids);
            job->sheets = printing::readLoggedSheets(q, job->table);
        }))
        return;
    if (!job) {
        ui::exclamation(this, problem, QStringLiteral("提示"));
        return;
    }
    const printing::BatchBuild build = printing::buildReprint(*job);
    if (!build.ok()) {
        ui::exclamation(this, build.problem, QStringLiteral("提示"));
        return;
    }
    const bool log = chkReprintLog->isChecked();
    {
        ReprintDialog preview(this, build.sheets,
                              printing::reprintMappingNotice(job->tmpl.name, job->mapping),
                              printing::reprintLogText(log));
        if (ui::prompter().exec(&preview) != QDialog::Accepted)
            return;
    }
    QString missing;
    const std::unique_ptr<QPrinter> printer =
        printing::openBatchPrinter(job->tmpl.name, QString(), &problem, job->settings, &missing);
    if (!missing.isEmpty())
        ui::information(this, missing, QStringLiteral("提示"));
    if (!printer) {
        ui::critical(this, QStringLiteral("打印机未准备好或有故障!没有重新打印。"), QStringLiteral("错误"));
        return;
    }
    const int total = int(build.sheets.size());
    QProgressDialog progress(QStringLiteral("正在打印第0张，共%1张").arg(total), QStringLiteral("取  消"), 0,
                             total, this);
    progress.setObjectName(QStringLiteral("progressReprint"));
    progress.setWindowTitle(kReprintTitle);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    const printing::ReprintRun run =
        printing::runReprint(*printer, *job, build.sheets, log, [&](int done, int all) {
            progress.setValue(done);
            progress.setLabelText(QStringLiteral("正在打印第%1张，共%2张").arg(done).arg(all));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    progress.reset();
    if (run.printed.status == printing::BatchOutcome::Status::Cancelled) {
        ui::information(this, QStringLiteral("重新打印已取消，什么也没有打印。"), QStringLiteral("提示"));
        return;
    }
    if (!run.printed.ok()) {
        ui::critical(this, QStringLiteral("打印机未准备好或有故障!没有重新打印。"), QStringLiteral("错误"));
        return;
    }
    if (run.logged && !run.logged->ok())
        printing::showNotice(this, printing::logNotice(*run.logged));
    ui::information(this, printing::reprintDoneText(run, total), QStringLiteral("系统提示"));
}

void Frm_CXdata::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!Frame1 || !ListView1)
        return;
    const int margin = ui::toPixels(120_tw);
    const int top = ui::toPixels(2220_tw);
    Frame1->setGeometry(margin, top, width() - 2 * margin, height() - top - margin);
    const int inner = ui::toPixels(90_tw);
    ListView1->setGeometry(inner, inner, Frame1->width() - 2 * inner, Frame1->height() - 2 * inner);
}

} // namespace vorlan::history

namespace vorlan::windows {

void openHistoryQuery(QWidget* parent) {
    ui::openModal<history::Frm_CXdata>(parent);
}

} // namespace vorlan::windows
