// Damaged shared-folder files: a member list is refused whole and names its file; a member's own
// file that ends inside a record is loaded as far as it is complete, after its bytes were kept in a copy.
#include "app/groval_fixture.h"
#include "app/blocked_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

using namespace tw;
using namespace tw::test::files;
using tw::test::Blocking;
using tw::test::BlockedFolder;
using tw::test::TempDir;

namespace {

const std::string kNotShared = "共有設定ファイルではありません";
const std::string kOldVersion = "共有設定ファイルのバージョンが違います";

// A member list that does not decode: refused, naming the file.
std::string damagedListText(const std::string& path) {
    return "共有設定ファイル" + path + "\rは壊れているため読み込めません\r" + makeError(kErrPastEnd).description;
}

// The notice after a member's own file was found cut and its bytes kept in `copy`.
std::string cutNotice(const std::string& label, const std::string& path, const std::string& goingOn,
                      const std::string& copy) {
    return label + "ファイル" + path + "\rは途中で切れていました。" + goingOn + "\r元の内容は" + copy + "\rに残しました。";
}
std::string notesGoingOn(size_t n) { return "読み込めた" + std::to_string(n) + "枚の付箋紙で続けます。"; }
const std::string kLocalGoingOn = "名前とID以外の設定は初期値で続けます。";

// The copy's name at the test clock's time (2000-07-17 09:00:00).
const std::string kStamp = ".damaged-20000717-090000";

// A file as records one after another, and the lengths at which it ends between two of them.
struct Image {
    std::string bytes;
    std::vector<size_t> boundaries;
    bool endsBetweenRecords(size_t len) const {
        return std::find(boundaries.begin(), boundaries.end(), len) != boundaries.end();
    }
    size_t recordsIn(size_t len) const {
        auto ended = [&](size_t b) { return b <= len; };
        return static_cast<size_t>(std::count_if(boundaries.begin(), boundaries.end(), ended));
    }
};

SharedConfig header(const std::string& signature, int32_t major) {
    SharedConfig h;
    h.VersionMajor = major;
    h.Signature = signature;
    return h;
}

// The header, then members "山田" 1 and "b" 2: its first record is the header.
Image memberListImage() {
    ByteWriter w;
    Image img;
    encode(w, header("タックウィスプ", 1));
    img.boundaries.push_back(w.data().size());
    for (const UserEntry& u : {member("山田", 1), member("b", 2)}) {
        encode(w, u);
        img.boundaries.push_back(w.data().size());
    }
    img.bytes = w.data();
    return img;
}

const std::vector<std::string> kImageNotes = {"メモ", "", "abc"};

Image noteImage() {
    ByteWriter w;
    Image img;
    for (size_t i = 0; i < kImageNotes.size(); ++i) {
        encode(w, note(kImageNotes[i], static_cast<int16_t>(i)));
        img.boundaries.push_back(w.data().size());
    }
    img.bytes = w.data();
    return img;
}

std::string encoded(const LocalConfig& c) {
    ByteWriter w;
    encode(w, c);
    return w.data();
}

}  // namespace

