#include "app/memberrun.h"

#include "app/groval.h"
#include "app/recovery.h"
#include "platform/clock.h"
#include "platform/prompter.h"

#include <algorithm>
#include <chrono>
#include <random>

namespace tw {

namespace {

const std::string kLineEnd = "\r\n";

// Who holds the mark at `path`, read under a deny-write open: a program in the middle of taking it
// (it holds the file for writing for a moment) gives nothing yet.
bool readHolder(const std::string& path, RunMarkContent& out) {
    SharedFile f;
    if (f.open(path, ShareMode::ReadDenyWrite)) return false;
    std::string bytes;
    const bool read = !f.readAll(bytes) && decodeRunMark(bytes, out);
    f.close();
    return read;
}

// A token no other run writes: the time of this run and random bits.
std::string newToken() {
    static std::mt19937_64 gen{std::random_device{}() ^
                               static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
    return std::to_string(gen());
}

}  // namespace

std::string encodeRunMark(const RunMarkContent& c) { return c.computer + kLineEnd + c.token + kLineEnd; }

bool decodeRunMark(const std::string& bytes, RunMarkContent& out) {
    const size_t first = bytes.find(kLineEnd);
    if (first == std::string::npos) return false;
    const size_t second = bytes.find(kLineEnd, first + 2);
    if (second == std::string::npos || second + 2 != bytes.size()) return false;
    RunMarkContent c{bytes.substr(0, first), bytes.substr(first + 2, second - first - 2)};
    if (c.computer.find_first_of("\r\n") != std::string::npos || c.token.find_first_of("\r\n") != std::string::npos)
        return false;
    out = std::move(c);
    return true;
}

std::string memberOfRun(int16_t memberId, const std::string& name) {
    return "このメンバー(ID: " + std::to_string(memberId) + (name.empty() ? "" : " " + name) + ")";
}

std::string computerOfRun(const std::string& computer) {
    return computer.empty() ? "別のコンピュータ" : "コンピュータ「" + computer + "」";
}

std::string runMarkPath(const std::string& folder, int16_t memberId) {
    return joinPath(folder, memberFileName(memberId, kKindRunning));
}

MemberRunMark::MemberRunMark(std::string computer) : computer_(std::move(computer)) {}

MemberRunMark::~MemberRunMark() { release(); }

void MemberRunMark::release() {
    if (file_) file_->close();
    file_.reset();
}

MemberRunMark::Outcome MemberRunMark::take(AppState& st, const std::string& folder, int16_t memberId,
                                           double waitSeconds) {
    release();
    const std::string path = runMarkPath(folder, memberId);
    const RunMarkContent ours{computer_, newToken()};
    const double start = monotonicSeconds();
    // A holder of the mark can be in the middle of taking it, when nothing can be read for a moment.
    const double readWindow = 2;
    bool waitShown = false;
    Outcome out;
    for (;;) {
        SharedFile w;
        FileError e = w.open(path, ShareMode::WriteExclusive);
        if (!e) {
            e = w.replaceContent(encodeRunMark(ours));
            w.close();
        }
        if (!e) {
            auto hold = std::make_unique<SharedFile>();
            e = hold->open(path, ShareMode::ReadDenyWrite);
            std::string bytes;
            if (!e) e = hold->readAll(bytes);
            RunMarkContent found;
            if (!e && decodeRunMark(bytes, found) && found.token == ours.token) {
                file_ = std::move(hold);
                path_ = path;
                token_ = ours.token;
                out = {Result::Held, {}, {}};
                break;
            }
            // Another start took it between our write and our hold: it is that one's now.
            if (!e) e = busyError();
        }
        if (e.number != kErrAccessDenied) {
            out = {Result::NotHeld, {}, e};
            break;
        }
        RunMarkContent holder;
        const bool known = readHolder(path, holder);
        const double waited = monotonicSeconds() - start;
        // A program of this computer that holds the mark is alive: a dead one's lock is gone at once.
        if ((known && (holder.computer == computer_ || waited >= waitSeconds)) ||
            (!known && waited >= std::max(waitSeconds, readWindow))) {
            out = {Result::Elsewhere, known ? holder.computer : std::string(), {}};
            break;
        }
        if (!waitShown && waited >= st.sys.waitIndicatorSeconds) {
            st.sys.waitIndicator->beginWait();
            waitShown = true;
        }
        sleepMilliseconds(std::max(st.sys.retryPauseMs, 10));
    }
    if (waitShown) st.sys.waitIndicator->endWait();
    return out;
}

MemberRunMark::Outcome MemberRunMark::check() {
    if (!file_) return {};
    // Nobody writes the mark while our hold stands: a mark that names another run was taken after
    // our lock was cleared as a dead one's, or lost with our connection to the file server. A lock
    // that is gone alone may be a moment's answer of a flaky share, or a start that has not written
    // yet; the next look tells.
    RunMarkContent found;
    if (!readHolder(path_, found) || found.token == token_) return {Result::Held, {}, {}};
    release();
    return {Result::Elsewhere, found.computer, {}};
}

void keepFilesOfMemberTakenOver(AppState& st, const std::string& computer) {
    const std::string name =
        st.localConfig.MemberName.empty() ? MemberNameOf(st, st.CurrentMemberId) : st.localConfig.MemberName;
    std::string text = memberOfRun(st.CurrentMemberId, name) + "は、このプログラムが止まっている間に" +
                       computerOfRun(computer) + "で起動されました。\r" +
                       "そちらの付箋紙を上書きしないよう、共有フォルダには保存せずに終了します。";
    FileError failed;
    for (const std::string& kind : {kKindLocal, kKindNotes}) {
        std::string path;
        if (FileError e = keepRecoveryCopy(st, kind, path); e && !failed) failed = e;
    }
    if (failed)
        text += "\rこのコンピュータでの内容を残せませんでした\r" + failed.description;
    else
        text += "\rこのコンピュータでの内容は\r" + recoveryFolder(st) + "\rに残しました。次回の起動時に元に戻すことができます。";
    st.sys.prompter->ask(kProductName, text, Icon::Warning, Buttons::Ok);
}

}  // namespace tw
