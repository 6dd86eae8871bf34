// The access routine of the shared-folder files, the workstation file and the member-list lookups.
#include "app/groval.h"

#include "platform/sharedfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tw;
using tw::test::ScriptedPrompter;
using tw::test::TempDir;
using tw::test::TestClock;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void spit(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

UserEntry member(const std::string& name, int16_t id) {
    UserEntry u;
    u.MemberName = name;
    u.MemberId = id;
    return u;
}

NoteRecord note(const std::string& text, int16_t id) {
    NoteRecord n;
    n.CreatedAt = 36724.375;
    n.NoteId = id;
    n.Text = text;
    n.Width = 2145;
    n.Height = 450;
    return n;
}

const std::string kErrorTitle = "エラー";

std::string failureText(const std::string& label, int err) {
    return label + "ファイルにアクセスできません\r" + makeError(err).description;
}

class GrovalTest : public ::testing::Test {
protected:
    void SetUp() override {
        st.sys.prompter = &prompter;
        st.sys.clock = &clock;
        st.sys.programDir = program.str();
        st.sys.retrySeconds = 0;
        st.sys.retryPauseMs = 0;
        st.SharedPath = shared.str();
        st.CurrentMemberId = 3;
    }

    // A second member's view of the same folder.
    AppState other() {
        AppState o;
        o.sys = st.sys;
        o.SharedPath = st.SharedPath;
        o.CurrentMemberId = st.CurrentMemberId;
        return o;
    }

    TempDir shared;
    TempDir program;
    ScriptedPrompter prompter;
    TestClock clock{36724.375};
    AppState st;
};

}  // namespace

TEST(GrovalNames, MemberFilesAndPaths) {
    EXPECT_EQ(memberFileName(3, ".FCG"), "ID00003.FCG");
    EXPECT_EQ(memberFileName(12345, ".FDT"), "ID12345.FDT");
    EXPECT_EQ(memberFileName(32767, ".FDT"), "ID32767.FDT");
    AppState st;
    st.SharedPath = "share";
    st.CurrentMemberId = 7;
    std::string sep(1, pathSeparator());
    EXPECT_EQ(sharedFilePath(st, kKindShared), "share" + sep + "GRPINLY.CFG");
    EXPECT_EQ(sharedFilePath(st, kKindLocal), "share" + sep + "ID00007.FCG");
    EXPECT_EQ(sharedFilePath(st, kKindNotes), "share" + sep + "ID00007.FDT");
}

TEST_F(GrovalTest, OtherModesDoNothing) {
    EXPECT_TRUE(AccessSharedFile(st, 1, kKindShared));
    EXPECT_TRUE(AccessSharedFile(st, -2, kKindNotes));
    EXPECT_FALSE(std::filesystem::exists(shared.file("GRPINLY.CFG")));
    EXPECT_FALSE(std::filesystem::exists(shared.file("ID00003.FDT")));
}

TEST_F(GrovalTest, EmptyOrMissingSharedFileStartsANewFolder) {
    st.members = {member("old", 9)};
    ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindShared));
    EXPECT_TRUE(std::filesystem::exists(shared.file("GRPINLY.CFG")));   // opening created it, empty
    EXPECT_EQ(std::filesystem::file_size(shared.file("GRPINLY.CFG")), 0u);
    EXPECT_TRUE(st.NewSharedFile);
    EXPECT_EQ(st.sharedConfig.VersionMajor, 1);
    EXPECT_EQ(st.sharedConfig.VersionMinor, 71);
    EXPECT_EQ(st.sharedConfig.VersionRevision, 8);
    EXPECT_DOUBLE_EQ(st.sharedConfig.CreatedOn, 36724.0);   // today, without the time
    EXPECT_EQ(st.sharedConfig.Signature, "タックウィスプ");
    ASSERT_EQ(st.members.size(), 1u);   // nothing else changes
}

