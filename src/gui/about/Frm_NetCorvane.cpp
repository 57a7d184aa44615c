#include "about/Frm_NetCorvane.h"

#include "about/Notice.h"
#include "app/Product.h"
#include "app/Windows.h"
#include "data/Database.h"
#include "ui/Controls.h"
#include "ui/Modal.h"
#include "ui/Prompt.h"
#include "ui/TwipsLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>

namespace vorlan::about {

namespace {

// The header band behind the product name.
QPixmap headerPicture(QSize size) {
    QPixmap pix(size);
    QPainter p(&pix);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, QColor(0x1f, 0x4e, 0x9c));
    g.setColorAt(1, QColor(0x6f, 0xa8, 0xf0));
    p.fillRect(pix.rect(), g);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 28));
    p.drawEllipse(QPointF(size.width() * 0.86, size.height() * 0.2), size.height() * 1.1,
                  size.height() * 1.1);
    p.drawEllipse(QPointF(size.width() * 0.62, size.height() * 1.3), size.height() * 0.9,
                  size.height() * 0.9);
    return pix;
}

// A sheet leaving a printer, the program's emblem.
QPixmap printerPicture(int side) {
    QPixmap pix(side, side);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    const double u = side / 16.0;
    p.setPen(QPen(QColor(0x1f, 0x3f, 0x7f), u * 0.6));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4 * u, 1 * u, 8 * u, 6 * u));
    p.setBrush(QColor(0xdd, 0xe8, 0xf8));
    p.drawRoundedRect(QRectF(1 * u, 6 * u, 14 * u, 6 * u), u, u);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4 * u, 10 * u, 8 * u, 5 * u));
    p.setPen(QPen(QColor(0xc0, 0x30, 0x30), u * 0.6));
    for (int i = 0; i < 2; ++i)
        p.drawLine(QPointF(5 * u, (12 + 1.5 * i) * u), QPointF(11 * u, (12 + 1.5 * i) * u));
    return pix;
}

// A globe before the web site's button.
QPixmap globePicture(int side) {
    QPixmap pix(side, side);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(side * 0.08, side * 0.08, side * 0.84, side * 0.84);
    p.setPen(QPen(QColor(0x1f, 0x6f, 0x3f), side / 14.0));
    p.setBrush(QColor(0xd8, 0xf0, 0xdc));
    p.drawEllipse(r);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(r.adjusted(r.width() * 0.28, 0, -r.width() * 0.28, 0));
    p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()));
    p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
    return pix;
}

void letEventsRun() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

