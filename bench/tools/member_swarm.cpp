// Twenty members on one shared folder: each a process of its own that runs the network check
// (receiveNotes + followSentNotes) every second, while the members together send five notes a second
// (sendNote, each send a new note to one to three others). Measures how long the members wait for
// the shared files their checks and sends need, and checks that every send arrives exactly once.
//
//   member_swarm run <folder>[,<folder>...] [members=20] [seconds=60] [sends per second=5]
//       Prepares the member list in <folder> (an empty folder), starts the member processes, waits
//       for them and prints the report. Several folders, separated by commas, are several ways to one
//       shared folder (e.g. two mounts of one network share, as two computers see it): member i works
//       through folder i mod n; the member list is written and the journals and the log are read
//       through the first. After <seconds> the members stop sending and go on checking
//       for kDrainSeconds, so that the last sends are received and followed. Exit status 0 when
//       every send was received exactly once by each of its recipients, every sent note ended
//       received by all (its records gone from the log, which ends empty) and nobody saw a message
//       box but the busy question; 1 otherwise. The speed goals are reported, not enforced.
//   member_swarm member <folder> <id> <members> <seconds> <sends per second> <start>
//       One member (started by run). <start> is the moment on the monotonic clock at which all
//       members begin. Writes its journal to <folder>/swarm.<id>.
//
// The wait for a busy file is what the silent busy retry of the file routines spends: the wait
// indicator is told at the first refusal of a step and again when the step got through, so the
// time between the two is the time this member spent waiting for another member's lock. Besides,
// each check and each send is timed whole. The busy question ("...混雑しています", asked when the
// silent retry runs out) is counted and answered with Retry.
#include "support/stress_support.h"
#include "app/groval.h"
#include "messaging/reception.h"
#include "messaging/sending.h"
#include "model/datetime.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"
#include "platform/sharedfile.h"
#include "platform/waitindicator.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using namespace tw;
using tw::test::foldersOf;
using tw::test::printFolderSplit;
using tw::test::writeWholeFile;

