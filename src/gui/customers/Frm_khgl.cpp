#include "customers/Frm_khgl.h"

#include "app/AppState.h"
#include "app/Windows.h"
#include "customers/CustomerDetails.h"
#include "customers/CustomerListModel.h"
#include "customers/CustomerListView.h"
#include "customers/ImportPanel.h"
#include "data/ChangeWatcher.h"
#include "ui/Controls.h"
#include "ui/Guarded.h"
#include "ui/Modal.h"
#include "ui/Prompt.h"
#include "ui/TwipsLayout.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextBrowser>

namespace vorlan::customers {

Frm_khgl::Frm_khgl(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Frm_khgl"));
    setWindowTitle(QStringLiteral("客户详细信息登记"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui::setClientSize(this, {15600_tw, 10320_tw});
    setFixedSize(size());

    details_ = new CustomerDetails(this);
    ui::place(details_, {120_tw, 60_tw, 9840_tw, 4320_tw});
    Text_kh = details_->Text_kh;
    LabKh = details_->LabKh;
    Text_col = details_->Text_col;

    panel_ = new ImportPanel(this);
    ui::place(panel_, {10080_tw, 60_tw, 5400_tw, 4320_tw});
    Text_sheet = panel_->Text_sheet;
    Text_qsdu = panel_->Text_qsdu;
    But读取Excel = panel_->But读取Excel;
    But关闭Excel = panel_->But关闭Excel;
    XPBut_next = panel_->XPBut_next;
    But读取下一条 = panel_->But读取下一条;
    XPBut读取全部 = panel_->XPBut读取全部;

    buildButtons();

    auto* sortHint = new QLabel(QStringLiteral("单击列头可按升序排列"), this);
    sortHint->setObjectName(QStringLiteral("Label_sort"));
    sortHint->setStyleSheet(QStringLiteral("color: #1f4e96;"));
    ui::place(sortHint, {120_tw, 5070_tw, 4000_tw, 270_tw});
    buildSearch();

    model = new CustomerListModel(this);
    ListView1 = new CustomerListView(model, this);
    ui::place(ListView1, {120_tw, 5340_tw, 15360_tw, 4860_tw});

    RichTextBox1 = new QTextBrowser(this);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->setHtml(ImportPanel::helpHtml());
    RichTextBox1->setStyleSheet(QStringLiteral("QTextBrowser { background: #fffbe8; }"));
    ui::place(RichTextBox1, {720_tw, 5040_tw, 14160_tw, 5160_tw});
    RichTextBox1->hide();

    connectActions();
    chainTabs();
}

// The spreadsheet, if still open, is closed with the window.
Frm_khgl::~Frm_khgl() = default;

void Frm_khgl::buildButtons() {
    XPBut_XinZhen = ui::makeButton(this, QStringLiteral("XPBut_XinZhen"), QStringLiteral("新记录"));
    XPBut_BaoC = ui::makeButton(this, QStringLiteral("XPBut_BaoC"), QStringLiteral("保   存"));
    XPBut_XiuGai = ui::makeButton(this, QStringLiteral("XPBut_XiuGai"), QStringLiteral("修   改"));
    Comd_Del = ui::makeButton(this, QStringLiteral("Comd_Del"), QStringLiteral("打勾删除"));
    XPButALLdelete = ui::makeButton(this, QStringLiteral("XPButALLdelete"), QStringLiteral("全部删除"));
    XPButton1 = ui::makeButton(this, QStringLiteral("XPButton1"), QStringLiteral("显示全部记录"));
    XPButton2 = ui::makeButton(this, QStringLiteral("XPButton2"), QStringLiteral("帮助显示>>>"));
    Command4 = ui::makeButton(this, QStringLiteral("Command4"), QStringLiteral("返  回"));
    const QList<QPushButton*> bar{XPBut_XinZhen,  XPBut_BaoC, XPBut_XiuGai, Comd_Del,
                                  XPButALLdelete, XPButton1,  XPButton2,    Command4};
    for (int i = 0; i < bar.size(); ++i)
        ui::place(bar[i], {ui::Twips(120 + i * 1920), 4500_tw, 1740_tw, 450_tw});
}

void Frm_khgl::buildSearch() {
    auto* label = new QLabel(QStringLiteral("查找："), this);
    label->setObjectName(QStringLiteral("Label_ChaZhao"));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui::place(label, {9120_tw, 4995_tw, 900_tw, 330_tw});
    Txt_ChaZhao = new QLineEdit(this);
    Txt_ChaZhao->setObjectName(QStringLiteral("Txt_ChaZhao"));
    Txt_ChaZhao->setPlaceholderText(QStringLiteral("客户名称、快捷码、联系电话、联系人或客户地址中的文字"));
    Txt_ChaZhao->setClearButtonEnabled(true);
    label->setBuddy(Txt_ChaZhao);
    ui::place(Txt_ChaZhao, {10080_tw, 4995_tw, 5400_tw, 330_tw});
}

// Tab goes through the twelve boxes in field order, then the buttons, the search, the list and the
// import panel; the column-letter boxes are reached by clicking.
void Frm_khgl::chainTabs() {
    QList<QWidget*> chain(Text_kh.begin(), Text_kh.end());
    chain << XPBut_XinZhen << XPBut_BaoC << XPBut_XiuGai << Comd_Del << XPButALLdelete << XPButton1
          << XPButton2 << Command4 << Txt_ChaZhao << ListView1 << Text_sheet << Text_qsdu << But读取Excel
          << But关闭Excel << XPBut_next << But读取下一条 << XPBut读取全部;
    for (qsizetype i = 0; i + 1 < chain.size(); ++i)
        QWidget::setTabOrder(chain[i], chain[i + 1]);
}

void Frm_khgl::connectActions() {
    connect(&data::ChangeWatcher::instance(), &data::ChangeWatcher::changed, this,
            &Frm_khgl::registerChangedElsewhere);
    connect(XPBut_XinZhen, &QPushButton::clicked, this, &Frm_khgl::XPBut_XinZhen_Click);
    connect(XPBut_BaoC, &QPushButton::clicked, this, &Frm_khgl::XPBut_BaoC_Click);
    connect(XPBut_XiuGai, &QPushButton::clicked, this, &Frm_khgl::XPBut_XiuGai_Click);
    connect(Comd_Del, &QPushButton::clicked, this, &Frm_khgl::Comd_Del_Click);
    connect(XPButALLdelete, &QPushButton::clicked, this, &Frm_khgl::XPButALLdelete_Click);
    connect(XPButton1, &QPushButton::clicked, this, &Frm_khgl::XPButton1_Click);
    connect(Txt_ChaZhao, &QLineEdit::textChanged, this, &Frm_khgl::Txt_ChaZhao_Change);
    connect(XPButton2, &QPushButton::clicked, this, &Frm_khgl::XPButton2_Click);
    connect(Command4, &QPushButton::clicked, this, &QDialog::reject);
    connect(But读取Excel, &QPushButton::clicked, this, &Frm_khgl::But读取Excel_Click);
    connect(But关闭Excel, &QPushButton::clicked, this, &Frm_khgl::But关闭Excel_Click);
    connect(XPBut_next, &QPushButton::clicked, this, &Frm_khgl::XPBut_next_Click);
    connect(But读取下一条, &QPushButton::clicked, this, &Frm_khgl::But读取下一条_Click);
    connect(XPBut读取全部, &QPushButton::clicked, this, &Frm_khgl::XPBut读取全部_Click);
    connect(ListView1, &CustomerListView::listClicked, this, &Frm_khgl::ListView1_Click);
    connect(ListView1, &CustomerListView::movedByKeyboard, this, &Frm_khgl::ListView1_Click);
    connect(ListView1->header(), &QHeaderView::sectionClicked, this, &Frm_khgl::ListView1_ColumnClick);
    // Enter in an edit box saves in the new-record state and is ignored while editing.
    connect(details_, &CustomerDetails::enterPressed, this, [this] {
        if (!XPBut_XiuGai->isEnabled())
            XPBut_BaoC_Click();
    });
}

void Frm_khgl::load() {
    // The list colour is set when the list is built.
    comd_ShuaX_Click();
    setNewRecordState();
    panel_->setReadingEnabled(false);
}

void Frm_khgl::setNewRecordState() {
    XPBut_XiuGai->setEnabled(false);
    Comd_Del->setEnabled(false);
    XPBut_BaoC->setEnabled(true);
}

void Frm_khgl::setEditingState() {
    XPBut_XiuGai->setEnabled(true);
    Comd_Del->setEnabled(true);
    XPBut_BaoC->setEnabled(false);
}

// --- Register ---------------------------------------------------------------------------------------

void Frm_khgl::comd_ShuaX_Click() {
    ui::guarded(this, u"comd_ShuaX_Click", [&] {
        model->setSortColumn(CustomerListModel::kDefaultSortColumn);
        model->reload(CustomerStore(app::state().engine()));
    });
    ListView1->setupColumns();
}

void Frm_khgl::registerChangedElsewhere(const QString& table) {
    // Another counter wrote the register: the list shows it at once; the boxes keep what is typed there.
    if (table.compare(QLatin1String("basic_khgl"), Qt::CaseInsensitive) != 0)
        return;
    ui::guarded(this, u"comd_ShuaX_Click", [&] { model->reload(CustomerStore(app::state().engine())); });
}

void Frm_khgl::XPButton1_Click() {
    {
        const QSignalBlocker quiet(Txt_ChaZhao);
        Txt_ChaZhao->clear();
    }
    model->setSearchText(QString());
    comd_ShuaX_Click();
}

void Frm_khgl::Txt_ChaZhao_Change() {
    // Nothing has been written since the last reload, so the list keeps its sort column.
    ui::guarded(this, u"Txt_ChaZhao_Change",
                [&] { model->search(CustomerStore(app::state().engine()), Txt_ChaZhao->text()); });
}

void Frm_khgl::ListView1_Click() {
    const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
    if (!selected.isEmpty()) {
        const Customer c = model->customer(selected.first().row());
        for (int k = 0; k < kFieldCount; ++k)
            Text_kh[k]->setText(c[k]);
        shown_ = c;
    }
    setEditingState();
}

void Frm_khgl::ListView1_ColumnClick(int column) {
    if (!ui::guarded(this, u"ListView1_ColumnClick", [&] { model->sortAscending(column); }))
        return;
    ListView1->header()->setSortIndicatorShown(true);
    ListView1->header()->setSortIndicator(column, Qt::AscendingOrder);
}

void Frm_khgl::XPBut_XinZhen_Click() {
    details_->clear();
    shown_.reset();
    setNewRecordState();
}

bool Frm_khgl::nameMissing() {
    // A name of blanks only would be stored as an empty name; it counts as missing.
    if (!Text_kh[0]->text().trimmed().isEmpty())
        return false;
    ui::show(this, LabKh[0]->text() + QStringLiteral("请您填写！"), QStringLiteral("输入提示"),
             ui::Icon::Exclamation);
    Text_kh[0]->setFocus();
    return true;
}

void Frm_khgl::XPBut_BaoC_Click() {
    if (nameMissing())
        return;
    ui::guarded(this, u"XPBut_BaoC_Click", [&] {
        CustomerStore store(app::state().engine());
        const Customer c = trimmed(details_->values());
        // The lookup takes the name as typed; the row is written trimmed.
        if (store.exists(Text_kh[0]->text())) {
            ui::show(this,
                     QStringLiteral("已经存在客户名称为") + c[0] + QStringLiteral("的记录,请您重新输入！"),
                     QStringLiteral("操作提示"), ui::Icon::None, ui::Buttons::YesNo);
            return;
        }
        store.insert(c);
        comd_ShuaX_Click();
        ui::information(this, QStringLiteral("客户名称为") + c[0] + QStringLiteral("的记录保存成功！"),
                        QStringLiteral("系统提示"));
        XPBut_XinZhen_Click();
    });
}

void Frm_khgl::XPBut_XiuGai_Click() {
    if (nameMissing())
        return;
    if (!ListView1->selectionModel()->hasSelection()) {
        ui::exclamation(this, QStringLiteral("请先在列表中单击选择要修改的客户记录，再点击“修   改”！"),
                        QStringLiteral("操作无效报告"));
        return;
    }
    std::optional<Customer> newer;
    bool changedElsewhere = false;
    ui::guarded(this, u"XPBut_XiuGai_Click", [&] {
        const Customer c = trimmed(details_->values());
        // The key is the name now in the box, not the selected row's: a renamed customer is written anew.
        // Another computer's change since the row was read is never overwritten unseen.
        RowId id = 0;
        try {
            id = shown_ ? CustomerStore(app::state().engine()).replace(Text_kh[0]->text(), c, *shown_)
                        : CustomerStore(app::state().engine()).replace(Text_kh[0]->text(), c);
        } catch (const CustomerChanged& e) {
            changedElsewhere = true;
            newer = e.now();
            throw;
        }
        comd_ShuaX_Click();
        // The row just written stays selected, so that a further correction can be saved the same way.
        selectRow(id);
        ui::information(this, QStringLiteral("客户名称") + c[0] + QStringLiteral("的记录修改成功！请返回"),
                        QStringLiteral("系统提示"));
        shown_ = c;
    });
    if (changedElsewhere) {
        // The message said so: the boxes now show what the other computer saved.
        comd_ShuaX_Click();
        shown_ = newer;
        if (newer)
            for (int k = 0; k < kFieldCount; ++k)
                Text_kh[k]->setText((*newer)[k]);
    }
}

void Frm_khgl::selectRow(RowId id) {
    const int row = model->rowOf(id);
    if (row < 0)
        return;
    const QModelIndex i = model->index(row, 0);
    ListView1->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
    ListView1->scrollTo(i);
}

void Frm_khgl::Comd_Del_Click() {
    if (model->rowCount() == 0) {
        ui::show(this, QStringLiteral("列表记录为空"), QString(), ui::Icon::Exclamation);
        return;
    }
    if (ui::show(this, QStringLiteral("确认要删除-->>打勾选择的客户记录吗？"), QStringLiteral("警告"),
                 ui::Icon::Question, ui::Buttons::OkCancel) != ui::Answer::Ok)
        return;
    ui::guarded(this, u"Comd_Del_Click", [&] {
        CustomerStore(app::state().engine()).remove(model->checkedNames());
        comd_ShuaX_Click();
    });
}

void Frm_khgl::XPButALLdelete_Click() {
    if (ui::show(this, QStringLiteral("确认要删除所有的客户记录吗？"), QStringLiteral("警告"),
                 ui::Icon::Exclamation, ui::Buttons::OkCancel) != ui::Answer::Ok)
        return;
    ui::guarded(this, u"XPButALLdelete_Click", [&] { CustomerStore(app::state().engine()).removeAll(); });
    comd_ShuaX_Click();
}

void Frm_khgl::XPButton2_Click() {
    if (XPButton2->text() == QStringLiteral("帮助显示>>>")) {
        RichTextBox1->show();
        RichTextBox1->raise();
        XPButton2->setText(QStringLiteral("帮助隐藏<<<"));
    } else {
        RichTextBox1->hide();
        XPButton2->setText(QStringLiteral("帮助显示>>>"));
    }
}

// --- Spreadsheet import -----------------------------------------------------------------------------

void Frm_khgl::But读取Excel_Click() {
    if (ui::show(this,
                 QStringLiteral(
                     "因如程序打开Excel文件后，人工就无法再打开了，只有点击“关闭Excel文件”才能人工打开，"
                     "所以请您先人工打开要读取Excel文件"),
                 QStringLiteral("提示"), ui::Icon::Information, ui::Buttons::OkCancel) != ui::Answer::Ok)
        return;
    ui::FileRequest request;
    request.title = QStringLiteral("打开Excel文件");
    request.filter = spreadsheetFilter(); // .xls, .xlsx and .csv
    const QString chosen = ui::prompter().fileName(this, request);
    panel_->setReadingEnabled(false);
    try {
        file_.open(chosen);
        panel_->setReadingEnabled(file_.isOpen());
    } catch (const SpreadsheetError& e) {
        ui::exclamation(this, e.description(), QStringLiteral("提示"));
    }
}

void Frm_khgl::But关闭Excel_Click() {
    file_.close();
    panel_->setReadingEnabled(false);
    But读取Excel->setEnabled(true);
}

PanelTexts Frm_khgl::panelTexts() const {
    return {Text_sheet->text(), Text_qsdu->text(), details_->letters()};
}

bool Frm_khgl::refused(ReadAction action) {
    const auto missing = missingBox(panelTexts(), action);
    if (!missing)
        return false;
    switch (*missing) {
    case MissingBox::StartRow:
        ui::show(this, QStringLiteral("请您输入想要读取数据的起始行!"), QString());
        break;
    case MissingBox::Sheet:
        ui::show(this, QStringLiteral("请您输入想要读取Excel文件内的工作表名!"), QString());
        break;
    case MissingBox::NameColumn:
        ui::show(this, QStringLiteral("读取的用户编号不能为空,请输入此处的列标号！"), QString());
        Text_col[kNameField]->setFocus();
        break;
    }
    return true;
}

ReadPlan Frm_khgl::plan(ReadAction action) const {
    return planRead(panelTexts(), action, file_.usedRows(), file_.usedColumns());
}

bool Frm_khgl::goOnDespiteUnreadable(const ReadPlan& plan) {
    const UnreadableCells cells = unreadableCells(file_.reader(), plan);
    if (cells.count > 0 && ui::show(this, unreadableQuestion(plan.sheet, cells), QStringLiteral("警告"),
                                    ui::Icon::Exclamation, ui::Buttons::YesNo) != ui::Answer::Yes)
        return false;
    const UnreadableCells imprecise = impreciseCells(file_.reader(), plan);
    return imprecise.count == 0 ||
           ui::show(this, impreciseQuestion(plan.sheet, imprecise), QStringLiteral("警告"),
                    ui::Icon::Exclamation, ui::Buttons::YesNo) == ui::Answer::Yes;
}

void Frm_khgl::runImport(ReadAction action, const std::function<void()>& step) {
    try {
        step();
    } catch (...) {
        ui::information(this, failureMessage(action, Text_sheet->text()), QStringLiteral("提示"));
    }
}

// Reads the row of the start row box into the edit boxes and moves the box on; false when nothing
// was read. Throws as runImport expects.
bool Frm_khgl::readNextIntoBoxes(ReadAction action) {
    const ReadPlan p = plan(action);
    if (file_.path().isEmpty())
        return false;
    if (!goOnDespiteUnreadable(p))
        return false;
    Customer c = details_->values();
    try {
        readRow(file_.reader(), p, p.firstRow, c);
    } catch (...) {
        details_->setValues(c);
        throw;
    }
    details_->setValues(c);
    Text_qsdu->setText(rowAfter(p.firstRow));
    return true;
}

void Frm_khgl::XPBut_next_Click() {
    if (refused(ReadAction::Next))
        return;
    // Nothing is saved; "保   存" does that, refusing a name that is there already.
    runImport(ReadAction::Next, [this] { readNextIntoBoxes(ReadAction::Next); });
}

void Frm_khgl::But读取下一条_Click() {
    if (refused(ReadAction::NextAndSave))
        return;
    runImport(ReadAction::NextAndSave, [this] {
        if (!readNextIntoBoxes(ReadAction::NextAndSave))
            return;
        // No duplicate check here: the row is saved as read.
        CustomerStore(app::state().engine()).insert(trimmed(details_->values()));
        comd_ShuaX_Click();
        XPBut_XinZhen_Click();
    });
}

void Frm_khgl::XPBut读取全部_Click() {
    if (refused(ReadAction::All))
        return;
    XPBut_XinZhen_Click();
    runImport(ReadAction::All, [this] {
        const ReadPlan p = plan(ReadAction::All);
        if (file_.path().isEmpty())
            return;
        // Asked once, before anything of this import is saved.
        if (!goOnDespiteUnreadable(p))
            return;
        ImportHooks hooks;
        // Thousands of rows go by, so the edit boxes are only brought up to date when the user gets to
        // see them; the list gains and loses rows without a reload.
        hooks.show = [this](const Customer& row) { details_->setValues(row); };
        hooks.existing = [this](const QString& name) {
            const ui::Answer a = ui::show(this, existingQuestion(name), QStringLiteral("操作提示"),
                                          ui::Icon::Information, ui::Buttons::YesNoCancel);
            if (a == ui::Answer::Cancel)
                return ExistingAnswer::Stop;
            return a == ui::Answer::No ? ExistingAnswer::Skip : ExistingAnswer::Replace;
        };
        hooks.saved = [this](RowId id, const Customer& c) { model->addCustomer(id, c); };
        hooks.removed = [this](const std::vector<RowId>& ids) { model->removeIds(ids); };
        const ImportSummary s = readAll(file_.reader(), p, app::state().db(), hooks);
        using End = ImportSummary::End;
        if (s.end == End::EmptyName)
            ui::show(this, QStringLiteral("所读取的客户名称为空了！ 请到Excel文件内修改！"), QString());
        if (s.end == End::Done || s.end == End::PastTheEnd)
            Text_qsdu->setText(QString::number(s.nextRow));
        if (s.end == End::Done) {
            comd_ShuaX_Click();
            ui::information(this, QStringLiteral("读取全部记录，保存完成！"), QStringLiteral("系统提示"));
        }
    });
}

void Frm_khgl::keyPressEvent(QKeyEvent* event) {
    // Escape does not close the register; "返  回" does.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vorlan::customers

namespace vorlan::windows {

void openCustomerRegister(QWidget* parent) {
    ui::openModal<customers::Frm_khgl>(parent);
}

} // namespace vorlan::windows