TEST_F(GrovalTest, EmptyNoteAndLocalFilesLoadNothing) {
    st.NoteTable = {note("a", 0), note("b", 1)};
    st.localConfig = defaultLocalConfig();
    st.NewSharedFile = true;
    spit(shared.file("ID00003.FDT"), "");
    ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindNotes));
    ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindLocal));   // missing: created empty
    EXPECT_TRUE(std::filesystem::exists(shared.file("ID00003.FCG")));
    EXPECT_EQ(st.NoteTable.size(), 2u);
    EXPECT_EQ(st.localConfig.Fonts[0].FontName, "ＭＳ Ｐゴシック");
    EXPECT_TRUE(st.NewSharedFile);
}

TEST_F(GrovalTest, SharedFileRoundTripReplacesTheMemberList) {
    ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindShared));   // new folder: fresh header
    st.members = {member("山田", 1), member("鈴木", 3)};
    st.members[1].MemberPassword = ScramblePassword("PW7");
    st.members[1].Reserved1 = "\x01";
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindShared));

    std::string bytes = slurp(shared.file("GRPINLY.CFG"));
    EXPECT_EQ(bytes.size(), (28u + 14) + (16u + 4) + (16u + 4 + 1 + 3));

    AppState o = other();
    o.NewSharedFile = true;
    o.members = {member("x", 1), member("y", 2), member("z", 4)};
    ASSERT_TRUE(AccessSharedFile(o, kModeRead, kKindShared));
    EXPECT_FALSE(o.NewSharedFile);
    EXPECT_EQ(o.sharedConfig.VersionMinor, 71);
    EXPECT_DOUBLE_EQ(o.sharedConfig.CreatedOn, 36724.0);
    ASSERT_EQ(o.members.size(), 2u);
    EXPECT_EQ(o.members[0].MemberName, "山田");
    EXPECT_EQ(o.members[1].MemberId, 3);
    EXPECT_EQ(o.members[1].Reserved1, "\x01");
    EXPECT_EQ(MemberPasswordOf(o, 3), "PW7");

    // A file with the header only empties the list.
    st.members.clear();
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindShared));
    ASSERT_TRUE(AccessSharedFile(o, kModeRead, kKindShared));
    EXPECT_TRUE(o.members.empty());
}

TEST_F(GrovalTest, WritingWithoutSignatureWarnsAndRebuildsTheHeader) {
    st.members = {member("a", 1)};
    prompter.expect(kErrorTitle, "共有設定ファイル情報が破壊されています。", Icon::Warning, Buttons::Ok, Answer::Ok);
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindShared));
    EXPECT_EQ(st.sharedConfig.Signature, "タックウィスプ");
    AppState o = other();
    ASSERT_TRUE(AccessSharedFile(o, kModeRead, kKindShared));
    EXPECT_EQ(o.sharedConfig.VersionMajor, 1);
    ASSERT_EQ(o.members.size(), 1u);
}

