#include "app/CommonUsePanel.h"

#include "app/AppState.h"
#include "app/CommonUseStore.h"
#include "ui/Controls.h"
#include "ui/Guarded.h"
#include "ui/Prompt.h"
#include "ui/TwipsLayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>

namespace vorlan::app {

CommonUsePanel::CommonUsePanel(QWidget* parent) : QGroupBox(parent) {
    setObjectName(QStringLiteral("XPFrame3"));
    auto* yongtuLabel = new QLabel(QStringLiteral("常用用途："), this);
    ui::place(yongtuLabel, {240_tw, 240_tw, 1200_tw, 330_tw});
    Text_yongtu = new QLineEdit(this);
    Text_yongtu->setObjectName(QStringLiteral("Text_yongtu"));
    ui::place(Text_yongtu, {1320_tw, 200_tw, 3735_tw, 380_tw});
    yongtuModel = new QStringListModel(this);
    List_findlx = new QListView(this);
    List_findlx->setObjectName(QStringLiteral("List_findlx"));
    List_findlx->setModel(yongtuModel);
    List_findlx->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui::place(List_findlx, {240_tw, 720_tw, 4815_tw, 5640_tw});
    XPBut_Newyongtu = ui::makeButton(this, QStringLiteral("XPBut_Newyongtu"), QStringLiteral("新增用途"));
    XPBut_Delyongtu = ui::makeButton(this, QStringLiteral("XPBut_Delyongtu"), QStringLiteral("删除用途"));
    XPButton2 = ui::makeButton(this, QStringLiteral("XPButton2"), QStringLiteral("返  回"));
    ui::place(XPBut_Newyongtu, {240_tw, 6540_tw, 1455_tw, 450_tw});
    ui::place(XPBut_Delyongtu, {1920_tw, 6540_tw, 1455_tw, 450_tw});
    ui::place(XPButton2, {3600_tw, 6540_tw, 1455_tw, 450_tw});

    connect(XPBut_Newyongtu, &QPushButton::clicked, this, &CommonUsePanel::XPBut_Newyongtu_Click);
    connect(XPBut_Delyongtu, &QPushButton::clicked, this, &CommonUsePanel::XPBut_Delyongtu_Click);
    connect(XPButton2, &QPushButton::clicked, this, &QWidget::hide);
}

void CommonUsePanel::load() {
    ui::guarded(this, u"Form_Load",
                [&] { yongtuModel->setStringList(CommonUseStore(state().engine()).all()); });
}

void CommonUsePanel::XPBut_Newyongtu_Click() {
    const QString text = Text_yongtu->text();
    const bool done =
        ui::guarded(this, u"XPBut_Newyongtu_Click", [&] { CommonUseStore(state().engine()).add(text); });
    if (!done)
        return;
    const int row = yongtuModel->rowCount();
    yongtuModel->insertRows(row, 1);
    yongtuModel->setData(yongtuModel->index(row), text);
}

void CommonUsePanel::XPBut_Delyongtu_Click() {
    // As in the tree, the current entry is not necessarily one the user chose.
    const QModelIndexList chosen = List_findlx->selectionModel()->selectedIndexes();
    if (chosen.isEmpty()) {
        ui::information(this, QStringLiteral("请选择想要删除的用途"), QStringLiteral("提示"));
        return;
    }
    const QModelIndex selected = chosen.first();
    const QString text = selected.data().toString();
    const bool done =
        ui::guarded(this, u"XPBut_Delyongtu_Click", [&] { CommonUseStore(state().engine()).remove(text); });
    if (!done)
        return;
    yongtuModel->removeRows(selected.row(), 1);
    List_findlx->selectionModel()->clearSelection(); // the list selects the next entry by itself
}

} // namespace vorlan::app
