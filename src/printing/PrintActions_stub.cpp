// Placeholder until the printer output and the print log are built.
#include "printing/PrintActions.h"

#include "ui/Prompt.h"

namespace vorlan::printing {

bool printSheet(QWidget* parent, const PrintSheet&)
{
    ui::critical(parent, QStringLiteral("打印机未准备好或有故障!"), QStringLiteral("错误"));
    return false;
}

bool drawSheet(QPainter&, const PrintSheet&) { return true; }

bool logSheet(QWidget*, const PrintSheet&) { return false; }

} // namespace vorlan::printing