TEST_F(GrovalTest, SignatureAndVersionChecks) {
    auto writeHeader = [&](const std::string& signature, int32_t major) {
        SharedConfig h;
        h.VersionMajor = major;
        h.Signature = signature;
        ByteWriter w;
        encode(w, h);
        encode(w, member("a", 1));
        spit(shared.file("GRPINLY.CFG"), w.data());
    };
    st.members = {member("keep", 5)};

    writeHeader("付箋", 1);
    prompter.expect(kErrorTitle, "共有設定ファイルではありません", Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(AccessSharedFile(st, kModeRead, kKindShared));

    writeHeader("", 1);
    prompter.expect(kErrorTitle, "共有設定ファイルではありません", Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(AccessSharedFile(st, kModeRead, kKindShared));

    writeHeader("タックウィスプ", 0);
    prompter.expect(kErrorTitle, "共有設定ファイルのバージョンが違います", Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(AccessSharedFile(st, kModeRead, kKindShared));
    ASSERT_EQ(st.members.size(), 1u);
    EXPECT_EQ(st.members[0].MemberName, "keep");

    // A newer major version is accepted.
    writeHeader("タックウィスプ", 2);
    EXPECT_TRUE(AccessSharedFile(st, kModeRead, kKindShared));
    EXPECT_EQ(st.sharedConfig.VersionMajor, 2);
    ASSERT_EQ(st.members.size(), 1u);
    EXPECT_EQ(st.members[0].MemberName, "a");
}

TEST_F(GrovalTest, LocalSettingsRoundTrip) {
    st.localConfig = defaultLocalConfig();
    st.localConfig.MemberName = "鈴木";
    st.localConfig.MemberId = 3;
    st.localConfig.CheckUnit = 2;
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindLocal));
    EXPECT_EQ(std::filesystem::file_size(shared.file("ID00003.FCG")), 62u + 4 + 3 * 23);
    AppState o = other();
    ASSERT_TRUE(AccessSharedFile(o, kModeRead, kKindLocal));
    EXPECT_EQ(o.localConfig.MemberName, "鈴木");
    EXPECT_EQ(o.localConfig.CheckUnit, 2);
    EXPECT_EQ(o.localConfig.Fonts[1].FontSize, 12);
}

TEST_F(GrovalTest, NoteDataReplacesTheTableAndDropsPeeledNotesUnlessASendIsPending) {
    st.NoteTable = {note("one", 0), note("two", 1), note("three", 2)};
    st.NoteTable[1].IsPeeled = true;
    EXPECT_FALSE(SendPending(st));
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindNotes));

    AppState o = other();
    o.NoteTable = {note("x", 0), note("y", 1), note("z", 2), note("w", 3)};
    ASSERT_TRUE(AccessSharedFile(o, kModeRead, kKindNotes));
    ASSERT_EQ(o.NoteTable.size(), 2u);
    EXPECT_EQ(o.NoteTable[0].Text, "one");
    EXPECT_EQ(o.NoteTable[1].Text, "three");
    EXPECT_EQ(o.NoteTable[1].NoteId, 2);   // kept as stored; opening the windows renumbers

    // A sent note still waiting for receipts keeps every record in its place.
    st.NoteTable[2].IsSent = true;
    ASSERT_TRUE(SendPending(st));
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindNotes));
    ASSERT_TRUE(AccessSharedFile(o, kModeRead, kKindNotes));
    ASSERT_EQ(o.NoteTable.size(), 3u);
    EXPECT_TRUE(o.NoteTable[1].IsPeeled);
    EXPECT_EQ(o.NoteTable[2].Text, "three");
}

TEST(GrovalSendPending, OnlyUnfinishedVisibleSends) {
    AppState st;
    st.NoteTable.resize(1);
    NoteRecord& n = st.NoteTable[0];
    EXPECT_FALSE(SendPending(st));
    n.IsSent = true;
    EXPECT_TRUE(SendPending(st));
    n.AllReceived = true;
    EXPECT_FALSE(SendPending(st));
    n.AllReceived = false;
    n.IsPeeled = true;
    EXPECT_FALSE(SendPending(st));
}

