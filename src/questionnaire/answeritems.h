// Questionnaires built from a note's text: the answer items (text lines, numbered choices, numbered
// check boxes), the 16-bit answer code that travels back through the log, and how an answer that came
// back is written for the sender. Answer codes come from other members' programs and are not trusted:
// what does not fit the questionnaire it answers reads as unknown.
#pragma once

#include "model/records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tw {

constexpr int kMaxChoices = 15;     // choices a sheet shows and a code can carry
constexpr int kMaxChecks = 4;       // check boxes likewise
constexpr int kMaxSheetRows = 25;   // rows of an answer sheet; later lines are not shown

enum class ItemClass : int16_t { Text = 0, Choice = 1, Check = 2 };

struct AnswerItem {
    ItemClass cls = ItemClass::Text;
    std::string text;   // a choice's or box's text without its number
    bool operator==(const AnswerItem&) const = default;
};

// One item per line that is not empty. Lines end at a carriage return; the character after it (the
// line feed) belongs to no line. "N. " with N 1–15 starts a choice, "N) " with N 1–4 a check box;
// the numbers written are not kept (items are numbered by their order).
std::vector<AnswerItem> parseAnswerItems(const std::string& noteText);

// What a sheet of these items lets a member answer: its first 25 rows, of them up to 15 choices and
// 4 check boxes (a further one is a plain label).
struct SheetShape {
    int choices = 0;
    int checks = 0;
};
SheetShape sheetShape(const std::vector<AnswerItem>& items);

// The code of an answer-sheet answer: 4 × choice (1–15, 0 for none) + 64 × the ticked boxes (bit 0 =
// box 1 … bit 3 = box 4).
int16_t sheetAnswerCode(int choice, unsigned boxes);

// What a recipient's record says, as the status list and the tally read it.
enum class AnswerClass {
    Unanswered,   // not received, or received without an answer (code 0)
    Yes,
    No,
    Cancel,
    Sheet,        // an answer-sheet answer that fits the questionnaire
    Unknown,      // a code that fits neither the kind of the send nor the sheet
};

struct RecordAnswer {
    AnswerClass cls = AnswerClass::Unanswered;
    std::string text;   // the list's "答": "y", "n", "c", the answer-sheet text, kUnknownAnswer or ""
};

// Whether a note offers its answer tally: it was sent, everybody has received it, and its text gives
// at least one answer item.
bool answerTallyOffered(const NoteRecord& note);

// An answer that cannot be read. Like every answer-sheet text it ends with a space and holds no double
// space, so that a string of "name answer" pairs still splits where it should; it holds neither
// "Pic:" nor ":On", so it counts for no choice and no box.
inline const std::string kUnknownAnswer = "不明 ";

// The answer of one record. A Yes/No send (kind 1) reads 1, 2, 3; an answer-sheet send (kind 2)
// reads a choice and boxes, with no bit outside those fields and, when `shape` is given, no choice or
// box the sheet does not have. Anything else received with a code other than 0 is unknown.
RecordAnswer recordAnswer(const LogRecord& r, const SheetShape* shape);

}  // namespace tw
