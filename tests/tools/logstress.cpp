// Several member programs working on one shared log at the same time, as separate processes.
//
//   logstress stress <folder>[,<folder>...] <members> <seconds> [seed]
//       starts <members> member processes on <folder> for <seconds>, then checks the final log
//       against what their successful operations imply; exit status 0 when everything holds.
//       Several folders, separated by commas, are several ways to one shared folder (e.g. two
//       mounts of one network share, as two computers see it): member i works through folder
//       i mod n, and the final check reads through the first.
//   logstress member <folder> <id> <members> <seconds> <seed>
//       one member process: random sends, receives (with second answer writes), status reads, full
//       reads, unlocked peeks and deletes; every log it sees is checked against its own model.
//       Writes its journal to <folder>/journal.<id>.
//   logstress check <folder> <members>
//       the final check alone.
//   logstress churn <folder> <id>
//       changes the log forever (append one record of note 1 to member 2, then remove it again), to
//       be killed at random moments.
//
// Exit status: 0 success, 1 a check failed, 2 usage, 3 a message box was shown.
#include "support/stress_support.h"
#include "app/groval.h"
#include "model/state.h"
#include "messaging/logcodec.h"
#include "messaging/sharedlog.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"
#include "platform/sharedfile.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace tw;
using tw::test::foldersOf;
using tw::test::printFolderSplit;
using tw::test::writeWholeFile;

