#pragma once
// The batch dialog's preview: one sheet drawn as it will print, with ◀ ▶ and the number of the sheet.

#include "printing/PrintSheet.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QSpinBox;

namespace vorlan::printing {

class BatchPreview : public QWidget {
    Q_OBJECT
public:
    explicit BatchPreview(QWidget* parent);

    QLabel* picPreview = nullptr;
    QPushButton* cmdPrev = nullptr; // "◀"
    QSpinBox* spinSheet = nullptr;
    QPushButton* cmdNext = nullptr; // "▶"
    QLabel* lblSheetOf = nullptr;   // "第n张，共N张"

    // The sheet of index i (from 0), with the reason when it cannot be drawn.
    std::function<PrintSheet(int i, QString* problem)> sheetAt;

    // The number of sheets changed: the shown one stays where it can.
    void setCount(int total);
    int count() const { return total_; }
    int shown() const; // from 1; 0 when there is none
    void showSheet(int n);

private:
    int total_ = 0;
    bool updating_ = false;
};

} // namespace vorlan::printing
