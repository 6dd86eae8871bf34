// The shared log routine on logs of 1,000, 10,000 and 100,000 records, against reading the same file's
// bytes raw (open with the same sharing mode, read everything, close). A change is also compared with
// its raw counterpart: read everything and put the new content in place.
// At the end a table gives each operation's time as a multiple of its raw counterpart.
#include "model/records.h"
#include "model/state.h"
#include "messaging/logcodec.h"
#include "messaging/sharedlog.h"
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
#include <optional>
#include <string>
#include <vector>

using namespace tw;

namespace {

class SilentPrompter : public Prompter {
public:
    Answer ask(const std::string& title, const std::string& text, Icon, Buttons) override {
        std::fprintf(stderr, "unexpected box: %s: %s\n", title.c_str(), text.c_str());
        return Answer::Cancel;
    }
};

class FixedClock : public Clock {
public:
    double now() override { return t += 1.0 / 86400; }
    double t = 45000;
};

std::string memberName(int id) { return (id % 2) ? "member" + std::to_string(id) : "メンバー" + std::to_string(id); }

// A log as a busy workgroup of eight leaves it: a third received, every member sending and receiving.
std::string makeLog(int records) {
    ByteWriter w;
    for (int i = 0; i < records; ++i) {
        LogRecord r;
        r.SentAt = 44000 + i / 1440.0;
        r.SenderId = static_cast<int16_t>(1 + i % 8);
        r.SenderName = memberName(r.SenderId);
        r.NoteId = static_cast<int16_t>(i % 50);
        r.RecipientId = static_cast<int16_t>(1 + (i / 8 + 3) % 8);
        r.RecipientName = memberName(r.RecipientId);
        r.ReceivedAt = (i % 3) ? 0 : 44100.5;
        r.QuestionKind = static_cast<int16_t>(i % 3);
        encode(w, r);
    }
    return w.data();
}

struct Fixture {
    std::filesystem::path dir;
    std::string path;
    std::string bytes;
    SilentPrompter prompter;
    FixedClock clock;
    FixedScreen screen;
    EmptySettingsStore store;
    AppState st{Services{prompter, clock, screen, store}};

