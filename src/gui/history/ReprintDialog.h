#pragma once
// Before logged sheets are printed again: each sheet drawn as it will print today, what of the log is
// left out, and whether the reprint adds log rows. 打  印 prints, 取  消 prints nothing.

#include "printing/PrintSheet.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;

namespace vorlan::printing {
class BatchPreview;
}

namespace vorlan::history {

class ReprintDialog : public QDialog {
    Q_OBJECT
public:
    // notice: what the mapping leaves out (empty: nothing); logText: whether the reprint is logged.
    ReprintDialog(QWidget* parent, const QList<printing::PrintSheet>& sheets, const QString& notice,
                  const QString& logText);

    printing::BatchPreview* preview = nullptr;
    QLabel* lblReprintNotice = nullptr; // hidden when nothing is left out
    QLabel* lblReprintLog = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    QList<printing::PrintSheet> sheets_;
};

} // namespace vorlan::history
