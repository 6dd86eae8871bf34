// The helper program fake_sender, which plays a sending member in the black-box runs with bytes
// written by hand, against the program's own codecs: what it writes reads back as intended and
// encodes again to the same bytes, and what it reads of a receipt and a received note is what the
// program wrote.
#include "app/groval.h"
#include "messaging/logcodec.h"
#include "messaging/reception.h"
#include "model/datetime.h"
#include "platform/child_process.h"
#include "support/temp_dir.h"
#include "support/test_services.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

namespace tw {
namespace {

using test::ChildProcess;
using test::TempDir;
using test::toolPath;

constexpr double kT0 = 45000.5;
// "Plan 会議" and a second line, and the two names, as the tool takes them: CP932 bytes escaped.
const std::string kTextArg = "Plan \\x89\\xef\\x8b\\x63\\nB";
const std::string kText = "Plan 会議\r\nB";
const std::string kYamadaArg = "\\x8e\\x52\\x93\\x63";   // 山田
const std::string kSuzukiArg = "\\x97\\xe9\\x96\\xd8";   // 鈴木

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct ToolRun {
    std::string line;   // the first line it printed
    int code = -1;
};

ToolRun tool(const std::vector<std::string>& args) {
    ChildProcess p(toolPath("fake_sender"), args);
    EXPECT_TRUE(p.started()) << "fake_sender could not be started";
    ToolRun r;
    r.line = p.nextLine();
    r.code = p.wait();
    return r;
}

class NoWindows : public ReceptionHost {
public:
    std::vector<int> opened;
    void openNoteWindow(int index) override { opened.push_back(index); }
    bool openAnswerSheet(const LogRecord&, const NoteRecord&) override { return false; }
};

class FakeSenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.clock.set(kT0);
        st.SharedPath = dir.str();
        st.CurrentMemberId = 2;
        st.localConfig = defaultLocalConfig();
        st.localConfig.MemberName = "鈴木";
        st.localConfig.MemberId = 2;
        NoteRecord own;
        own.Text = "own";
        st.NoteTable = {own};
    }
    std::string dirArg() const { return dir.str(); }

    TempDir dir;
    test::TestServices env;
    AppState st{env.services()};
};

TEST_F(FakeSenderTest, ItsNoteAndSendRecordReadBackAsIntendedAndEncodeToTheSameBytes) {
    ASSERT_EQ(tool({"note", dirArg(), "1", "3", kTextArg, "1500", "3000", "2400", "1200"}).code, 0);
    ASSERT_EQ(tool({"note", dirArg(), "1", "4", "second", "0", "0", "100", "200"}).code, 0);
    ASSERT_EQ(tool({"send", dirArg(), "1", kYamadaArg, "3", "2", kSuzukiArg, "1"}).code, 0);
    const double now = SystemClock().now();

    const std::string notes = readFile(joinPath(dir.str(), "ID00001.FDT"));
    ByteReader rd(notes);
    std::vector<NoteRecord> read;
    while (!rd.atEnd()) {
        NoteRecord r;
        ASSERT_TRUE(decode(rd, r)) << "the note file ends inside a record";
        read.push_back(r);
    }
    ASSERT_EQ(read.size(), 2u);
    const NoteRecord& n = read[0];
    EXPECT_EQ(n.NoteId, 3);
    EXPECT_EQ(n.Text, kText);
    EXPECT_EQ(n.Top, 1500);
    EXPECT_EQ(n.Left, 3000);
    EXPECT_EQ(n.Width, 2400);
    EXPECT_EQ(n.Height, 1200);
    EXPECT_TRUE(n.IsSent);
    EXPECT_FALSE(n.HasPeriod || n.IsReceived || n.AllReceived || n.AutoDelete || n.IsPeeled);
    EXPECT_EQ(n.TextSize, 1);
    EXPECT_EQ(n.Partner.PartnerName, "");
    EXPECT_LT(std::fabs(n.CreatedAt - now), 1.0 / 24) << "created now, in local time";
    EXPECT_EQ(read[1].NoteId, 4);
    EXPECT_EQ(read[1].Text, "second");
    ByteWriter w;
    for (const NoteRecord& r : read) encode(w, r);
    EXPECT_EQ(w.data(), notes) << "every field where the program's codec has it";

    const std::string log = readFile(joinPath(dir.str(), "GRPINLY.FLG"));
    std::vector<LogEntryRef> entries;
    ASSERT_TRUE(scanLogRecords(log, entries));
    ASSERT_EQ(entries.size(), 1u);
    LogNameDecoder names;
    const LogRecord r = toLogRecord(entries[0], names);
    EXPECT_EQ(r.SenderName, "山田");
    EXPECT_EQ(r.SenderId, 1);
    EXPECT_EQ(r.NoteId, 3);
    EXPECT_EQ(r.ReceivedAt, 0);
    EXPECT_EQ(r.RecipientName, "鈴木");
    EXPECT_EQ(r.RecipientId, 2);
    EXPECT_EQ(r.ReceivedNoteId, 0);
    EXPECT_EQ(r.QuestionKind, 1);
    EXPECT_EQ(r.AnswerCode, 0);
    EXPECT_LT(std::fabs(r.SentAt - now), 1.0 / 24);
    ByteWriter lw;
    encode(lw, r);
    EXPECT_EQ(lw.data(), log);

    // The receiver's lookup finds the sent note by its NoteId, not by its place in the file.
    NoteRecord found;
    FileError error;
    ASSERT_EQ(findSentNote(st, 1, 3, found, error), SentNoteLookup::Found);
    EXPECT_EQ(found.Text, kText);
}

