// One network check of a member (receive what was sent to him, then follow what he sent) on a shared
// folder as a busy workgroup leaves it: a log of 10,000 records of twelve members, and a sender whose
// note file holds 1,000 notes. Compared with reading the same bytes raw (the log and the sender's
// note file, each read whole with std::ifstream), which is the least any check has to do.
//
//   BM_RawRead             the log and the sender's note file read raw
//   BM_RawReadAndOneWrite  the raw read and one durable rewrite of the log: the least a check that
//                          receives anything must do
//   BM_NetworkCheck/20     networkCheck (what the timer runs) with 20 new sends of that sender to the member
//   BM_NetworkCheck/0      the same check when nothing new has arrived (every send already received)
//   BM_ReceiveOnly/20, BM_FollowOnly/20   the two steps of the first alone
//   BM_OneReceiptWrite     one receipt of a new send written into the log (a change of the log)
//
// The log and the member's notes are put back before each iteration, outside the timing, so every
// iteration does the same work. A table at the end gives each time as a multiple of the raw read.
#include "app/groval.h"
#include "messaging/logcodec.h"
#include "messaging/reception.h"
#include "messaging/sharedlog.h"
#include "model/records.h"
#include "model/state.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"
#include "platform/sharedfile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace tw;

namespace {

constexpr int kMembers = 12;
constexpr int16_t kMe = 2;          // the checking member
constexpr int16_t kSender = 5;      // the sender of the new sends, with 1,000 notes
constexpr int kLogRecords = 10000;
constexpr int kSenderNotes = 1000;
constexpr int kNewSends = 20;
constexpr int kMyNotes = 40;        // the checking member's own notes, of which kMyFollowed are sent
constexpr int kMyFollowed = 10;

class SilentPrompter : public Prompter {
public:
    Answer ask(const std::string& title, const std::string& text, Icon, Buttons) override {
        std::fprintf(stderr, "unexpected box: %s: %s\n", title.c_str(), text.c_str());
        ++boxes;
        return Answer::Cancel;
    }
    int boxes = 0;
};

class StepClock : public Clock {
public:
    double now() override { return t += 1.0 / 86400; }
    double t = 45000;
};

class NoWindows : public ReceptionHost {
public:
    void openNoteWindow(int) override {}
    bool openAnswerSheet(const LogRecord&, const NoteRecord&) override { return false; }
};

std::string memberName(int id) { return (id % 2) ? "member" + std::to_string(id) : "メンバー" + std::to_string(id); }

// The sender's notes that were sent to the checking member in the new sends.
int16_t newSendNote(int k) { return static_cast<int16_t>(25 + 50 * k); }

LogRecord record(double sentAt, int16_t sender, int16_t note, int16_t recipient, double receivedAt) {
    LogRecord r;
    r.SentAt = sentAt;
    r.SenderId = sender;
    r.SenderName = memberName(sender);
    r.NoteId = note;
    r.RecipientId = recipient;
    r.RecipientName = memberName(recipient);
    r.ReceivedAt = receivedAt;
    if (receivedAt != 0) r.ReceivedNoteId = static_cast<int16_t>(1 + note % 300);
    return r;
}

// The log: sends among all members, a third of them received. What was sent to the checking member
// is received, except the new sends when `newSends`; the checking member's followed notes each went
// to three members, of which one has received it.
std::string makeLog(bool newSends) {
    ByteWriter w;
    int written = 0;
    for (int k = 0; k < kMyFollowed; ++k)
        for (int j = 0; j < 3; ++j, ++written)
            encode(w, record(44000 + written / 1440.0, kMe, static_cast<int16_t>(k), static_cast<int16_t>(6 + j),
                             j == 0 ? 44001.5 : 0));
    const int others = kLogRecords - written - kNewSends;
    for (int i = 0; i < others; ++i, ++written) {
        auto sender = static_cast<int16_t>(1 + i % kMembers);
        auto recipient = static_cast<int16_t>(1 + (i / kMembers + 3) % kMembers);
        if (sender == recipient) recipient = static_cast<int16_t>(1 + recipient % kMembers);
        if (sender == kMe) sender = 1;   // the checking member's own sends are the followed ones above
        const bool received = recipient == kMe || i % 3 == 0;
        encode(w, record(44000 + written / 1440.0, sender, static_cast<int16_t>(i % 500), recipient,
                         received ? 44100.5 : 0));
    }
    for (int k = 0; k < kNewSends; ++k, ++written)
        encode(w, record(45000 + k / 1440.0, kSender, newSendNote(k), kMe, newSends ? 0 : 45001.5));
    return w.data();
}

// The sender's 1,000 notes; every third is sent, and so is each of the new sends.
std::string makeSenderNotes() {
    ByteWriter w;
    for (int i = 0; i < kSenderNotes; ++i) {
        NoteRecord n;
        n.CreatedAt = 44000 + i / 24.0;
        n.NoteId = static_cast<int16_t>(i);
        n.Text = "打ち合わせ " + std::to_string(i) + "\r\n資料を準備すること";
        n.Top = static_cast<int16_t>(300 + (i % 20) * 150);
        n.Left = static_cast<int16_t>(300 + (i % 30) * 200);
        n.Width = 2400;
        n.Height = 1500;
        n.IsSent = i % 3 == 0 || (i >= 25 && (i - 25) % 50 == 0);
        n.TextSize = 1;
        encode(w, n);
    }
    return w.data();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The whole file in one read of its length.
std::string readRaw(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

struct Fixture {
    std::filesystem::path dir;
    std::string logPath, senderPath;
    std::string log;
    SilentPrompter prompter;
    StepClock clock;
    FixedScreen screen;
    EmptySettingsStore store;
    AppState st{Services{prompter, clock, screen, store}};
    std::vector<NoteRecord> myNotes;
    NoWindows host;

    explicit Fixture(bool newSends) {
        dir = std::filesystem::temp_directory_path() /
              ("tackwisp-netcheck-" + std::to_string(newSends) + "-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir);
        st.SharedPath = dir.string();
        st.CurrentMemberId = kMe;
        st.localConfig = defaultLocalConfig();
        st.localConfig.MemberName = memberName(kMe);
        st.localConfig.MemberId = kMe;
        for (int i = 1; i <= kMembers; ++i) {
            UserEntry u;
            u.MemberName = memberName(i);
            u.MemberId = static_cast<int16_t>(i);
            st.members.push_back(u);
        }
        for (int i = 0; i < kMyNotes; ++i) {
            NoteRecord n;
            n.NoteId = static_cast<int16_t>(i);
            n.Text = "メモ " + std::to_string(i);
            n.IsSent = i < kMyFollowed;
            myNotes.push_back(n);
        }
        logPath = joinPath(st.SharedPath, kLogFile);
        senderPath = joinPath(st.SharedPath, memberFileName(kSender, kKindNotes));
        log = makeLog(newSends);
        writeFile(senderPath, makeSenderNotes());
        restore();
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    void restore() {
        writeFile(logPath, log);
        st.NoteTable = myNotes;
    }
};

Fixture& fixture(bool newSends) {
    static std::map<bool, std::unique_ptr<Fixture>> all;
    auto& f = all[newSends];
    if (!f) f = std::make_unique<Fixture>(newSends);
    return *f;
}

void BM_RawRead(benchmark::State& state) {
    Fixture& f = fixture(true);
    size_t bytes = 0;
    for (auto _ : state) {
        std::string a = readRaw(f.logPath);
        std::string b = readRaw(f.senderPath);
        bytes = a.size() + b.size();
        benchmark::DoNotOptimize(a.data());
        benchmark::DoNotOptimize(b.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

// The least a check that receives must do: the raw read, and the log's content put in place once
// as a change of the log does it (new file beside it, made durable, renamed over the old one).
void BM_RawReadAndOneWrite(benchmark::State& state) {
    Fixture& f = fixture(true);
    for (auto _ : state) {
        std::string a = readRaw(f.logPath);
        std::string b = readRaw(f.senderPath);
        benchmark::DoNotOptimize(b.data());
        SharedFile file;
        if (file.open(f.logPath, ShareMode::ReadWriteExclusive) || file.replaceContent(a))
            state.SkipWithError("raw write");
        file.close();
    }
}

enum Steps { kBoth, kReceive, kFollow };

void runCheck(benchmark::State& state, Steps steps) {
    const int newSends = static_cast<int>(state.range(0));
    Fixture& f = fixture(newSends > 0);
    int received = 0;
    size_t partners = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.restore();
        state.ResumeTiming();
        if (steps == kBoth)
            received = networkCheck(f.st, f.host);
        else if (steps == kReceive)
            received = receiveNotes(f.st, f.host);
        else
            followSentNotes(f.st);
        benchmark::DoNotOptimize(f.st.NoteTable.data());
    }
    // The work was really done: each new send received, the followed notes' receipts seen.
    if (steps != kFollow && received != newSends) state.SkipWithError("not every new send was received");
    for (size_t i = 0; i < kMyFollowed; ++i)
        if (!f.st.NoteTable[i].Partner.PartnerName.empty()) ++partners;
    if (steps != kReceive && partners != kMyFollowed) state.SkipWithError("the followed notes were not updated");
    if (f.prompter.boxes) state.SkipWithError("a message box was shown");
    state.counters["received"] = received;
}

// One receipt of the new sends written into the log: what receiving costs per send.
void BM_OneReceiptWrite(benchmark::State& state) {
    Fixture& f = fixture(true);
    for (auto _ : state) {
        state.PauseTiming();
        f.restore();
        state.ResumeTiming();
        if (!writeReceipt(f.st, kSender, newSendNote(0), 45000, 77, 0)) state.SkipWithError("receipt write failed");
    }
}

void BM_NetworkCheck(benchmark::State& state) { runCheck(state, kBoth); }
void BM_ReceiveOnly(benchmark::State& state) { runCheck(state, kReceive); }
void BM_FollowOnly(benchmark::State& state) { runCheck(state, kFollow); }

BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(BM_RawReadAndOneWrite)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(BM_NetworkCheck)->Arg(kNewSends)->Arg(0)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(BM_ReceiveOnly)->Arg(kNewSends)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(BM_FollowOnly)->Arg(kNewSends)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(BM_OneReceiptWrite)->Unit(benchmark::kMillisecond)->Repetitions(3);

// Prints the runs as usual and remembers the best wall and processor time of each for the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
            std::string name = r.benchmark_name();
            name = name.substr(0, name.find("/repeats:"));
            keepBest(wall_, name, r.GetAdjustedRealTime());
            keepBest(cpu_, name, r.GetAdjustedCPUTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatios() const {
        auto rawWall = wall_.find("BM_RawRead");
        auto rawCpu = cpu_.find("BM_RawRead");
        if (rawWall == wall_.end() || rawCpu == cpu_.end() || rawWall->second <= 0 || rawCpu->second <= 0) return;
        std::printf("\nagainst the raw read of the same bytes (best of the repetitions; goal: a check within 3x)\n");
        std::printf("%-24s %12s %9s %12s %9s %16s\n", "", "wall (ms)", "x raw", "cpu (ms)", "x raw",
                    "wall x raw+write");
        auto rawWrite = wall_.find("BM_RawReadAndOneWrite");
        for (const auto& [name, t] : wall_) {
            const double c = cpu_.at(name);
            std::printf("%-24s %12.3f %8.2fx %12.3f %8.2fx", name.c_str(), t, t / rawWall->second, c,
                        c / rawCpu->second);
            if (rawWrite != wall_.end() && rawWrite->second > 0) std::printf(" %15.2fx", t / rawWrite->second);
            std::printf("\n");
        }
    }

private:
    static void keepBest(std::map<std::string, double>& m, const std::string& name, double t) {
        auto [it, fresh] = m.emplace(name, t);
        if (!fresh && t < it->second) it->second = t;
    }
    std::map<std::string, double> wall_, cpu_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
