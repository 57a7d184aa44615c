#include "customers/ImportPanel.h"

#include "ui/Controls.h"
#include "ui/TwipsLayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vorlan::customers {

namespace {

const char* const kHelp = R"(
<p><b>Excel数据导入使用说明</b></p>
<p>1. 先人工打开要读取的Excel文件，查看数据所在的工作表、起始行和各项资料所在的列。</p>
<p>2. 在“Excel工作表名：”中输入工作表名，即Excel文件内下方工作表标签上的名称（如sheet1），而不是Excel文件名。</p>
<p>3. 在“读工作表内起始行：”中输入要开始读取的行号（如第1行是标题，则输入2）。</p>
<p>4. 在每项客户资料右边的小框（列标号）中输入该项资料在工作表内所在的列标号（A～Z）；不需要读取的项，清空其列标号即可。</p>
<p>5. 关闭人工打开的Excel文件后，点击“打开Excel文件”，选择要读取的文件。</p>
<p>6. 点击“读取下一条”，读出一条记录到上面的各个输入框，核对后点击“保存”保存；或点击“读取下一条并保存”，读出一条记录并直接保存。</p>
<p>7. 点击“读取全部数据”，从起始行开始读取全部记录并自动保存；遇到已经存在的客户名称时，会询问是否覆盖原有记录。</p>
<p><b>注意：</b></p>
<p>（1）各项资料的列标号不能重复，重复时只有前面的一项能读到数据。</p>
<p>（2）本程序能读取Excel文件（*.xls、*.xlsx）和逗号分隔的文本文件（*.csv，UTF-8或GBK编码）；*.csv文件只有一个工作表，工作表名可以任意填写。</p>
)";

QLineEdit* box(QWidget* parent, const QString& name, const QString& caption, double top, double width) {
    auto* l = new QLabel(caption, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui::place(l, {60_tw, ui::Twips(top), 1880_tw, 360_tw});
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    ui::place(e, {1980_tw, ui::Twips(top), ui::Twips(width), 360_tw});
    return e;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, double left, double top,
                    double width = 2400) {
    QPushButton* b = ui::makeButton(parent, name, caption);
    ui::place(b, {ui::Twips(left), ui::Twips(top), ui::Twips(width), 450_tw});
    return b;
}

} // namespace

ImportPanel::ImportPanel(QWidget* parent) : QGroupBox(QStringLiteral("Excel数据导入"), parent) {
    setObjectName(QStringLiteral("Frame_excel"));
    Text_sheet = box(this, QStringLiteral("Text_sheet"), QStringLiteral("Excel工作表名："), 420, 3180);
    Text_sheet->setText(QStringLiteral("sheel1"));
    Text_qsdu = box(this, QStringLiteral("Text_qsdu"), QStringLiteral("读工作表内起始行："), 900, 1200);

    But读取Excel = button(this, QStringLiteral("But读取Excel"), QStringLiteral("打开Excel文件"), 240, 1500);
    But关闭Excel = button(this, QStringLiteral("But关闭Excel"), QStringLiteral("关闭Excel文件"), 2760, 1500);
    XPBut_next = button(this, QStringLiteral("XPBut_next"), QStringLiteral("读取下一条"), 240, 2130);
    But读取下一条 =
        button(this, QStringLiteral("But读取下一条"), QStringLiteral("读取下一条并保存"), 2760, 2130);
    XPBut读取全部 =
        button(this, QStringLiteral("XPBut读取全部"), QStringLiteral("读取全部数据"), 240, 2760, 4920);

    auto* hint = new QLabel(QStringLiteral("列标号：各项资料在工作表内所在的列（A～Z），不读取的项请清空。"
                                           "能读取*.xls、*.xlsx和*.csv文件。"),
                            this);
    hint->setObjectName(QStringLiteral("Label_hint"));
    hint->setWordWrap(true);
    hint->setStyleSheet(QStringLiteral("color: #555555;"));
    ui::place(hint, {240_tw, 3330_tw, 4920_tw, 840_tw});
}

void ImportPanel::setReadingEnabled(bool on) {
    XPBut_next->setEnabled(on);
    But读取下一条->setEnabled(on);
    XPBut读取全部->setEnabled(on);
}

QString ImportPanel::helpHtml() {
    return QString::fromUtf8(kHelp);
}

} // namespace vorlan::customers
