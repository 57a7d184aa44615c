#pragma once
// The calendar window: a month calendar and the lunar date of today and of the chosen day.

#include <QDialog>

class QCalendarWidget;
class QLabel;

namespace vorlan::calendar {

class Frm_RiLi : public QDialog {
    Q_OBJECT
public:
    // today: the day the window treats as today (the local date unless a test gives another).
    explicit Frm_RiLi(QWidget* parent = nullptr, const QDate& today = QDate::currentDate());

    QLabel* Label4 = nullptr; // today's lunar date
    QCalendarWidget* MonthView1 = nullptr;
    QLabel* Label7 = nullptr; // the chosen date, "yyyy-mm-dd"
    QLabel* Label8 = nullptr; // the chosen date's lunar text

    void MonthView1_SelChange();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QSize fixedSize_;
};

} // namespace vorlan::calendar
