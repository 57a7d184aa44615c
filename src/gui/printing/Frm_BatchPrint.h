#pragma once
// "批量打印" of the print window: many sheets of the open template from the ticked customers of the
// register or from the rows of a spreadsheet, with the mapping of columns to input points, the choice of
// rows, a preview of each sheet and one print job with a progress dialog. The rules are in Batch.h.

#include "printing/Batch.h"
#include "printing/BatchMappingTable.h"
#include "printing/BatchPreview.h"
#include "printing/BatchRowsModel.h"

#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QRadioButton;
class QTableView;

namespace vorlan::printing {

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
    QLineEdit* txtFile = nullptr;         // the file's path
    QPushButton* cmdBrowse = nullptr;     // "选择文件…"
    QComboBox* cboSheet = nullptr;        // "工作表："
    BatchMappingTable* mapping = nullptr;
    QTableView* lstRows = nullptr;      // the rows of the source, with tick boxes
    QRadioButton* optAllRows = nullptr; // "全部行"
    QRadioButton* optRange = nullptr;   // "行范围"
    QLineEdit* txtRange = nullptr;      // the range, "如 2-11"
    QRadioButton* optTicked = nullptr;  // "勾选的行"
    BatchPreview* preview = nullptr;
    QPushButton* cmdPrint = nullptr; // "开始打印"
    QPushButton* cmdClose = nullptr; // "返  回"

    BatchRowsModel* rows() const { return rows_; }
    // The batch as the dialog stands: source, mapping, chosen rows.
    BatchJob job() const;
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
    void cmdPrint_Click();

private:
    void buildLayout();
    void sourceChanged();
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
};

} // namespace vorlan::printing
