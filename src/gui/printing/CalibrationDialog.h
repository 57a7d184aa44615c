#pragma once
// "打印校准页" of the print setup: prints the calibration sheet on the template's printer, paper and
// origin with its offsets, takes the distances measured on it, shows the error in millimetres and, once
// confirmed, sets the template's overall offsets (on a server this computer's own).

#include "printing/Calibration.h"
#include "printing/PrintSettings.h"

#include <QDialog>
#include <QList>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vorlan::printing {

class CalibrationDialog : public QDialog {
    Q_OBJECT

public:
    // settings: as the print setup shows them; offsets: the template's, which the sheet is printed with.
    CalibrationDialog(QWidget* parent, const QString& templateName, const PrintSettings& settings,
                      const calibration::Offsets& offsets);

    // The offsets set here, when they were.
    std::optional<calibration::Offsets> applied() const { return applied_; }

    QLabel* lblIntro = nullptr;
    QLabel* lblPreview = nullptr;
    QPushButton* cmdPrintSheet = nullptr;
    QList<QLabel*> lblCross;   // one per cross, A to E
    QList<QLineEdit*> txtLeft; // txtLeftA .. txtLeftE: from the paper's left edge, millimetres
    QList<QLineEdit*> txtTop;  // txtTopA .. txtTopE: from its top edge
    QPushButton* cmdCompute = nullptr;
    QLabel* lblError = nullptr;
    QLabel* lblOffsets = nullptr;
    QLabel* lblResidual = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdClose = nullptr;

    // Handlers, public so that tests can drive them as the controls do.
    void cmdPrintSheet_Click();
    void cmdCompute_Click(); // reads the distances and shows the result; false-free: a wrong one is named
    void cmdApply_Click();   // asks, then stores the offsets

private:
    void showPreview();
    void clearResult();

    QString templateName_;
    PrintSettings settings_;
    calibration::Offsets offsets_; // the sheet's (the template's, or those set here)
    PageGeometry page_;
    QList<calibration::Cross> crosses_;
    std::optional<calibration::Result> result_;
    std::optional<calibration::Offsets> applied_;
};

} // namespace vorlan::printing
