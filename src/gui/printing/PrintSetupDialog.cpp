#include "printing/PrintSetupDialog.h"

#include "app/AppState.h"
#include "printing/CalibrationDialog.h"
#include "printing/PrintSettingsStore.h"
#include "printing/PrinterSetup.h"
#include "templates/TemplateStore.h"
#include "ui/Controls.h"
#include "ui/Guarded.h"
#include "ui/OptionGroups.h"
#include "ui/Prompt.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace vorlan::printing {

namespace {

QString sizeText(QSizeF mm) {
    // Tenths of a millimetre are enough to tell the sizes apart in the list.
    const auto tenth = [](double v) { return millimetreText(std::round(v * 10) / 10); };
    return QStringLiteral("%1 x %2 毫米").arg(tenth(mm.width()), tenth(mm.height()));
}

QString paperLabel(const QString& name, QSizeF mm) {
    return QStringLiteral("%1（%2）").arg(name, sizeText(mm));
}

QRadioButton* option(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QRadioButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QLineEdit* lengthBox(QWidget* parent, const QString& name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMaxLength(12);
    e->setMaximumWidth(ui::toPixels(1200_tw));
    return e;
}

} // namespace

PrintSetupDialog::PrintSetupDialog(QWidget* parent, const QString& templateName, const PrintSettings& current)
    : QDialog(parent), templateName_(templateName), initial_(current) {
    setObjectName(QStringLiteral("PrintSetupDialog"));
    setWindowTitle(QStringLiteral("打印设置"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    if (current.isCustomPaper()) {
        customWidth_ = millimetreText(current.paperMm.width());
        customHeight_ = millimetreText(current.paperMm.height());
    }

    // The printer: the system's default one (whichever it is when printing) or one by name.
    cboPrinter = new QComboBox(this);
    cboPrinter->setObjectName(QStringLiteral("cboPrinter"));
    const QString defaultName = systemDefaultPrinter();
    cboPrinter->addItem(QStringLiteral("系统默认打印机（%1）")
                            .arg(defaultName.isEmpty() ? QStringLiteral("未安装") : defaultName),
                        QString());
    const QStringList printers = availablePrinters();
    for (const QString& p : printers)
        cboPrinter->addItem(p, p);
    lblPrinterNote = ui::makeLabel(this, QStringLiteral("lblPrinterNote"), QString());
    lblPrinterNote->setWordWrap(true);
    lblPrinterNote->setStyleSheet(QStringLiteral("color: #b00000;"));
    const int stored = current.printer.isEmpty() ? 0 : cboPrinter->findData(current.printer);
    if (stored < 0)
        lblPrinterNote->setText(
            QStringLiteral("原设定的打印机“%1”已不存在，现改为系统默认打印机，按“确定”后保存。")
                .arg(current.printer));
    lblPrinterNote->setVisible(stored < 0);
    cboPrinter->setCurrentIndex(stored < 0 ? 0 : stored);

    cboPaper = new QComboBox(this);
    cboPaper->setObjectName(QStringLiteral("cboPaper"));
    cboPaper->setMaxVisibleItems(16);
    txtPaperWidth = lengthBox(this, QStringLiteral("txtPaperWidth"));
    txtPaperHeight = lengthBox(this, QStringLiteral("txtPaperHeight"));

    auto* form = new QFormLayout;
    form->setHorizontalSpacing(ui::toPixels(120_tw));
    form->setVerticalSpacing(ui::toPixels(90_tw));
    auto* printerLabel = new QLabel(QStringLiteral("打印机(&P)："), this);
    printerLabel->setBuddy(cboPrinter);
    form->addRow(printerLabel, cboPrinter);
    form->addRow(QString(), lblPrinterNote);
    auto* paperLabelWidget = new QLabel(QStringLiteral("纸张(&Z)："), this);
    paperLabelWidget->setBuddy(cboPaper);
    form->addRow(paperLabelWidget, cboPaper);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->setSpacing(ui::toPixels(90_tw));
    auto* widthLabel = new QLabel(QStringLiteral("宽度(&W)："), this);
    widthLabel->setBuddy(txtPaperWidth);
    auto* heightLabel = new QLabel(QStringLiteral("高度(&H)："), this);
    heightLabel->setBuddy(txtPaperHeight);
    sizeRow->addWidget(widthLabel);
    sizeRow->addWidget(txtPaperWidth);
    sizeRow->addSpacing(ui::toPixels(120_tw));
    sizeRow->addWidget(heightLabel);
    sizeRow->addWidget(txtPaperHeight);
    sizeRow->addWidget(new QLabel(QStringLiteral("毫米"), this));
    sizeRow->addStretch(1);
    form->addRow(QString(), sizeRow);

    fraOrientation = new QGroupBox(QStringLiteral("方向"), this);
    fraOrientation->setObjectName(QStringLiteral("fraOrientation"));
    optPortrait = option(fraOrientation, QStringLiteral("optPortrait"), QStringLiteral("纵向"));
    optLandscape = option(fraOrientation, QStringLiteral("optLandscape"), QStringLiteral("横向"));
    auto* orientationLayout = new QVBoxLayout(fraOrientation);
    orientationLayout->addWidget(optPortrait);
    orientationLayout->addWidget(optLandscape);
    orientationLayout->addStretch(1);
    (current.orientation.value_or(QPageLayout::Portrait) == QPageLayout::Landscape ? optLandscape
                                                                                   : optPortrait)
        ->setChecked(true);

    fraOrigin = new QGroupBox(QStringLiteral("位置起点"), this);
    fraOrigin->setObjectName(QStringLiteral("fraOrigin"));
    optOriginPrintable =
        option(fraOrigin, QStringLiteral("optOriginPrintable"), QStringLiteral("可打印区域左上角"));
    optOriginPaper = option(fraOrigin, QStringLiteral("optOriginPaper"), QStringLiteral("纸张左上角"));
    auto* hint =
        ui::makeLabel(fraOrigin, QStringLiteral("lblOriginHint"),
                      QStringLiteral("选“纸张左上角”时，位置从纸张的左上角量起，打印机不能打印的边距"
                                     "会自动扣除：按整张表单扫描制作的模板换了打印机也能对准，不必微调。"));
    hint->setWordWrap(true);
    hint->setStyleSheet(QStringLiteral("color: #505050;"));
    auto* originLayout = new QVBoxLayout(fraOrigin);
    originLayout->addWidget(optOriginPrintable);
    originLayout->addWidget(optOriginPaper);
    originLayout->addWidget(hint);
    (current.origin == PrintOrigin::Paper ? optOriginPaper : optOriginPrintable)->setChecked(true);

    auto* groups = new QHBoxLayout;
    groups->setSpacing(ui::toPixels(180_tw));
    groups->addWidget(fraOrientation, 1);
    groups->addWidget(fraOrigin, 3);

    cmdOK = new QPushButton(QStringLiteral("确  定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("取  消"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    // After OK and Cancel in the order of the Tab key: a second thought, not the dialog's answer.
    cmdCalibrate = ui::makeButton(this, QStringLiteral("cmdCalibrate"), QStringLiteral("打印校准页(&J)"));
    cmdCalibrate->setToolTip(
        QStringLiteral("按这里的打印机、纸张和位置起点打印校准页，量出误差后设定整体偏移"));
    for (QPushButton* b : {cmdOK, cmdCancel})
        ui::prepareButton(b);
    // Enter anywhere in the dialog confirms; Escape cancels.
    cmdOK->setDefault(true);
    QVBoxLayout* root = ui::dialogRows(this, 150_tw);
    root->addLayout(form);
    root->addLayout(groups);
    root->addLayout(ui::buttonRow({cmdOK, cmdCancel}, cmdCalibrate));
    setMinimumWidth(ui::toPixels(7800_tw));

    fillPapers(current.paperKey);
    cboPaper_Change();

    connect(cboPrinter, &QComboBox::currentIndexChanged, this, [this] { cboPrinter_Change(); });
    connect(cboPaper, &QComboBox::currentIndexChanged, this, [this] { cboPaper_Change(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdCalibrate, &QPushButton::clicked, this, [this] { cmdCalibrate_Click(); });
    ui::tabToTickedOptions(this);
    cboPrinter->setFocus();
}

QString PrintSetupDialog::chosenPrinter() const {
    return cboPrinter->currentData().toString();
}

void PrintSetupDialog::fillPapers(const QString& keepKey) {
    const QSignalBlocker block(cboPaper);
    cboPaper->clear();
    const QString printer = chosenPrinter();
    sizes_ = printerPageSizes(printer);
    cboPaper->addItem(QStringLiteral("打印机默认纸张（%1）").arg(printerDefaultPageSize(printer).name()),
                      QString());
    for (const QPageSize& size : sizes_)
        cboPaper->addItem(paperLabel(size.name(), size.size(QPageSize::Millimeter)), size.key());
    // A stored size this printer does not list stays on offer, so that looking does not lose it.
    if (!keepKey.isEmpty() && keepKey != kCustomPaperKey && keepKey == initial_.paperKey &&
        cboPaper->findData(keepKey) < 0 && initial_.paperMm.isValid())
        cboPaper->addItem(paperLabel(initial_.paperName, initial_.paperMm), keepKey);
    cboPaper->addItem(QStringLiteral("自定义尺寸"), kCustomPaperKey);
    const int found = keepKey.isEmpty() ? 0 : cboPaper->findData(keepKey);
    cboPaper->setCurrentIndex(found < 0 ? 0 : found);
}

void PrintSetupDialog::cboPrinter_Change() {
    const QString key = cboPaper->currentData().toString();
    // A size typed in stays while another printer is looked at.
    if (key == kCustomPaperKey) {
        customWidth_ = txtPaperWidth->text();
        customHeight_ = txtPaperHeight->text();
    }
    fillPapers(key);
    cboPaper_Change();
}

void PrintSetupDialog::cboPaper_Change() {
    const QString key = cboPaper->currentData().toString();
    const bool custom = key == kCustomPaperKey;
    if (!custom && txtPaperWidth->isEnabled() && txtPaperWidth->property("custom").toBool()) {
        customWidth_ = txtPaperWidth->text();
        customHeight_ = txtPaperHeight->text();
    }
    txtPaperWidth->setProperty("custom", custom);
    txtPaperWidth->setEnabled(custom);
    txtPaperHeight->setEnabled(custom);
    if (custom) {
        txtPaperWidth->setText(customWidth_);
        txtPaperHeight->setText(customHeight_);
        return;
    }
    // A listed paper shows its size, for information.
    QSizeF mm;
    const int index = cboPaper->currentIndex();
    if (key.isEmpty())
        mm = printerDefaultPageSize(chosenPrinter()).size(QPageSize::Millimeter);
    else if (index >= 1 && index - 1 < sizes_.size())
        mm = sizes_.at(index - 1).size(QPageSize::Millimeter);
    else
        mm = initial_.paperMm;
    const auto tenth = [](double v) { return millimetreText(std::round(v * 10) / 10); };
    txtPaperWidth->setText(mm.isValid() ? tenth(mm.width()) : QString());
    txtPaperHeight->setText(mm.isValid() ? tenth(mm.height()) : QString());
}

PrintSettings PrintSetupDialog::settings() const {
    PrintSettings s;
    s.printer = chosenPrinter();
    const QString key = cboPaper->currentData().toString();
    const int index = cboPaper->currentIndex();
    if (key == kCustomPaperKey) {
        const LengthReading w = readPaperLength(txtPaperWidth->text(), QStringLiteral("宽度"));
        const LengthReading h = readPaperLength(txtPaperHeight->text(), QStringLiteral("高度"));
        s = withCustomPaper(s, QSizeF(w.mm.value_or(0), h.mm.value_or(0)));
    } else if (!key.isEmpty() && index >= 1 && index - 1 < sizes_.size()) {
        s = withPaper(s, sizes_.at(index - 1));
    } else if (!key.isEmpty()) {
        s.paperKey = initial_.paperKey;
        s.paperName = initial_.paperName;
        s.paperMm = initial_.paperMm;
    }
    s.orientation = optLandscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait;
    s.origin = optOriginPaper->isChecked() ? PrintOrigin::Paper : PrintOrigin::PrintableArea;
    return s;
}

bool PrintSetupDialog::customSizeReadable() {
    if (cboPaper->currentData().toString() != kCustomPaperKey)
        return true;
    for (auto [box, what] : {std::pair{txtPaperWidth, QStringLiteral("宽度")},
                             std::pair{txtPaperHeight, QStringLiteral("高度")}}) {
        const LengthReading r = readPaperLength(box->text(), what);
        if (!r.mm) {
            ui::show(this, r.problem, QStringLiteral("输入提示"), ui::Icon::Exclamation);
            box->setFocus();
            box->selectAll();
            return false;
        }
    }
    return true;
}

void PrintSetupDialog::cmdCalibrate_Click() {
    if (!customSizeReadable())
        return;
    calibration::Offsets offsets;
    if (calibrated_) {
        offsets = *calibrated_;
    } else if (!ui::guarded(this, u"cmdCalibrate_Click", [&] {
                   const templates::Template t =
                       templates::TemplateStore(app::state().engine()).load(templateName_).tmpl;
                   offsets = {t.allup, t.allleft};
               })) {
        return;
    }
    CalibrationDialog dialog(this, templateName_, settings(), offsets);
    ui::prompter().exec(&dialog);
    if (dialog.applied())
        calibrated_ = dialog.applied();
}

void PrintSetupDialog::cmdOK_Click() {
    if (!customSizeReadable())
        return;
    const PrintSettings chosen = settings();
    const bool stored = ui::guarded(
        this, u"cmdOK_Click", [&] { PrintSettingsStore(app::state().engine()).save(templateName_, chosen); });
    if (stored)
        accept();
}

std::optional<PrintSettings> editPrintSettings(QWidget* parent, const QString& templateName,
                                               const PrintSettings& current,
                                               std::optional<calibration::Offsets>* calibrated) {
    PrintSetupDialog dialog(parent, templateName, current);
    const bool accepted = ui::prompter().exec(&dialog) == QDialog::Accepted;
    if (calibrated)
        *calibrated = dialog.calibrated();
    if (!accepted)
        return std::nullopt;
    return dialog.settings();
}

} // namespace vorlan::printing
