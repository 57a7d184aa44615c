#pragma once
// The customer register: every customer in a ticked list, one customer in twelve boxes, and the
// panel that takes customers over from a .xls spreadsheet.

#include "customers/CustomerListView.h"
#include "customers/CustomerStore.h"
#include "customers/ImportRun.h"

#include <QDialog>

#include <array>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;

namespace vorlan::customers {

class CustomerDetails;
class CustomerListModel;
class ImportPanel;

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

    CustomerListView* ListView1 = nullptr;
    QLineEdit* Txt_ChaZhao = nullptr; // the search above the list
    CustomerListModel* model = nullptr;
    QTextBrowser* RichTextBox1 = nullptr;

    QPushButton* XPBut_XinZhen = nullptr;
    QPushButton* XPBut_BaoC = nullptr;
    QPushButton* XPBut_XiuGai = nullptr;
    QPushButton* Comd_Del = nullptr;
    QPushButton* XPButALLdelete = nullptr;
    QPushButton* XPButton1 = nullptr; // "显示全部记录"
    QPushButton* XPButton2 = nullptr; // "帮助显示>>>" / "帮助隐藏<<<"
    QPushButton* Command4 = nullptr;  // "返  回"

    // The import panel's controls.
    QLineEdit* Text_sheet = nullptr;
    QLineEdit* Text_qsdu = nullptr;
    QPushButton* But读取Excel = nullptr;
    QPushButton* But关闭Excel = nullptr;
    QPushButton* XPBut_next = nullptr;
    QPushButton* But读取下一条 = nullptr;
    QPushButton* XPBut读取全部 = nullptr;

    // Register actions.
    void comd_ShuaX_Click(); // reload the list, with the search text
    void XPButton1_Click();  // "显示全部记录": the search cleared, the list reloaded
    void Txt_ChaZhao_Change();
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
    const QString& filePath() const { return file_.path(); }
    bool spreadsheetOpen() const { return file_.isOpen(); }
    int usedRows() const { return file_.usedRows(); }
    int usedColumns() const { return file_.usedColumns(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildButtons();
    void buildSearch();
    void chainTabs();
    void connectActions();
    void setNewRecordState();
    void setEditingState();
    bool nameMissing();
    void selectRow(RowId id);
    void registerChangedElsewhere(const QString& table);

    PanelTexts panelTexts() const;
    bool refused(ReadAction action);
    ReadPlan plan(ReadAction action) const;
    bool goOnDespiteUnreadable(const ReadPlan& plan);
    bool readNextIntoBoxes(ReadAction action);
    void runImport(ReadAction action, const std::function<void()>& step);

    CustomerDetails* details_ = nullptr;
    ImportPanel* panel_ = nullptr;
    // The customer as read when its row was chosen: what "修   改" expects the database still to hold.
    std::optional<Customer> shown_;
    ImportFile file_;
};

} // namespace vorlan::customers
