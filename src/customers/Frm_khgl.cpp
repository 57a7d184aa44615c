#include "customers/Frm_khgl.h"

#include "app/AppState.h"
#include "app/Windows.h"
#include "customers/CustomerListModel.h"
#include "data/Sql.h"
#include "ui/Controls.h"
#include "ui/Prompt.h"
#include "ui/TwipsLayout.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace vorlan::customers {

namespace {

// What the user is told when a read cannot start; these end the action like any other failure.
struct ImportStop {
    QString description;
};

const char* const kCaptions[kFieldCount] = {
    " 客户名称：", "快捷码：",   "客户地址：",   "邮政编码：",     "联系电话：",       "传真：",
    "联系人：",    "开户行名称：", "开户行账号：", "开户地址：", "汇款汇入地(省)：", "汇款汇入地(县/市)：",
};

constexpr int kHoverMs = 400; // how long the pointer rests on a row before track-select picks it

const QColor kListColour(182, 214, 255);

const char* const kHelp = R"(
<p><b>Excel数据导入使用说明</b></p>
<p>1. 先人工打开要读取的Excel文件，查看数据所在的工作表、起始行和各项资料所在的列。</p>
<p>2. 在“Excel工作表名：”中输入工作表名，即Excel文件内下方工作表标签上的名称（如sheet1），而不是Excel文件名。</p>
<p>3. 在“读工作表内起始行：”中输入要开始读取的行号（如第1行是标题，则输入2）。</p>
<p>4. 在每项客户资料右边的小框（列标号）中输入该项资料在工作表内所在的列标号（A～Z）；不需要读取的项，清空其列标号即可。</p>
<p>5. 关闭人工打开的Excel文件后，点击“打开Excel文件”，选择要读取的文件。</p>
<p>6. 点击“读取下一条”，读出一条记录到上面的各个输入框，核对后点击“保存”保存；或点击“读取下一条并保存”，读出一条记录并直接保存。</p>
<p>7. 点击“读取全部数据”，从起始行开始读取全部记录并自动保存；遇到已经存在的客户名称时，会询问是否覆盖原有记录。</p>
<p><b>注意：</b></p>
<p>（1）各项资料的列标号不能重复，重复时只有前面的一项能读到数据。</p>
<p>（2）本程序只能读取Excel 97-2003格式（*.xls）的文件；Excel 2007及以上版本的文件（*.xlsx），请先在Excel中另存为“Excel 97-2003 工作簿”格式后再读取。</p>
)";

QLabel* label(QWidget* parent, const QString& text)
{
    auto* l = new QLabel(text, parent);
    return l;
}

// The customer list: moving the current row with the keyboard loads that customer, as a click does.
class CustomerListView final : public QTreeView {
public:
    using QTreeView::QTreeView;
    std::function<void()> onKeyboardMove;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const int before = currentIndex().row();
        QTreeView::keyPressEvent(event);
        if (onKeyboardMove && currentIndex().isValid() && currentIndex().row() != before) onKeyboardMove();
    }
};

// How many unreadable cells the warning names one by one.
constexpr int kCellsNamed = 20;

QLineEdit* edit(QWidget* parent, const QString& name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

} // namespace

