#include "questionnaire/answeritems.h"

#include "messaging/answertext.h"

#include <algorithm>

namespace tw {

namespace {

bool isDigit(char c, char from, char to) { return c >= from && c <= to; }

// The length of a choice prefix at the start of `line` ("N. " with N 1–15), or 0.
size_t choicePrefix(const std::string& line) {
    if (line.size() >= 3 && isDigit(line[0], '1', '9') && line[1] == '.' && line[2] == ' ') return 3;
    if (line.size() >= 4 && line[0] == '1' && isDigit(line[1], '0', '5') && line[2] == '.' && line[3] == ' ')
        return 4;
    return 0;
}

bool checkPrefix(const std::string& line) {
    return line.size() >= 3 && isDigit(line[0], '1', '4') && line[1] == ')' && line[2] == ' ';
}

AnswerItem classify(const std::string& line) {
    if (const size_t n = choicePrefix(line)) return {ItemClass::Choice, line.substr(n)};
    if (checkPrefix(line)) return {ItemClass::Check, line.substr(3)};
    return {ItemClass::Text, line};
}

}  // namespace

std::vector<AnswerItem> parseAnswerItems(const std::string& noteText) {
    std::vector<AnswerItem> items;
    std::string line;
    for (size_t i = 0; i < noteText.size(); ++i) {
        if (noteText[i] == '\r') {
            if (!line.empty()) items.push_back(classify(line));
            line.clear();
            ++i;   // the line feed
            continue;
        }
        line += noteText[i];
    }
    if (!line.empty()) items.push_back(classify(line));
    return items;
}

SheetShape sheetShape(const std::vector<AnswerItem>& items) {
    SheetShape s;
    const size_t rows = std::min(items.size(), static_cast<size_t>(kMaxSheetRows));
    for (size_t i = 0; i < rows; ++i) {
        if (items[i].cls == ItemClass::Choice && s.choices < kMaxChoices) ++s.choices;
        if (items[i].cls == ItemClass::Check && s.checks < kMaxChecks) ++s.checks;
    }
    return s;
}

bool answerTallyOffered(const NoteRecord& note) {
    return note.IsSent && note.AllReceived && !parseAnswerItems(note.Text).empty();
}

int16_t sheetAnswerCode(int choice, unsigned boxes) {
    const unsigned c = choice >= 0 && choice <= kMaxChoices ? static_cast<unsigned>(choice) : 0u;
    return static_cast<int16_t>(4u * c + 64u * (boxes & 0xFu));
}

RecordAnswer recordAnswer(const LogRecord& r, const SheetShape* shape) {
    const unsigned code = static_cast<uint16_t>(r.AnswerCode);
    if (r.ReceivedAt == 0 || code == 0) return {AnswerClass::Unanswered, ""};
    const RecordAnswer unknown{AnswerClass::Unknown, kUnknownAnswer};
    if (r.QuestionKind == 1) {
        switch (code) {
        case 1: return {AnswerClass::Yes, "y"};
        case 2: return {AnswerClass::No, "n"};
        case 3: return {AnswerClass::Cancel, "c"};
        default: return unknown;
        }
    }
    if (r.QuestionKind != 2 || (code & ~0x3FCu) != 0) return unknown;
    const int choice = static_cast<int>((code >> 2) & 0xFu);
    const unsigned boxes = (code >> 6) & 0xFu;
    if (shape) {
        if (choice > shape->choices) return unknown;
        if (shape->checks < kMaxChecks && (boxes >> shape->checks) != 0) return unknown;
    }
    return {AnswerClass::Sheet, answerSheetText(r.AnswerCode)};
}

}  // namespace tw
