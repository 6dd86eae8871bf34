#include "questionnaire/tally.h"

#include "model/datetime.h"
#include "platform/codepage.h"

#include <cstdio>
#include <optional>

namespace tw {

namespace {

const std::string kCrLf = "\r\n";

// "Pic:N" → N; anything else → nothing.
std::optional<int> choiceToken(const std::string& t) {
    if (t.size() < 5 || t.size() > 6 || t.compare(0, 4, "Pic:") != 0) return std::nullopt;
    int n = 0;
    for (size_t i = 4; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return std::nullopt;
        n = n * 10 + (t[i] - '0');
    }
    return n;
}

// "k:On" or "k)" (followed by "Check") → k in 1–4.
int boxToken(const std::string& t, const std::string& next) {
    if (t.size() == 4 && t[0] >= '1' && t[0] <= '4' && t.compare(1, 3, ":On") == 0) return t[0] - '0';
    if (t.size() == 2 && t[0] >= '1' && t[0] <= '4' && t[1] == ')' && next == "Check") return t[0] - '0';
    return 0;
}

std::vector<std::string> splitPairs(const std::string& s) {
    std::vector<std::string> pairs;
    if (s.empty()) return pairs;
    size_t from = 0;
    for (;;) {
        const size_t at = s.find("  ", from);
        if (at == std::string::npos) {
            pairs.push_back(s.substr(from));
            return pairs;
        }
        pairs.push_back(s.substr(from, at - from));
        from = at + 2;
    }
}

std::vector<std::string> words(const std::string& s) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < s.size()) {
        const size_t end = s.find(' ', i);
        const size_t stop = end == std::string::npos ? s.size() : end;
        if (stop > i) out.push_back(s.substr(i, stop - i));
        i = stop + 1;
    }
    return out;
}

void addName(int& count, std::string& names, const std::string& name) {
    ++count;
    names += " " + name;
    if (count % 10 == 0) names += kCrLf;
}

std::string share(int count, int total) {
    return total > 0 ? tallyNumber(static_cast<double>(count) / total * 100) : "0";
}

}  // namespace

std::string tallyNumber(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    std::string s = buf;
    return s == "-0" ? "0" : s;
}

Tally buildTally(const TallyRequest& request) {
    Tally t;
    t.sendCount = request.sendCount;
    const SheetShape shape = sheetShape(request.items);
    for (const std::string& pair : splitPairs(request.answers)) {
        ++t.answered;
        // The name is what comes before the first space; a recipient without answer is a name alone.
        const size_t space = pair.find(' ');
        const std::string name = pair.substr(0, space);
        if (space == std::string::npos) continue;
        // Only the answer is searched: a name that looks like an answer counts for nothing.
        const std::vector<std::string> w = words(pair.substr(space + 1));
        bool choiceSeen = false;
        std::array<bool, kMaxChecks> ticked{};
        for (size_t i = 0; i < w.size(); ++i) {
            if (const auto n = choiceToken(w[i])) {
                if (choiceSeen) continue;
                choiceSeen = true;
                if (*n >= 1 && *n <= shape.choices) {
                    const auto k = static_cast<size_t>(*n - 1);
                    addName(t.choiceCount[k], t.choiceNames[k], name);
                }
                continue;
            }
            const int box = boxToken(w[i], i + 1 < w.size() ? w[i + 1] : std::string());
            if (box >= 1 && box <= shape.checks && !ticked[static_cast<size_t>(box - 1)]) {
                const auto k = static_cast<size_t>(box - 1);
                ticked[k] = true;
                addName(t.checkCount[k], t.checkNames[k], name);
            }
        }
    }
    if (request.countIsAnswers) t.sendCount = t.answered;
    if (t.sendCount <= 0 || t.answered <= 0) return t;

    int totalChoices = 0, totalChecks = 0;
    for (int c : t.choiceCount) totalChoices += c;
    for (int c : t.checkCount) totalChecks += c;

    std::string& s = t.text;
    s = "送信: " + std::to_string(t.sendCount) + "人　受信: " + std::to_string(t.answered) + "人　回答率: " +
        tallyNumber(static_cast<double>(t.answered) / t.sendCount * 100) + "％　" + " " + generalDateText(request.now) +
        "現在" + kCrLf;
    size_t choice = 0, check = 0;
    for (const AnswerItem& item : request.items) {
        switch (item.cls) {
        case ItemClass::Text: s += kCrLf + "【" + item.text + "】" + kCrLf; break;
        case ItemClass::Choice:
            if (choice >= kMaxChoices) break;
            s += item.text + " (" + share(t.choiceCount[choice], totalChoices) + "％) " +
                 std::to_string(t.choiceCount[choice]) + "人" + kCrLf + t.choiceNames[choice] + kCrLf;
            ++choice;
            break;
        case ItemClass::Check:
            if (check >= kMaxChecks) break;
            s += item.text + " (" + share(t.checkCount[check], totalChecks) + "％) " +
                 std::to_string(t.checkCount[check]) + "人" + kCrLf + t.checkNames[check] + kCrLf;
            ++check;
            break;
        }
    }
    return t;
}

FileError writeTallyFile(const std::string& path, const std::string& text) {
    const bool existed = fileExists(path);
    SharedFile file;
    FileError e = file.open(path, ShareMode::WriteExclusive);
    if (!e) e = file.replaceContent(utf8ToCp932(text));
    file.close();
    // The open made a file that was not there: a failed write takes it away again.
    if (e && !existed) removeFile(path);
    return e;
}

}  // namespace tw
