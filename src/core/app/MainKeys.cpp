#include "app/MainKeys.h"

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>

namespace vorlan::app {

namespace {

const char* const kHelpHtml = R"(<h3>软件使用说明：</h3>
<p><b>1.各个模板的编辑、打开、查询等</b><br>
点击工具栏上的“显示工具”，左侧出现“工具菜单”，其中有模板操作所需的各个按钮：在模板目录中选中一个模板后，
“打开模板”进入打印窗口，“模板设计”编辑模板的背景图片和输入点，“数据查询”查询该模板的打印记录；
“新增主节点”、“新增子节点”、“删除节点”、“结构保存”用来整理模板目录。
“导出模板”把选中的模板（输入点、背景图片、纸张、方向和位置起点）写进一个模板文件（*.vtpl），
带到另一处后用“导入模板”读进模板目录：新节点放在选中的目录节点下面，名称不能与已有的模板相同（不计大小写）。
打印机、整体偏移和打印记录不随模板文件带走。
“数据查询”的“打印状态”一列显示每张打印单的打印作业后来怎样了（已完成、已取消、暂停等）；
勾选卡纸或被取消的几张后按“重新打印”，先预览，再按现在的模板位置和整体偏移重新打出，
只有勾选了“重新打印时也记录”才另存打印记录。</p>
<p><b>2.打印信息资料的选择</b><br>
客户的名称、地址、电话、邮编等资料在工具栏的“客户管理”中录入。打印窗口中与客户资料某一项关联的输入点，
双击它（或按 F4）即可打开客户资料选择窗口，选中一条记录后，该输入点及其他关联的输入点都会自动填好。
模板设计中每个关联客户资料的输入点属于“寄件方”或“收件方”：在寄件方的框中选择只填寄件方的框，
收件方亦然，所以寄件人和收件人都能从客户资料中选。批量打印勾选的客户时，每张填收件方，寄件方保持打印窗口中的内容。
设了“固定内容”的输入点在打开打印窗口时就已填好，“下一张”也保留它，只清空其他的框。
“号码”和单行“文本框”输入点可以在模板设计的“打印为”中选择 Code 128、QR 码、PDF417 或 EAN-13，
打印时印成条码；条码容不下的内容（如 Code 128 中的汉字、EAN-13 的校验位不对、框太小）在打印之前就会指出。
在“大写金额”输入框中输入数字金额后按回车键，即可得到中文大写金额。</p>
<p><b>3.模板打印单上每个输入点框大小的调整</b><br>
在打印窗口中进入微调状态后，单击一个输入点，用鼠标拖动它四周的蓝色控制点，即可调整输入框的大小。</p>
<p><b>4.模板打印单上每个输入点打印位置的调整</b><br>
在微调状态下，按住鼠标左键拖动输入点即可移动它的打印位置。打印测试之后，还可以设置整体的上下、左右偏移量，
最后点击“保存微调”保存所有的调整。
也可以在“打印设置”中按“打印校准页”：打印出带十字和毫米刻度的校准页，用尺子量出十字的位置填入，
程序算出上下、左右的误差（毫米）和应设的整体偏移，确认后保存。</p>
<p><b>5.快捷键</b></p>)";

constexpr ToolbarButton kToolbar[] = {
    {"管理登录", "管理登录", "管理员登录与退出", "登", 0x2e7d32, "Ctrl+L", "工具栏“管理登录”／“管理退出”"},
    {"数据查询", "数据查询", "数据查询", "查", 0x1565c0, "F3", "工具栏“数据查询”（当前模板的打印记录）"},
    {"员工管理", "员工管理", "用户名新增、删除、更改", "员", 0x6a1b9a, "F6", "工具栏“员工管理”"},
    {"客户管理", "客户管理", "客户单位名称、地址、电话、邮编信息", "客", 0x00838f, "F5", "工具栏“客户管理”"},
    {"显示工具", "显示工具", "显示或隐藏工具菜单", "具", 0x455a64, "F9", "工具栏“显示工具”／“隐藏工具”"},
    {"常用用途", "常用用途", "常用用途", "用", 0x5d4037, "F7", "工具栏“常用用途”"},
    {"日历表", "日历表", "日历表", "历", 0xc62828, "F8", "工具栏“日历表”"},
    {"计算器", "计算器", "计算器", "算", 0x37474f, "F11", "工具栏“计算器”"},
    {"数据备份", "数据维护", "数据维护", "维", 0xef6c00, "F12", "工具栏“数据维护”"},
    {"关于系统", "关于系统", "关于本系统", "关", 0x0277bd, "Ctrl+F1", "工具栏“关于系统”"},
    {"帮助说明", "帮助显示", "显示或隐藏帮助说明", "助", 0x558b2f, "F1", "工具栏“帮助显示”／“帮助隐藏”"},
    {"系统退出", "系统退出", "系统退出", "退", 0xb71c1c, "Ctrl+Q", "工具栏“系统退出”"},
};

constexpr PanelKey kPanelKeys[] = {
    {"XPButOpenMoban", "F2", "工具菜单“打开模板”"},
    {"XPButmoban_edit", "Ctrl+E", "工具菜单“模板设计”"},
    {"XPBut_find", "Shift+F3", "工具菜单“数据查询”（选中模板的打印记录）"},
    {"cmdLast", "Ctrl+M", "工具菜单“新增主节点”"},
    {"cmdChild", "Ctrl+Shift+M", "工具菜单“新增子节点”"},
    {"cmdRemove", "Ctrl+Shift+Del", "工具菜单“删除节点”（不再询问，立即删除）"},
    {"Command1", "Ctrl+S", "工具菜单“结构保存”"},
    {"XPButton3", "Ctrl+T", "工具菜单“打印测试”"},
    {"cmdExportTemplate", "Ctrl+Shift+E", "工具菜单“导出模板”（选中的模板写进模板文件）"},
    {"cmdImportTemplate", "Ctrl+Shift+I", "工具菜单“导入模板”（模板文件读进模板目录）"},
};

// Keys that belong to no button.
constexpr const char* kOtherKeys[][2] = {
    {"回车键 或 双击", "模板目录中打开选中的模板（有下级节点的节点：展开或收起）"},
    {"回车键 ／ Esc", "新增节点的名称框中：确定 ／ 取消"},
    {"回车键", "数据查询窗口的“条件内容”框中：查询"},
    {"Tab ／ 空格键、回车键", "在按钮之间移动 ／ 按下有焦点的按钮"},
};

} // namespace