// A file cut at any byte is refused as a whole: the failure message of its kind, nothing loaded.
// Cuts that fall exactly between two records leave a shorter but valid file.
TEST_F(GrovalTest, TruncatedFilesNeverLoadPartly) {
    struct Case {
        std::string kind, file, label;
        std::vector<size_t> boundaries;   // lengths at which the file is complete
        std::string bytes;
    };
    std::vector<Case> cases;
    {
        ByteWriter w;
        SharedConfig h;
        h.VersionMajor = 1;
        h.Signature = "タックウィスプ";
        encode(w, h);
        Case c{kKindShared, "GRPINLY.CFG", "共有設定", {}, {}};
        c.boundaries.push_back(w.data().size());
        for (auto& u : {member("山田", 1), member("b", 2)}) {
            encode(w, u);
            c.boundaries.push_back(w.data().size());
        }
        c.bytes = w.data();
        cases.push_back(c);
    }
    {
        ByteWriter w;
        LocalConfig l = defaultLocalConfig();
        l.MemberName = "鈴木";
        encode(w, l);
        cases.push_back({kKindLocal, "ID00003.FCG", "ローカル設定", {w.data().size()}, w.data()});
    }
    {
        ByteWriter w;
        Case c{kKindNotes, "ID00003.FDT", "付箋紙データ", {}, {}};
        for (auto& n : {note("メモ", 0), note("", 1), note("abc", 2)}) {
            encode(w, n);
            c.boundaries.push_back(w.data().size());
        }
        c.bytes = w.data();
        cases.push_back(c);
    }

    for (const Case& c : cases) {
        for (size_t len = 1; len < c.bytes.size(); ++len) {
            SCOPED_TRACE(c.file + " cut at " + std::to_string(len));
            spit(shared.file(c.file), c.bytes.substr(0, len));
            st.NewSharedFile = true;
            st.members = {member("before", 7)};
            st.localConfig = LocalConfig{};
            st.localConfig.MemberName = "before";
            st.NoteTable = {note("before", 0)};
            size_t complete = 0;
            for (size_t b : c.boundaries)
                if (b == len) complete = b;
            if (complete) {
                EXPECT_TRUE(AccessSharedFile(st, kModeRead, c.kind));
                if (c.kind == kKindNotes) {
                    EXPECT_EQ(st.NoteTable.size(),
                              static_cast<size_t>(std::find(c.boundaries.begin(), c.boundaries.end(), len) -
                                                  c.boundaries.begin() + 1));
                }
                continue;
            }
            prompter.expect(kErrorTitle, failureText(c.label, kErrPastEnd), Icon::Warning, Buttons::Ok, Answer::Ok);
            EXPECT_FALSE(AccessSharedFile(st, kModeRead, c.kind));
            EXPECT_TRUE(st.NewSharedFile);
            ASSERT_EQ(st.members.size(), 1u);
            EXPECT_EQ(st.members[0].MemberName, "before");
            EXPECT_EQ(st.localConfig.MemberName, "before");
            ASSERT_EQ(st.NoteTable.size(), 1u);
            EXPECT_EQ(st.NoteTable[0].Text, "before");
        }
    }
}

