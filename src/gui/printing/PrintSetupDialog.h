#pragma once
// "打印设置" of the print window: the template's printer, paper, orientation and the corner positions
// count from. Confirming stores them with the template.

#include "printing/Calibration.h"
#include "printing/PrintSettings.h"

#include <QDialog>
#include <QList>
#include <QPageSize>

#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vorlan::printing {

class PrintSetupDialog : public QDialog {
    Q_OBJECT

public:
    PrintSetupDialog(QWidget* parent, const QString& templateName, const PrintSettings& current);

    // The settings as the controls show them (a custom size as typed, valid or not).
    PrintSettings settings() const;

    QComboBox* cboPrinter = nullptr; // item data: the printer's name, empty for the system default
    QLabel* lblPrinterNote = nullptr;
    QComboBox* cboPaper = nullptr; // item data: the paper's key, empty for the printer's default
    QLineEdit* txtPaperWidth = nullptr;
    QLineEdit* txtPaperHeight = nullptr;
    QGroupBox* fraOrientation = nullptr;
    QRadioButton* optPortrait = nullptr;
    QRadioButton* optLandscape = nullptr;
    QGroupBox* fraOrigin = nullptr;
    QRadioButton* optOriginPrintable = nullptr;
    QRadioButton* optOriginPaper = nullptr;
    QPushButton* cmdCalibrate = nullptr; // "打印校准页"
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    // The offsets the calibration set, when it did (they are stored already, whether or not OK follows).
    std::optional<calibration::Offsets> calibrated() const { return calibrated_; }

    // Handlers, public so that tests can drive them as the controls do.
    void cboPrinter_Change();
    void cboPaper_Change();
    void cmdOK_Click(); // checks a custom size, stores the settings, closes
    // The calibration sheet on the printer and paper as shown, with the template's offsets.
    void cmdCalibrate_Click();

private:
    void fillPapers(const QString& keepKey);
    QString chosenPrinter() const;
    bool customSizeReadable(); // a custom size that reads, else says what is wrong

    QString templateName_;
    PrintSettings initial_;
    QList<QPageSize> sizes_; // the chosen printer's, in the order of cboPaper's items after the first
    QString customWidth_, customHeight_; // what was typed for a custom size, kept while another is shown
    std::optional<calibration::Offsets> calibrated_;
};

// Shows the print setup of the template; the stored settings after the user confirmed, nothing when the
// dialog was cancelled. calibrated, when given, receives the offsets a calibration set meanwhile.
std::optional<PrintSettings> editPrintSettings(QWidget* parent, const QString& templateName,
                                               const PrintSettings& current,
                                               std::optional<calibration::Offsets>* calibrated = nullptr);

} // namespace vorlan::printing
