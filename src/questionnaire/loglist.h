// The status and history lists of the note-settings dialog, without any window: one row per send
// record, the Yes/No counts of a note's recipients and the answer string its tally reads.
#pragma once

#include "model/records.h"
#include "questionnaire/answeritems.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tw {

// Columns of the list, in order.
enum LogColumn : int {
    kColSender = 0,     // "送信者"
    kColNoteId,         // "SI"  the note's number at the sender
    kColSentAt,         // "送信日時"
    kColRecipient,      // "受信者"
    kColCopyId,         // "RI"  the number of the recipient's copy
    kColReceivedAt,     // "受信日時"
    kColAnswer,         // "答"
    kColSenderId,       // "FR"
    kColRecipientId,    // "TO"
    kLogColumnCount
};

struct LogColumnSpec {
    const char* header;
    double widthPercent;   // of the list's width
};
extern const std::array<LogColumnSpec, kLogColumnCount> kLogColumns;

struct LogRow {
    std::array<std::string, kLogColumnCount> cells;
    int16_t senderId = 0;
    int16_t noteId = 0;
    int16_t recipientId = 0;
};

struct LogView {
    std::vector<LogRow> rows;
    int yes = 0, no = 0, cancel = 0, unanswered = 0, sheetAnswers = 0;
    // "name answer" pairs of the answer-sheet answers, joined by single spaces (the tally's AnsStr).
    std::string answerString;
    bool showYesNo = false;         // lblSyuke, with yesNoText
    std::string yesNoText;
    bool showTallyButton = false;   // btnAns
};

// Mode 0: the records of one note (`shape`: its sheet, to tell answers that do not fit it); mode 1:
// the whole log (no Yes/No counts, no tally). Record order is kept.
LogView buildLogView(const std::vector<LogRecord>& records, int mode, const SheetShape* shape);

// A date-time as the list shows it; the empty date-time (not received yet) shows as nothing, not as a
// time of day.
std::string listDateText(double dt);

// The notice for a list with nothing in it.
std::string emptyLogNotice(int mode);

}  // namespace tw