    explicit Fixture(int records) {
        dir = std::filesystem::temp_directory_path() / ("tackwisp-bench-" + std::to_string(records));
        std::filesystem::create_directories(dir);
        st.SharedPath = dir.string();
        path = joinPath(st.SharedPath, "GRPINLY.FLG");
        bytes = makeLog(records);
        restore();
        st.CurrentMemberId = 2;
        st.localConfig.MemberName = memberName(2);
        for (int i = 1; i <= 8; ++i) {
            UserEntry u;
            u.MemberName = memberName(i);
            u.MemberId = static_cast<int16_t>(i);
            st.members.push_back(u);
        }
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    void restore() {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
};

Fixture& fixture(int records) {
    static std::map<int, std::unique_ptr<Fixture>> all;
    auto& f = all[records];
    if (!f) f = std::make_unique<Fixture>(records);
    return *f;
}

void setCounters(benchmark::State& state, int records, const Fixture& f) {
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(records) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["log_bytes"] = static_cast<double>(f.bytes.size());
}

void BM_RawRead(benchmark::State& state) {
    int n = static_cast<int>(state.range(0));
    Fixture& f = fixture(n);
    for (auto _ : state) {
        // A fresh buffer each time, as a program that reads the file has to take one.
        std::string bytes;
        SharedFile file;
        if (file.open(f.path, ShareMode::ReadDenyWrite) || file.readAll(bytes)) state.SkipWithError("raw read");
        file.close();
        benchmark::DoNotOptimize(bytes.data());
    }
    setCounters(state, n, f);
}

template <class Read>
void runRead(benchmark::State& state, Read read) {
    int n = static_cast<int>(state.range(0));
    Fixture& f = fixture(n);
    size_t selected = 0;
    for (auto _ : state) {
        const std::optional<LogRecords> records = read(f.st);
        if (!records) state.SkipWithError("log read failed");
        else selected = records->size();
    }
    setCounters(state, n, f);
    state.counters["selected"] = static_cast<double>(selected);
}

void BM_Kind0(benchmark::State& state) { runRead(state, [](AppState& st) { return readUnreceivedLog(st); }); }
void BM_Kind1(benchmark::State& state) { runRead(state, [](AppState& st) { return readSendRecords(st, 7); }); }
void BM_Kind2(benchmark::State& state) { runRead(state, [](AppState& st) { return readWholeLog(st); }); }

// Raw counterpart of a change: read everything under the exclusive open, put new bytes in place.
void BM_RawChange(benchmark::State& state) {
    int n = static_cast<int>(state.range(0));
    Fixture& f = fixture(n);
    const std::string extra(48, 'x');
    for (auto _ : state) {
        std::string bytes;
        SharedFile file;
        if (file.open(f.path, ShareMode::ReadWriteExclusive) || file.readAll(bytes) ||
            file.replaceContent(bytes + extra))
            state.SkipWithError("raw change");
        file.close();
        state.PauseTiming();
        f.restore();
        state.ResumeTiming();
    }
    setCounters(state, n, f);
}

void BM_Kind10(benchmark::State& state) {
    int n = static_cast<int>(state.range(0));
    Fixture& f = fixture(n);
    for (auto _ : state) {
        if (!writeSendRecord(f.st, 3, 5, 0)) state.SkipWithError("send write failed");
        state.PauseTiming();
        f.restore();
        state.ResumeTiming();
    }
    setCounters(state, n, f);
}

// Several repetitions each, so that the ratios can use the best run of each.
#define LOG_SIZES(b) b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)->Repetitions(5)
LOG_SIZES(BENCHMARK(BM_RawRead));
LOG_SIZES(BENCHMARK(BM_Kind0));
LOG_SIZES(BENCHMARK(BM_Kind1));
LOG_SIZES(BENCHMARK(BM_Kind2));
LOG_SIZES(BENCHMARK(BM_RawChange));
LOG_SIZES(BENCHMARK(BM_Kind10));

// Prints the runs as usual and remembers their times for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // With repetitions the best of them counts: the others met a busy machine.
        for (const auto& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
            std::string name = r.benchmark_name();
            name = name.substr(0, name.find("/repeats:"));
            auto keepBest = [&](std::map<std::string, double>& m, double t) {
                auto [it, fresh] = m.emplace(name, t);
                if (!fresh && t < it->second) it->second = t;
            };
            keepBest(times_, r.GetAdjustedRealTime());
            keepBest(cpuTimes_, r.GetAdjustedCPUTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatios() const {
        std::printf("\ntime as a multiple of the raw counterpart (best of the repetitions)\n");
        std::printf("%-34s %10s %10s %10s\n", "", "1000", "10000", "100000");
        printRow("BM_Kind0", "BM_RawRead", times_, "");
        printRow("BM_Kind1", "BM_RawRead", times_, "");
        printRow("BM_Kind2", "BM_RawRead", times_, "");
        // A change waits for its new content to reach the disk: compare it with a raw change, and
        // the processor time separately.
        printRow("BM_Kind10", "BM_RawChange", times_, "");
        printRow("BM_Kind10", "BM_RawChange", cpuTimes_, " (cpu)");
        printRow("BM_Kind10", "BM_RawRead", cpuTimes_, " (cpu)");
    }

private:
    static void printRow(const std::string& op, const std::string& raw, const std::map<std::string, double>& t,
                         const char* note) {
        std::printf("%-34s", (op + " / " + raw + note).c_str());
        for (const char* n : {"1000", "10000", "100000"}) {
            auto a = t.find(op + "/" + n);
            auto b = t.find(raw + "/" + n);
            if (a == t.end() || b == t.end() || b->second <= 0)
                std::printf(" %10s", "-");
            else
                std::printf(" %9.2fx", a->second / b->second);
        }
        std::printf("\n");
    }
    std::map<std::string, double> times_;
    std::map<std::string, double> cpuTimes_;
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
