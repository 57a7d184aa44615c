#include "calendar/Lunar.h"

#include <array>
#include <cstdint>

namespace vorlan::calendar {

namespace {

constexpr std::array<const char*, 10> kStems = {"甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸"};
constexpr std::array<const char*, 12> kBranches = {"子", "丑", "寅", "卯", "辰", "巳",
                                                   "午", "未", "申", "酉", "戌", "亥"};
constexpr std::array<const char*, 12> kAnimals = {"鼠", "牛", "虎", "兔", "龙", "蛇",
                                                  "马", "羊", "猴", "鸡", "狗", "猪"};
constexpr std::array<const char*, 31> kDayNames = {
    "*",    "初一", "初二", "初三", "初四", "初五", "初六", "初七", "初八", "初九", "初十",
    "十一", "十二", "十三", "十四", "十五", "十六", "十七", "十八", "十九", "二十", "廿一",
    "廿二", "廿三", "廿四", "廿五", "廿六", "廿七", "廿八", "廿九", "三十"};
constexpr std::array<const char*, 13> kMonthNames = {"*",  "正", "二", "三", "四",   "五", "六",
                                                     "七", "八", "九", "十", "十一", "腊"};
constexpr std::array<int, 12> kDaysBeforeMonth = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// One entry per lunar year from 1921. Below 4095: twelve months. Otherwise thirteen, the leap month
// following month (entry / 65536). The low 12 or 13 bits give the month lengths, the first month in the
// highest of them; a set bit means 30 days, a clear one 29.
constexpr std::array<std::uint32_t, 179> kLunarYears = {
    2635,   333387, 1701,   1748,   267701, 694,    2391,   133423, 1175,   396438, // 1921
    3402,   3749,   331177, 1453,   694,    201326, 2350,   465197, 3221,   3402,   // 1931
    400202, 2901,   1386,   267611, 605,    2349,   137515, 2709,   464533, 1738,   // 1941
    2901,   330421, 1242,   2651,   199255, 1323,   529706, 3733,   1706,   398762, // 1951
    2741,   1206,   267438, 2647,   1318,   204070, 3477,   461653, 1386,   2413,   // 1961
    330077, 1197,   2637,   268877, 3365,   531109, 2900,   2922,   398042, 2395,   // 1971
    1179,   267415, 2635,   661067, 1701,   1748,   398772, 2742,   2391,   330031, // 1981
    1175,   1611,   200010, 3749,   527717, 1452,   2742,   332397, 2350,   3222,   // 1991
    268949, 3402,   3493,   133973, 1386,   464219, 605,    2349,   334123, 2709,   // 2001
    2890,   267946, 2773,   592565, 1210,   2651,   395863, 1323,   2707,   265877, // 2011
    1706,   2773,   133557, 1206,   398510, 2638,   3366,   335142, 3411,   1450,   // 2021
    200042, 2413,   723293, 1197,   2637,   399947, 3365,   3410,   334676, 2906,   // 2031
    1389,   133467, 1179,   464023, 2635,   2725,   333477, 1746,   2778,   199350, // 2041
    2359,   526639, 1175,   1611,   396618, 3749,   1714,   267628, 2734,   2350,   // 2051
    203054, 3222,   465557, 3402,   3493,   330581, 1386,   2669,   264797, 1325,   // 2061
    529707, 2709,   2890,   399018, 2773,   1370,   267450, 2651,   1323,   202023, // 2071
    1683,   462419, 1706,   2773,   330165, 1206,   2647,   264782, 3350,   531750, // 2081
    3410,   3498,   396650, 1389,   1198,   267421, 2605,   3349,   138021,         // 2091
};

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

QDate firstSupportedDay() {
    return QDate(1921, 2, 8);
}
QDate lastSupportedDay() {
    return QDate(2100, 2, 8);
}

QString lunarText(const QDate& date) {
    if (!date.isValid() || date < firstSupportedDay() || date > lastSupportedDay())
        return QString();
    const int y = date.year();
    const int mo = date.month();

    // Day 1 is the first day of the table. Every fourth year is a leap year over the whole range: its
    // only century year, 2000, is one, and 2100 is not reached past February.
    int t = (y - 1921) * 365 + (y - 1921) / 4 + date.day() + kDaysBeforeMonth[mo - 1] - 38;
    if (y % 4 == 0 && mo > 2)
        ++t;
    if (t < 1)
        return QString();

    for (std::size_t m = 0; m < kLunarYears.size(); ++m) {
        const std::uint32_t entry = kLunarYears[m];
        const int k = entry < 4095 ? 11 : 12;
        for (int n = k; n >= 0; --n) {
            const int b = int((entry >> n) & 1U);
            if (t > 29 + b) {
                t -= 29 + b;
                continue;
            }
            const int lunarYear = 1921 + int(m);
            const int position = k - n + 1;
            bool leap = false;
            int month = position;
            if (k == 12) {
                const int q = int(entry / 65536) + 1;
                leap = position == q;
                if (position >= q)
                    month = position - 1;
            }
            const int cycle = (lunarYear - 4) % 60;
            return text(kStems[cycle % 10]) + text(kBranches[cycle % 12]) + QStringLiteral("年(") +
                   text(kAnimals[cycle % 12]) + QStringLiteral(") ") +
                   (leap ? QStringLiteral("闰") : QString()) + text(kMonthNames[month]) +
                   QStringLiteral("月") + text(kDayNames[t]);
        }
    }
    return QString(); // past the table's last day
}

} // namespace vorlan::calendar
