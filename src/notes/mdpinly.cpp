// Peeling off, the undo list and the end of the program.
#include "notes/mdpinly.h"

#include "model/datetime.h"
#include "app/groval.h"
#include "app/recovery.h"
#include "messaging/sharedlog.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/prompter.h"
#include "window/geometry.h"

#include <algorithm>
#include <cstdio>

namespace tw {

namespace {

bool validIndex(const AppState& st, int index) {
    return index >= 0 && static_cast<size_t>(index) < st.NoteTable.size();
}

// Waiting for its period to begin, or sent to disappear once received: such a note may vanish from
// the screen without anybody peeling it.
bool mayVanish(const AppState& st, const NoteRecord& r) {
    if (r.IsSent && r.AutoDelete) return true;
    if (!r.HasPeriod) return false;
    const double now = st.sys.clock->now();
    return toSerialSeconds(r.Period.StartAt) > toSerialSeconds(now);
}

std::string twoDigits(int v) {
    char b[16];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

}  // namespace

bool isLastNote(const AppState& st, int self, const std::vector<int>& openNotes, int mode) {
    int counted = 0;
    for (int j : openNotes) {
        if (!validIndex(st, j)) continue;
        const NoteRecord& r = st.NoteTable[static_cast<size_t>(j)];
        if (mode >= kCountUnpeeled && r.IsPeeled) continue;
        if (mode == kCountVisible && j != self && mayVanish(st, r)) continue;
        ++counted;
    }
    return counted == 1;
}

std::string lastPeelQuestion() { return "全ての付箋紙をはがすと" + kProductName + "は終了します"; }

std::string peelRefusal() {
    return std::string("期間未到達付箋紙または送信後削除する付箋紙が残っているのではがせません") + "\r" +
           "１枚以上の期間外でない付箋紙を残すか、全てはがすことはできます。";
}

PeelResult peelNote(AppState& st, int index, const std::vector<int>& openNotes) {
    if (!validIndex(st, index)) return PeelResult::Cancelled;
    bool exitAfterPeeling = false;
    if (isLastNote(st, index, openNotes, kCountUnpeeled)) {
        if (st.sys.prompter->ask(kEndTitle, lastPeelQuestion(), Icon::None, Buttons::OkCancel) != Answer::Ok)
            return PeelResult::Cancelled;
        exitAfterPeeling = true;
    } else if (isLastNote(st, index, openNotes, kCountVisible)) {
        st.sys.prompter->ask(kConfirmTitle, peelRefusal(), Icon::Information, Buttons::Ok);
        return PeelResult::Refused;
    }

    st.NoteTable[static_cast<size_t>(index)].IsPeeled = true;
    // Recipients that have not yet received the note will not get it any more; a failure of the log
    // has been shown by the log and does not stop the peel.
    if (st.NoteTable[static_cast<size_t>(index)].IsSent)
        deleteAllSends(st, clampInt16(static_cast<long long>(index)));

    if (exitAfterPeeling) return PeelResult::PeeledLast;
    pushUndo(st, index);
    return PeelResult::Peeled;
}

void pushUndo(AppState& st, int index) {
    int count = std::clamp<int>(st.undoCount, 0, static_cast<int>(st.undoSlots.size()));
    if (count < static_cast<int>(st.undoSlots.size())) ++count;
    for (int j = count - 1; j >= 1; --j) st.undoSlots[static_cast<size_t>(j)] = st.undoSlots[static_cast<size_t>(j - 1)];
    st.undoSlots[0] = clampInt16(static_cast<long long>(index));
    st.undoCount = static_cast<int16_t>(count);
}

bool removeUndo(AppState& st, int slot) {
    const int count = std::clamp<int>(st.undoCount, 0, static_cast<int>(st.undoSlots.size()));
    if (slot < 0 || slot >= count) return false;
    for (int j = slot; j + 1 < count; ++j) st.undoSlots[static_cast<size_t>(j)] = st.undoSlots[static_cast<size_t>(j + 1)];
    st.undoSlots[static_cast<size_t>(count - 1)] = 0;
    st.undoCount = static_cast<int16_t>(count - 1);
    return true;
}

int undoIndex(const AppState& st, int slot) {
    const int count = std::clamp<int>(st.undoCount, 0, static_cast<int>(st.undoSlots.size()));
    if (slot < 0 || slot >= count) return -1;
    return st.undoSlots[static_cast<size_t>(slot)];
}

std::string undoCaption(const AppState& st, int slot) {
    const int i = undoIndex(st, slot);
    if (!validIndex(st, i)) return std::string();
    return utf8Left(st.NoteTable[static_cast<size_t>(i)].Text, 20);
}

namespace {

std::string fileLabel(const std::string& kind) { return kind == kKindLocal ? "ローカル設定" : "付箋紙データ"; }

// One of the two files at the end: written, or after the user gave up, kept on this computer.
bool writeAtEnd(AppState& st, const std::string& kind) {
    for (;;) {
        const FileError e = writeMemberFileSilently(st, kind);
        if (!e) return true;
        const Answer a = st.sys.prompter->ask(
            "エラー",
            fileLabel(kind) + "ファイルにアクセスできません\r" + e.description +
                "\r再試行しますか？キャンセルすると、内容をこのコンピュータに残します。",
            Icon::Warning, Buttons::RetryCancel);
        if (a == Answer::Retry) continue;
        std::string path;
        if (const FileError copy = keepRecoveryCopy(st, kind, path)) {
            st.sys.prompter->ask("エラー", fileLabel(kind) + "の内容をこのコンピュータにも残せませんでした\r" + copy.description,
                                 Icon::Warning, Buttons::Ok);
        } else {
            st.sys.prompter->ask("確認",
                                 "保存できなかった" + fileLabel(kind) + "の内容を\r" + path +
                                     "\rに残しました。次回の起動時に元に戻すことができます。",
                                 Icon::Information, Buttons::Ok);
        }
        return false;
    }
}

}  // namespace

EndResult writeFilesAtEnd(AppState& st) {
    // The local settings first, then the notes; each gets its own chance whatever became of the other.
    const bool local = writeAtEnd(st, kKindLocal);
    const bool notes = writeAtEnd(st, kKindNotes);
    if (!local) return EndResult::LocalWriteFailed;
    if (!notes) return EndResult::NotesWriteFailed;
    return EndResult::Written;
}

std::string appendDroppedFiles(std::string text, const std::vector<std::string>& paths) {
    for (const std::string& p : paths) text += "\r\n" + p;
    return text;
}

std::string toEditText(const std::string& noteText) {
    const std::string shown = withKeptBytesShown(noteText);
    std::string out;
    out.reserve(shown.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == '\r') {
            out += '\n';
            if (i + 1 < shown.size() && shown[i + 1] == '\n') ++i;
        } else {
            out += shown[i];
        }
    }
    return out;
}

std::string textAfterEdit(const std::string& oldText, const std::string& edited) {
    if (edited == toEditText(oldText)) return oldText;
    return fromEditText(edited);
}

std::string editedTextRefusal(const std::string& noteText) {
    const size_t bytes = utf8ToCp932(noteText).size();
    if (bytes <= kMaxFieldBytes) return {};
    return "付箋紙に書ける文字は" + std::to_string(kMaxFieldBytes) + "バイト(全角" + std::to_string(kMaxFieldBytes / 2) +
           "文字)までです。\r今の文字は" + std::to_string(bytes) + "バイトあります。減らしてから編集を終えて下さい。";
}

namespace {
std::string namedList(const std::vector<std::string>& names) {
    std::string out;
    for (size_t k = 0; k < names.size() && k < kUnstorableNamed; ++k) out += (k ? "、" : "") + names[k];
    if (names.size() > kUnstorableNamed) out += " ほか" + std::to_string(names.size() - kUnstorableNamed) + "文字";
    return out;
}
}  // namespace

std::string unstorableQuestion(const std::vector<std::string>& names) {
    return "次の文字は付箋紙に書けません。\r" + namedList(names) +
           "\r「?」に置き換えて編集を終えますか？\r「いいえ」で編集に戻ります。";
}

std::string unstorableNotice(const std::vector<std::string>& names) {
    return "次の文字は付箋紙に書けないため、「?」に置き換えました。\r" + namedList(names);
}

std::optional<std::string> storableEditedText(Prompter& prompter, const std::string& text, bool mayGoOn) {
    const std::vector<std::string> names = unstorableCharacters(text);
    if (names.empty()) return text;
    if (!mayGoOn)
        prompter.ask(kConfirmTitle, unstorableNotice(names), Icon::Information, Buttons::Ok);
    else if (prompter.ask(kConfirmTitle, unstorableQuestion(names), Icon::Information, Buttons::YesNo) != Answer::Yes)
        return std::nullopt;
    return withUnstorableReplaced(text);
}

std::string fromEditText(const std::string& editText) {
    std::string out;
    out.reserve(editText.size() + editText.size() / 8);
    for (size_t i = 0; i < editText.size(); ++i) {
        const char c = editText[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < editText.size() && editText[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string aboutText() {
    return kProductName + " Version " + std::to_string(kVersionMajor) + "." + twoDigits(kVersionMinor) + " R" +
           twoDigits(kVersionRevision);
}

}  // namespace tw
