#pragma once
// The print history query: searches the current template's print log by date range and content, shows
// what became of each sheet's print job, deletes ticked sheets, prints them again and exports the sheets
// found (.csv or .xlsx).

#include "templates/PrintLogStore.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QDateEdit;
class QFrame;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeView;

namespace vorlan::history {

class HistoryModel;

class Frm_CXdata : public QDialog {
    Q_OBJECT
public:
    explicit Frm_CXdata(QWidget* parent = nullptr);

    // The window's load on the current template: dates, columns, an empty list.
    void load();

    QListWidget* List_findlx = nullptr;
    QLineEdit* Txt_CXtj = nullptr;
    QDateEdit* DTPicker2 = nullptr; // start day
    QDateEdit* DTPicker3 = nullptr; // end day
    QPushButton* Comd_FindData = nullptr;
    QPushButton* XPBu数据删除 = nullptr;
    QPushButton* XPBut_Exit = nullptr;
    QPushButton* cmdExport = nullptr;   // enabled while the list shows rows
    QPushButton* cmdReprint = nullptr;  // the ticked sheets, or else the current one, printed again
    QCheckBox* chkReprintLog = nullptr; // a reprint adds log rows too; off when the window opens
    QFrame* Frame1 = nullptr;           // frame of the result list
    QTreeView* ListView1 = nullptr;     // the printed sheets found
    HistoryModel* model = nullptr;

    void Comd_FindData_Click();
    void XPBu数据删除_Click();
    void cmdExport_Click();
    void cmdReprint_Click();

protected:
    // The result list grows with the window (it may be maximised); the controls above keep their places.
    void resizeEvent(QResizeEvent* event) override;

private:
    // The log table of the current template, or a message and nullopt.
    std::optional<templates::LogTable> currentTable();
    void buildColumns();
    void runQuery();
    void updateExport();
    void updateReprintHint();
    void reprint(const QList<qint64>& ids);
    std::optional<templates::LogTable> table_;
};

} // namespace vorlan::history