// The signature and the version are judged before the member list: a file of another program, or
// of an older version, is named as such whatever follows its header, and no other folder is offered.
TEST_F(GrovalTest, SignatureAndVersionChecks) {
    ByteWriter entry;
    encode(entry, member("a", 1));
    const std::vector<std::pair<std::string, std::string>> tails = {
        {"entries", entry.data()},
        {"a cut entry", entry.data().substr(0, 5)},
        {"bytes of another program", std::string("\xFF\x7F", 2) + "not a member list"},
    };
    struct Refusal {
        std::string signature;
        int32_t major;
        std::string text;
    };
    const std::vector<Refusal> refusals = {{"付箋", 1, kNotShared}, {"", 1, kNotShared}, {"タックウィスプ", 0, kOldVersion}};
    auto headerBytes = [](const std::string& signature, int32_t major) {
        ByteWriter w;
        encode(w, header(signature, major));
        return w.data();
    };
    for (const auto& [tailName, tail] : tails) {
        for (const Refusal& r : refusals) {
            SCOPED_TRACE("signature \"" + r.signature + "\" version " + std::to_string(r.major) + ", then " + tailName);
            spit(shared.file("GRPINLY.CFG"), headerBytes(r.signature, r.major) + tail);
            st.members = {member("keep", 5)};
            prompter.expect(kErrorTitle, r.text, Icon::Warning, Buttons::Ok, Answer::Ok);
            EXPECT_EQ(accessSharedFileOnce(st, kModeRead, kKindShared), AccessOutcome::Refused);
            FolderDialog dialog(st, program.str());
            prompter.expect(kErrorTitle, r.text, Icon::Warning, Buttons::Ok, Answer::Ok);
            EXPECT_FALSE(AccessSharedFile(st, kModeRead, kKindShared, &dialog));
            EXPECT_EQ(dialog.unitResets, 0);
            ASSERT_EQ(st.members.size(), 1u);
            EXPECT_EQ(st.members[0].MemberName, "keep");
        }
    }

    // A newer major version is accepted.
    spit(shared.file("GRPINLY.CFG"), headerBytes("タックウィスプ", 2) + entry.data());
    EXPECT_EQ(accessSharedFileOnce(st, kModeRead, kKindShared), AccessOutcome::Done);
    EXPECT_TRUE(AccessSharedFile(st, kModeRead, kKindShared));
    EXPECT_EQ(st.sharedConfig.VersionMajor, 2);
    ASSERT_EQ(st.members.size(), 1u);
    EXPECT_EQ(st.members[0].MemberName, "a");
}

// A member list cut at any byte is refused as a whole, naming the file: taken in part and written back
// by a join or a rename, it would drop the members cut off. Cuts that fall exactly between two records
// leave a shorter but valid file.
TEST_F(GrovalTest, ACutMemberListIsRefusedWholeNamingTheFile) {
    const Image img = memberListImage();
    const std::string path = shared.file("GRPINLY.CFG");
    for (size_t len = 1; len < img.bytes.size(); ++len) {
        SCOPED_TRACE("cut at " + std::to_string(len));
        const std::string cut = img.bytes.substr(0, len);
        spit(path, cut);
        st.NewSharedFile = true;
        st.members = {member("before", 7)};
        if (img.endsBetweenRecords(len)) {
            EXPECT_TRUE(AccessSharedFile(st, kModeRead, kKindShared));
            EXPECT_EQ(st.members.size(), img.recordsIn(len) - 1);
            continue;
        }
        prompter.expect(kErrorTitle, damagedListText(path), Icon::Warning, Buttons::Ok, Answer::Ok);
        EXPECT_EQ(accessSharedFileOnce(st, kModeRead, kKindShared), AccessOutcome::Failed);
        EXPECT_TRUE(st.NewSharedFile);
        ASSERT_EQ(st.members.size(), 1u);
        EXPECT_EQ(st.members[0].MemberName, "before");
        EXPECT_EQ(slurp(path), cut);
        EXPECT_EQ(listDirectory(shared.str()), std::vector<std::string>{"GRPINLY.CFG"}) << "refused, not salvaged";
    }
}

// A note file cut at any byte (an older copy of the program was killed while writing it) gives its
// complete notes. Its bytes as found are kept in a copy first, and the user is told once; the file
// itself stays until the program writes it next.
TEST_F(GrovalTest, ACutNoteFileLoadsItsCompleteNotesAndKeepsItsBytesInACopy) {
    const Image img = noteImage();
    const std::string path = shared.file("ID00003.FDT");
    const std::string copy = path + kStamp;
    for (size_t len = 1; len < img.bytes.size(); ++len) {
        SCOPED_TRACE("cut at " + std::to_string(len));
        std::filesystem::remove(copy);
        const std::string cut = img.bytes.substr(0, len);
        spit(path, cut);
        st.NoteTable = {note("before", 0)};
        const size_t complete = img.recordsIn(len);
        const bool damaged = !img.endsBetweenRecords(len);
        if (damaged) {
            prompter.expect("確認", cutNotice("付箋紙データ", path, notesGoingOn(complete), copy), Icon::Information,
                            Buttons::Ok, Answer::Ok);
        }
        ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindNotes));
        ASSERT_EQ(st.NoteTable.size(), complete);
        for (size_t i = 0; i < complete; ++i) EXPECT_EQ(st.NoteTable[i].Text, kImageNotes[i]);
        EXPECT_EQ(slurp(path), cut);
        if (damaged) {
            EXPECT_EQ(slurp(copy), cut);
        } else {
            EXPECT_FALSE(std::filesystem::exists(copy));
        }
    }
}

