#pragma once
// The common-use panel of the main window: the list of 常用用途 with its add and delete buttons.

#include <QGroupBox>

class QLineEdit;
class QListView;
class QPushButton;
class QStringListModel;

namespace vorlan::app {

class CommonUsePanel : public QGroupBox {
    Q_OBJECT
public:
    explicit CommonUsePanel(QWidget* parent);

    // Shows what the table holds.
    void load();

    void XPBut_Newyongtu_Click();
    void XPBut_Delyongtu_Click();

    QLineEdit* Text_yongtu = nullptr;
    QListView* List_findlx = nullptr;
    QStringListModel* yongtuModel = nullptr;
    QPushButton* XPBut_Newyongtu = nullptr;
    QPushButton* XPBut_Delyongtu = nullptr;
    QPushButton* XPButton2 = nullptr; // 返  回
};

} // namespace vorlan::app