TEST_F(GrovalTest, GarbageNoteFileIsRefused) {
    // A string count far beyond the end of the file.
    spit(shared.file("ID00003.FDT"), std::string(8, '\0') + "\x01\x00" + "\xFF\xFF" + "abc");
    st.NoteTable = {note("keep", 0)};
    prompter.expect(kErrorTitle, failureText("付箋紙データ", kErrPastEnd), Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(AccessSharedFile(st, kModeRead, kKindNotes));
    EXPECT_EQ(st.NoteTable[0].Text, "keep");
}

TEST_F(GrovalTest, BusyFileKeepsItsOldContentAndReportsTheFailure) {
    st.NoteTable = {note("old", 0)};
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindNotes));
    std::string before = slurp(shared.file("ID00003.FDT"));

    SharedFile holder;   // another member reading the file
    ASSERT_FALSE(holder.open(shared.file("ID00003.FDT"), ShareMode::ReadDenyWrite));
    st.NoteTable = {note("new", 0), note("newer", 1)};
    prompter.expect("確認", "ファイルアクセスが混雑しています", Icon::Information, Buttons::RetryCancel, Answer::Retry);
    prompter.expect("確認", "ファイルアクセスが混雑しています", Icon::Information, Buttons::RetryCancel, Answer::Cancel);
    prompter.expect(kErrorTitle, failureText("付箋紙データ", kErrAccessDenied), Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(AccessSharedFile(st, kModeWrite, kKindNotes));
    EXPECT_EQ(slurp(shared.file("ID00003.FDT")), before);
    holder.close();

    // A reader is refused the same way while a writer holds the file.
    ASSERT_FALSE(holder.open(shared.file("ID00003.FDT"), ShareMode::WriteExclusive));
    prompter.expect("確認", "ファイルアクセスが混雑しています", Icon::Information, Buttons::RetryCancel, Answer::Cancel);
    prompter.expect(kErrorTitle, failureText("付箋紙データ", kErrAccessDenied), Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(AccessSharedFile(st, kModeRead, kKindNotes));
    EXPECT_EQ(st.NoteTable.size(), 2u);
}

TEST_F(GrovalTest, MissingSharedFolderOffersANewPath) {
    std::string gone = shared.file("gone");
    st.SharedPath = gone;
    int unitResets = 0, dialogs = 0;
    st.resetCheckUnitBox = [&](AppState&) { ++unitResets; };
    st.showEnvironmentDialog = [&](AppState& s) {
        ++dialogs;
        s.SharedPath = shared.str();
    };
    prompter.expect(kErrorTitle, failureText("共有設定", kErrPathNotFound), Icon::Warning, Buttons::Ok, Answer::Ok);
    prompter.expect("セットアップ再設定", "共有設定ファイルのパス(" + gone + ")を変更しますか？", Icon::None,
                    Buttons::OkCancel, Answer::Ok);
    ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindShared));
    EXPECT_EQ(unitResets, 1);
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(st.NewSharedFile);
    EXPECT_TRUE(std::filesystem::exists(shared.file("GRPINLY.CFG")));
    // The workstation file now names the new folder.
    AppState o = other();
    ReadWorkstation(o);
    EXPECT_EQ(o.SharedPath, shared.str());
    EXPECT_EQ(o.CurrentMemberId, 3);
}

