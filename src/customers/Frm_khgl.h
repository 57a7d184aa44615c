#pragma once
// The customer register: every customer in a ticked list, one customer in twelve boxes, and the
// panel that takes customers over from a .xls spreadsheet.

#include "customers/CustomerStore.h"
#include "customers/ImportRules.h"
#include "customers/SpreadsheetReader.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;
class QTimer;
class QTreeView;

namespace vorlan::customers {

class CustomerListModel;

class Frm_khgl : public QDialog {
    Q_OBJECT
public:
    explicit Frm_khgl(QWidget* parent = nullptr);
    ~Frm_khgl() override;

    // The window's load: fills the list and sets the opening button states.
    void load();

    // Control arrays: object names "Text_kh", "LabKh", "Text_col", with the index in property "index".
    std::array<QLineEdit*, kFieldCount> Text_kh{};
    std::array<QLabel*, kFieldCount> LabKh{};
    std::array<QLineEdit*, kFieldCount> Text_col{};

    QTreeView* ListView1 = nullptr;
    CustomerListModel* model = nullptr;
    QTextBrowser* RichTextBox1 = nullptr;

    QPushButton* XPBut_XinZhen = nullptr;
    QPushButton* XPBut_BaoC = nullptr;
    QPushButton* XPBut_XiuGai = nullptr;
    QPushButton* Comd_Del = nullptr;
    QPushButton* XPButALLdelete = nullptr;
    QPushButton* XPButton1 = nullptr;
    QPushButton* XPButton2 = nullptr;
    QPushButton* Command4 = nullptr;

    QLineEdit* Text_sheet = nullptr;
    QLineEdit* Text_qsdu = nullptr;
    QPushButton* But读取Excel = nullptr;
    QPushButton* But关闭Excel = nullptr;
    QPushButton* XPBut_next = nullptr;
    QPushButton* But读取下一条 = nullptr;
    QPushButton* XPBut读取全部 = nullptr;

    // Register actions.
    void comd_ShuaX_Click(); // reload the list ("显示全部记录")
    void ListView1_Click();
    void ListView1_ColumnClick(int column);
    void XPBut_XinZhen_Click();
    void XPBut_BaoC_Click();
    void XPBut_XiuGai_Click();
    void Comd_Del_Click();
    void XPButALLdelete_Click();
    void XPButton2_Click();

    // Import actions.
    void But读取Excel_Click();
    void But关闭Excel_Click();
    void XPBut_next_Click();
    void But读取下一条_Click();
    void XPBut读取全部_Click();

    // Import state, for the curious (tests).
    const QString& filePath() const { return filePath_; }
    bool spreadsheetOpen() const { return reader_ != nullptr; }
    int usedRows() const { return usedRows_; }
    int usedColumns() const { return usedColumns_; }

    // Selects the row under a resting mouse pointer (the list's track-select style).
    void trackSelect(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildDetails(QWidget* frame);
    void buildImportPanel(QWidget* frame);
    void buildList();
    void setupColumns();
    void setNewRecordState();
    void setEditingState();
    void setReadingEnabled(bool on);
    bool nameMissing();
    Customer boxes() const;
    QStringList letters() const;

    bool checkStartAndSheet();
    bool goOnDespiteUnreadable(int firstRow, int lastRow, const FieldColumns& fields);
    void selectRow(RowId id);
    void readRow(int row, const FieldColumns& fields);
    void readRowInto(Customer& c, int row, const FieldColumns& fields);
    void setBoxes(const Customer& c);
    void runImport(const std::function<void()>& action);
    void showSheetMessage();

    QString filePath_;
    std::unique_ptr<SpreadsheetReader> reader_;
    int usedRows_ = 0;
    int usedColumns_ = 0;
    QTimer* hoverTimer_ = nullptr;
    int hoverRow_ = -1;
};

} // namespace vorlan::customers
