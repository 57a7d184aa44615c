#include "history/ReprintDialog.h"

#include "printing/BatchPreview.h"
#include "ui/Controls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorlan::history {

ReprintDialog::ReprintDialog(QWidget* parent, const QList<printing::PrintSheet>& sheets,
                             const QString& notice, const QString& logText)
    : QDialog(parent), sheets_(sheets) {
    setObjectName(QStringLiteral("ReprintDialog"));
    setWindowTitle(QStringLiteral("重新打印"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);

    preview = new printing::BatchPreview(this);
    preview->sheetAt = [this](int i, QString*) { return sheets_.value(i); };
    layout->addWidget(preview);

    lblReprintNotice = ui::makeLabel(this, QStringLiteral("lblReprintNotice"), notice);
    lblReprintNotice->setWordWrap(true);
    lblReprintNotice->setStyleSheet(QStringLiteral("color: rgb(170, 0, 0);"));
    lblReprintNotice->setVisible(!notice.isEmpty());
    layout->addWidget(lblReprintNotice);
    lblReprintLog = ui::makeLabel(this, QStringLiteral("lblReprintLog"), logText);
    lblReprintLog->setWordWrap(true);
    layout->addWidget(lblReprintLog);

    auto* buttons = new QHBoxLayout;
    cmdPrint = ui::makeButton(this, QStringLiteral("cmdPrint"), QStringLiteral("打  印"));
    cmdCancel = ui::makeButton(this, QStringLiteral("cmdCancel"), QStringLiteral("取  消"));
    buttons->addStretch(1);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);

    connect(cmdPrint, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    preview->setCount(int(sheets_.size()));
    preview->showSheet(1);
}

} // namespace vorlan::history