// A local settings file has one record: cut anywhere, it gives the design settings, keeping the
// member's number and his name (from the file when its name field is complete, else from the list).
TEST_F(GrovalTest, ACutLocalSettingsFileGoesOnWithTheDesignSettingsKeepingNameAndNumber) {
    LocalConfig saved = defaultLocalConfig();
    saved.MemberName = "鈴木";
    saved.MemberId = 3;
    saved.CheckUnit = 2;
    saved.TimerBase = 9;
    const std::string bytes = encoded(saved);
    const size_t nameComplete = 2 + 4;   // the count and the name's four CP932 bytes
    st.members = {member("一覧の鈴木", 3)};
    const std::string path = shared.file("ID00003.FCG");
    const std::string copy = path + kStamp;
    for (size_t len = 1; len < bytes.size(); ++len) {
        SCOPED_TRACE("cut at " + std::to_string(len));
        std::filesystem::remove(copy);
        const std::string cut = bytes.substr(0, len);
        spit(path, cut);
        st.localConfig = LocalConfig{};
        st.localConfig.MemberName = "before";
        prompter.expect("確認", cutNotice("ローカル設定", path, kLocalGoingOn, copy), Icon::Information, Buttons::Ok,
                        Answer::Ok);
        ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindLocal));
        LocalConfig want = defaultLocalConfig();
        want.MemberName = len >= nameComplete ? "鈴木" : "一覧の鈴木";
        want.MemberId = 3;
        EXPECT_EQ(encoded(st.localConfig), encoded(want));
        EXPECT_EQ(slurp(copy), cut);
        EXPECT_EQ(slurp(path), cut);
    }
}

TEST_F(GrovalTest, GarbageNoteFileLoadsNothingAndIsKeptAsACopy) {
    // A string count far beyond the end of the file: not one note is complete.
    const std::string garbage = std::string(8, '\0') + "\x01\x00" + "\xFF\xFF" + "abc";
    const std::string path = shared.file("ID00003.FDT");
    spit(path, garbage);
    st.NoteTable = {note("before", 0)};
    prompter.expect("確認", cutNotice("付箋紙データ", path, notesGoingOn(0), path + kStamp), Icon::Information,
                    Buttons::Ok, Answer::Ok);
    EXPECT_TRUE(AccessSharedFile(st, kModeRead, kKindNotes));
    EXPECT_TRUE(st.NoteTable.empty());
    EXPECT_EQ(slurp(path + kStamp), garbage);
}

// Two damaged reads in one second get two copies; the program's next write of the file leaves them,
// and their names end in none of the endings the program (or another member's) opens or tidies away.
TEST_F(GrovalTest, DamagedCopiesNeverCollideAndOutliveTheNextWrite) {
    const Image img = noteImage();
    const std::string cut = img.bytes.substr(0, img.bytes.size() - 1);
    const std::string path = shared.file("ID00003.FDT");
    const std::vector<std::string> copies = {path + kStamp, path + kStamp + "-2"};
    for (const std::string& copy : copies) {
        spit(path, cut);
        prompter.expect("確認", cutNotice("付箋紙データ", path, notesGoingOn(2), copy), Icon::Information, Buttons::Ok,
                        Answer::Ok);
        ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindNotes));
    }
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindNotes));
    AppState o = other();
    ASSERT_TRUE(AccessSharedFile(o, kModeRead, kKindNotes));
    EXPECT_EQ(o.NoteTable.size(), 2u);
    for (const std::string& copy : copies) EXPECT_EQ(slurp(copy), cut);
    const std::vector<std::string> names = listDirectory(shared.str(), "*.damaged-*");
    ASSERT_EQ(names.size(), copies.size());
    for (const std::string& name : names)
        for (const char* pattern : {"*.FDT", "*.FCG", "*.CFG", "*.FLG", "*.~*.tmp"})
            EXPECT_FALSE(matchesPattern(name, pattern)) << name << " matches " << pattern;
}

