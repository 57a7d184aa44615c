#include "templates/RecordPicker.h"

#include "data/Sql.h"
#include "ui/Twips.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QTableView>

namespace vorlan::templates {

namespace {
constexpr double kClientWidth = 11535, kClientHeight = 7170;
constexpr double kMargin = 120;
constexpr double kGridTop = 360;
constexpr double kButtonWidth = 1215, kButtonHeight = 375;
// The search box sits left of the buttons, in their row.
constexpr double kSearchLabelWidth = 600, kSearchWidth = 2760;
// The grid ends this far above the bottom of the client area, the buttons start this far above it.
constexpr double kGridBottomGap = kClientHeight - (kGridTop + 5955);
constexpr double kButtonBottomGap = kClientHeight - 6480;
} // namespace

数据选择::数据选择(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("数据选择"));
    setWindowTitle(QStringLiteral("数据选择"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Label1 = new QLabel(QStringLiteral("注：双击某条记录时---->>>即选中此条记录且返回！"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    Adodc1 = new QSqlQueryModel(this);
    Adodc1->setObjectName(QStringLiteral("Adodc1"));

    DataGrid1 = new QTableView(this);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DataGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DataGrid1->setAlternatingRowColors(true);
    DataGrid1->verticalHeader()->setDefaultSectionSize(ui::toPixels(300));
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

    ui::setClientSize(this, kClientWidth, kClientHeight);
    setMinimumSize(ui::toPixels(6000), ui::toPixels(3000));
    layOut();
}

const QString& 数据选择::resultText(int k) const {
    return *const_cast<数据选择*>(this)->results()[size_t(k - 1)];
}

std::array<QString*, 12> 数据选择::results() {
    return {&result1, &result2, &result3, &result4,  &result5,  &result6,
            &result7, &result8, &result9, &result10, &result11, &result12};
}

double 数据选择::columnWidth(int columnCount, const QString& caption, int metaTypeId) {
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
    return caption.size() * perCharacter + added;
}

void 数据选择::layOut() {
    // The grid keeps its margins and the buttons their distance from the bottom when the dialog grows.
    const double w = ui::toTwips(width()), h = ui::toTwips(height());
    ui::place(Label1, kMargin, kMargin, w - 2 * kMargin, 240);
    ui::place(DataGrid1, kMargin, kGridTop, w - 180, h - kGridTop - kGridBottomGap);
    const double buttonTop = h - kButtonBottomGap;
    const double shift = (w - kClientWidth) / 2;
    ui::place(OKButton, 3600 + shift, buttonTop, kButtonWidth, kButtonHeight);
    ui::place(CancelButton, 6840 + shift, buttonTop, kButtonWidth, kButtonHeight);
    ui::place(Label_ChaZhao, kMargin, buttonTop, kSearchLabelWidth, kButtonHeight);
    ui::place(Txt_ChaZhao, kMargin + kSearchLabelWidth, buttonTop, kSearchWidth, kButtonHeight);
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
int 数据选择::rowLike(const QSqlRecord& values, int formerRow) {
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

void 数据选择::runSelect() {
    filled_ = true;
    // The rows shown so far are let go first: the store may rebuild what they were read from.
    Adodc1->clear();
    // A failing SELECT leaves an empty grid; nothing is reported.
    try {
        if (recordSource)
            Adodc1->setQuery(recordSource(Txt_ChaZhao->text()));
    } catch (const data::DbError&) {
        Adodc1->clear();
    }
    setWindowTitle(title);

    const int n = Adodc1->columnCount();
    const QSqlRecord fields = Adodc1->record();
    for (int i = 0; i < n; ++i) {
        const QString caption = Adodc1->headerData(i, Qt::Horizontal).toString();
        DataGrid1->setColumnWidth(i, ui::toPixels(columnWidth(n, caption, fields.field(i).metaType().id())));
    }
}

void 数据选择::Form_Resize() {
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

void 数据选择::Txt_ChaZhao_Change() {
    if (!isVisible())
        return; // the SELECT runs when the dialog is shown
    runSelect();
    if (Adodc1->rowCount() == 0 || Adodc1->columnCount() == 0)
        return;
    const QModelIndex first = Adodc1->index(0, 0);
    DataGrid1->setCurrentIndex(first);
    DataGrid1->scrollTo(first);
}

void 数据选择::OKButton_Click() {
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

void 数据选择::CancelButton_Click() {
    result1.clear();
    result2.clear();
    reject();
}

void 数据选择::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        CancelButton_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool 数据选择::eventFilter(QObject* watched, QEvent* event) {
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

void 数据选择::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layOut();
    if (isVisible())
        Form_Resize();
}

void 数据选择::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!filled_) {
        Form_Resize();
        Txt_ChaZhao->setFocus();
    }
}

} // namespace vorlan::templates
