#include "data/DateText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

constexpr double kSecondsPerDay = 86400.0;

// Days from 1970-01-01 to the given proleptic Gregorian date.
int64_t daysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(int64_t days, int64_t* year, int* month, int* day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    *day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *year = yearOfEra + era * 400 + (*month <= 2);
}

bool isLeap(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int64_t year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

// Exactly `count` digits at *p, advancing it.
bool digits(const char*& p, const char* end, int count, int* value) {
    if (end - p < count) return false;
    *value = 0;
    for (int k = 0; k < count; ++k, ++p) {
        if (*p < '0' || *p > '9') return false;
        *value = *value * 10 + (*p - '0');
    }
    return true;
}

}  // namespace

bool parseIsoDateTime(const char* begin, const char* end, double* secondsUtc, bool* hasTime) {
    while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t')) --end;
    const char* p = begin;
    int year = 0, month = 0, day = 0;
    if (!digits(p, end, 4, &year) || p == end || *p++ != '-' || !digits(p, end, 2, &month) || p == end ||
        *p++ != '-' || !digits(p, end, 2, &day)) {
        return false;
    }
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return false;
    double seconds = static_cast<double>(daysFromCivil(year, month, day)) * kSecondsPerDay;
    bool timeGiven = false;
    if (p < end && (*p == 'T' || *p == ' ')) {
        ++p;
        int hour = 0, minute = 0, second = 0;
        if (!digits(p, end, 2, &hour) || p == end || *p++ != ':' || !digits(p, end, 2, &minute)) return false;
        if (p < end && *p == ':') {
            ++p;
            if (!digits(p, end, 2, &second)) return false;
            if (p < end && (*p == '.' || *p == ',')) {
                ++p;
                double scale = 0.1, fraction = 0;
                const char* first = p;
                for (; p < end && *p >= '0' && *p <= '9'; ++p, scale /= 10) fraction += (*p - '0') * scale;
                if (p == first) return false;
                seconds += fraction;
            }
        }
        if (hour > 24 || minute > 59 || second > 60 || (hour == 24 && (minute > 0 || second > 0))) return false;
        seconds += hour * 3600.0 + minute * 60.0 + second;
        timeGiven = true;
        if (p < end && (*p == 'Z' || *p == 'z')) {
            ++p;
        } else if (p < end && (*p == '+' || *p == '-')) {
            const int sign = *p++ == '-' ? -1 : 1;
            int zoneHours = 0, zoneMinutes = 0;
            if (!digits(p, end, 2, &zoneHours)) return false;
            if (p < end && *p == ':') ++p;
            if (p < end && !digits(p, end, 2, &zoneMinutes)) return false;
            if (zoneHours > 18 || zoneMinutes > 59) return false;
            seconds -= sign * (zoneHours * 3600.0 + zoneMinutes * 60.0);  // local = UTC + offset
        }
    }
    if (p != end) return false;
    *secondsUtc = seconds;
    *hasTime = timeGiven;
    return true;
}

std::string formatIsoDateTime(double secondsUtc, bool withTime) {
    const double whole = std::floor(secondsUtc);
    const int64_t days = static_cast<int64_t>(std::floor(whole / kSecondsPerDay));
    int64_t secondOfDay = static_cast<int64_t>(whole) - days * static_cast<int64_t>(kSecondsPerDay);
    int64_t year = 0;
    int month = 0, day = 0;
    civilFromDays(days, &year, &month, &day);
    char text[96];
    if (withTime) {
        std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02lld:%02lld:%02lld", static_cast<long long>(year), month,
                      day, static_cast<long long>(secondOfDay / 3600), static_cast<long long>(secondOfDay / 60 % 60),
                      static_cast<long long>(secondOfDay % 60));
    } else {
        std::snprintf(text, sizeof text, "%04lld-%02d-%02d", static_cast<long long>(year), month, day);
    }
    return text;
}
