// The period page of the note-settings dialog: what its fields show, which of them are usable, and
// what each edit, spin and button does to the page and to the note. The window (dialogs/qt) only
// shows this state and hands the user's actions to these functions.
//
// Fields by index, the same as the spin buttons vsc(0..7) that belong to them:
//   0, 1, 2  start year, month, day (txtInt(0..2))     6  start time "hh:mm" (txtTime(0))
//   3, 4, 5  end year, month, day (txtInt(3..5))       7  end time "hh:mm" (txtTime(1))
// Dates are whole numbers without leading zeros; a note's period is stored with minutes only.
#pragma once

#include "model/records.h"

#include <array>
#include <string>

namespace tw {

constexpr int kPeriodStartYear = 0, kPeriodStartMonth = 1, kPeriodStartDay = 2;
constexpr int kPeriodEndYear = 3, kPeriodEndMonth = 4, kPeriodEndDay = 5;
constexpr int kPeriodStartTime = 6, kPeriodEndTime = 7;
constexpr int kPeriodFieldCount = 8;

// The years a period may use: from the program's first year to the last year a date can hold.
constexpr int kPeriodFirstYear = 1997;
constexpr int kPeriodLastYear = 9999;

struct PeriodPageState {
    std::array<std::string, 6> dates;   // txtInt(0..5)
    std::array<std::string, 2> times;   // txtTime(0..1)
    bool datesEnabled = true;           // the six date fields
    bool timesEnabled = true;           // both time boxes: the times are in use (same day)
    bool spinsEnabled = true;           // all eight spin buttons
    bool clearRequested = false;        // "設定クリア" was pressed; OK removes the period

    // The text of field 0..7.
    const std::string& text(int field) const;
    void setText(int field, std::string value);
};

// Fills the page for a note at the moment `now`. A note with a period shows its start and end (the
// time boxes usable exactly when the note uses times); a note without one shows `now` on both sides
// with both times usable, and the note's UseTime is set at once.
PeriodPageState preparePeriodPage(NoteRecord& note, double now);

// Whether field 0..7 holds an acceptable text: a year from kPeriodFirstYear to kPeriodLastYear, a
// month 1 to 12, a day that makes a calendar date with the year and month of its side, a time of day
// "h:mm" (seconds allowed). Empty is never acceptable.
bool periodFieldValid(const PeriodPageState& page, int field);
// The first field (0..7) that is not acceptable, or -1. A cleared page has none.
int firstInvalidPeriodField(const PeriodPageState& page);

// The user has left field 0..7 after typing. Returns false when the text is not acceptable: nothing
// else changes and the field should get the focus back. For an accepted date field the day reset
// and the time rule run.
bool periodFieldLeft(PeriodPageState& page, int field, NoteRecord& note, double now);

// One step of spin button 0..7; `step` is +1 (up) or -1 (down). A date field moves by one; a time
// moves by ten minutes from its minutes rounded down to a multiple of ten (09:37 up is 09:40, down
// 09:20) and runs round midnight. Returns false when the step is refused (the result would not be
// acceptable, the field does not hold a number or time, the times are not in use, or the page was
// cleared): nothing changes.
// An accepted step runs the day reset and the time rule.
bool spinPeriodField(PeriodPageState& page, int field, int step, NoteRecord& note, double now);

// The day reset: a side whose day does not exist in its year and month (31 after a move to
// February) gets day 1.
void resetPeriodDays(PeriodPageState& page);

// The time rule: start and end on different days turn the times off ("00:00", not usable); on the
// same day again they come back with the current time. The note's UseTime follows at once.
void applyPeriodTimeRule(PeriodPageState& page, NoteRecord& note, double now);

// Whether both sides name the same day (each field compared as a number when both are numbers).
bool periodSameDay(const PeriodPageState& page);

// "設定クリア": empties and disables every field and spin button and asks OK to remove the period.
void clearPeriodPage(PeriodPageState& page);

// OK on the period page. A clear request removes the note's period (and is used up); otherwise the
// fields become the note's period: HasPeriod, StartAt, EndAt to the minute, UseTime when both sides
// are the same day. Returns false, leaving the note as it was, when a field is not acceptable.
// Whether the end lies after the start is not checked.
bool storePeriodPage(PeriodPageState& page, NoteRecord& note);

}  // namespace tw
