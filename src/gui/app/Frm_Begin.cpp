#include "app/Frm_Begin.h"

#include "ui/TwipsLayout.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>

namespace vorlan::app {

Frm_Begin::Frm_Begin(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("Frm_Begin"));
    setWindowTitle(QStringLiteral("Vorlan"));
    ui::setClientSize(this, {6000_tw, 2300_tw});
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(kIntervalMs);
    connect(&Timer1, &QTimer::timeout, this, &Frm_Begin::Timer1_Timer);
}

ui::TwipsRect Frm_Begin::squareTwips(int n) {
    return {ui::Twips(300 + 150 * n), 1600_tw, 125_tw, 125_tw};
}

QColor Frm_Begin::squareColor(int n) {
    return QColor(50, 50, std::min(255, 50 + 7 * n));
}

void Frm_Begin::start() {
    step_ = 0;
    Timer1.start();
}

void Frm_Begin::Timer1_Timer() {
    // Draw square n now, then let pending events run, as the bar must move while the program loads.
    ++step_;
    repaint(ui::toPixels(squareTwips(step_ - 1)));
    QApplication::processEvents();
    if (step_ >= kSteps) {
        Timer1.stop();
        close();
        emit finished();
    }
}

void Frm_Begin::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(232, 240, 252));
    g.setColorAt(1, QColor(182, 214, 255));
    p.fillRect(rect(), g);
    p.setPen(QColor(30, 50, 110));
    QFont title(QStringLiteral("宋体"));
    title.setPixelSize(ui::toPixels(420_tw));
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(ui::toPixels(300_tw), ui::toPixels(250_tw), width(), ui::toPixels(600_tw)),
               Qt::AlignLeft, QStringLiteral("Vorlan 套打系统"));
    QFont sub(QStringLiteral("宋体"));
    sub.setPixelSize(ui::toPixels(220_tw));
    p.setFont(sub);
    p.drawText(QRect(ui::toPixels(300_tw), ui::toPixels(950_tw), width(), ui::toPixels(400_tw)),
               Qt::AlignLeft, QStringLiteral("快递单、汇款单、发票的精确套打  正在启动……"));
    // The squares drawn so far stay on screen.
    for (int n = 0; n < step_; ++n)
        p.fillRect(ui::toPixels(squareTwips(n)), squareColor(n));
}

} // namespace vorlan::app