std::span<const ToolbarButton> toolbarButtons() {
    return kToolbar;
}

std::span<const PanelKey> panelKeys() {
    return kPanelKeys;
}

QKeySequence portableKeys(const char* keys) {
    return QKeySequence(QString::fromLatin1(keys), QKeySequence::PortableText);
}

QString withKeys(const QString& text, const QKeySequence& keys) {
    return text + QStringLiteral("（") + keys.toString(QKeySequence::PortableText) + QStringLiteral("）");
}

QString helpHtml() {
    QString rows;
    auto row = [&rows](const QString& keys, const QString& what) {
        rows +=
            QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(keys.toHtmlEscaped(), what.toHtmlEscaped());
    };
    for (const ToolbarButton& b : kToolbar)
        row(portableKeys(b.keys).toString(QKeySequence::PortableText), QString::fromUtf8(b.help));
    for (const PanelKey& k : kPanelKeys)
        row(portableKeys(k.keys).toString(QKeySequence::PortableText), QString::fromUtf8(k.help));
    for (const auto& k : kOtherKeys)
        row(QString::fromUtf8(k[0]), QString::fromUtf8(k[1]));
    return QString::fromUtf8(kHelpHtml) + QStringLiteral("<table cellspacing=\"0\" cellpadding=\"3\">") +
           rows + QStringLiteral("</table>");
}

QIcon tileIcon(const QString& glyph, const QColor& colour) {
    QIcon icon;
    for (int size : {24, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, size);
        g.setColorAt(0, colour.lighter(135));
        g.setColorAt(1, colour.darker(115));
        p.setBrush(g);
        p.setPen(QPen(colour.darker(150), 1));
        p.drawRoundedRect(QRectF(1.5, 1.5, size - 3, size - 3), size / 5.0, size / 5.0);
        QFont f(QStringLiteral("宋体"));
        f.setPixelSize(size * 5 / 8);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, glyph);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QString findCalculator() {
#ifdef Q_OS_WIN
    return QStringLiteral("calc.exe");
#else
    for (const char* name : {"gnome-calculator", "kcalc", "galculator", "mate-calc", "xcalc"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return QString();
#endif
}

} // namespace vorlan::app
