#pragma once
// The print window's second tab "打印预览": the sheet drawn as it would land on paper, onto a white
// surface with the paper's outline. It is drawn once per switch to the tab, not while typing.

#include "printing/PrintOutcome.h"
#include "printing/PrintSheet.h"

#include <QScrollArea>

class QLabel;

namespace vorlan::printing {

class PreviewPane : public QScrollArea {
public:
    explicit PreviewPane(QWidget* parent = nullptr);

    QLabel* Picture1 = nullptr; // the white surface the sheet is drawn on

    // Draws the sheet on the paper of its settings; the surface grows to a paper larger than itself. The
    // outcome names a value off the page's coordinate range, as the print does.
    PrintOutcome render(const PrintSheet& sheet);
};

} // namespace vorlan::printing
