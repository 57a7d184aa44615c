// Placeholder until this window is built; replaced by the subsystem's own opener.
#include "app/Windows.h"
#include "ui/Prompt.h"

namespace vorlan::windows {

void openHistoryQuery(QWidget* parent)
{
    ui::information(parent, QStringLiteral("“数据查询”尚未完成。"), QStringLiteral("提示"));
}

} // namespace vorlan::windows
