#include "calendar/Frm_RiLi.h"

#include "app/Windows.h"
#include "calendar/Lunar.h"
#include "data/Sql.h"
#include "ui/Controls.h"
#include "ui/Modal.h"
#include "ui/Prompt.h"
#include "ui/TwipsLayout.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QLocale>
#include <QResizeEvent>

namespace vorlan::calendar {

Frm_RiLi::Frm_RiLi(QWidget* parent, const QDate& today) : QDialog(parent) {
    setObjectName(QStringLiteral("Frm_RiLi"));
    setWindowTitle(QStringLiteral("日历表"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui::setClientSize(this, {8880_tw, 3645_tw});
    fixedSize_ = size();
    setFixedSize(fixedSize_);

    ui::place(ui::makeLabel(this, QStringLiteral("Label5"), QStringLiteral("请选择一个公历的日期")),
              {240_tw, 120_tw, 4200_tw, 300_tw});

    MonthView1 = new QCalendarWidget(this);
    MonthView1->setObjectName(QStringLiteral("MonthView1"));
    MonthView1->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    MonthView1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    MonthView1->setGridVisible(true);
    ui::place(MonthView1, {240_tw, 450_tw, 4560_tw, 3060_tw});

    Label4 = ui::makeLabel(this, QStringLiteral("Label4"), QString());
    QFont strong = Label4->font();
    strong.setBold(true);
    Label4->setFont(strong);
    Label4->setStyleSheet(QStringLiteral("color: #a01010;"));
    ui::place(Label4, {5040_tw, 450_tw, 3720_tw, 360_tw});

    ui::place(ui::makeLabel(this, QStringLiteral("Label6"), QStringLiteral("被选择的日期：")),
              {5040_tw, 1560_tw, 1500_tw, 300_tw});
    Label7 = ui::makeLabel(this, QStringLiteral("Label7"), QString());
    ui::place(Label7, {6540_tw, 1560_tw, 2220_tw, 300_tw});
    Label8 = ui::makeLabel(this, QStringLiteral("Label8"), QString());
    Label8->setStyleSheet(QStringLiteral("color: #1f3f8f;"));
    ui::place(Label8, {5040_tw, 2040_tw, 3720_tw, 360_tw});

    Label4->setText(QStringLiteral("今天： ") + lunarText(today));
    MonthView1->setSelectedDate(today);
    MonthView1_SelChange();

    connect(MonthView1, &QCalendarWidget::selectionChanged, this, &Frm_RiLi::MonthView1_SelChange);
}

void Frm_RiLi::MonthView1_SelChange() {
    const QDate chosen = MonthView1->selectedDate();
    // The program's own date form, whatever the system's locale would make of it.
    Label7->setText(data::dateText(chosen));
    Label8->setText(lunarText(chosen));
}

void Frm_RiLi::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // The window keeps its size whatever the window system asks for.
    if (event->size() != fixedSize_ && !isMinimized())
        resize(fixedSize_);
}

} // namespace vorlan::calendar

namespace vorlan::windows {

void openCalendar(QWidget* parent) {
    ui::openModal<calendar::Frm_RiLi>(parent);
}

} // namespace vorlan::windows