// Without its copy the damaged bytes would be lost at the next write: such a file is refused.
TEST_F(GrovalTest, ACutFileWhoseCopyCannotBeKeptIsRefused) {
    if (const std::string why = tw::test::reasonWhyNot(Blocking::ReadOnly); !why.empty()) GTEST_SKIP() << why;
    const Image img = noteImage();
    const std::string cut = img.bytes.substr(0, img.bytes.size() - 1);
    const std::string path = shared.file("ID00003.FDT");
    spit(path, cut);
    st.NoteTable = {note("before", 0)};
    BlockedFolder readOnly(shared.path(), Blocking::ReadOnly);
    prompter.expect(kErrorTitle,
                    "付箋紙データファイル" + path + "\rは途中で切れていますが、元の内容を" + path + kStamp +
                        "\rに残せないため読み込めません\r" + makeError(kErrAccessDenied).description,
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(AccessSharedFile(st, kModeRead, kKindNotes));
    readOnly.unblock();
    ASSERT_EQ(st.NoteTable.size(), 1u);
    EXPECT_EQ(st.NoteTable[0].Text, "before");
    EXPECT_EQ(listDirectory(shared.str()), std::vector<std::string>{"ID00003.FDT"});
}

// Not only a missing folder: any failed access of the shared settings offers another folder, and the
// member goes on in the folder named there.
TEST_F(GrovalTest, AnyFailedAccessOfTheSharedSettingsOffersAnotherFolder) {
    TempDir good;
    {
        AppState g = other();
        g.SharedPath = good.str();
        g.sharedConfig = header("タックウィスプ", 1);
        g.members = {member("佐藤", 1)};
        ASSERT_TRUE(AccessSharedFile(g, kModeWrite, kKindShared));
    }
    const std::string path = shared.file("GRPINLY.CFG");
    struct Case {
        std::string what;
        std::function<std::unique_ptr<SharedFile>()> prepare;   // may hold the file open
        std::vector<tw::test::Box> failure;
        std::vector<Answer> answers;
    };
    const std::vector<Case> cases = {
        {"a damaged member list",
         [&] {
             spit(path, memberListImage().bytes.substr(0, 50));
             return nullptr;
         },
         {{kErrorTitle, damagedListText(path), Icon::Warning, Buttons::Ok}},
         {Answer::Ok}},
        {"a member list another computer holds",
         [&] {
             auto holder = std::make_unique<SharedFile>();
             EXPECT_TRUE(holder->open(path, ShareMode::WriteExclusive).ok());
             return holder;
         },
         {{"確認", "ファイルアクセスが混雑しています", Icon::Information, Buttons::RetryCancel},
          {kErrorTitle, failureText("共有設定", kErrAccessDenied), Icon::Warning, Buttons::Ok}},
         {Answer::Cancel, Answer::Ok}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        st.SharedPath = shared.str();
        st.members.clear();
        auto holder = c.prepare();
        for (size_t i = 0; i < c.failure.size(); ++i) prompter.expect(c.failure[i], c.answers[i]);
        prompter.expect("セットアップ再設定", "共有設定ファイルのパス(" + shared.str() + ")を変更しますか？", Icon::None,
                        Buttons::OkCancel, Answer::Ok);
        FolderDialog dialog(st, good.str());
        ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindShared, &dialog));
        EXPECT_EQ(dialog.shown, 1);
        ASSERT_EQ(st.members.size(), 1u);
        EXPECT_EQ(st.members[0].MemberName, "佐藤");
        AppState o = other();
        ReadWorkstation(o);
        EXPECT_EQ(o.SharedPath, good.str());
    }
}

