// Placeholder until this window is built; replaced by the subsystem's own opener.
#include "app/Windows.h"
#include "ui/Prompt.h"

namespace vorlan::windows {

void openPrintWindow(QWidget* parent)
{
    ui::information(parent, QStringLiteral("“打印窗口”尚未完成。"), QStringLiteral("提示"));
}

} // namespace vorlan::windows
