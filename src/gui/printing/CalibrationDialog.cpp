#include "printing/CalibrationDialog.h"

#include "app/AppState.h"
#include "printing/CalibrationPage.h"
#include "printing/FineTune.h"
#include "printing/PrintWindows.h"
#include "printing/PrinterSetup.h"
#include "templates/CounterStore.h"
#include "ui/Controls.h"
#include "ui/Guarded.h"
#include "ui/Prompt.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace vorlan::printing {

namespace {

constexpr int kPreviewPixels = 300; // the preview's longer side

QLineEdit* distanceBox(QWidget* parent, const QString& name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMaxLength(8);
    e->setMaximumWidth(ui::toPixels(1100_tw));
    return e;
}

QString offsetsText(const calibration::Offsets& o) {
    return QStringLiteral("上下 %1、左右 %2").arg(o.allup).arg(o.allleft);
}

} // namespace

CalibrationDialog::CalibrationDialog(QWidget* parent, const QString& templateName,
                                     const PrintSettings& settings, const calibration::Offsets& offsets)
    : QDialog(parent), templateName_(templateName), settings_(settings), offsets_(offsets) {
    setObjectName(QStringLiteral("CalibrationDialog"));
    setWindowTitle(QStringLiteral("打印校准页"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    page_ = previewGeometry(settings_);
    crosses_ = calibration::crosses(calibration::paperMillimetres(page_));

    lblIntro = ui::makeLabel(
        this, QStringLiteral("lblIntro"),
        QStringLiteral("校准页按本模板的打印机、纸张和位置起点打印，带着现在的整体偏移（%1）。"
                       "打印后用尺子量出每个十字的中心到纸张左边和上边的距离（毫米），填入下表，"
                       "按“计算误差”。不必每个都量，每个方向至少量一个。")
            .arg(offsetsText(offsets_)));
    lblIntro->setWordWrap(true);
    lblPreview = ui::makeLabel(this, QStringLiteral("lblPreview"), QString());
    lblPreview->setAlignment(Qt::AlignCenter);
    cmdPrintSheet = ui::makeButton(this, QStringLiteral("cmdPrintSheet"), QStringLiteral("打印校准页(&P)"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(ui::toPixels(120_tw));
    grid->addWidget(new QLabel(QStringLiteral("十字"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("到左边（毫米）"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("到上边（毫米）"), this), 0, 2);
    for (int i = 0; i < crosses_.size(); ++i) {
        const calibration::Cross& c = crosses_.at(i);
        auto* label = ui::makeLabel(
            this, QStringLiteral("lblCross") + c.label,
            QStringLiteral("%1 %2（应为 %3）").arg(c.label, c.place, calibration::crossCaption(c).mid(2)));
        lblCross << label;
        txtLeft << distanceBox(this, QStringLiteral("txtLeft") + c.label);
        txtTop << distanceBox(this, QStringLiteral("txtTop") + c.label);
        label->setBuddy(txtLeft.last());
        grid->addWidget(label, i + 1, 0);
        grid->addWidget(txtLeft.last(), i + 1, 1);
        grid->addWidget(txtTop.last(), i + 1, 2);
        connect(txtLeft.last(), &QLineEdit::textEdited, this, [this] { clearResult(); });
        connect(txtTop.last(), &QLineEdit::textEdited, this, [this] { clearResult(); });
    }

    cmdCompute = ui::makeButton(this, QStringLiteral("cmdCompute"), QStringLiteral("计算误差(&C)"));
    lblError = ui::makeLabel(this, QStringLiteral("lblError"), QString());
    lblOffsets = ui::makeLabel(this, QStringLiteral("lblOffsets"), QString());
    lblResidual = ui::makeLabel(this, QStringLiteral("lblResidual"), QString());
    lblResidual->setWordWrap(true);
    cmdApply = ui::makeButton(this, QStringLiteral("cmdApply"), QStringLiteral("设为整体偏移(&S)"));
    cmdClose = new QPushButton(QStringLiteral("关  闭"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    ui::prepareButton(cmdClose);

    // Room for the focus frame around the captions.
    for (QPushButton* button : {cmdPrintSheet, cmdCompute, cmdApply, cmdClose})
        button->setMinimumSize(button->sizeHint().width() + ui::toPixels(240_tw), ui::toPixels(420_tw));

    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(lblIntro);
    left->addWidget(cmdPrintSheet, 0, Qt::AlignLeft);
    left->addLayout(grid);
    left->addWidget(cmdCompute, 0, Qt::AlignLeft);
    top->addLayout(left, 3);
    top->addWidget(lblPreview, 2, Qt::AlignTop);
    QVBoxLayout* root = ui::dialogRows(this, 120_tw);
    root->addLayout(top);
    root->addWidget(lblError);
    root->addWidget(lblOffsets);
    root->addWidget(lblResidual);
    root->addLayout(ui::buttonRow({cmdApply, cmdClose}));
    setMinimumWidth(ui::toPixels(10200_tw));

    connect(cmdPrintSheet, &QPushButton::clicked, this, [this] { cmdPrintSheet_Click(); });
    connect(cmdCompute, &QPushButton::clicked, this, [this] { cmdCompute_Click(); });
    connect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    // Enter in a distance box computes, as the clerk expects after typing the last figure.
    for (QLineEdit* box : txtLeft + txtTop)
        connect(box, &QLineEdit::returnPressed, this, [this] { cmdCompute_Click(); });
    clearResult();
    showPreview();
    cmdPrintSheet->setFocus();
}

void CalibrationDialog::showPreview() {
    const QSizeF mm = calibration::paperMillimetres(page_);
    if (mm.isEmpty())
        return;
    // A resolution at which the paper's longer side takes the preview's pixels.
    const double dpi = kPreviewPixels / (std::max(mm.width(), mm.height()) / 25.4);
    QImage image(int(std::ceil(mm.width() / 25.4 * dpi)) + 1, int(std::ceil(mm.height() / 25.4 * dpi)) + 1,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(int(std::round(dpi / 0.0254)));
    image.setDotsPerMeterY(int(std::round(dpi / 0.0254)));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawCalibrationPreview(p, page_, offsets_);
    p.end();
    lblPreview->setPixmap(QPixmap::fromImage(image));
}

void CalibrationDialog::clearResult() {
    result_.reset();
    lblError->setText(QStringLiteral("误差：尚未计算"));
    lblOffsets->clear();
    lblResidual->clear();
    cmdApply->setEnabled(false);
}

void CalibrationDialog::cmdPrintSheet_Click() {
    const CalibrationPrint printed = printCalibrationSheet(settings_, offsets_);
    if (!printed.refusal.isEmpty()) {
        ui::exclamation(this, printed.refusal, QStringLiteral("提示"));
        return;
    }
    showNotice(this, printNotice(printed.outcome));
    if (printed.outcome.ok() && printed.page.paper != page_.paper) {
        // The printer laid the paper out otherwise than expected: the crosses are where it put them.
        page_ = printed.page;
        crosses_ = calibration::crosses(calibration::paperMillimetres(page_));
        for (int i = 0; i < crosses_.size(); ++i)
            lblCross.at(i)->setText(QStringLiteral("%1 %2（应为 %3）")
                                        .arg(crosses_.at(i).label, crosses_.at(i).place,
                                             calibration::crossCaption(crosses_.at(i)).mid(2)));
        showPreview();
    }
}

void CalibrationDialog::cmdCompute_Click() {
    const QSizeF paper = calibration::paperMillimetres(page_);
    QList<calibration::Measured> measured;
    for (int i = 0; i < crosses_.size(); ++i) {
        calibration::Measured m;
        for (auto [box, toLeft] : {std::pair{txtLeft.at(i), true}, std::pair{txtTop.at(i), false}}) {
            const QString what =
                QStringLiteral("十字 %1 到%2的距离")
                    .arg(crosses_.at(i).label, toLeft ? QStringLiteral("左边") : QStringLiteral("上边"));
            const calibration::Reading r =
                calibration::readDistance(box->text(), what, toLeft ? paper.width() : paper.height());
            if (!r.problem.isEmpty()) {
                ui::show(this, r.problem, QStringLiteral("输入提示"), ui::Icon::Exclamation);
                box->setFocus();
                box->selectAll();
                return;
            }
            (toLeft ? m.leftMm : m.topMm) = r.mm;
        }
        measured << m;
    }
    const calibration::Result r = calibration::compute(crosses_, measured, offsets_.allup, offsets_.allleft);
    if (r.horizontal.measured == 0 || r.vertical.measured == 0) {
        ui::show(this,
                 QStringLiteral("请至少量一个十字到%1的距离，再计算误差。")
                     .arg(r.horizontal.measured == 0 ? QStringLiteral("左边") : QStringLiteral("上边")),
                 QStringLiteral("输入提示"), ui::Icon::Exclamation);
        (r.horizontal.measured == 0 ? txtLeft : txtTop).first()->setFocus();
        return;
    }
    result_ = r;
    lblError->setText(
        QStringLiteral("误差：%1，%2")
            .arg(calibration::errorText(r.horizontal, true), calibration::errorText(r.vertical, false)));
    lblOffsets->setText(
        QStringLiteral("整体偏移：%1 → %2")
            .arg(offsetsText(offsets_), offsetsText({r.vertical.offset, r.horizontal.offset})));
    QString residual =
        QStringLiteral(
            "校正后剩余：水平 %1 毫米，垂直 %2 毫米（一个偏移单位是 %3 毫米，更小的误差无法用偏移校正）。")
            .arg(calibration::signedMm(r.horizontal.residualMm), calibration::signedMm(r.vertical.residualMm),
                 QString::number(kOffsetUnit.value() / calibration::kTwipsPerMm, 'f', 2));
    if (r.horizontal.limited || r.vertical.limited)
        residual += QStringLiteral("偏移最多 ±%1，误差没有全部校正。").arg(finetune::kMaxOffset);
    // Crosses that disagree by more than a unit show a printer that stretches or turns the page.
    if (std::max(r.horizontal.spreadMm, r.vertical.spreadMm) > kOffsetUnit.value() / calibration::kTwipsPerMm)
        residual +=
            QStringLiteral("各十字的误差相差 %1 毫米，打印机可能有缩放或歪斜，整体偏移只能校正平均误差。")
                .arg(QString::number(std::max(r.horizontal.spreadMm, r.vertical.spreadMm), 'f', 2));
    lblResidual->setText(residual);
    const bool changes = r.horizontal.offset != offsets_.allleft || r.vertical.offset != offsets_.allup;
    cmdApply->setEnabled(changes);
    if (!changes)
        lblOffsets->setText(lblOffsets->text() + QStringLiteral("（不用改）"));
}

void CalibrationDialog::cmdApply_Click() {
    if (!result_)
        return;
    const calibration::Offsets wanted{result_->vertical.offset, result_->horizontal.offset};
    QString question = QStringLiteral("把模板“%1”的整体偏移由 %2 改为 %3 吗？")
                           .arg(templateName_, offsetsText(offsets_), offsetsText(wanted));
    bool perCounter = false;
    if (!ui::guarded(this, u"cmdApply_Click",
                     [&] { perCounter = templates::CounterStore(app::state().engine()).kept(); }))
        return;
    if (perCounter)
        question += QStringLiteral("\n只改本机（%1）的偏移，其他电脑的不变。")
                        .arg(templates::CounterStore::thisCounter());
    if (ui::question(this, question, QStringLiteral("关键操作的确认")) != ui::Answer::Yes)
        return;
    if (!ui::guarded(this, u"cmdApply_Click", [&] {
            calibration::saveOffsets(app::state().engine(), templateName_, wanted.allup, wanted.allleft);
        }))
        return;
    offsets_ = wanted;
    applied_ = wanted;
    for (QLineEdit* box : txtLeft + txtTop)
        box->clear();
    clearResult();
    showPreview();
    lblIntro->setText(QStringLiteral("整体偏移已设为 %1。可以再打印一张校准页核对：十字应落在表中写的位置。")
                          .arg(offsetsText(offsets_)));
    ui::information(this,
                    QStringLiteral("模板“%1”的整体偏移已设为 %2。").arg(templateName_, offsetsText(offsets_)),
                    QStringLiteral("系统提示"));
}

} // namespace vorlan::printing
