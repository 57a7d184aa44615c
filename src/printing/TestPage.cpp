#include "printing/TestPage.h"

#include "app/Windows.h"
#include "printing/PageRenderer.h"

namespace vorlan::printing {

QString testPageText() { return QStringLiteral("您好！这里是打印测试页！"); }

Placement testPagePlacement() { return placeText(testPageText(), 0, 0, 10); }

} // namespace vorlan::printing

namespace vorlan::windows {

void printTestPage(QWidget* parent)
{
    // No offsets and no log row: the page only shows whether the printer is ready.
    printing::printPage(parent, QStringLiteral("打印测试"), printing::testPagePlacement().chars);
}

} // namespace vorlan::windows