namespace {

// Odd members have ASCII names, even ones Japanese names, so both name paths of the codec are used.
std::string nameOf(int id) { return (id % 2) ? "member" + std::to_string(id) : "メンバー" + std::to_string(id); }

std::string hexOf(double d) {
    uint64_t u;
    std::memcpy(&u, &d, 8);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%016" PRIx64, u);
    return buf;
}
double fromHex(const std::string& s) {
    uint64_t u = std::strtoull(s.c_str(), nullptr, 16);
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A file of the shared folder as a member reads it: under the shared lock, to its true end. A plain
// read through a network client may end where the client last saw the file end (a FUSE mount keeps
// the size for a moment), and the final check would then miss the last records another computer
// wrote.
std::string readShared(const std::string& path) {
    SharedFile f;
    std::string bytes;
    if (f.open(path, ShareMode::ReadDenyWrite) || f.readAll(bytes)) bytes.clear();
    return bytes;
}

// Every call is one second later than the one before: send times are unique per sender.
class StepClock : public Clock {
public:
    explicit StepClock(double base) : base_(base) {}
    double now() override {
        last_ = base_ + static_cast<double>(++n_) / 86400.0;
        return last_;
    }
    double last() const { return last_; }

private:
    double base_;
    int64_t n_ = 0;
    double last_ = 0;
};

// In a stress run nobody should ever see a box, except the empty-log notice of a status read.
class StressPrompter : public Prompter {   // declines every question: nobody is there to answer
public:
    Answer ask(const std::string& title, const std::string& text, Icon, Buttons buttons) override {
        if (text == "ＬＯＧ履歴はありません") {
            ++emptyNotices;
            return Answer::Ok;
        }
        ++boxes;
        std::fprintf(stderr, "message box: %s: %s\n", title.c_str(), text.c_str());
        return buttons == Buttons::RetryCancel ? Answer::Cancel : Answer::Ok;
    }
    int boxes = 0;
    int emptyNotices = 0;
};

struct Send {
    int16_t note = 0;
    int16_t recipient = 0;
    int16_t kind = 0;
};

struct Recv {
    double receivedAt = 0;
    int16_t localNote = 0;
    int16_t answer = 0;
    bool gone = false;   // removed from the log by its sender afterwards
};

class Member {
public:
    Member(const std::string& folder, int16_t id, int count, uint64_t seed)
        : id_(id), count_(count), rng_(seed), clock_(45000.0), st_(Services{prompter_, clock_, screen_, legacyStore_}) {
        st_.SharedPath = folder;
        st_.CurrentMemberId = id;
        st_.localConfig.MemberName = nameOf(id);
        for (int i = 1; i <= count; ++i) {
            UserEntry u;
            u.MemberName = nameOf(i);
            u.MemberId = static_cast<int16_t>(i);
            st_.members.push_back(u);
        }
        st_.sys.retrySeconds = 30;
        st_.sys.retryPauseMs = 1;
    }

    int run(double seconds, const std::string& journalPath) {
        double end = monotonicSeconds() + seconds;
        while (monotonicSeconds() < end && errors_ < 20) {
            int r = pick(100);
            if (r < 28) send();
            else if (r < 52) receive();
            else if (r < 64) statusRead();
            else if (r < 72) fullRead();
            else if (r < 77) peek();
            else deleteSome();
        }
        std::string failure;
        if (!writeWholeFile(journalPath, journal(), failure))
            error("the journal " + journalPath + " could not be written: " + failure);
        if (prompter_.boxes) return 3;
        return errors_ ? 1 : 0;
    }

private:
    int pick(int n) { return static_cast<int>(rng_() % static_cast<uint64_t>(n)); }
    int16_t otherMember() {
        int16_t b;
        do b = static_cast<int16_t>(1 + pick(count_));
        while (b == id_);
        return b;
    }

    void error(const std::string& what) {
        ++errors_;
        std::fprintf(stderr, "member %d: %s\n", id_, what.c_str());
    }

    void send() {
        int16_t note = static_cast<int16_t>(1 + pick(4));
        int16_t to = otherMember();
        const auto kind = static_cast<int16_t>(pick(3));
        const SendWrite w = writeSendRecord(st_, note, to, kind);
        if (!w) return error("send failed");
        ++ops_["send"];
        // The log as the send left it ends with the record it names.
        const LogRecords now = logRecordsOf(w.content);
        if (now.empty()) return error("send: empty log after the send");
        const LogRecord& r = now.back();
        if (r.SenderId != id_ || r.NoteId != note || r.RecipientId != to || r.SentAt != clock_.last() ||
            r.QuestionKind != kind || r.ReceivedAt != 0)
            return error("send: the appended record is not the one sent");
        if (w.record.SentAt != r.SentAt || w.record.RecipientId != to || w.record.QuestionKind != kind)
            return error("send: the record handed back is not the one appended");
        sends_[r.SentAt] = {note, to, kind};
        verifyWhole("after send", now);
    }

    void receive() {
        const std::optional<LogRecords> read = readUnreceivedLog(st_);
        if (!read) {
            if (prompter_.boxes) error("receive read failed");
            return;   // an empty log
        }
        ++ops_["receive-read"];
        const LogRecords& pending = *read;
        for (const auto& e : pending) {
            if (e.RecipientId != id_ || e.ReceivedAt != 0) return error("receive read: wrong record selected");
            if (received_.count({e.SenderId, e.SentAt})) return error("receive read: a record I received is pending again");
            checkNames(e, "receive read");
        }
        size_t n = std::min<size_t>(pending.size(), 3);
        for (size_t i = 0; i < n; ++i) receiveWrite(pending[i], true);
        // Now and then answer again a record received before, as an answer sheet does.
        if (!received_.empty() && pick(4) == 0) {
            auto it = received_.begin();
            std::advance(it, pick(static_cast<int>(received_.size())));
            if (!it->second.gone) {
                LogRecord key;
                key.SenderId = it->first.first;
                key.SentAt = it->first.second;
                key.NoteId = noteOfReceived_[it->first];
                receiveWrite(key, false);
            }
        }
    }

    void receiveWrite(const LogRecord& e, bool first) {
        const auto answer = static_cast<int16_t>(pick(1024));
        int16_t local = first ? static_cast<int16_t>(1 + pick(500)) : 0;
        const ReceiptWrite w = writeReceipt(st_, e.SenderId, e.NoteId, e.SentAt, local, answer);
        if (!w) return error("receive write failed");
        ++ops_[first ? "receive-write" : "answer-again"];
        std::pair<int16_t, double> key{e.SenderId, e.SentAt};
        const LogRecords now = logRecordsOf(w.content);
        const LogRecord* hit = nullptr;
        for (const auto& r : now)
            if (r.SenderId == e.SenderId && r.SentAt == e.SentAt && r.RecipientId == id_) hit = &r;
        if (w.marked.has_value() != (hit != nullptr))
            return error("receive write: says it marked a record the log does not hold, or the other way round");
        if (!hit) {
            // The sender took it back between our read and our write: nothing was received.
            if (!first) received_[key].gone = true;
            verifyWhole("after a receive write of a withdrawn record", now);
            return;
        }
        if (hit->ReceivedAt != clock_.last() || hit->ReceivedNoteId != local || hit->AnswerCode != answer)
            return error("receive write: the record does not carry my receipt");
        if (w.marked->SentAt != hit->SentAt || w.marked->ReceivedAt != hit->ReceivedAt ||
            w.marked->AnswerCode != answer)
            return error("receive write: the record handed back is not the one marked");
        if (first && received_.count(key)) return error("receive write: a record received twice");
        received_[key] = {hit->ReceivedAt, local, answer, false};
        noteOfReceived_[key] = e.NoteId;
        verifyWhole("after receive write", now);
    }

    void statusRead() {
        int16_t note = static_cast<int16_t>(1 + pick(4));
        const std::optional<LogRecords> read = readSendRecords(st_, note);
        if (!read) {
            if (prompter_.boxes) return error("status read failed");
            if (!sends_.empty()) error("status read: empty log while my sends are in it");
            return;
        }
        ++ops_["status-read"];
        std::vector<double> want, got;
        for (const auto& [at, s] : sends_)
            if (s.note == note) want.push_back(at);
        for (const auto& r : *read) {
            if (r.SenderId != id_ || r.NoteId != note) return error("status read: wrong record selected");
            got.push_back(r.SentAt);
        }
        if (want != got) error("status read: my records of the note are not what I sent and kept");
    }

    void fullRead() {
        const std::optional<LogRecords> read = readWholeLog(st_);
        if (!read) {
            if (prompter_.boxes) return error("full read failed");
            if (!sends_.empty()) error("full read: empty log while my sends are in it");
            return;
        }
        ++ops_["full-read"];
        verifyWhole("full read", *read);
    }

    // A reader that ignores the lock must still find a complete log where it is replaced in one
    // step. A network share rewrites it in place under the lock, which such a reader cannot see.
    void peek() {
        if (!replacesInOneStep(st_.SharedPath)) return;
        std::string bytes = readFile(sharedLogPath(st_));
        std::vector<LogEntryRef> entries;
        if (!scanLogRecords(bytes, entries)) error("peek: the log does not decode to its end");
        ++ops_["peek"];
    }

    void deleteSome() {
        int16_t note = static_cast<int16_t>(1 + pick(4));
        const LogKind kind = std::array{LogKind::DeleteReceived, LogKind::DeleteAll, LogKind::DeleteOne}[static_cast<size_t>(pick(3))];
        int16_t to = otherMember();
        const RecordsChange c = kind == LogKind::DeleteReceived ? deleteReceivedSends(st_, note)
                                : kind == LogKind::DeleteAll    ? deleteAllSends(st_, note)
                                                                : deleteSendTo(st_, note, to);
        if (!c) return error("delete failed");
        ++ops_["delete-" + std::to_string(static_cast<int>(kind))];
        const LogRecords now = logRecordsOf(c.content);
        std::set<double> mine, removed;
        for (const auto& r : now)
            if (r.SenderId == id_) mine.insert(r.SentAt);
        for (const auto& r : c.records) {
            if (r.SenderId != id_ || r.NoteId != note || mine.count(r.SentAt) || !removed.insert(r.SentAt).second)
                error("delete " + std::to_string(static_cast<int>(kind)) + ": names a record it did not remove");
            if (kind == LogKind::DeleteReceived && r.ReceivedAt == 0)
                error("delete 12: removed a record nobody has received");
        }
        for (auto it = sends_.begin(); it != sends_.end();) {
            const Send& s = it->second;
            bool expectGone = s.note == note && (kind == LogKind::DeleteAll || (kind == LogKind::DeleteOne && s.recipient == to));
            bool gone = !mine.count(it->first);
            if (gone != (removed.count(it->first) == 1))
                error("delete " + std::to_string(static_cast<int>(kind)) + ": record " + hexOf(it->first) +
                      " removed but not named, or named but not removed");
            if (kind == LogKind::DeleteReceived && s.note == note && gone) {
                removedReceived_[it->first] = s;   // checked against the recipient's journal later
                it = sends_.erase(it);
                continue;
            }
            if (expectGone != gone) {
                error("delete " + std::to_string(static_cast<int>(kind)) + ": record " + hexOf(it->first) +
                      (gone ? " removed wrongly" : " not removed"));
            }
            if (gone) {
                withdrawn_[it->first] = s;
                it = sends_.erase(it);
            } else {
                ++it;
            }
        }
        if (kind == LogKind::DeleteReceived)
            for (const auto& r : now)
                if (r.SenderId == id_ && r.NoteId == note && r.ReceivedAt != 0)
                    error("delete 12: a received record of the note is left");
        verifyWhole("after delete", now);
    }

    void checkNames(const LogRecord& r, const char* where) {
        if (r.SenderName != nameOf(r.SenderId) || r.RecipientName != nameOf(r.RecipientId))
            error(std::string(where) + ": names do not match the member numbers");
    }

    // The whole log as this member may expect it: its own sends exactly, its own receipts exactly,
    // no record twice.
    void verifyWhole(const char* where, const LogRecords& log) {
        std::set<std::pair<int16_t, double>> seen;
        std::vector<double> mine;
        std::set<std::pair<int16_t, double>> present;
        for (const auto& r : log) {
            if (!seen.insert({r.SenderId, r.SentAt}).second) error(std::string(where) + ": a record appears twice");
            checkNames(r, where);
            if (r.SenderId == id_) {
                mine.push_back(r.SentAt);
                auto it = sends_.find(r.SentAt);
                if (it == sends_.end()) {
                    error(std::string(where) + ": a record of mine I never sent or already removed");
                } else if (it->second.note != r.NoteId || it->second.recipient != r.RecipientId ||
                           it->second.kind != r.QuestionKind) {
                    error(std::string(where) + ": a record of mine with changed fields");
                }
            }
            if (r.RecipientId == id_) {
                std::pair<int16_t, double> key{r.SenderId, r.SentAt};
                present.insert(key);
                auto it = received_.find(key);
                if (it == received_.end()) {
                    if (r.ReceivedAt != 0) error(std::string(where) + ": marked received, but not by me");
                } else if (r.ReceivedAt != it->second.receivedAt || r.ReceivedNoteId != it->second.localNote ||
                           r.AnswerCode != it->second.answer) {
                    error(std::string(where) + ": my receipt was lost or changed");
                }
            }
        }
        std::vector<double> want;
        for (const auto& [at, s] : sends_) want.push_back(at);
        if (mine != want) error(std::string(where) + ": my records are not what I sent and kept");
        for (auto& [key, rc] : received_)
            if (!present.count(key)) rc.gone = true;
    }

    std::string journal() const {
        std::ostringstream out;
        for (const auto& [at, s] : sends_)
            out << "S " << hexOf(at) << ' ' << s.note << ' ' << s.recipient << ' ' << s.kind << '\n';
        for (const auto& [at, s] : removedReceived_)
            out << "K " << hexOf(at) << ' ' << s.note << ' ' << s.recipient << ' ' << s.kind << '\n';
        for (const auto& [at, s] : withdrawn_)
            out << "X " << hexOf(at) << ' ' << s.note << ' ' << s.recipient << ' ' << s.kind << '\n';
        for (const auto& [key, rc] : received_)
            out << "R " << key.first << ' ' << hexOf(key.second) << ' ' << hexOf(rc.receivedAt) << ' ' << rc.localNote
                << ' ' << rc.answer << ' ' << (rc.gone ? 1 : 0) << '\n';
        out << "O";
        for (const auto& [what, n] : ops_) out << ' ' << what << '=' << n;
        out << " errors=" << errors_ << " boxes=" << prompter_.boxes << '\n';
        return out.str();
    }

    int16_t id_;
    int count_;
    std::mt19937_64 rng_;
    StepClock clock_;
    StressPrompter prompter_;
    FixedScreen screen_;
    EmptySettingsStore legacyStore_;
    AppState st_;
    int errors_ = 0;
    std::map<double, Send> sends_;              // my records that are in the log, by send time
    std::map<double, Send> removedReceived_;    // removed by my deletes of received records
    std::map<double, Send> withdrawn_;          // removed by my other deletes
    std::map<std::pair<int16_t, double>, Recv> received_;
    std::map<std::pair<int16_t, double>, int16_t> noteOfReceived_;
    std::map<std::string, long> ops_;
};

std::string journalPath(const std::string& folder, int id) { return joinPath(folder, "journal." + std::to_string(id)); }

// The final log against all journals. The verdict also fails when members ended with errors
// (`membersFailed`) or when fewer than `minChanges` sends and receipts succeeded in all: a run whose
// members could not do their work proves nothing about the log.
int check(const std::string& folder, int count, int membersFailed = 0, long minChanges = 0) {
    int failures = 0;
    auto fail = [&](const std::string& what) {
        if (++failures <= 20) std::fprintf(stderr, "check: %s\n", what.c_str());
    };
    std::string bytes = readShared(joinPath(folder, kLogFile));
    std::vector<LogEntryRef> entries;
    if (!scanLogRecords(bytes, entries)) fail("the final log does not decode to its end");
    LogNameDecoder names;
    std::vector<LogRecord> log;
    for (const auto& e : entries) log.push_back(toLogRecord(e, names));

    struct SendInfo {
        char state;   // S kept, K removed as received, X withdrawn
        Send s;
    };
    std::map<std::pair<int16_t, double>, SendInfo> sends;
    std::map<std::pair<int16_t, double>, std::pair<int16_t, Recv>> receipts;   // key → (recipient, receipt)
    long totalOps = 0;
    for (int id = 1; id <= count; ++id) {
        std::istringstream in(readShared(journalPath(folder, id)));
        if (in.str().empty()) {
            fail("no journal of member " + std::to_string(id));
            continue;
        }
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream ls(line);
            std::string tag;
            ls >> tag;
            if (tag == "S" || tag == "K" || tag == "X") {
                std::string at;
                Send s;
                ls >> at >> s.note >> s.recipient >> s.kind;
                sends[{static_cast<int16_t>(id), fromHex(at)}] = {tag[0], s};
            } else if (tag == "R") {
                int16_t sender;
                std::string at, recvAt;
                Recv rc;
                int gone;
                ls >> sender >> at >> recvAt >> rc.localNote >> rc.answer >> gone;
                rc.receivedAt = fromHex(recvAt);
                rc.gone = gone != 0;
                receipts[{sender, fromHex(at)}] = {static_cast<int16_t>(id), rc};
            } else if (tag == "O") {
                std::printf("member %d:%s\n", id, line.substr(1).c_str());
                std::string item;
                while (ls >> item) {
                    auto eq = item.find('=');
                    if (eq != std::string::npos && item.compare(0, eq, "errors") && item.compare(0, eq, "boxes"))
                        totalOps += std::atol(item.c_str() + eq + 1);
                }
            }
        }
    }

    std::set<std::pair<int16_t, double>> inLog;
    for (const auto& r : log) {
        std::pair<int16_t, double> key{r.SenderId, r.SentAt};
        if (!inLog.insert(key).second) fail("a record appears twice: sender " + std::to_string(r.SenderId));
        if (r.SenderName != nameOf(r.SenderId) || r.RecipientName != nameOf(r.RecipientId)) fail("names damaged");
        auto it = sends.find(key);
        if (it == sends.end() || it->second.state != 'S') {
            fail("a record nobody sent or that its sender removed: sender " + std::to_string(r.SenderId) + " at " +
                 hexOf(r.SentAt));
            continue;
        }
        const Send& s = it->second.s;
        if (s.note != r.NoteId || s.recipient != r.RecipientId || s.kind != r.QuestionKind) fail("fields changed");
        auto rc = receipts.find(key);
        if (r.ReceivedAt == 0) {
            if (rc != receipts.end()) fail("a receipt was lost: sender " + std::to_string(r.SenderId));
        } else if (rc == receipts.end()) {
            fail("marked received, but nobody received it");
        } else if (rc->second.first != r.RecipientId || rc->second.second.receivedAt != r.ReceivedAt ||
                   rc->second.second.localNote != r.ReceivedNoteId || rc->second.second.answer != r.AnswerCode) {
            fail("the receipt in the log differs from the receiver's last write");
        }
    }
    long kept = 0;
    for (const auto& [key, info] : sends) {
        if (info.state == 'S') {
            ++kept;
            if (!inLog.count(key)) fail("a send was lost: sender " + std::to_string(key.first) + " at " + hexOf(key.second));
        } else if (info.state == 'K') {
            auto rc = receipts.find(key);
            if (rc == receipts.end() || rc->second.first != info.s.recipient)
                fail("a record removed as received that was never received");
        }
    }
    for (const auto& [key, rc] : receipts) {
        auto it = sends.find(key);
        if (it == sends.end() || it->second.s.recipient != rc.first) fail("a receipt of a record nobody sent to me");
    }
    std::printf("final log: %zu records (%zu bytes), %ld kept sends, %zu sends in all, %zu receipts, %ld operations\n",
                log.size(), bytes.size(), kept, sends.size(), receipts.size(), totalOps);
    if (membersFailed) fail(std::to_string(membersFailed) + " member(s) ended with errors or message boxes");
    const long changes = static_cast<long>(sends.size() + receipts.size());
    if (changes < minChanges)
        fail("only " + std::to_string(changes) + " successful sends and receipts, at least " +
             std::to_string(minChanges) + " expected: the members could not do their work");
    std::printf("%s\n", failures ? "FAILED" : "OK");
    return failures ? 1 : 0;
}

int stress(const std::vector<std::string>& folders, int count, double seconds, uint64_t seed) {
    const auto folderOf = [&](int id) -> const std::string& {
        return folders[static_cast<size_t>(id) % folders.size()];
    };
    printFolderSplit(folders, count);
    std::vector<pid_t> pids;
    for (int id = 1; id <= count; ++id) {
        pid_t pid = fork();
        if (pid < 0) {
            std::perror("fork");
            return 1;
        }
        if (pid == 0) {
            Member m(folderOf(id), static_cast<int16_t>(id), count, seed * 1000 + static_cast<uint64_t>(id));
            std::fflush(stdout);
            _exit(m.run(seconds, journalPath(folderOf(id), id)));
        }
        pids.push_back(pid);
    }
    int bad = 0;
    for (size_t i = 0; i < pids.size(); ++i) {
        int status = 0;
        waitpid(pids[i], &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "member %zu ended with status %d\n", i + 1, status);
            ++bad;
        }
    }
    // One successful change per member and second is far below what any machine does.
    return check(folders.front(), count, bad, static_cast<long>(count * seconds));
}

