// The access routine of the shared-folder files and the member-list lookups.
#include "app/groval_fixture.h"
#include "support/test_services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace tw;
using namespace tw::test::files;
using tw::test::TempDir;

TEST(GrovalNames, MemberFilesAndPaths) {
    EXPECT_EQ(memberFileName(3, ".FCG"), "ID00003.FCG");
    EXPECT_EQ(memberFileName(12345, ".FDT"), "ID12345.FDT");
    EXPECT_EQ(memberFileName(32767, ".FDT"), "ID32767.FDT");
    tw::test::TestServices env;
    AppState st(env.services());
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
    tw::test::TestServices env;
    AppState st(env.services());
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

TEST_F(GrovalTest, AFullNoteTableIsWrittenAndReadBackAndOneMoreIsRefused) {
    // The note table is full at the same count at which a note file is still read: a member who
    // filled it can start again.
    st.NoteTable.assign(static_cast<size_t>(kMaxNotes), note("n", 0));
    st.NoteTable.back().Text = "last";
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindNotes));
    AppState o = other();
    ASSERT_TRUE(AccessSharedFile(o, kModeRead, kKindNotes));
    ASSERT_EQ(o.NoteTable.size(), static_cast<size_t>(kMaxNotes));
    EXPECT_EQ(o.NoteTable.back().Text, "last");

    // A file with one record more than any member can make is damaged.
    ByteWriter w;
    encode(w, note("one too many", 0));
    spit(shared.file("ID00003.FDT"), slurp(shared.file("ID00003.FDT")) + w.data());
    prompter.expect(kErrorTitle, failureText("付箋紙データ", kErrPastEnd), Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(AccessSharedFile(o, kModeRead, kKindNotes));
    EXPECT_EQ(o.NoteTable.back().Text, "last") << "the table read before stays";
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
    FolderDialog dialog(st, shared.str());
    prompter.expect(kErrorTitle, failureText("共有設定", kErrPathNotFound), Icon::Warning, Buttons::Ok, Answer::Ok);
    prompter.expect("セットアップ再設定", "共有設定ファイルのパス(" + gone + ")を変更しますか？", Icon::None,
                    Buttons::OkCancel, Answer::Ok);
    ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindShared, &dialog));
    EXPECT_EQ(dialog.unitResets, 1);
    EXPECT_EQ(dialog.shown, 1);
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
    FolderDialog dialog(st, shared.str());
    prompter.expect(kErrorTitle, failureText("共有設定", kErrPathNotFound), Icon::Warning, Buttons::Ok, Answer::Ok);
    prompter.expect("セットアップ再設定", "共有設定ファイルのパス(" + gone + ")を変更しますか？", Icon::None,
                    Buttons::OkCancel, Answer::Cancel);
    EXPECT_FALSE(AccessSharedFile(st, kModeWrite, kKindShared, &dialog));
    EXPECT_EQ(dialog.shown, 0);
    EXPECT_FALSE(std::filesystem::exists(program.file("REG.CFG")));

    // Where no environment dialog can be shown (a change made from inside it), only the failure.
    prompter.expect(kErrorTitle, failureText("共有設定", kErrPathNotFound), Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(AccessSharedFile(st, kModeRead, kKindShared));
    EXPECT_EQ(st.SharedPath, gone);

    // The member's own files only report the failure.
    prompter.expect(kErrorTitle, failureText("付箋紙データ", kErrPathNotFound), Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(AccessSharedFile(st, kModeRead, kKindNotes));
    prompter.expect(kErrorTitle, failureText("ローカル設定", kErrPathNotFound), Icon::Warning, Buttons::Ok, Answer::Ok);
    st.localConfig = defaultLocalConfig();   // local settings never read are not written at all
    EXPECT_FALSE(AccessSharedFile(st, kModeWrite, kKindLocal));

    // No folder set at all is a missing folder too, never the current directory.
    st.SharedPath.clear();
    prompter.expect(kErrorTitle, failureText("付箋紙データ", kErrPathNotFound), Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(AccessSharedFile(st, kModeWrite, kKindNotes));
}

TEST(GrovalLookups, MembersByNumber) {
    tw::test::TestServices env;
    AppState st(env.services());
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