Frm_khgl::Frm_khgl(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Frm_khgl"));
    setWindowTitle(QStringLiteral("客户详细信息登记"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui::setClientSize(this, {15600_tw, 10320_tw});
    setFixedSize(size());

    auto* details = new QGroupBox(QStringLiteral("客户详细信息"), this);
    details->setObjectName(QStringLiteral("Frame_kh"));
    ui::place(details, {120_tw, 60_tw, 9840_tw, 4320_tw});
    buildDetails(details);

    auto* importFrame = new QGroupBox(QStringLiteral("Excel数据导入"), this);
    importFrame->setObjectName(QStringLiteral("Frame_excel"));
    ui::place(importFrame, {10080_tw, 60_tw, 5400_tw, 4320_tw});
    buildImportPanel(importFrame);

    XPBut_XinZhen = ui::makeButton(this, QStringLiteral("XPBut_XinZhen"), QStringLiteral("新记录"));
    XPBut_BaoC = ui::makeButton(this, QStringLiteral("XPBut_BaoC"), QStringLiteral("保   存"));
    XPBut_XiuGai = ui::makeButton(this, QStringLiteral("XPBut_XiuGai"), QStringLiteral("修   改"));
    Comd_Del = ui::makeButton(this, QStringLiteral("Comd_Del"), QStringLiteral("打勾删除"));
    XPButALLdelete = ui::makeButton(this, QStringLiteral("XPButALLdelete"), QStringLiteral("全部删除"));
    XPButton1 = ui::makeButton(this, QStringLiteral("XPButton1"), QStringLiteral("显示全部记录"));
    XPButton2 = ui::makeButton(this, QStringLiteral("XPButton2"), QStringLiteral("帮助显示>>>"));
    Command4 = ui::makeButton(this, QStringLiteral("Command4"), QStringLiteral("返  回"));
    const QList<QPushButton*> bar{XPBut_XinZhen, XPBut_BaoC, XPBut_XiuGai, Comd_Del,
                                  XPButALLdelete, XPButton1, XPButton2, Command4};
    for (int i = 0; i < bar.size(); ++i)
        ui::place(bar[i], {ui::Twips(120 + i * 1920), 4500_tw, 1740_tw, 450_tw});

    auto* sortHint = label(this, QStringLiteral("单击列头可按升序排列"));
    sortHint->setObjectName(QStringLiteral("Label_sort"));
    sortHint->setStyleSheet(QStringLiteral("color: #1f4e96;"));
    ui::place(sortHint, {120_tw, 5070_tw, 4000_tw, 270_tw});

    buildList();

    RichTextBox1 = new QTextBrowser(this);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->setHtml(QString::fromUtf8(kHelp));
    RichTextBox1->setStyleSheet(QStringLiteral("QTextBrowser { background: #fffbe8; }"));
    ui::place(RichTextBox1, {720_tw, 5040_tw, 14160_tw, 5160_tw});
    RichTextBox1->hide();

    connect(XPBut_XinZhen, &QPushButton::clicked, this, &Frm_khgl::XPBut_XinZhen_Click);
    connect(XPBut_BaoC, &QPushButton::clicked, this, &Frm_khgl::XPBut_BaoC_Click);
    connect(XPBut_XiuGai, &QPushButton::clicked, this, &Frm_khgl::XPBut_XiuGai_Click);
    connect(Comd_Del, &QPushButton::clicked, this, &Frm_khgl::Comd_Del_Click);
    connect(XPButALLdelete, &QPushButton::clicked, this, &Frm_khgl::XPButALLdelete_Click);
    connect(XPButton1, &QPushButton::clicked, this, &Frm_khgl::comd_ShuaX_Click);
    connect(XPButton2, &QPushButton::clicked, this, &Frm_khgl::XPButton2_Click);
    connect(Command4, &QPushButton::clicked, this, &QDialog::reject);
    connect(But读取Excel, &QPushButton::clicked, this, &Frm_khgl::But读取Excel_Click);
    connect(But关闭Excel, &QPushButton::clicked, this, &Frm_khgl::But关闭Excel_Click);
    connect(XPBut_next, &QPushButton::clicked, this, &Frm_khgl::XPBut_next_Click);
    connect(But读取下一条, &QPushButton::clicked, this, &Frm_khgl::But读取下一条_Click);
    connect(XPBut读取全部, &QPushButton::clicked, this, &Frm_khgl::XPBut读取全部_Click);
}

// The spreadsheet, if still open, is closed with the window.
Frm_khgl::~Frm_khgl() = default;

void Frm_khgl::buildDetails(QWidget* frame)
{
    for (double x : {4120.0, 9100.0}) {
        auto* head = label(frame, QStringLiteral("列标号"));
        head->setAlignment(Qt::AlignCenter);
        head->setStyleSheet(QStringLiteral("color: #1f4e96;"));
        ui::place(head, {ui::Twips(x), 330_tw, 620_tw, 270_tw});
    }
    for (int k = 0; k < kFieldCount; ++k) {
        const bool left = k < 7;
        const int row = left ? k : k - 7;
        const double y = 630 + row * 525;
        const double labelX = left ? 60 : 4800;
        const double labelW = left ? 1260 : 1980;
        const double boxX = left ? 1340 : 6800;
        const double boxW = left ? 2820 : 2340;
        const double colX = left ? 4220 : 9200;

        LabKh[k] = label(frame, QString::fromUtf8(kCaptions[k]));
        LabKh[k]->setObjectName(QStringLiteral("LabKh"));
        LabKh[k]->setProperty("index", k);
        LabKh[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        ui::place(LabKh[k], {ui::Twips(labelX), ui::Twips(y), ui::Twips(labelW), 360_tw});

        Text_kh[k] = edit(frame, QStringLiteral("Text_kh"));
        Text_kh[k]->setProperty("index", k);
        Text_kh[k]->installEventFilter(this);
        ui::place(Text_kh[k], {ui::Twips(boxX), ui::Twips(y), ui::Twips(boxW), 360_tw});

        Text_col[k] = edit(frame, QStringLiteral("Text_col"));
        Text_col[k]->setProperty("index", k);
        Text_col[k]->setText(QString(QChar(u'A' + k)));
        Text_col[k]->setAlignment(Qt::AlignCenter);
        Text_col[k]->installEventFilter(this);
        ui::place(Text_col[k], {ui::Twips(colX), ui::Twips(y), 420_tw, 360_tw});
    }
}

void Frm_khgl::buildImportPanel(QWidget* frame)
{
    auto* sheetLabel = label(frame, QStringLiteral("Excel工作表名："));
    sheetLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui::place(sheetLabel, {60_tw, 420_tw, 1880_tw, 360_tw});
    Text_sheet = edit(frame, QStringLiteral("Text_sheet"));
    Text_sheet->setText(QStringLiteral("sheel1"));
    ui::place(Text_sheet, {1980_tw, 420_tw, 3180_tw, 360_tw});

    auto* rowLabel = label(frame, QStringLiteral("读工作表内起始行："));
    rowLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui::place(rowLabel, {60_tw, 900_tw, 1880_tw, 360_tw});
    Text_qsdu = edit(frame, QStringLiteral("Text_qsdu"));
    ui::place(Text_qsdu, {1980_tw, 900_tw, 1200_tw, 360_tw});

    But读取Excel = ui::makeButton(frame, QStringLiteral("But读取Excel"), QStringLiteral("打开Excel文件"));
    ui::place(But读取Excel, {240_tw, 1500_tw, 2400_tw, 450_tw});
    But关闭Excel = ui::makeButton(frame, QStringLiteral("But关闭Excel"), QStringLiteral("关闭Excel文件"));
    ui::place(But关闭Excel, {2760_tw, 1500_tw, 2400_tw, 450_tw});
    XPBut_next = ui::makeButton(frame, QStringLiteral("XPBut_next"), QStringLiteral("读取下一条"));
    ui::place(XPBut_next, {240_tw, 2130_tw, 2400_tw, 450_tw});
    But读取下一条 = ui::makeButton(frame, QStringLiteral("But读取下一条"), QStringLiteral("读取下一条并保存"));
    ui::place(But读取下一条, {2760_tw, 2130_tw, 2400_tw, 450_tw});
    XPBut读取全部 = ui::makeButton(frame, QStringLiteral("XPBut读取全部"), QStringLiteral("读取全部数据"));
    ui::place(XPBut读取全部, {240_tw, 2760_tw, 4920_tw, 450_tw});

    auto* hint = label(frame, QStringLiteral("列标号：各项资料在工作表内所在的列（A～Z），不读取的项请清空。"
                                             "只能读取Excel 97-2003格式（*.xls）的文件。"));
    hint->setObjectName(QStringLiteral("Label_hint"));
    hint->setWordWrap(true);
    hint->setStyleSheet(QStringLiteral("color: #555555;"));
    ui::place(hint, {240_tw, 3330_tw, 4920_tw, 840_tw});
}

void Frm_khgl::buildList()
{
    model = new CustomerListModel(this);
    auto* view = new CustomerListView(this);
    view->onKeyboardMove = [this] { ListView1_Click(); };
    ListView1 = view;
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setModel(model);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    ListView1->setMouseTracking(true);
    ListView1->viewport()->installEventFilter(this);
    ListView1->header()->setSectionsClickable(true);
    ListView1->header()->setSectionsMovable(false);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSortIndicatorShown(false);
    QPalette pal = ListView1->palette();
    pal.setColor(QPalette::Base, kListColour);
    pal.setColor(QPalette::AlternateBase, kListColour);
    ListView1->setPalette(pal);
    ui::place(ListView1, {120_tw, 5340_tw, 15360_tw, 4860_tw});
    setupColumns();

    hoverTimer_ = new QTimer(this);
    hoverTimer_->setSingleShot(true);
    hoverTimer_->setInterval(kHoverMs);
    connect(hoverTimer_, &QTimer::timeout, this, [this] { trackSelect(hoverRow_); });
    connect(ListView1, &QAbstractItemView::entered, this, [this](const QModelIndex& i) {
        hoverRow_ = i.row();
        hoverTimer_->start();
    });
    connect(ListView1->header(), &QHeaderView::sectionClicked, this, &Frm_khgl::ListView1_ColumnClick);
}

void Frm_khgl::setupColumns()
{
    QHeaderView* h = ListView1->header();
    for (int c = 0; c < CustomerListModel::kColumnCount; ++c) {
        h->resizeSection(c, ui::toPixels(ui::Twips(CustomerListModel::widthTwips(c))));
        ListView1->setColumnHidden(c, CustomerListModel::widthTwips(c) == 0);
    }
    if (model->sortingOn()) h->setSortIndicator(model->sortColumn(), Qt::AscendingOrder);
}

void Frm_khgl::load()
{
    // The list colour is set when the list is built.
    comd_ShuaX_Click();
    setNewRecordState();
    setReadingEnabled(false);
}

void Frm_khgl::setNewRecordState()
{
    XPBut_XiuGai->setEnabled(false);
    Comd_Del->setEnabled(false);
    XPBut_BaoC->setEnabled(true);
}

void Frm_khgl::setEditingState()
{
    XPBut_XiuGai->setEnabled(true);
    Comd_Del->setEnabled(true);
    XPBut_BaoC->setEnabled(false);
}

void Frm_khgl::setReadingEnabled(bool on)
{
    XPBut_next->setEnabled(on);
    But读取下一条->setEnabled(on);
    XPBut读取全部->setEnabled(on);
}

Customer Frm_khgl::boxes() const
{
    Customer c;
    for (int k = 0; k < kFieldCount; ++k) c[k] = Text_kh[k]->text();
    return c;
}

QStringList Frm_khgl::letters() const
{
    QStringList l;
    for (const QLineEdit* e : Text_col) l << e->text();
    return l;
}

// --- Register ---------------------------------------------------------------------------------------

void Frm_khgl::comd_ShuaX_Click()
{
    try {
        model->setSortColumn(CustomerListModel::kDefaultSortColumn);
        model->reload(CustomerStore(app::state().db()));
    } catch (const data::DbError& e) {
        ui::reportError(this, QStringLiteral("comd_ShuaX_Click"), e.description());
    }
    setupColumns();
}

void Frm_khgl::ListView1_Click()
{
    const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
    if (!selected.isEmpty()) {
        const Customer c = model->customer(selected.first().row());
        for (int k = 0; k < kFieldCount; ++k) Text_kh[k]->setText(c[k]);
    }
    setEditingState();
}

void Frm_khgl::ListView1_ColumnClick(int column)
{
    try {
        model->sortAscending(column);
    } catch (const data::DbError& e) {
        ui::reportError(this, QStringLiteral("ListView1_ColumnClick"), e.description());
        return;
    }
    ListView1->header()->setSortIndicatorShown(true);
    ListView1->header()->setSortIndicator(column, Qt::AscendingOrder);
}

void Frm_khgl::trackSelect(int row)
{
    if (row < 0 || row >= model->rowCount()) return;
    const QPoint pointer = ListView1->viewport()->mapFromGlobal(QCursor::pos());
    if (ListView1->viewport()->underMouse() && ListView1->indexAt(pointer).isValid()
        && ListView1->indexAt(pointer).row() != row)
        return; // the pointer moved on before resting
    ListView1->selectionModel()->setCurrentIndex(model->index(row, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void Frm_khgl::XPBut_XinZhen_Click()
{
    for (QLineEdit* e : Text_kh) e->clear();
    setNewRecordState();
}

bool Frm_khgl::nameMissing()
{
    // A name of blanks only would be stored as an empty name; it counts as missing.
    if (!Text_kh[0]->text().trimmed().isEmpty()) return false;
    ui::show(this, LabKh[0]->text() + QStringLiteral("请您填写！"), QStringLiteral("输入提示"), ui::Icon::Exclamation);
    Text_kh[0]->setFocus();
    return true;
}

void Frm_khgl::XPBut_BaoC_Click()
{
    if (nameMissing()) return;
    try {
        CustomerStore store(app::state().db());
        const Customer c = trimmed(boxes());
        // The lookup takes the name as typed; the row is written trimmed.
        if (store.exists(Text_kh[0]->text())) {
            ui::show(this, QStringLiteral("已经存在客户名称为") + c[0] + QStringLiteral("的记录,请您重新输入！"),
                     QStringLiteral("操作提示"), ui::Icon::None, ui::Buttons::YesNo);
            return;
        }
        store.insert(c);
        comd_ShuaX_Click();
        ui::information(this, QStringLiteral("客户名称为") + c[0] + QStringLiteral("的记录保存成功！"),
                        QStringLiteral("系统提示"));
        XPBut_XinZhen_Click();
    } catch (const data::DbError& e) {
        ui::reportError(this, QStringLiteral("XPBut_BaoC_Click"), e.description());
    }
}

void Frm_khgl::XPBut_XiuGai_Click()
{
    if (nameMissing()) return;
    if (!ListView1->selectionModel()->hasSelection()) {
        ui::exclamation(this, QStringLiteral("请先在列表中单击选择要修改的客户记录，再点击“修   改”！"),
                        QStringLiteral("操作无效报告"));
        return;
    }
    try {
        const Customer c = trimmed(boxes());
        // The key is the name now in the box, not the selected row's: a renamed customer is written anew.
        const RowId id = CustomerStore(app::state().db()).replace(Text_kh[0]->text(), c);
        comd_ShuaX_Click();
        // The row just written stays selected, so that a further correction can be saved the same way.
        selectRow(id);
        ui::information(this, QStringLiteral("客户名称") + c[0] + QStringLiteral("的记录修改成功！请返回"),
                        QStringLiteral("系统提示"));
    } catch (const data::DbError& e) {
        ui::reportError(this, QStringLiteral("XPBut_XiuGai_Click"), e.description());
    }
}

void Frm_khgl::selectRow(RowId id)
{
    const int row = model->rowOf(id);
    if (row < 0) return;
    const QModelIndex i = model->index(row, 0);
    ListView1->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ListView1->scrollTo(i);
}

void Frm_khgl::Comd_Del_Click()
{
    if (model->rowCount() == 0) {
        ui::show(this, QStringLiteral("列表记录为空"), QString(), ui::Icon::Exclamation);
        return;
    }
    if (ui::show(this, QStringLiteral("确认要删除-->>打勾选择的客户记录吗？"), QStringLiteral("警告"),
                 ui::Icon::Question, ui::Buttons::OkCancel)
        != ui::Answer::Ok)
        return;
    try {
        CustomerStore(app::state().db()).remove(model->checkedNames());
        comd_ShuaX_Click();
    } catch (const data::DbError& e) {
        ui::reportError(this, QStringLiteral("Comd_Del_Click"), e.description());
    }
}

void Frm_khgl::XPButALLdelete_Click()
{
    if (ui::show(this, QStringLiteral("确认要删除所有的客户记录吗？"), QStringLiteral("警告"), ui::Icon::Exclamation,
                 ui::Buttons::OkCancel)
        != ui::Answer::Ok)
        return;
    try {
        CustomerStore(app::state().db()).removeAll();
    } catch (const data::DbError& e) {
        ui::reportError(this, QStringLiteral("XPButALLdelete_Click"), e.description());
    }
    comd_ShuaX_Click();
}

void Frm_khgl::XPButton2_Click()
{
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

void Frm_khgl::But读取Excel_Click()
{
    if (ui::show(this,
                 QStringLiteral("因如程序打开Excel文件后，人工就无法再打开了，只有点击“关闭Excel文件”才能人工打开，"
                                "所以请您先人工打开要读取Excel文件"),
                 QStringLiteral("提示"), ui::Icon::Information, ui::Buttons::OkCancel)
        != ui::Answer::Ok)
        return;
    ui::FileRequest request;
    request.title = QStringLiteral("打开Excel文件");
    // The pattern ignores case, as the file names of the other platform do.
    request.filter = QStringLiteral("电子表格Excel文件(*.[xX][lL][sS])");
    filePath_ = ui::prompter().fileName(this, request).trimmed();
    // Whatever was open before is closed: only one spreadsheet is read at a time.
    reader_.reset();
    usedRows_ = usedColumns_ = 0;
    setReadingEnabled(false);
    if (filePath_.isEmpty()) return;
    try {
        reader_ = openSpreadsheet(filePath_);
        usedRows_ = reader_->usedRows();
        usedColumns_ = reader_->usedColumns();
        setReadingEnabled(true);
    } catch (const SpreadsheetError& e) {
        reader_.reset();
        ui::exclamation(this, e.description(), QStringLiteral("提示"));
    }
}

void Frm_khgl::But关闭Excel_Click()
{
    reader_.reset();
    setReadingEnabled(false);
    But读取Excel->setEnabled(true);
}

bool Frm_khgl::checkStartAndSheet()
{
    if (Text_qsdu->text().isEmpty()) {
        ui::show(this, QStringLiteral("请您输入想要读取数据的起始行!"), QString());
        return false;
    }
    if (Text_sheet->text().isEmpty()) {
        ui::show(this, QStringLiteral("请您输入想要读取Excel文件内的工作表名!"), QString());
        return false;
    }
    return true;
}

namespace {

int requireStartRow(const QString& text)
{
    const auto r = startRow(text);
    if (!r) throw ImportStop{QStringLiteral("读工作表内起始行“%1”不是大于0的整数，请检查！").arg(text)};
    return *r;
}

} // namespace

bool Frm_khgl::goOnDespiteUnreadable(int firstRow, int lastRow, const FieldColumns& fields)
{
    if (!reader_) throw ImportStop{QStringLiteral("Excel文件已经关闭，请先点击“打开Excel文件”！")};
    const QString sheet = Text_sheet->text();
    const FieldColumns read = columnsToRead(fields, usedColumns_);
    QStringList cells;
    int count = 0;
    for (const CellRef& cell : reader_->unreadableCells(sheet)) {
        if (cell.row < firstRow || cell.row > lastRow) continue;
        if (std::find(read.begin(), read.end(), cell.column) == read.end()) continue;
        if (++count <= kCellsNamed)
            cells << QStringLiteral("第%1行%2列").arg(cell.row).arg(columnLetters(cell.column));
    }
    if (count == 0) return true;
    QString where = cells.join(QStringLiteral("、"));
    if (count > kCellsNamed) where += QStringLiteral("等");
    return ui::show(this,
                    QStringLiteral("工作表“%1”中有%2个要读取的单元格是公式，程序读不出它们的值：%3。\n"
                                   "如果继续，这些单元格将按空白读取。是否继续读取？\n"
                                   "选择‘是’表示继续读取；选择‘否’表示停止读取，不保存任何记录。")
                        .arg(sheet)
                        .arg(count)
                        .arg(where),
                    QStringLiteral("警告"), ui::Icon::Exclamation, ui::Buttons::YesNo)
           == ui::Answer::Yes;
}

void Frm_khgl::readRowInto(Customer& c, int row, const FieldColumns& fields)
{
    if (!reader_) throw ImportStop{QStringLiteral("Excel文件已经关闭，请先点击“打开Excel文件”！")};
    const FieldColumns read = columnsToRead(fields, usedColumns_);
    const QString sheet = Text_sheet->text();
    for (int k = 0; k < kFieldCount; ++k)
        if (read[k] > 0) c[k] = reader_->cellText(sheet, row, read[k]);
}

void Frm_khgl::readRow(int row, const FieldColumns& fields)
{
    Customer c = boxes();
    try {
        readRowInto(c, row, fields);
    } catch (...) {
        setBoxes(c);
        throw;
    }
    setBoxes(c);
}

void Frm_khgl::setBoxes(const Customer& c)
{
    for (int k = 0; k < kFieldCount; ++k)
        if (Text_kh[k]->text() != c[k]) Text_kh[k]->setText(c[k]);
}

void Frm_khgl::showSheetMessage()
{
    ui::information(this,
                    QStringLiteral("读取Excel文件内的工作表名是否为：") + Text_sheet->text()
                        + QStringLiteral("，请检查！如不是，请输入正确的工作表名"),
                    QStringLiteral("提示"));
}

void Frm_khgl::runImport(const std::function<void()>& action)
{
    QString description;
    try {
        action();
        return;
    } catch (const SpreadsheetError& e) {
        if (e.kind() == SpreadsheetError::Kind::NoSuchSheet) {
            showSheetMessage();
            return;
        }
        description = e.description();
    } catch (const data::DbError& e) {
        description = e.description();
    } catch (const ImportStop& e) {
        description = e.description;
    }
    ui::information(this, QStringLiteral("vorlan") + description, QStringLiteral("提示"));
}

void Frm_khgl::XPBut_next_Click()
{
    if (!checkStartAndSheet()) return;
    const auto r = startRow(Text_qsdu->text());
    if (!r) {
        ui::information(this, QStringLiteral("读工作表内起始行“%1”不是大于0的整数，请检查！").arg(Text_qsdu->text()),
                        QStringLiteral("提示"));
        return;
    }
    const FieldColumns fields = fieldColumns(letters());
    if (filePath_.isEmpty()) return;
    try {
        if (!goOnDespiteUnreadable(*r, *r, fields)) return;
        readRow(*r, fields);
        Text_qsdu->setText(QString::number(qint64(*r) + 1)); // the last int row has a successor too
    } catch (const SpreadsheetError& e) {
        if (e.kind() == SpreadsheetError::Kind::NoSuchSheet) showSheetMessage();
        else ui::information(this, e.description(), QStringLiteral("提示"));
    } catch (const ImportStop& e) {
        ui::information(this, e.description, QStringLiteral("提示"));
    }
}

void Frm_khgl::But读取下一条_Click()
{
    if (!checkStartAndSheet()) return;
    runImport([this] {
        const int r = requireStartRow(Text_qsdu->text());
        const FieldColumns fields = fieldColumns(letters());
        if (filePath_.isEmpty()) return;
        if (!goOnDespiteUnreadable(r, r, fields)) return;
        readRow(r, fields);
        Text_qsdu->setText(QString::number(qint64(r) + 1));
        // No duplicate check here: the row is saved as read.
        CustomerStore(app::state().db()).insert(trimmed(boxes()));
        comd_ShuaX_Click();
        XPBut_XinZhen_Click();
    });
}

void Frm_khgl::XPBut读取全部_Click()
{
    if (!checkStartAndSheet()) return;
    if (Text_col[0]->text().isEmpty()) {
        ui::show(this, QStringLiteral("读取的用户编号不能为空,请输入此处的列标号！"), QString());
        Text_col[0]->setFocus();
        return;
    }
    XPBut_XinZhen_Click();
    runImport([this] {
        const int first = requireStartRow(Text_qsdu->text());
        const FieldColumns fields = fieldColumns(letters());
        if (filePath_.isEmpty()) return;
        // Asked once, before anything of this import is saved.
        if (!goOnDespiteUnreadable(first, usedRows_, fields)) return;
        ImportSession session(app::state().db());
        // What the edit boxes hold. Thousands of rows go by, so the boxes themselves are only brought
        // up to date when the user gets to see them: at a question, a stop and the end.
        Customer shown = boxes();
        auto saved = [&](RowId id, const Customer& c) {
            model->addCustomer(id, c); // the list gains the row without a reload
            shown = Customer{};        // and the boxes are emptied for the next record
        };
        int i = first;
        try {
            for (; i <= usedRows_; ++i) {
                readRowInto(shown, i, fields);
                const QString name = shown[0];
                if (!session.exists(name)) {
                    const Customer c = trimmed(shown);
                    saved(session.insert(c), c);
                    continue;
                }
                // Everything saved so far is made durable before the user is asked or the import stops.
                session.commit();
                setBoxes(shown);
                if (name.trimmed().isEmpty()) {
                    ui::show(this, QStringLiteral("所读取的客户名称为空了！ 请到Excel文件内修改！"), QString());
                    return;
                }
                const ui::Answer a = ui::show(
                    this,
                    QStringLiteral("已经存在客户名称为 ") + name.trimmed()
                        + QStringLiteral(" 的记录,是否复盖原有记录？1、选择‘是’表示会复盖原有记录，等人工读取；"
                                         "2、选择‘否’表示不保存此记录，继续读取下一条；3、选择‘取消’表示读取全部数据停止！"),
                    QStringLiteral("操作提示"), ui::Icon::Information, ui::Buttons::YesNoCancel);
                if (a == ui::Answer::Cancel) return;
                if (a == ui::Answer::No) continue;
                const Customer c = trimmed(shown);
                const ImportSession::Replaced r = session.replace(name, c);
                model->removeIds(r.removed);
                saved(r.added, c);
            }
        } catch (...) {
            setBoxes(shown);
            throw;
        }
        session.commit();
        setBoxes(shown);
        Text_qsdu->setText(QString::number(i));
        if (i == usedRows_ + 1) {
            comd_ShuaX_Click();
            ui::information(this, QStringLiteral("读取全部记录，保存完成！"), QStringLiteral("系统提示"));
        }
    });
}

// --- Keys, focus and the list's mouse -----------------------------------------------------------------

bool Frm_khgl::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && watched->objectName() == QStringLiteral("Text_kh")) {
            // Enter saves in the new-record state and is ignored while editing.
            if (!XPBut_XiuGai->isEnabled()) XPBut_BaoC_Click();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut && watched->objectName() == QStringLiteral("Text_col")) {
        auto* e = static_cast<QLineEdit*>(watched);
        e->setText(e->text().toUpper());
    } else if (watched == ListView1->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* m = static_cast<QMouseEvent*>(event);
            // A click beside the rows leaves no row selected.
            if (!ListView1->indexAt(m->position().toPoint()).isValid()) ListView1->clearSelection();
        } else if (event->type() == QEvent::MouseButtonRelease) {
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                ListView1_Click();
        } else if (event->type() == QEvent::Leave) {
            hoverTimer_->stop();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Frm_khgl::keyPressEvent(QKeyEvent* event)
{
    // Escape does not close the register; "返  回" does.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vorlan::customers

namespace vorlan::windows {

void openCustomerRegister(QWidget* parent)
{
    auto* w = new customers::Frm_khgl(parent);
    w->load();
    ui::execModal(w);
}

} // namespace vorlan::windows
