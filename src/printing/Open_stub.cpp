// Placeholder until this window is built; replaced by the subsystem's own opener.
#include "app/Windows.h"
#include "ui/Prompt.h"

namespace vorlan::windows {

void printTestPage(QWidget* parent)
{
    ui::information(parent, QStringLiteral("“打印测试”尚未完成。"), QStringLiteral("提示"));
}

} // namespace vorlan::windows

namespace vorlan::windows {

void seedSampleData(const QSqlDatabase&) {}

} // namespace vorlan::windows