int churn(const std::string& folder, int16_t id) {
    class FixedClock : public Clock {
    public:
        double now() override { return 45000.5; }
    } clock;
    StressPrompter prompter;
    FixedScreen screen;
    EmptySettingsStore legacyStore;
    AppState st(Services{prompter, clock, screen, legacyStore});
    st.SharedPath = folder;
    st.CurrentMemberId = id;
    st.localConfig.MemberName = nameOf(id);
    for (int i = 1; i <= 2; ++i) {
        UserEntry u;
        u.MemberName = nameOf(i);
        u.MemberId = static_cast<int16_t>(i);
        st.members.push_back(u);
    }
    st.sys.retrySeconds = 30;
    st.sys.retryPauseMs = 1;
    for (;;) {
        if (!writeSendRecord(st, 1, 2, 0)) return 3;
        if (!deleteAllSends(st, 1)) return 3;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> a(argv + 1, argv + argc);
    if (a.size() >= 4 && a[0] == "stress")
        return stress(foldersOf(a[1]), std::atoi(a[2].c_str()), std::atof(a[3].c_str()),
                      a.size() >= 5 ? std::strtoull(a[4].c_str(), nullptr, 10) : 1);
    if (a.size() == 6 && a[0] == "member") {
        int16_t id = static_cast<int16_t>(std::atoi(a[2].c_str()));
        Member m(a[1], id, std::atoi(a[3].c_str()), std::strtoull(a[5].c_str(), nullptr, 10));
        return m.run(std::atof(a[4].c_str()), journalPath(a[1], id));
    }
    if (a.size() == 3 && a[0] == "check") return check(a[1], std::atoi(a[2].c_str()));
    if (a.size() == 3 && a[0] == "churn") return churn(a[1], static_cast<int16_t>(std::atoi(a[2].c_str())));
    std::fprintf(stderr,
                 "usage: logstress stress <folder>[,<folder>...] <members> <seconds> [seed]\n"
                 "       logstress member <folder> <id> <members> <seconds> <seed>\n"
                 "       logstress check <folder> <members>\n"
                 "       logstress churn <folder> <id>\n");
    return 2;
}
