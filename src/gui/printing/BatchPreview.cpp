#include "printing/BatchPreview.h"

#include "printing/PrintActions.h"
#include "ui/Controls.h"
#include "ui/Twips.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vorlan::printing {

namespace {
// The page area drawn, and the part of its size it is shown at: large enough to read the texts, small
// enough to leave room for the mapping and the rows.
constexpr ui::TwipsSize kPreviewSize{13215_tw, 7935_tw};
constexpr double kShownScale = 0.75;
} // namespace

BatchPreview::BatchPreview(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("BatchPreview"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    picPreview = ui::makeLabel(this, QStringLiteral("picPreview"), QString());
    picPreview->setAutoFillBackground(true);
    QPalette white = picPreview->palette();
    white.setColor(QPalette::Window, Qt::white);
    picPreview->setPalette(white);
    picPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picPreview->setFixedSize(ui::toPixels(kPreviewSize) * kShownScale);
    layout->addWidget(picPreview);

    auto* nav = new QHBoxLayout;
    cmdPrev = ui::makeButton(this, QStringLiteral("cmdPrev"), QStringLiteral("◀"));
    spinSheet = new QSpinBox(this);
    spinSheet->setObjectName(QStringLiteral("spinSheet"));
    cmdNext = ui::makeButton(this, QStringLiteral("cmdNext"), QStringLiteral("▶"));
    lblSheetOf = ui::makeLabel(this, QStringLiteral("lblSheetOf"), QString());
    nav->addWidget(cmdPrev);
    nav->addWidget(spinSheet);
    nav->addWidget(cmdNext);
    nav->addWidget(lblSheetOf, 1);
    layout->addLayout(nav);

    connect(cmdPrev, &QPushButton::clicked, this, [this] { showSheet(shown() - 1); });
    connect(cmdNext, &QPushButton::clicked, this, [this] { showSheet(shown() + 1); });
    connect(spinSheet, &QSpinBox::valueChanged, this, [this](int n) {
        if (!updating_)
            showSheet(n);
    });
    setCount(0);
}

int BatchPreview::shown() const {
    return total_ == 0 ? 0 : spinSheet->value();
}

void BatchPreview::setCount(int total) {
    total_ = std::max(total, 0);
    updating_ = true;
    spinSheet->setRange(total_ == 0 ? 0 : 1, total_);
    updating_ = false;
    showSheet(std::clamp(spinSheet->value(), total_ == 0 ? 0 : 1, total_));
}

void BatchPreview::showSheet(int n) {
    if (total_ == 0) {
        picPreview->setPixmap(QPixmap());
        picPreview->setToolTip(QString());
        lblSheetOf->setText(QStringLiteral("没有要打印的张"));
        cmdPrev->setEnabled(false);
        cmdNext->setEnabled(false);
        return;
    }
    n = std::clamp(n, 1, total_);
    updating_ = true;
    spinSheet->setValue(n);
    updating_ = false;
    cmdPrev->setEnabled(n > 1);
    cmdNext->setEnabled(n < total_);
    lblSheetOf->setText(QStringLiteral("第%1张，共%2张").arg(n).arg(total_));
    // The same renderer as the page and the print window's preview.
    QString problem;
    const PrintSheet sheet = sheetAt ? sheetAt(n - 1, &problem) : PrintSheet();
    // Drawn at the size shown, so that the small texts stay sharp.
    QPixmap page(picPreview->size());
    page.fill(Qt::white);
    QPainter painter(&page);
    if (problem.isEmpty() && sheetAt) {
        painter.scale(kShownScale, kShownScale);
        drawSheet(painter, sheet);
    } else {
        // A sheet that cannot be drawn says why in its place, not only in a tool tip.
        painter.setPen(QColor(170, 0, 0));
        painter.drawText(page.rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap, problem);
    }
    painter.end();
    picPreview->setPixmap(page);
    picPreview->setToolTip(problem);
}

} // namespace vorlan::printing
