// The answer tally of an answer-sheet questionnaire: who was sent it, who answered, and for every
// choice and check box how many picked it, their share in percent and their names; as a text that is
// shown, printed and written to a file (CP932, CR LF).
#pragma once

#include "platform/sharedfile.h"
#include "questionnaire/answeritems.h"

#include <array>
#include <string>
#include <vector>

namespace tw {

struct TallyRequest {
    std::vector<AnswerItem> items;   // the questionnaire's items
    // "name answer" pairs joined by single spaces; every answer text ends with a space, so two
    // spaces end a pair (a name without answer is a pair of its own).
    std::string answers;
    int sendCount = 0;        // recipients the note was sent to
    bool countIsAnswers = false;   // the number sent is the number of pairs found (IsTerminate)
    double now = 0;           // the date and time the header names
};

struct Tally {
    int sendCount = 0;
    int answered = 0;
    std::array<int, kMaxChoices> choiceCount{};
    std::array<std::string, kMaxChoices> choiceNames{};
    std::array<int, kMaxChecks> checkCount{};
    std::array<std::string, kMaxChecks> checkNames{};
    // Empty when nobody was sent it or nobody answered. Lines end with CR LF.
    std::string text;
};

// Reads the pairs and builds the text. A choice or box is counted only when the questionnaire has it
// (the answers come from other members' programs); the first "Pic:" of a pair counts, and each box
// once, whether written "k:On" or, as the first thing of an answer without choice, "k) Check".
Tally buildTally(const TallyRequest& request);

// A number as the tally writes it: the shortest decimal form with up to 15 significant digits, not
// rounded further (two thirds of a hundred is "66.6666666666667").
std::string tallyNumber(double v);

// Writes the tally text to `path` as CP932 bytes. The new content is written completely before it
// takes the place of an old file in one step: a failure leaves the old file as it was.
FileError writeTallyFile(const std::string& path, const std::string& text);

}  // namespace tw
