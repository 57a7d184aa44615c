#pragma once
// Gregorian date to Chinese lunar date text, e.g. "庚寅年(虎) 正月初一". Pure: no clock, no database.

#include <QDate>
#include <QString>

namespace vorlan::calendar {

// The days the lunar year table covers: the first day of lunar year 1921 up to the last day of lunar
// year 2099.
QDate firstSupportedDay();
QDate lastSupportedDay();

// The lunar text of a date; empty for an invalid date or one outside the supported days.
QString lunarText(const QDate& date);

} // namespace vorlan::calendar
