#include "printing/PrintWindows.h"

#include "app/Windows.h"
#include "printing/Frm_PrintWindow.h"
#include "printing/TestPage.h"
#include "ui/Modal.h"
#include "ui/Prompt.h"

namespace vorlan::printing {

void showNotice(QWidget* parent, const Notice& notice) {
    if (notice.isEmpty())
        return;
    switch (notice.icon) {
    case Notice::Icon::Critical:
        ui::critical(parent, notice.text, notice.title);
        break;
    case Notice::Icon::Exclamation:
        ui::exclamation(parent, notice.text, notice.title);
        break;
    case Notice::Icon::None:
        ui::show(parent, notice.text, notice.title);
        break;
    }
}

} // namespace vorlan::printing

namespace vorlan::windows {

void openPrintWindow(QWidget* parent) {
    ui::openModal<printing::Frm_PrintWindow>(parent);
}

void printTestPage(QWidget* parent) {
    printing::showNotice(parent, printing::printNotice(printing::printTestPage()));
}

} // namespace vorlan::windows