TEST_F(FakeSenderTest, ItReadsTheReceiptAndTheReceivedNoteAsTheProgramWroteThem) {
    ASSERT_EQ(tool({"note", dirArg(), "1", "0", kTextArg, "1500", "3000", "2400", "1200"}).code, 0);
    ASSERT_EQ(tool({"send", dirArg(), "1", kYamadaArg, "0", "2", kSuzukiArg}).code, 0);
    ToolRun before = tool({"check", dirArg(), "1", "0", "2"});
    EXPECT_EQ(before.line, "pending");
    EXPECT_EQ(before.code, 1);
    ToolRun other = tool({"check", dirArg(), "1", "0", "3"});
    EXPECT_EQ(other.line, "missing");
    EXPECT_EQ(other.code, 3);

    NoWindows host;
    ASSERT_EQ(receiveNotes(st, host), 1);
    EXPECT_EQ(host.opened, std::vector<int>{1});
    ToolRun after = tool({"check", dirArg(), "1", "0", "2"});
    EXPECT_EQ(after.line, "received 1 0");
    EXPECT_EQ(after.code, 0);

    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindNotes));
    ChildProcess show(toolPath("fake_sender"), {"show", dirArg(), "2"});
    EXPECT_EQ(show.nextLine(), "0 id=0 top=0 left=0 width=0 height=0 sent=0 received=0 allreceived=0 peeled=0 "
                               "partner= text=own");
    EXPECT_EQ(show.nextLine(), "1 id=1 top=1500 left=3000 width=2400 height=1200 sent=0 received=-1 allreceived=0 "
                               "peeled=0 partner=\\x8eR\\x93c text=Plan \\x89\\xef\\x8bc\\nB");
    EXPECT_EQ(show.nextLine(), "");
    EXPECT_EQ(show.wait(), 0);
}

TEST_F(FakeSenderTest, ADamagedLogOrNoteFileIsReportedNotRead) {
    ASSERT_EQ(tool({"send", dirArg(), "1", "a", "0", "2", "b"}).code, 0);
    std::string log = readFile(joinPath(dir.str(), "GRPINLY.FLG"));
    {
        std::ofstream out(joinPath(dir.str(), "GRPINLY.FLG"), std::ios::binary | std::ios::trunc);
        out << log.substr(0, log.size() - 1);
    }
    EXPECT_EQ(tool({"check", dirArg(), "1", "0", "2"}).code, 2);
    ASSERT_EQ(tool({"note", dirArg(), "1", "0", "x", "0", "0", "1", "1"}).code, 0);
    std::string notes = readFile(joinPath(dir.str(), "ID00001.FDT"));
    {
        std::ofstream out(joinPath(dir.str(), "ID00001.FDT"), std::ios::binary | std::ios::trunc);
        out << notes.substr(0, notes.size() - 2);
    }
    EXPECT_EQ(tool({"show", dirArg(), "1"}).code, 2);
}

}  // namespace
}  // namespace tw
