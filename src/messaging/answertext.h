// How an answer that came back through the log is written for the sender: in a sent note's partner
// text, in the status list and in the tally.
#pragma once

#include <cstdint>
#include <string>

namespace tw {

// The answer-sheet part of an answer code: "Pic:" + choice + " " for a chosen choice, then for each
// ticked box "k) Check " (the first thing written) or "k:On "; "" for nothing chosen. Bits outside the
// choice (2–5) and box (6–9) fields are not looked at.
std::string answerSheetText(int16_t answerCode);

// The answer as a sent note's partner text shows it: "/y", "/n", "/c" for a Yes/No answer (low two
// bits 1, 2, 3), else the answer-sheet text.
std::string partnerAnswerText(int16_t answerCode);

// A sent note's partner text after one more recipient has received: the name and its answer text,
// joined to what was there by single spaces.
std::string appendPartner(const std::string& partnerName, const std::string& recipientName, int16_t answerCode);

// Told to a recipient whose answer found no send to go with: its sender cancelled the send or peeled
// the note off while the question was open. Title "確認", information icon, OK.
inline const std::string kQuestionWithdrawnText = "この質問は取り消されました。回答は送信されませんでした。";

}  // namespace tw