TEST_F(GrovalTest, MissingSharedFolderCancelled) {
    std::string gone = shared.file("gone");
    st.SharedPath = gone;
    st.sharedConfig.Signature = kProductName;
    bool dialog = false;
    st.showEnvironmentDialog = [&](AppState&) { dialog = true; };
    prompter.expect(kErrorTitle, failureText("共有設定", kErrPathNotFound), Icon::Warning, Buttons::Ok, Answer::Ok);
    prompter.expect("セットアップ再設定", "共有設定ファイルのパス(" + gone + ")を変更しますか？", Icon::None,
                    Buttons::OkCancel, Answer::Cancel);
    EXPECT_FALSE(AccessSharedFile(st, kModeWrite, kKindShared));
    EXPECT_FALSE(dialog);
    EXPECT_FALSE(std::filesystem::exists(program.file("REG.CFG")));

    // The member's own files only report the failure.
    prompter.expect(kErrorTitle, failureText("付箋紙データ", kErrPathNotFound), Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(AccessSharedFile(st, kModeRead, kKindNotes));
    prompter.expect(kErrorTitle, failureText("ローカル設定", kErrPathNotFound), Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(AccessSharedFile(st, kModeWrite, kKindLocal));

    // No folder set at all is a missing folder too, never the current directory.
    st.SharedPath.clear();
    prompter.expect(kErrorTitle, failureText("付箋紙データ", kErrPathNotFound), Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(AccessSharedFile(st, kModeWrite, kKindNotes));
}

TEST_F(GrovalTest, WorkstationFileLayoutAndRoundTrip) {
    st.SharedPath = "\\\\srv\\共有";
    st.CurrentMemberId = 258;
    WriteWorkstation(st);
    std::string bytes = slurp(program.file("REG.CFG"));
    std::string want = std::string("\x0A\x00", 2) + "\\\\srv\\" + "\x8B\xA4\x97\x4C" + std::string("\x02\x01", 2) +
                       std::string(12, '\0');
    EXPECT_EQ(bytes, want);
    st.SharedPath = "x";
    st.CurrentMemberId = 1;
    ReadWorkstation(st);
    EXPECT_EQ(st.SharedPath, "\\\\srv\\共有");
    EXPECT_EQ(st.CurrentMemberId, 258);
}

TEST_F(GrovalTest, WorkstationFileFailures) {
    const std::string name = program.file("REG.CFG");
    auto text = [&](int err) { return "ファイル" + name + "\rにアクセスできません\r" + makeError(err).description; };

    // Held by someone else: no silent retry for the local file.
    WriteWorkstation(st);
    {
        SharedFile holder;
        ASSERT_FALSE(holder.open(name, ShareMode::ReadDenyWrite));
        prompter.expect(kErrorTitle, text(kErrAccessDenied), Icon::Warning, Buttons::Ok, Answer::Ok);
        ReadWorkstation(st);
        EXPECT_EQ(st.SharedPath, "");
        EXPECT_EQ(st.CurrentMemberId, 0);
        prompter.expect(kErrorTitle, text(kErrAccessDenied), Icon::Warning, Buttons::Ok, Answer::Ok);
        WriteWorkstation(st);
    }

    // Damaged: nothing taken from it.
    spit(name, std::string("\x05\x00", 2) + "ab");
    prompter.expect(kErrorTitle, text(kErrPastEnd), Icon::Warning, Buttons::Ok, Answer::Ok);
    st.SharedPath = "x";
    ReadWorkstation(st);
    EXPECT_EQ(st.SharedPath, "");
    EXPECT_EQ(st.CurrentMemberId, 0);

    // Program folder gone.
    st.sys.programDir = program.file("nowhere");
    const std::string name2 = program.file("nowhere") + pathSeparator() + "REG.CFG";
    prompter.expect(kErrorTitle, "ファイル" + name2 + "\rにアクセスできません\r" + makeError(kErrPathNotFound).description,
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    ReadWorkstation(st);
}

TEST(GrovalLookups, MembersByNumber) {
    AppState st;
    EXPECT_EQ(FreeMemberId(st), 1);
    EXPECT_EQ(MemberNameOf(st, 1), "");
    st.members = {member("a", 1), member("c", 3), member("c2", 3), member("zero", 0), member("neg", -2)};
    st.members[1].MemberPassword = ScramblePassword("ABC7");
    st.members[2].MemberPassword = ScramblePassword("OTHER");
    EXPECT_EQ(MemberNameOf(st, 3), "c");   // the first entry with the number
    EXPECT_EQ(MemberNameOf(st, 2), "");
    EXPECT_EQ(MemberNameOf(st, 0), "");    // 0 is nobody, even if a damaged entry carries it
    EXPECT_EQ(MemberNameOf(st, -2), "");
    EXPECT_EQ(FreeMemberId(st), 2);
    EXPECT_EQ(MemberPasswordOf(st, 3), "ABC7");
    EXPECT_EQ(MemberPasswordOf(st, 1), "");
    EXPECT_EQ(MemberPasswordOf(st, 5), "");
    st.members.push_back(member("b", 2));
    EXPECT_EQ(FreeMemberId(st), 4);
}

TEST(GrovalLookups, ScrambleIsItsOwnInverseAndHidesTheText) {
    EXPECT_EQ(ScramblePassword(""), "");
    std::string plain = "AZ09";
    std::string s = ScramblePassword(plain);
    ASSERT_EQ(s.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i) {
        EXPECT_NE(s[i], plain[i]);
        // Not a plain complement: the constant is not zero.
        EXPECT_NE(static_cast<unsigned char>(s[i]), static_cast<unsigned char>(~plain[i]));
    }
    EXPECT_EQ(ScramblePassword(s), plain);
    // The same constant for every character.
    unsigned char k0 = static_cast<unsigned char>(s[0]) ^ static_cast<unsigned char>(~plain[0]);
    unsigned char k3 = static_cast<unsigned char>(s[3]) ^ static_cast<unsigned char>(~plain[3]);
    EXPECT_EQ(k0, k3);
}
