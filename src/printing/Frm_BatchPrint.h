#pragma once
// "批量打印" of the print window: many sheets of the open template from the ticked customers of the
// register or from the rows of a spreadsheet, with the mapping of columns to input points, the choice of
// rows, a preview of each sheet and one print job with a progress dialog. The rules are in Batch.h.

#include "printing/Batch.h"

#include <QAbstractTableModel>
#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableView;
class QTableWidget;

namespace vorlan::printing {

// The rows of the batch's source with a tick box each (check state in the model: the register can be long).
class BatchRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setData(const BatchData* data);
    QList<int> ticked() const;
    void setTicked(int row, bool on);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

private:
    const BatchData* data_ = nullptr;
    QList<bool> ticks_;
};

class Frm_BatchPrint : public QDialog {
    Q_OBJECT
public:
    // The template as the print window holds it, the texts typed there (for the points no column fills),
    // the offsets and the log switch.
    Frm_BatchPrint(QWidget* parent, const templates::Template& t, const BoxTexts& typed, int allup,
                   int allleft, bool log, const PrintSettings& settings = PrintSettings());
    ~Frm_BatchPrint() override;

    QRadioButton* optCustomers = nullptr; // "勾选的客户"
    QRadioButton* optFile = nullptr;      // "电子表格文件"
    QLineEdit* txtFile = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QComboBox* cboSheet = nullptr;
    QTableWidget* tblMapping = nullptr; // one row per input point: its name and the column that fills it
    QLabel* lblUnfilled = nullptr;
    QTableView* lstRows = nullptr;
    QRadioButton* optAllRows = nullptr;
    QRadioButton* optRange = nullptr;
    QLineEdit* txtRange = nullptr;
    QRadioButton* optTicked = nullptr;
    QLabel* picPreview = nullptr;
    QPushButton* cmdPrev = nullptr;
    QPushButton* cmdNext = nullptr;
    QSpinBox* spinSheet = nullptr;
    QLabel* lblSheetOf = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdClose = nullptr;

    BatchRowsModel* rows() const { return rows_; }
    // The batch as the dialog stands: source, mapping, chosen rows.
    BatchSpec spec() const;
    // Sheets in the preview (the chosen rows) and the one shown (from 1; 0 when there is none).
    int sheetCount() const;
    int shownSheet() const;
    // Called while printing after each sheet (tests cancel the progress dialog from here).
    std::function<void(int done, QProgressDialog* progress)> onProgress;

    // Handlers.
    void useCustomers();
    void cmdBrowse_Click();
    void openFile(const QString& path); // reads the file and its first sheet
    void selectSheet(const QString& sheet);
    void setMapping(int point, int column); // -1: no column
    void showSheet(int n);
    void cmdPrint_Click();

private:
    void buildLayout();
    void sourceChanged();
    void refreshMapping();
    void refreshPreview();

    templates::Template tmpl_;
    BoxTexts typed_;
    int allup_ = 0;
    int allleft_ = 0;
    PrintSettings settings_; // the template's printer, paper and origin
    bool log_ = true;
    QList<BatchPoint> points_;
    BatchData data_;
    QList<int> map_;
    std::unique_ptr<customers::SpreadsheetReader> reader_;
    BatchRowsModel* rows_ = nullptr;
    bool updating_ = false;
};

} // namespace vorlan::printing
