#include "dialogs/periodpage.h"

#include "model/datetime.h"

#include <charconv>
#include <cstddef>
#include <optional>
#include <utility>

namespace tw {

namespace {

// Dates the program can hold at all; the period's own year range is narrower.
constexpr int kCalendarFirstYear = 100;
constexpr int kCalendarLastYear = 9999;

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A whole number written with digits only (spaces around it allowed).
std::optional<int> numberOf(std::string_view text) {
    const std::string_view s = trimmed(text);
    if (s.empty()) return std::nullopt;
    for (char c : s)
        if (c < '0' || c > '9') return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

bool isLeapYear(int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

int daysInMonth(int y, int m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

struct Ymd {
    int year, month, day;
};

// Year, month and day of one side (0 start, 1 end) when they form a calendar date.
std::optional<Ymd> dateOfSide(const PeriodPageState& page, int side) {
    const auto y = numberOf(page.dates[static_cast<std::size_t>(side * 3)]);
    const auto m = numberOf(page.dates[static_cast<std::size_t>(side * 3 + 1)]);
    const auto d = numberOf(page.dates[static_cast<std::size_t>(side * 3 + 2)]);
    if (!y || !m || !d) return std::nullopt;
    if (*y < kCalendarFirstYear || *y > kCalendarLastYear || *m < 1 || *m > 12) return std::nullopt;
    if (*d < 1 || *d > daysInMonth(*y, *m)) return std::nullopt;
    return Ymd{*y, *m, *d};
}

// Minutes since midnight of a time of day "h:mm" or "h:mm:ss" (one or two digits each); the seconds
// are dropped, as a period keeps minutes only.
std::optional<int> minutesOf(std::string_view text) {
    std::string_view s = trimmed(text);
    int parts[3] = {0, 0, 0};
    int count = 0;
    while (count < 3) {
        std::size_t n = 0;
        while (n < s.size() && s[n] >= '0' && s[n] <= '9') ++n;
        if (n == 0 || n > 2) return std::nullopt;
        parts[count++] = numberOf(s.substr(0, n)).value_or(-1);
        s.remove_prefix(n);
        if (s.empty()) break;
        if (s.front() != ':') return std::nullopt;
        s.remove_prefix(1);
    }
    if (!s.empty() || count < 2) return std::nullopt;
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
    return parts[0] * 60 + parts[1];
}

std::string hhmm(int minutes) {
    const int h = minutes / 60, m = minutes % 60;
    std::string s;
    s += static_cast<char>('0' + h / 10);
    s += static_cast<char>('0' + h % 10);
    s += ':';
    s += static_cast<char>('0' + m / 10);
    s += static_cast<char>('0' + m % 10);
    return s;
}

bool isDateField(int field) { return field >= 0 && field < 6; }
bool isTimeField(int field) { return field == kPeriodStartTime || field == kPeriodEndTime; }

// After an accepted change of a date or time.
void afterChange(PeriodPageState& page, NoteRecord& note, double now) {
    // The day first: a start moved from January 31 to February becomes February 1, and only then is
    // it known whether both sides are the same day.
    resetPeriodDays(page);
    applyPeriodTimeRule(page, note, now);
}

double momentOf(const Ymd& d, int minutes) { return makeDateTime(d.year, d.month, d.day, minutes / 60, minutes % 60, 0); }

}  // namespace

const std::string& PeriodPageState::text(int field) const {
    return isTimeField(field) ? times[static_cast<std::size_t>(field - kPeriodStartTime)]
                              : dates[static_cast<std::size_t>(field)];
}

void PeriodPageState::setText(int field, std::string value) {
    (isTimeField(field) ? times[static_cast<std::size_t>(field - kPeriodStartTime)]
                        : dates[static_cast<std::size_t>(field)]) = std::move(value);
}

PeriodPageState preparePeriodPage(NoteRecord& note, double now) {
    PeriodPageState page;
    const auto fill = [&page](int side, double at) {
        const DateParts p = splitDateTime(at);
        page.dates[static_cast<std::size_t>(side * 3)] = formatDate(at, "yyyy");
        page.dates[static_cast<std::size_t>(side * 3 + 1)] = std::to_string(p.month);
        page.dates[static_cast<std::size_t>(side * 3 + 2)] = std::to_string(p.day);
        page.times[static_cast<std::size_t>(side)] = formatDate(at, "hh:mm");
    };
    if (note.HasPeriod) {
        fill(0, note.Period.StartAt);
        fill(1, note.Period.EndAt);
        page.timesEnabled = note.Period.UseTime;
    } else {
        fill(0, now);
        fill(1, now);
        page.timesEnabled = true;
        note.Period.UseTime = true;
    }
    return page;
}

bool periodFieldValid(const PeriodPageState& page, int field) {
    if (field < 0 || field >= kPeriodFieldCount) return false;
    const std::string& text = page.text(field);
    if (isTimeField(field)) return minutesOf(text).has_value();
    const auto n = numberOf(text);
    if (!n) return false;
    switch (field % 3) {
    case 0: return *n >= kPeriodFirstYear && *n <= kPeriodLastYear;
    case 1: return *n >= 1 && *n <= 12;
    default: return dateOfSide(page, field / 3).has_value();
    }
}

int firstInvalidPeriodField(const PeriodPageState& page) {
    if (page.clearRequested) return -1;
    for (int f = 0; f < kPeriodFieldCount; ++f)
        if (!periodFieldValid(page, f)) return f;
    return -1;
}

bool periodFieldLeft(PeriodPageState& page, int field, NoteRecord& note, double now) {
    if (!periodFieldValid(page, field)) return false;
    if (isDateField(field)) afterChange(page, note, now);
    return true;
}

bool spinPeriodField(PeriodPageState& page, int field, int step, NoteRecord& note, double now) {
    if (!page.spinsEnabled || (step != 1 && step != -1)) return false;
    if (isDateField(field)) {
        const auto n = numberOf(page.text(field));
        if (!n) return false;
        PeriodPageState candidate = page;
        // In a wider type: a field may hold the largest int.
        candidate.setText(field, std::to_string(static_cast<long long>(*n) + step));
        if (!periodFieldValid(candidate, field)) return false;
        page = std::move(candidate);
    } else if (isTimeField(field)) {
        const auto minutes = minutesOf(page.text(field));
        if (!minutes || !page.timesEnabled) return false;
        constexpr int kDay = 24 * 60;
        const int moved = (*minutes / 10 * 10 + step * 10 + kDay) % kDay;
        page.setText(field, hhmm(moved));
    } else {
        return false;
    }
    afterChange(page, note, now);
    return true;
}

void resetPeriodDays(PeriodPageState& page) {
    for (int side = 0; side < 2; ++side) {
        const auto y = numberOf(page.dates[static_cast<std::size_t>(side * 3)]);
        const auto m = numberOf(page.dates[static_cast<std::size_t>(side * 3 + 1)]);
        const auto d = numberOf(page.dates[static_cast<std::size_t>(side * 3 + 2)]);
        if (!y || !m || !d || *y < kCalendarFirstYear || *y > kCalendarLastYear || *m < 1 || *m > 12) continue;
        if (!dateOfSide(page, side)) page.dates[static_cast<std::size_t>(side * 3 + 2)].assign(1, '1');
    }
}

bool periodSameDay(const PeriodPageState& page) {
    for (std::size_t i = 0; i < 3; ++i) {
        const auto a = numberOf(page.dates[i]);
        const auto b = numberOf(page.dates[i + 3]);
        if (a && b ? *a != *b : page.dates[i] != page.dates[i + 3]) return false;
    }
    return true;
}

void applyPeriodTimeRule(PeriodPageState& page, NoteRecord& note, double now) {
    if (!periodSameDay(page)) {
        if (page.timesEnabled) {
            note.Period.UseTime = false;
            page.timesEnabled = false;
            page.times = {"00:00", "00:00"};
        }
    } else if (!page.timesEnabled) {
        note.Period.UseTime = true;
        page.timesEnabled = true;
        const std::string current = formatDate(now, "hh:mm");
        page.times = {current, current};
    }
}

void clearPeriodPage(PeriodPageState& page) {
    page.clearRequested = true;
    page.dates = {};
    page.times = {};
    page.datesEnabled = false;
    page.timesEnabled = false;
    page.spinsEnabled = false;
}

bool storePeriodPage(PeriodPageState& page, NoteRecord& note) {
    if (page.clearRequested) {
        note.HasPeriod = false;
        page.clearRequested = false;
        return true;
    }
    if (firstInvalidPeriodField(page) >= 0) return false;
    const Ymd start = *dateOfSide(page, 0);
    const Ymd end = *dateOfSide(page, 1);
    note.HasPeriod = true;
    note.Period.StartAt = momentOf(start, *minutesOf(page.times[0]));
    note.Period.EndAt = momentOf(end, *minutesOf(page.times[1]));
    note.Period.UseTime = periodSameDay(page);
    return true;
}

}  // namespace tw
