#include "printing/TestPage.h"

#include "printing/PageRenderer.h"

namespace vorlan::printing {

QString testPageText() {
    return QStringLiteral("您好！这里是打印测试页！");
}

Placement testPagePlacement() {
    return placeText(testPageText(), {0_tw, 0_tw}, 10);
}

PrintOutcome printTestPage() {
    return printPage(QStringLiteral("打印测试"), testPagePlacement().items);
}

} // namespace vorlan::printing
