#pragma once
// The register's frame "Excel数据导入": the worksheet name, the start row and the buttons that open,
// close and read the spreadsheet. Its guide is shown in the register's help panel.

#include <QGroupBox>

class QLineEdit;
class QPushButton;

namespace vorlan::customers {

class ImportPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit ImportPanel(QWidget* parent = nullptr);

    QLineEdit* Text_sheet = nullptr;
    QLineEdit* Text_qsdu = nullptr;
    QPushButton* But读取Excel = nullptr;
    QPushButton* But关闭Excel = nullptr;
    QPushButton* XPBut_next = nullptr;
    QPushButton* But读取下一条 = nullptr;
    QPushButton* XPBut读取全部 = nullptr;

    // The three reading buttons, on while a file is open.
    void setReadingEnabled(bool on);

    // The guide to the import, as rich text.
    static QString helpHtml();
};

} // namespace vorlan::customers
