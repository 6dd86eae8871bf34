#include "messaging/answertext.h"

namespace tw {

std::string answerSheetText(int16_t answerCode) {
    const unsigned code = static_cast<uint16_t>(answerCode);
    std::string text;
    const unsigned choice = (code >> 2) & 0xF;
    if (choice > 0) text = "Pic:" + std::to_string(choice) + " ";
    for (unsigned box = 1; box <= 4; ++box) {
        if ((code & (1u << (5 + box))) == 0) continue;
        text += text.empty() ? std::to_string(box) + ") Check " : std::to_string(box) + ":On ";
    }
    return text;
}

std::string partnerAnswerText(int16_t answerCode) {
    switch (static_cast<uint16_t>(answerCode) & 3u) {
    case 1: return "/y";
    case 2: return "/n";
    case 3: return "/c";
    default: return answerSheetText(answerCode);
    }
}

std::string appendPartner(const std::string& partnerName, const std::string& recipientName, int16_t answerCode) {
    const std::string pair = recipientName + " " + partnerAnswerText(answerCode);
    return partnerName.empty() ? pair : partnerName + " " + pair;
}

}  // namespace tw
