#include "templates/RecordPicker.h"

#include "app/LocalSettings.h"
#include "data/Sql.h"
#include "ui/TwipsLayout.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>

namespace vorlan::templates {

namespace {
constexpr ui::TwipsSize kClientSize{11535_tw, 7170_tw};
constexpr ui::Twips kMargin = 120_tw;
constexpr ui::Twips kGridTop = 360_tw;
constexpr ui::Twips kButtonWidth = 1215_tw, kButtonHeight = 375_tw;
// The search box sits left of the buttons, in their row.
constexpr ui::Twips kSearchLabelWidth = 600_tw, kSearchWidth = 2760_tw;
// The grid ends this far above the bottom of the client area, the buttons start this far above it.
constexpr ui::Twips kGridBottomGap = kClientSize.height - (kGridTop + 5955_tw);
constexpr ui::Twips kButtonBottomGap = kClientSize.height - 6480_tw;
// The size the user gave the window last, on this computer.
const QString kSizeKey = QStringLiteral("recordPicker/size");
} // namespace

RecordPicker::RecordPicker(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("数据选择"));
    setWindowTitle(QStringLiteral("数据选择"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Label1 = new QLabel(QStringLiteral("注：双击某条记录时---->>>即选中此条记录且返回！"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    Adodc1 = new data::PagedRows(this);
    Adodc1->setObjectName(QStringLiteral("Adodc1"));

    DataGrid1 = new QTableView(this);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DataGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DataGrid1->setAlternatingRowColors(true);
    DataGrid1->verticalHeader()->setDefaultSectionSize(ui::toPixels(300_tw));
    DataGrid1->setModel(Adodc1);
    connect(DataGrid1, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            OKButton_Click();
    });
    // The row header belongs to the row as well.
    connect(DataGrid1->verticalHeader(), &QHeaderView::sectionDoubleClicked, this, [this](int row) {
        if (row < 0 || row >= Adodc1->rowCount())
            return;
        DataGrid1->setCurrentIndex(Adodc1->index(row, std::max(0, DataGrid1->currentIndex().column())));
        OKButton_Click();
    });

    // "确  定" is the default button, so Enter in the grid chooses the highlighted row; a button
    // that has the focus takes Enter itself.
    OKButton = new QPushButton(QStringLiteral("确  定"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setAutoDefault(true);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButton_Click(); });
    CancelButton = new QPushButton(QStringLiteral("取  消"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(true);
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButton_Click(); });

    Label_ChaZhao = new QLabel(QStringLiteral("查找："), this);
    Label_ChaZhao->setObjectName(QStringLiteral("Label_ChaZhao"));
    Label_ChaZhao->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Txt_ChaZhao = new QLineEdit(this);
    Txt_ChaZhao->setObjectName(QStringLiteral("Txt_ChaZhao"));
    Txt_ChaZhao->setClearButtonEnabled(true);
    Label_ChaZhao->setBuddy(Txt_ChaZhao);
    Txt_ChaZhao->installEventFilter(this);
    connect(Txt_ChaZhao, &QLineEdit::textChanged, this, [this] { Txt_ChaZhao_Change(); });
    setTabOrder(Txt_ChaZhao, DataGrid1);
    setTabOrder(DataGrid1, OKButton);
    setTabOrder(OKButton, CancelButton);

    ui::setClientSize(this, kClientSize);
    setMinimumSize(ui::toPixels(ui::TwipsSize{6000_tw, 3000_tw}));
    if (const QSize last = app::localSettings()->value(kSizeKey).toSize(); last.isValid())
        resize(last.expandedTo(minimumSize()));
    layOut();
}

const QString& RecordPicker::resultText(int k) const {
    return *const_cast<RecordPicker*>(this)->results()[size_t(k - 1)];
}

std::array<QString*, 12> RecordPicker::results() {
    return {&result1, &result2, &result3, &result4,  &result5,  &result6,
            &result7, &result8, &result9, &result10, &result11, &result12};
}

ui::Twips RecordPicker::columnWidth(int columnCount, const QString& caption, int metaTypeId) {
    const double perCharacter = columnCount <= 2 ? 600 : 60;
    double added = 1000; // text and every type without an amount of its own
    switch (metaTypeId) {
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
        added = 500;
        break;
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime:
        added = 700;
        break;
    default:
        break;
    }
    return ui::Twips(caption.size() * perCharacter + added);
}

void RecordPicker::layOut() {
    // The grid keeps its margins and the buttons their distance from the bottom when the dialog grows.
    const ui::Twips w = ui::fromPixels(width()), h = ui::fromPixels(height());
    ui::place(Label1, {kMargin, kMargin, w - 2 * kMargin, 240_tw});
    ui::place(DataGrid1, {kMargin, kGridTop, w - 180_tw, h - kGridTop - kGridBottomGap});
    const ui::Twips buttonTop = h - kButtonBottomGap;
    const ui::Twips shift = (w - kClientSize.width) / 2;
    ui::place(OKButton, {3600_tw + shift, buttonTop, kButtonWidth, kButtonHeight});
    ui::place(CancelButton, {6840_tw + shift, buttonTop, kButtonWidth, kButtonHeight});
    ui::place(Label_ChaZhao, {kMargin, buttonTop, kSearchLabelWidth, kButtonHeight});
    ui::place(Txt_ChaZhao, {kMargin + kSearchLabelWidth, buttonTop, kSearchWidth, kButtonHeight});
}

static bool sameValues(const QSqlRecord& a, const QSqlRecord& b) {
    if (a.count() != b.count())
        return false;
    for (int i = 0; i < a.count(); ++i)
        if (a.value(i) != b.value(i) || a.isNull(i) != b.isNull(i))
            return false;
    return true;
}

// The row that now holds the values the highlighted row held: at its old place when it is still
// there, otherwise wherever it went; failing that, the old place as far as there are rows.
int RecordPicker::rowLike(const QSqlRecord& values, int formerRow) {
    auto fetchTo = [this](int row) {
        while (Adodc1->rowCount() <= row && Adodc1->canFetchMore())
            Adodc1->fetchMore();
        return row < Adodc1->rowCount();
    };
    if (fetchTo(formerRow) && sameValues(Adodc1->record(formerRow), values))
        return formerRow;
    for (int row = 0; fetchTo(row); ++row)
        if (sameValues(Adodc1->record(row), values))
            return row;
    return std::min(formerRow, Adodc1->rowCount() - 1);
}

void RecordPicker::runSelect() {
    filled_ = true;
    // The rows shown so far are let go first: the store may rebuild what they were read from.
    Adodc1->clear();
    // A failing SELECT leaves an empty grid; nothing is reported.
    try {
        if (recordSource)
            Adodc1->setSource([source = recordSource, text = Txt_ChaZhao->text()](const data::RowPage& page) {
                return source(text, page);
            });
    } catch (const data::DbError&) {
        Adodc1->clear();
    }
    setWindowTitle(title);

    // At least the width of the field's caption and type; wider where the rows need it (an address, a
    // phone number), but no column wider than the grid shows at once.
    const int n = Adodc1->columnCount();
    const QSqlRecord fields = Adodc1->record();
    const int shown = DataGrid1->width() - 2 * DataGrid1->frameWidth() -
                      DataGrid1->verticalHeader()->sizeHint().width() -
                      DataGrid1->verticalScrollBar()->sizeHint().width();
    const QAbstractItemView* grid = DataGrid1; // the view's own measure of the rows it holds
    for (int i = 0; i < n; ++i) {
        const QString caption = Adodc1->headerData(i, Qt::Horizontal).toString();
        const int least = ui::toPixels(columnWidth(n, caption, fields.field(i).metaType().id()));
        const int content =
            std::max(grid->sizeHintForColumn(i), DataGrid1->horizontalHeader()->sectionSizeHint(i));
        DataGrid1->setColumnWidth(i, std::max(least, std::min(content, shown)));
    }
}

void RecordPicker::Form_Resize() {
    const QModelIndex was = DataGrid1->currentIndex();
    const QSqlRecord wasValues = was.isValid() ? Adodc1->record(was.row()) : QSqlRecord();
    runSelect();
    const int n = Adodc1->columnCount();
    if (Adodc1->rowCount() == 0 || n == 0)
        return;
    const int row = was.isValid() ? rowLike(wasValues, was.row()) : 0;
    const QModelIndex current = Adodc1->index(row, was.isValid() ? std::min(was.column(), n - 1) : 0);
    DataGrid1->setCurrentIndex(current);
    DataGrid1->scrollTo(current);
}

void RecordPicker::Txt_ChaZhao_Change() {
    if (!isVisible())
        return; // the SELECT runs when the dialog is shown
    runSelect();
    if (Adodc1->rowCount() == 0 || Adodc1->columnCount() == 0)
        return;
    const QModelIndex first = Adodc1->index(0, 0);
    DataGrid1->setCurrentIndex(first);
    DataGrid1->scrollTo(first);
}

void RecordPicker::OKButton_Click() {
    const QModelIndex current = DataGrid1->currentIndex();
    if (current.isValid()) {
        const int row = current.row();
        const auto all = results();
        const int n = std::min(Adodc1->columnCount(), int(all.size()));
        for (int k = 0; k < n; ++k)
            *all[size_t(k)] = data::nullToEmpty(Adodc1->data(Adodc1->index(row, k)));
    }
    accept();
}

void RecordPicker::CancelButton_Click() {
    result1.clear();
    result2.clear();
    reject();
}

void RecordPicker::done(int result) {
    app::localSettings()->setValue(kSizeKey, size());
    QDialog::done(result);
}

void RecordPicker::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        CancelButton_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool RecordPicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Txt_ChaZhao && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            // The grid moves its current row as if it had the focus; the typing goes on in the box.
            const auto* key = static_cast<QKeyEvent*>(event);
            QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text());
            QCoreApplication::sendEvent(DataGrid1, &copy);
            return true;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void RecordPicker::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layOut();
    if (isVisible())
        Form_Resize();
}

void RecordPicker::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!filled_) {
        Form_Resize();
        Txt_ChaZhao->setFocus();
    }
}

} // namespace vorlan::templates