namespace {

constexpr double kDrainSeconds = 6;
const std::string kLogBusy = "ログ・ファイルアクセスが混雑しています";
const std::string kFileBusy = "ファイルアクセスが混雑しています";

std::string nameOf(int id) { return (id % 2) ? "member" + std::to_string(id) : "メンバー" + std::to_string(id); }
std::string journalPath(const std::string& folder, int id) { return joinPath(folder, "swarm." + std::to_string(id)); }
// The text of a sent note names its sender and number: a received copy says what it is a copy of.
std::string noteText(int sender, int note) { return "swarm " + std::to_string(sender) + " " + std::to_string(note); }

// Answers the busy question with Retry and counts it; any other box is counted as a failure.
class CountingPrompter : public Prompter {
public:
    Answer ask(const std::string& title, const std::string& text, Icon, Buttons buttons) override {
        if (text == kLogBusy || text == kFileBusy) {
            ++busyQuestions;
            return Answer::Retry;
        }
        ++otherBoxes;
        std::fprintf(stderr, "message box: %s: %s\n", title.c_str(), text.c_str());
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
    int busyQuestions = 0;
    int otherBoxes = 0;
};

// Sums the time spent in the silent busy retry.
class WaitClock : public WaitIndicator {
public:
    void beginWait() override {
        if (depth_++ == 0) since_ = monotonicSeconds();
        ++episodes;
    }
    void endWait() override {
        if (--depth_ == 0) waited += monotonicSeconds() - since_;
    }
    double waited = 0;   // seconds, in all
    long episodes = 0;

private:
    int depth_ = 0;
    double since_ = 0;
};

class NoWindows : public ReceptionHost {
public:
    void openNoteWindow(int) override {}
    bool openAnswerSheet(const LogRecord&, const NoteRecord&) override { return false; }
};

void sleepUntil(double t) {
    const double now = monotonicSeconds();
    if (t > now) sleepMilliseconds(static_cast<int>((t - now) * 1000) + 1);
}

int member(const std::string& folder, int16_t id, int count, double seconds, double rate, double start) {
    CountingPrompter prompter;
    SystemClock clock;
    FixedScreen screen;
    EmptySettingsStore legacy;
    WaitClock waits;
    Services services{prompter, clock, screen, legacy};
    services.waitIndicator = waits;
    services.waitIndicatorSeconds = 0;   // told at the first refusal: the wait is measured whole
    AppState st(services);
    st.SharedPath = folder;
    st.CurrentMemberId = id;
    if (!AccessSharedFile(st, kModeRead, kKindShared)) return 1;
    st.localConfig = defaultLocalConfig();
    st.localConfig.MemberName = nameOf(id);
    st.localConfig.MemberId = id;
    st.localConfig.CheckUnit = 2;
    st.localConfig.CheckInterval = 1;
    std::mt19937 rng(static_cast<unsigned>(id) * 7919u);
    NoWindows host;

    std::ostringstream journal;
    // Unsynchronised timers: the members' checks spread over the second, their sends over the
    // interval between two sends of one member.
    const double sendEvery = count / rate;
    double nextCheck = start + (id - 1) * 1.0 / count;
    double nextSend = start + (id - 1) / rate;
    const double stopSending = start + seconds, stop = start + seconds + kDrainSeconds;
    int received = 0;
    while (nextCheck < stop) {
        const bool sendNow = nextSend < stopSending && nextSend <= nextCheck;
        sleepUntil(sendNow ? nextSend : nextCheck);
        const double waitedBefore = waits.waited;
        const double t0 = monotonicSeconds();
        if (sendNow) {
            NoteRecord n;
            const auto note = static_cast<int16_t>(st.NoteTable.size());
            n.CreatedAt = clock.now();
            n.NoteId = note;
            n.Text = noteText(id, note);
            n.Width = 2400;
            n.Height = 1500;
            st.NoteTable.push_back(n);
            std::vector<int16_t> to;
            const int k = 1 + static_cast<int>(rng() % 3);
            while (static_cast<int>(to.size()) < k) {
                auto r = static_cast<int16_t>(1 + rng() % static_cast<unsigned>(count));
                if (r != id && std::find(to.begin(), to.end(), r) == to.end()) to.push_back(r);
            }
            const SendResult result = sendNote(st, note, to, 0, false);
            const double t1 = monotonicSeconds();
            journal << (result == SendResult::Sent ? "S " : "F ") << (t1 - t0) * 1000 << ' '
                    << (waits.waited - waitedBefore) * 1000 << ' ' << note;
            for (int16_t r : to) journal << ' ' << r;
            journal << '\n';
            nextSend += sendEvery;
        } else {
            st.LastCheckTime = clock.now();
            received += receiveNotes(st, host);
            followSentNotes(st);
            const double t1 = monotonicSeconds();
            journal << "C " << (t1 - t0) * 1000 << ' ' << (waits.waited - waitedBefore) * 1000 << '\n';
            // The next check comes a second after this one ended, as the timer is armed again then.
            nextCheck = std::max(nextCheck + 1.0, t1);
        }
    }
    for (const NoteRecord& n : st.NoteTable) {
        if (n.IsReceived) {
            journal << "R " << n.Text.substr(6) << '\n';   // "<sender> <note>"
        } else if (n.IsSent) {
            journal << "A " << n.NoteId << ' ' << (n.AllReceived ? 1 : 0) << '\n';
        }
    }
    journal << "Q " << prompter.busyQuestions << ' ' << prompter.otherBoxes << ' ' << waits.episodes << ' '
            << received << '\n';
    std::string failure;
    if (!writeWholeFile(journalPath(folder, id), journal.str(), failure)) {
        std::fprintf(stderr, "member %d: the journal %s could not be written: %s\n", id,
                     journalPath(folder, id).c_str(), failure.c_str());
        return 1;
    }
    return prompter.otherBoxes ? 3 : 0;
}

// The member list of a new shared folder.
bool prepare(const std::string& folder, int count) {
    DecliningPrompter prompter;
    SystemClock clock;
    FixedScreen screen;
    EmptySettingsStore legacy;
    AppState st(Services{prompter, clock, screen, legacy});
    st.SharedPath = folder;
    st.sharedConfig.VersionMajor = kVersionMajor;
    st.sharedConfig.VersionMinor = kVersionMinor;
    st.sharedConfig.VersionRevision = kVersionRevision;
    st.sharedConfig.CreatedOn = dateOnly(clock.now());
    st.sharedConfig.Signature = kProductName;
    for (int i = 1; i <= count; ++i) {
        UserEntry u;
        u.MemberName = nameOf(i);
        u.MemberId = static_cast<int16_t>(i);
        st.members.push_back(u);
    }
    return AccessSharedFile(st, kModeWrite, kKindShared);
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

int run(const std::string& self, const std::vector<std::string>& folders, int count, double seconds, double rate) {
    const std::string& folder = folders.front();
    printFolderSplit(folders, count);
    if (!prepare(folder, count)) {
        std::fprintf(stderr, "the member list could not be written in %s\n", folder.c_str());
        return 1;
    }
    const double start = monotonicSeconds() + 1.0;
    std::vector<pid_t> pids;
    for (int id = 1; id <= count; ++id) {
        const pid_t pid = fork();
        if (pid == 0) {
            const std::string& through = folders[static_cast<size_t>(id) % folders.size()];
            std::vector<std::string> args{self, "member", through, std::to_string(id), std::to_string(count),
                                          std::to_string(seconds), std::to_string(rate), std::to_string(start)};
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(self.c_str(), argv.data());
            _exit(127);
        }
        pids.push_back(pid);
    }
    int failedMembers = 0;
    for (pid_t pid : pids) {
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failedMembers;
    }

    // The journals.
    std::vector<double> checkMs, checkWaitMs, sendMs, sendWaitMs;
    std::map<std::tuple<int, int, int>, int> expected;   // (sender, note, recipient) -> copies received
    std::vector<std::tuple<int, int, int>> copies;       // (sender, note, recipient) of each received copy
    std::map<std::pair<int, int>, bool> sentNotes;       // (sender, note) -> all received at the end
    int failedSends = 0, busyQuestions = 0, otherBoxes = 0, unexpectedCopies = 0, duplicateCopies = 0;
    long episodes = 0, deliveries = 0;
    for (int id = 1; id <= count; ++id) {
        std::ifstream in(journalPath(folder, id));
        if (!in) {
            std::fprintf(stderr, "member %d left no journal\n", id);
            ++failedMembers;
            continue;
        }
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream l(line);
            std::string tag;
            l >> tag;
            if (tag == "C") {
                double ms, wait;
                l >> ms >> wait;
                checkMs.push_back(ms);
                checkWaitMs.push_back(wait);
            } else if (tag == "S" || tag == "F") {
                double ms, wait;
                int note;
                l >> ms >> wait >> note;
                sendMs.push_back(ms);
                sendWaitMs.push_back(wait);
                if (tag == "F") {
                    ++failedSends;
                    continue;
                }
                sentNotes[{id, note}] = false;
                for (int r; l >> r;) expected[{id, note, r}] = 0;
            } else if (tag == "R") {
                int sender, note;
                l >> sender >> note;
                ++deliveries;
                copies.push_back({sender, note, id});
            } else if (tag == "A") {
                int note, all;
                l >> note >> all;
                sentNotes[{id, note}] = all == 1;
            } else if (tag == "Q") {
                int busy, boxes;
                long ep, rec;
                l >> busy >> boxes >> ep >> rec;
                busyQuestions += busy;
                otherBoxes += boxes;
                episodes += ep;
            }
        }
    }
    // Every copy against the sends, now that all sends are known.
    for (const auto& c : copies) {
        auto it = expected.find(c);
        if (it == expected.end())
            ++unexpectedCopies;
        else if (++it->second == 2)
            ++duplicateCopies;
    }
    int missing = 0;
    for (const auto& [key, n] : expected)
        if (n == 0) ++missing;
    int notAllReceived = 0;
    for (const auto& [key, all] : sentNotes)
        if (!all) ++notAllReceived;
    std::string log;
    {
        std::ifstream in(joinPath(folder, kLogFile), std::ios::binary);
        log.assign(std::istreambuf_iterator<char>(in), {});
    }

    const double checkP50 = percentile(checkWaitMs, 0.5), checkP99 = percentile(checkWaitMs, 0.99);
    const double sendP50 = percentile(sendWaitMs, 0.5), sendP99 = percentile(sendWaitMs, 0.99);
    std::vector<double> allWaits = checkWaitMs;
    allWaits.insert(allWaits.end(), sendWaitMs.begin(), sendWaitMs.end());
    std::printf("%d members, %.0f s of sends at %.1f per second, then %.0f s of checks only\n", count, seconds, rate,
                kDrainSeconds);
    std::printf("checks %zu, sends %zu (%d failed), deliveries %ld\n", checkMs.size(), sendMs.size(), failedSends,
                deliveries);
    std::printf("wait for a busy file (ms)   p50 %8.2f   p99 %8.2f   max %8.2f   (per check)\n", checkP50, checkP99,
                percentile(checkWaitMs, 1.0));
    std::printf("                            p50 %8.2f   p99 %8.2f   max %8.2f   (per send)\n", sendP50, sendP99,
                percentile(sendWaitMs, 1.0));
    std::printf("                            p50 %8.2f   p99 %8.2f   max %8.2f   (all operations; %ld waits)\n",
                percentile(allWaits, 0.5), percentile(allWaits, 0.99), percentile(allWaits, 1.0), episodes);
    std::printf("whole check (ms)            p50 %8.2f   p99 %8.2f   max %8.2f\n", percentile(checkMs, 0.5),
                percentile(checkMs, 0.99), percentile(checkMs, 1.0));
    std::printf("whole send (ms)             p50 %8.2f   p99 %8.2f   max %8.2f\n", percentile(sendMs, 0.5),
                percentile(sendMs, 0.99), percentile(sendMs, 1.0));
    std::printf("busy questions %d, other message boxes %d\n", busyQuestions, otherBoxes);
    std::printf("sends not received %d, received twice %d, copies of no send %d, sent notes not received by all %d, "
                "log bytes left %zu, members failed %d\n",
                missing, duplicateCopies, unexpectedCopies, notAllReceived, log.size(), failedMembers);
    const bool goals = std::max(checkP99, sendP99) < 100 && busyQuestions == 0;
    std::printf("goals (p99 wait under 100 ms, no busy question): %s\n", goals ? "met" : "NOT met");
    const bool ok = failedMembers == 0 && failedSends == 0 && otherBoxes == 0 && missing == 0 &&
                    duplicateCopies == 0 && unexpectedCopies == 0 && notAllReceived == 0 && log.empty() &&
                    !sendMs.empty();
    std::printf("%s\n", ok ? "OK" : "FAILED");
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "run" && argc >= 3 && argc <= 6) {
        const int count = argc > 3 ? std::atoi(argv[3]) : 20;
        const double seconds = argc > 4 ? std::atof(argv[4]) : 60;
        const double rate = argc > 5 ? std::atof(argv[5]) : 5;
        if (count < 2 || count > 999 || seconds <= 0 || rate <= 0) {
            std::fprintf(stderr, "member_swarm: 2 to 999 members, and a positive time and rate\n");
            return 2;
        }
        char self[4096];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n <= 0) return 2;
        self[n] = '\0';
        return run(self, foldersOf(argv[2]), count, seconds, rate);
    }
    if (cmd == "member" && argc == 8)
        return member(argv[2], static_cast<int16_t>(std::atoi(argv[3])), std::atoi(argv[4]), std::atof(argv[5]),
                      std::atof(argv[6]), std::atof(argv[7]));
    std::fprintf(stderr, "usage: member_swarm run <folder>[,<folder>...] [members] [seconds] [sends per second]\n"
                         "       member_swarm member <folder> <id> <members> <seconds> <sends per second> <start>\n");
    return 2;
}
