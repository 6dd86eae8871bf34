#include "questionnaire/loglist.h"

#include "model/datetime.h"

namespace tw {

const std::array<LogColumnSpec, kLogColumnCount> kLogColumns{{
    {"送信者", 17.5},
    {"SI", 2},
    {"送信日時", 25},
    {"受信者", 17.5},
    {"RI", 2},
    {"受信日時", 25},
    {"答", 2},
    {"FR", 2},
    {"TO", 2},
}};

std::string listDateText(double dt) { return dt == 0 ? "" : generalDateText(dt); }

std::string emptyLogNotice(int mode) { return std::string(mode == 0 ? "該当の" : "全ての") + "ログはありません"; }

LogView buildLogView(const std::vector<LogRecord>& records, int mode, const SheetShape* shape) {
    LogView v;
    for (const LogRecord& r : records) {
        LogRow row;
        row.senderId = r.SenderId;
        row.noteId = r.NoteId;
        row.recipientId = r.RecipientId;
        // The whole log holds other members' questionnaires, whose sheets this member has not got.
        const RecordAnswer a = recordAnswer(r, mode == 0 ? shape : nullptr);
        row.cells = {r.SenderName,
                     std::to_string(r.NoteId),
                     listDateText(r.SentAt),
                     r.RecipientName,
                     std::to_string(r.ReceivedNoteId),
                     listDateText(r.ReceivedAt),
                     a.text,
                     std::to_string(r.SenderId),
                     std::to_string(r.RecipientId)};
        switch (a.cls) {
        case AnswerClass::Yes: ++v.yes; break;
        case AnswerClass::No: ++v.no; break;
        case AnswerClass::Cancel: ++v.cancel; break;
        case AnswerClass::Unanswered: ++v.unanswered; break;
        case AnswerClass::Sheet:
        case AnswerClass::Unknown:
            // An unreadable answer to an answer sheet was still received: the tally counts the
            // recipient, for no choice and no box. An unreadable answer to anything else counts nowhere.
            if (a.cls == AnswerClass::Unknown && r.QuestionKind != 2) break;
            ++v.sheetAnswers;
            v.answerString += (v.answerString.empty() ? "" : " ") + r.RecipientName + " " + a.text;
            break;
        }
        v.rows.push_back(std::move(row));
    }
    if (mode == 0 && v.yes + v.no + v.cancel > 0) {
        v.showYesNo = true;
        v.yesNoText = "はい:" + std::to_string(v.yes) + " いいえ:" + std::to_string(v.no) +
                      " ｷｬﾝｾﾙ:" + std::to_string(v.cancel) + "\r" + "未回答:" + std::to_string(v.unanswered);
    }
    v.showTallyButton = mode == 0 && v.sheetAnswers > 0;
    return v;
}

}  // namespace tw
