#include "notes/noteinfo.h"

#include "model/datetime.h"

namespace tw {

namespace {

const char* yesNo(bool on) { return on ? "有" : "無"; }

}  // namespace

std::string noteInformation(const AppState& st, int index, const std::vector<std::string>& links) {
    if (index < 0 || static_cast<size_t>(index) >= st.NoteTable.size()) return {};
    const NoteRecord& r = st.NoteTable[static_cast<size_t>(index)];
    std::string s = "付箋ID: " + std::to_string(r.NoteId) + "\r";
    s += "作成: " + generalDateText(r.CreatedAt) + "\r";
    s += std::string(" 期間:") + yesNo(r.HasPeriod);
    s += std::string(" 送信:") + yesNo(r.IsSent) + "\r";
    s += std::string(" 送信後受信:") + yesNo(r.AllReceived) + "\r";
    s += std::string(" 受信確認後削除:") + yesNo(r.AutoDelete) + "\r";
    s += std::string(" 受信:") + yesNo(r.IsReceived);
    for (size_t k = 0; k < links.size(); ++k) s += "\r Shell(" + std::to_string(k + 1) + "):" + links[k];
    for (const TimerEntry& e : st.TimerTable) {
        if (e.note != index) continue;
        s += "\r タイマ: " + formatDate(e.due, "yy/mm/dd hh:mm");
        if (e.message.empty()) {
            if (r.has(kFlagTimerDialog)) s += " ダイアログ表示";
            if (r.has(kFlagTimerBlink)) s += " ブリンク表示";
            if (!r.has(kFlagTimerDialog) && !r.has(kFlagTimerBlink)) s += " 表示無し";
        } else {
            s += " " + e.message;
        }
        s += e.fired ? " 済" : " 未";
    }
    return s;
}

std::string noteTooltip(const AppState& st, int index) {
    if (index < 0 || static_cast<size_t>(index) >= st.NoteTable.size()) return {};
    const NoteRecord& r = st.NoteTable[static_cast<size_t>(index)];
    if (r.HasPeriod) {
        const NotePeriod& p = r.Period;
        if (p.UseTime)
            return "期間:" + formatDate(p.StartAt, "yyyy/mm/dd") + " " + formatDate(p.StartAt, "hh:mm") + "-" +
                   formatDate(p.EndAt, "hh:mm");
        return "期間:" + formatDate(p.StartAt, "yyyy/mm/dd") + "-" + formatDate(p.EndAt, "yyyy/mm/dd");
    }
    if (r.AllReceived && r.IsSent)
        return "受信者: " + r.Partner.PartnerName + " 最終受信" + generalDateText(r.Partner.PartnerAt);
    if (r.IsReceived) return "送信者: " + r.Partner.PartnerName + " 送信日時" + generalDateText(r.Partner.PartnerAt);
    return {};
}

}  // namespace tw