Frm_NetCorvane::Frm_NetCorvane(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Frm_NetCorvane"));
    setWindowTitle(QStringLiteral("关于本系统"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui::setClientSize(this, {8400_tw, 7320_tw});
    setFixedSize(size());

    IMG_WORKHEAD_FILE = ui::makeLabel(this, QStringLiteral("IMG_WORKHEAD_FILE"), QString());
    ui::place(IMG_WORKHEAD_FILE, {0_tw, 0_tw, 8400_tw, 1140_tw});
    IMG_WORKHEAD_FILE->setPixmap(headerPicture(IMG_WORKHEAD_FILE->size()));

    Image1 = ui::makeLabel(this, QStringLiteral("Image1"), QString());
    ui::place(Image1, {300_tw, 180_tw, 780_tw, 780_tw});
    Image1->setPixmap(printerPicture(Image1->width()));

    lblTitle = ui::makeLabel(this, QStringLiteral("lblTitle"), QStringLiteral("V o r l a n"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(22);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblTitle->setStyleSheet(QStringLiteral("color: white;"));
    ui::place(lblTitle, {1260_tw, 150_tw, 4200_tw, 840_tw});

    lblVersion = ui::makeLabel(this, QStringLiteral("lblVersion"),
                               QStringLiteral("版本：") + QString::fromLatin1(app::kVersionLabel));
    lblVersion->setStyleSheet(QStringLiteral("color: white;"));
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui::place(lblVersion, {5160_tw, 720_tw, 3000_tw, 330_tw});

    Label2 = ui::makeLabel(
        this, QStringLiteral("Label2"),
        QStringLiteral("非常感谢您使用本系统，我们将一直为您服务，不断的完善本系统，非常乐意按您提出来的建议"
                       "来改进完善系统，使之完全符合您的要求！请下载公告文件,及时更新最新版本!"));
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui::place(Label2, {300_tw, 1290_tw, 7800_tw, 780_tw});

    Label6 = ui::makeLabel(this, QStringLiteral("Label6"), QStringLiteral("软件版本号最新公告："));
    QFont bold = Label6->font();
    bold.setBold(true);
    Label6->setFont(bold);
    ui::place(Label6, {300_tw, 2130_tw, 4000_tw, 330_tw});

    Text2 = new QPlainTextEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setReadOnly(true);
    Text2->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    ui::place(Text2, {300_tw, 2490_tw, 7800_tw, 2520_tw});

    XPButton1 = ui::makeButton(this, QStringLiteral("XPButton1"),
                               QStringLiteral("下载公告文件(此功能需要连接到互联网)"));
    ui::place(XPButton1, {300_tw, 5160_tw, 4560_tw, 450_tw});
    Command1 = ui::makeButton(this, QStringLiteral("Command1"), QStringLiteral("点击即启动在线升级"));
    ui::place(Command1, {5040_tw, 5160_tw, 3060_tw, 450_tw});

    Image3 = ui::makeLabel(this, QStringLiteral("Image3"), QString());
    ui::place(Image3, {300_tw, 5880_tw, 480_tw, 480_tw});
    Image3->setPixmap(globePicture(Image3->width()));
    Label1 = ui::makeLabel(this, QStringLiteral("Label1"),
                           QStringLiteral("Vorlan 套打系统  技术支持：0571-8888 6666"));
    Label1->setStyleSheet(QStringLiteral("color: #35507a;"));
    ui::place(Label1, {900_tw, 5955_tw, 4140_tw, 330_tw});
    XPButton2 = ui::makeButton(this, QStringLiteral("XPButton2"), QStringLiteral("欢迎访问我们的网站"));
    ui::place(XPButton2, {5040_tw, 5895_tw, 3060_tw, 450_tw});

    // Where this program keeps its data, so that a user can find the database and its backups.
    lblDataFile =
        ui::makeLabel(this, QStringLiteral("lblDataFile"),
                      QStringLiteral("数据库文件：") + QDir::toNativeSeparators(data::databasePath()));
    lblDataFile->setToolTip(lblDataFile->text());
    lblDataFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ui::place(lblDataFile, {300_tw, 6615_tw, 6120_tw, 330_tw});
    cmdOpenDataFolder =
        ui::makeButton(this, QStringLiteral("cmdOpenDataFolder"), QStringLiteral("打开文件夹"));
    ui::place(cmdOpenDataFolder, {6540_tw, 6555_tw, 1560_tw, 450_tw});

    connect(XPButton1, &QPushButton::clicked, this, &Frm_NetCorvane::XPButton1_Click);
    connect(cmdOpenDataFolder, &QPushButton::clicked, this, &Frm_NetCorvane::cmdOpenDataFolder_Click);
    connect(Command1, &QPushButton::clicked, this, &Frm_NetCorvane::Command1_Click);
    connect(XPButton2, &QPushButton::clicked, this, &Frm_NetCorvane::XPButton2_Click);
}

void Frm_NetCorvane::showText(const QString& text) {
    Text2->setPlainText(text);
}

void Frm_NetCorvane::XPButton1_Click() {
    // Disabling the button hands the focus on to the upgrade button, where the next Enter would start the
    // upgrade and end the program: the focus comes back here afterwards.
    const bool hadFocus = XPButton1->hasFocus();
    XPButton1->setEnabled(false);
    Text2->clear();

    QString t = QStringLiteral("请保证本计算机连接能正常连接互联网。");
    showText(t);
    t += QStringLiteral("\n程序正在尝试连接目标文件并下载，这个过程需要大约半分钟，请稍候 ...\n");
    showText(t);

    const QString path = localNoticePath();
    if (QFileInfo::exists(path))
        QFile::remove(path);
    letEventsRun();
    showText(t);

    // Only a copy written by this download counts: an old copy that could not be removed is not
    // shown as the latest notice.
    const bool downloaded = downloadToFile(noticeUrl(), path, kNoticeTimeoutMs);
    QFile file(path);
    if (downloaded && file.open(QIODevice::ReadOnly)) {
        t += QStringLiteral("\n目标文件已经下载结束，正在打开文件，请稍候 ...");
        showText(t);
        const QByteArray content = file.readAll();
        file.close();
        letEventsRun();
        t += QStringLiteral("\n最新公告内容如下：\n");
        showText(t);
        letEventsRun();
        t += QLatin1Char('\n') + separatorLine();
        showText(t);
        for (const QString& line : noticeLines(content))
            t += QLatin1Char('\n') + line;
        t += QLatin1Char('\n') + separatorLine();
        showText(t);
    } else {
        t += QStringLiteral("\n    下载目标文件失败，请检查网络连接是否正常，并重试；\n    "
                            "也可能目标文件不存在，请联系软件作者。");
        showText(t);
    }

    XPButton1->setEnabled(true);
    if (hadFocus)
        XPButton1->setFocus(Qt::OtherFocusReason);
}

void Frm_NetCorvane::Command1_Click() {
    // An installed program is upgraded by the package manager, never by a program beside it.
    if (data::isInstalledLayout(QCoreApplication::applicationDirPath())) {
        ui::information(this, packagedUpgradeText(), QStringLiteral("提示"));
        return;
    }
    const QString program = upgradeProgramPath();
    if (!QFileInfo(program).isFile()) {
        ui::exclamation(this,
                        QStringLiteral("没有找到升级程序“") + QDir::toNativeSeparators(program) +
                            QStringLiteral("”，无法启动在线升级。请联系软件作者获取升级程序。"),
                        QStringLiteral("提示"));
        return;
    }
    if (!ui::prompter().startProgram(program, {})) {
        ui::exclamation(this,
                        QStringLiteral("升级程序“") + QDir::toNativeSeparators(program) +
                            QStringLiteral("”无法启动，本系统将继续运行。"),
                        QStringLiteral("提示"));
        return;
    }
    ui::prompter().quit();
}

void Frm_NetCorvane::cmdOpenDataFolder_Click() {
    ui::prompter().openUrl(QUrl::fromLocalFile(data::dataFolder()));
}

void Frm_NetCorvane::XPButton2_Click() {
    ui::prompter().openUrl(QUrl(QString::fromLatin1(app::kWebSite)));
}

} // namespace vorlan::about

namespace vorlan::windows {

void openAbout(QWidget* parent) {
    ui::openModal<about::Frm_NetCorvane>(parent);
}

} // namespace vorlan::windows
