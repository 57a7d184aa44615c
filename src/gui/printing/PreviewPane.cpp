#include "printing/PreviewPane.h"

#include "printing/PrintActions.h"
#include "printing/PrinterSetup.h"
#include "ui/Controls.h"
#include "ui/Twips.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>

namespace vorlan::printing {

namespace {
constexpr ui::TwipsSize kPreviewSize{13215_tw, 7935_tw};
}

PreviewPane::PreviewPane(QWidget* parent) : QScrollArea(parent) {
    setObjectName(QStringLiteral("SSTab1_Page2"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setFocusPolicy(Qt::NoFocus);
    Picture1 = ui::makeLabel(nullptr, QStringLiteral("Picture1"), QString());
    Picture1->setAutoFillBackground(true);
    QPalette white = Picture1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Picture1->setPalette(white);
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->resize(ui::toPixels(kPreviewSize));
    setWidget(Picture1);
}

PrintOutcome PreviewPane::render(const PrintSheet& sheet) {
    // The same placement as on paper, with the paper's outline.
    const PageGeometry sheetPage = previewGeometry(sheet.settings);
    const QSize least = ui::toPixels(kPreviewSize);
    const QSize paper = ui::toPixels(sheetPage.paper);
    Picture1->resize(least.expandedTo(paper + QSize(1, 1)));
    const qreal dpr = devicePixelRatioF();
    QPixmap page(QSize(qRound(Picture1->width() * dpr), qRound(Picture1->height() * dpr)));
    page.setDevicePixelRatio(dpr);
    page.fill(Qt::white);
    PrintOutcome drawn;
    {
        QPainter painter(&page);
        drawn = drawPreview(painter, sheet, sheetPage);
    }
    Picture1->setPixmap(page);
    return drawn;
}

} // namespace vorlan::printing
