#include "notes/links.h"

#include "model/datetime.h"
#include "model/wildcard.h"
#include "platform/prompter.h"

#include <algorithm>

namespace tw {

namespace {

constexpr size_t kMaxTextChars = 32767;

size_t codePointCount(const std::string& s) {
    return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The time of day after the last blank of a timed line, as a fraction of a day; -1 for an hour the
// day does not have (24 to 29).
double timeOfDay(const std::string& line) {
    const std::string t = line.substr(line.rfind(' ') + 1);
    const size_t colon = t.find(':');
    const int h = std::stoi(t.substr(0, colon));
    const int m = std::stoi(t.substr(colon + 1));
    if (h > 23) return -1;
    return (h * 60 + m) / 1440.0;
}

bool later(double a, double b) { return toSerialSeconds(a) > toSerialSeconds(b); }

// Hands the link over; when nothing on this computer takes it the user is told.
bool handOver(AppState& st, LinkOpener& shell, const std::string& link) {
    if (shell.open(link)) return true;
    st.sys.prompter->ask("確認", linkNotOpenedText(link), Icon::Information, Buttons::Ok);
    return false;
}

}  // namespace

std::vector<std::string> splitNoteLines(const std::string& text) {
    std::vector<std::string> lines;
    if (text.empty()) return lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') continue;
        if (i > start) lines.push_back(text.substr(start, i - start));
        start = i + 2;
    }
    if (lines.empty()) {
        lines.push_back(text);
    } else {
        lines.push_back(start < text.size() ? text.substr(start) : std::string());
    }
    return lines;
}

bool isTimedLine(const std::string& line) {
    return wildcardMatch(line, "*[ ][0-2][0-9]:[0-5][0-9]") || wildcardMatch(line, "*[ ][0-9]:[0-5][0-9]");
}

bool isWebAddress(const std::string& link) {
    return wildcardMatch(link, "http://*") || wildcardMatch(link, "https://*");
}

bool isPosixPath(const std::string& link) { return wildcardMatch(link, "/[!/ \t　]*"); }

bool isLinkLine(const std::string& line) {
    return isWebAddress(line) || wildcardMatch(line, "\\\\*\\*.*") || wildcardMatch(line, "?:\\*.*") ||
           isPosixPath(line);
}

double advanceDue(const LocalConfig& cfg, double due) {
    switch (cfg.TimerBase) {
    case 1: return addMinutes(due, -cfg.WarningLeadMinutes);
    case 2: return addMinutes(due, -cfg.CautionLeadMinutes);
    default: return due;
    }
}

std::vector<std::string> scanNote(AppState& st, int index, double now) {
    std::vector<std::string> links;
    if (st.blinkRunning || index < 0 || static_cast<size_t>(index) >= st.NoteTable.size()) return links;
    const NoteRecord& r = st.NoteTable[static_cast<size_t>(index)];
    if (r.Text.empty() || codePointCount(r.Text) > kMaxTextChars) return links;
    const auto n = static_cast<int16_t>(index);
    std::erase_if(st.TimerTable, [n](const TimerEntry& e) { return e.note == n; });
    for (const std::string& line : splitNoteLines(r.Text)) {
        TimerEntry entry;
        entry.note = n;
        const bool timed = isTimedLine(line);
        bool arms = false;
        if (timed && !r.IsSent) {
            const double time = timeOfDay(line);
            if (time >= 0) {
                arms = true;
                if (r.HasPeriod && !r.Period.UseTime) {
                    entry.due = dateOnly(r.Period.EndAt) + time;
                } else {
                    entry.due = dateOnly(now) + time;
                    if (!later(entry.due, now)) entry.due = addDays(entry.due, 1);
                }
            }
        }
        if (isLinkLine(line)) {
            if (!timed) {
                links.push_back(line);
                if (links.size() == kMaxLinks) return links;
            } else if (arms) {
                entry.message = line.substr(0, line.rfind(' '));
            }
        }
        if (!arms) continue;
        if (entry.message.empty()) {
            entry.due = advanceDue(st.localConfig, entry.due);
            if (!later(entry.due, now)) entry.due = addDays(entry.due, 1);
        }
        st.TimerTable.push_back(entry);
    }
    return links;
}

bool hasNoteAlarm(const AppState& st, int index) {
    return std::any_of(st.TimerTable.begin(), st.TimerTable.end(),
                       [index](const TimerEntry& e) { return e.note == index && e.message.empty(); });
}

std::vector<AlarmAction> takeDueTimers(AppState& st, double now, LinkOpener& shell) {
    std::vector<AlarmAction> actions;
    for (TimerEntry& e : st.TimerTable) {
        if (e.fired || !later(now, e.due)) continue;
        e.fired = true;
        AlarmAction a;
        a.note = e.note;
        a.link = e.message;
        const auto i = static_cast<size_t>(e.note);
        const NoteRecord* r = i < st.NoteTable.size() ? &st.NoteTable[i] : nullptr;
        if (e.message.empty()) {
            a.kind = r && r->has(kFlagTimerDialog) ? AlarmAction::ShowBox
                     : r && r->has(kFlagTimerBlink) ? AlarmAction::Blink
                                                    : AlarmAction::Silent;
        } else if (!isWebAddress(e.message) && !shell.exists(e.message)) {
            a.kind = AlarmAction::NotFound;
        } else {
            // Someone else wrote this line: what it opens on this computer is this member's choice.
            a.kind = r && r->IsReceived ? AlarmAction::AskToOpen : AlarmAction::Open;
        }
        actions.push_back(a);
    }
    return actions;
}

std::string alarmBoxTitle() { return kProductName + "(確認タイマー)"; }

std::string linkNotFoundText(const std::string& link) { return "ファイル: " + link + "は見つかりません"; }

std::string askToOpenText(const std::string& link) { return link + "を開きますか？"; }

std::string linkNotOpenedText(const std::string& link) {
    return "リンク: " + link + "を開けません" + "\r" + "開くためのプログラム（ブラウザなど）が見つかりません";
}

bool openLink(AppState& st, LinkOpener& shell, const std::string& link) {
    if (!isWebAddress(link) && !shell.exists(link)) {
        st.sys.prompter->ask("確認", linkNotFoundText(link), Icon::Information, Buttons::Ok);
        return false;
    }
    return handOver(st, shell, link);
}

void openFiredLink(AppState& st, LinkOpener& shell, const AlarmAction& a) {
    switch (a.kind) {
    case AlarmAction::NotFound:
        st.sys.prompter->ask("確認", linkNotFoundText(a.link), Icon::Information, Buttons::Ok);
        break;
    case AlarmAction::AskToOpen:
        if (st.sys.prompter->ask("確認", askToOpenText(a.link), Icon::Information, Buttons::YesNo) == Answer::Yes)
            handOver(st, shell, a.link);
        break;
    case AlarmAction::Open: handOver(st, shell, a.link); break;
    default: break;
    }
}

}  // namespace tw
