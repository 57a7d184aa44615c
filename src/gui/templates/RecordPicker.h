#pragma once
// The record picker: shows the rows a store gives and hands the chosen row back as texts. It knows
// nothing of templates or tables; the caller chooses the rows and maps the columns. Text typed into
// its search box goes to the store, which gives the matching rows.

#include "data/PagedRows.h"
#include "ui/Twips.h"

#include <QDialog>
#include <QSqlQuery>
#include <QString>

#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QSqlRecord;
class QTableView;

namespace vorlan::templates {

// Runs the picker's SELECT afresh for the text in the search box (empty: every row), for one page of its
// rows: an active query (the stores' pickerRows()); one that gives more rows than the page asked for
// has given all. It may throw DbError; the grid then stays empty.
using RecordSource = std::function<QSqlQuery(const QString& text, const data::RowPage& page)>;

class RecordPicker : public QDialog {
    Q_OBJECT

public:
    explicit RecordPicker(QWidget* parent = nullptr);

    // Set by the caller before showing: the rows and the caption.
    RecordSource recordSource;
    QString title;

    // Columns 1..12 of the chosen row as text (Null as empty). An empty result1 after closing means
    // that nothing was chosen.
    QString result1, result2, result3, result4, result5, result6, result7, result8, result9, result10,
        result11, result12;
    // resultText(1) .. resultText(12).
    const QString& resultText(int k) const;

    QLabel* Label1 = nullptr; // "注：双击某条记录时---->>>即选中此条记录且返回！"
    data::PagedRows* Adodc1 = nullptr; // the rows of recordSource, a page at a time
    QTableView* DataGrid1 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QLabel* Label_ChaZhao = nullptr;
    QLineEdit* Txt_ChaZhao = nullptr; // the search box; it has the focus when the dialog opens

    // Runs the SELECT again, sets the caption and sizes the columns. The highlighted row stays
    // highlighted (found again by its values when rows came or went); the first time, it is the first
    // row. Done on every change of the dialog's size, the first time when it is shown.
    void Form_Resize();
    void OKButton_Click();
    void CancelButton_Click();
    // Runs the SELECT for the text typed and highlights the first row.
    void Txt_ChaZhao_Change();

    // The least column widths in twips: caption characters x (600 for at most two columns, else 60), plus
    // an amount for the field's type (1000 for text). A column is as wide as its rows need, up to the
    // width of the grid.
    static ui::Twips columnWidth(int columnCount, const QString& caption, int metaTypeId);

    // However it closes, the window's size is kept for the next picker on this computer.
    void done(int result) override;

protected:
    // Enter chooses the highlighted row (the default button), Esc cancels.
    void keyPressEvent(QKeyEvent* event) override;
    // Up, Down, Page Up and Page Down in the search box move in the grid.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::array<QString*, 12> results();
    void layOut();
    void runSelect();
    int rowLike(const QSqlRecord& values, int formerRow);
    bool filled_ = false;
};

// The window's own name, as the forms and its objectName call it.
using 数据选择 = RecordPicker;

} // namespace vorlan::templates
