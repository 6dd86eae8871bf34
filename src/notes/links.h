// Links and timed lines in a note's text. A line that is a web address, a network path, a drive
// path or an absolute POSIX path is a link, offered in the note's menu; a line ending in a blank and a
// time of day (H:MM or HH:MM) is a timed line, which arms an alarm timer of the note, or, when it is
// also a link, opens that link at its time. The timers live in AppState::TimerTable; a note's are made
// anew each time its text is scanned (its menu opens, its editing ends).
#pragma once

#include "model/state.h"

#include <string>
#include <vector>

namespace tw {

constexpr size_t kMaxLinks = 4;

// Where the links of the notes go: the desktop (notes/qt), or a test's recording.
class LinkOpener {
public:
    virtual ~LinkOpener() = default;
    // Whether a file of that name can be found (a web address and an smb:// address always can).
    virtual bool exists(const std::string& link) = 0;
    // Hands the link to the desktop's default action; false when nothing on this computer takes it
    // (no browser, no program for such a file).
    virtual bool open(const std::string& link) = 0;
};

// The lines of a note's text (CR LF breaks; empty lines are dropped except the last one).
std::vector<std::string> splitNoteLines(const std::string& text);
bool isTimedLine(const std::string& line);
// A web address ("http://…", "https://…"), a network path ("\\server\share\file.ext"), a drive
// path ("C:\folder\file.ext") or an absolute POSIX path ("/home/…": a slash, then a name that
// starts with neither a slash nor a blank). Letter case counts.
bool isLinkLine(const std::string& line);
bool isWebAddress(const std::string& link);
bool isPosixPath(const std::string& link);

// Scans note `index`: its timers in the table are replaced; returns its untimed link lines (at most
// four; the scan stops at the fourth). Nothing while a note blinks.
std::vector<std::string> scanNote(AppState& st, int index, double now);
// A note alarm's due moment moved by the alarm reference of the settings (written time, warning or
// caution lead).
double advanceDue(const LocalConfig& cfg, double due);
// Whether the note has an armed note alarm (an entry without a message).
bool hasNoteAlarm(const AppState& st, int index);

// What firing one due timer does.
struct AlarmAction {
    enum Kind {
        ShowBox,     // the note's text in the alarm box
        Blink,       // the note blinks
        Silent,      // a note alarm of neither kind
        Open,        // the link is opened
        AskToOpen,   // a link of a note this member did not write: opened only when the user agrees
        NotFound,    // the file is not there: the user is told
    } kind = Silent;
    int note = 0;
    std::string link;
};
// Every timer not fired yet whose due moment lies before `now`, in table order: marked fired and
// turned into what it does.
std::vector<AlarmAction> takeDueTimers(AppState& st, double now, LinkOpener& shell);

// The texts of the boxes around links.
std::string alarmBoxTitle();                          // "タックウィスプ(確認タイマー)"
std::string linkNotFoundText(const std::string& link);
std::string askToOpenText(const std::string& link);
std::string linkNotOpenedText(const std::string& link);

// A link clicked in the menu: opened, or the user told that the file is not there or that nothing on
// this computer opens it (true: opened).
bool openLink(AppState& st, LinkOpener& shell, const std::string& link);
// Carries out one fired timer's action; a box or the blink is left to the window side. A link that
// nothing opens is told as in openLink.
void openFiredLink(AppState& st, LinkOpener& shell, const AlarmAction& a);

}  // namespace tw
