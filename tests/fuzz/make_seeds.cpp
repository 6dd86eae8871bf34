// Writes the seed inputs of the fuzz targets: files as the program itself writes them (through its
// own routines and encoders), and a few damaged ones made from them.
//
//   fuzz_make_seeds <corpus folder>      (tests/fuzz/corpus; one sub-folder per target)
//
// The output is the same on every run; the seeds are kept in the source tree, beside the inputs that
// once failed, which nothing here touches.
#include "fuzz_support.h"

#include "app/groval.h"
#include "app/memberrun.h"
#include "messaging/doorbell.h"
#include "messaging/sharedlog.h"
#include "platform/codepage.h"
#include "window/shapes.h"

#include <cmath>
#include <iostream>
#include <limits>

using namespace tw;
using namespace tw::fuzz;

namespace {

std::filesystem::path gRoot;

void seed(const std::string& target, const std::string& name, std::string_view bytes) {
    const auto folder = gRoot / target;
    std::filesystem::create_directories(folder);
    writeFileBytes((folder / name).string(), bytes);
}

std::string cut(std::string s, size_t n) { return s.substr(0, s.size() > n ? s.size() - n : 0); }

// The file a kind of the member's routine writes, from a state set up by `fill`.
template <class Fill>
std::string written(const std::string& kind, Fill&& fill) {
    Member m(scratchFolder());
    fill(m.st);
    FUZZ_CHECK(AccessSharedFile(m.st, kModeWrite, kind));
    return readFileBytes(sharedFilePath(m.st, kind));
}

UserEntry member(const std::string& name, int16_t id, const std::string& password) {
    UserEntry u;
    u.MemberName = name;
    u.MemberId = id;
    u.MemberPassword = ScramblePassword(utf8ToCp932(password));
    return u;
}

SharedConfig header() {
    SharedConfig h;
    h.VersionMajor = kVersionMajor;
    h.VersionMinor = kVersionMinor;
    h.VersionRevision = kVersionRevision;
    h.CreatedOn = makeDate(2024, 5, 1);
    h.Signature = kProductName;
    return h;
}

void sharedSeeds() {
    const std::string two = written(kKindShared, [](AppState& st) {
        st.sharedConfig = header();
        st.members = {member("佐藤", 1, "abc"), member("鈴木", 2, "")};
    });
    seed("shared_settings", "two_members", two);
    seed("shared_settings", "header_only", written(kKindShared, [](AppState& st) { st.sharedConfig = header(); }));
    seed("shared_settings", "reserved_fields", written(kKindShared, [](AppState& st) {
        st.sharedConfig = header();
        st.sharedConfig.Reserved1 = std::string("\x01\x02\x00\xFF", 4);
        st.sharedConfig.Reserved2 = "old";
        st.sharedConfig.Reserved3 = -2;
        UserEntry u = member(cp932ToUtf8("\xED\x40\xFA\x5C\x87\x40"), 7, "pw");   // duplicate codes, ①
        u.Reserved1 = "r1";
        u.Reserved2 = std::string("\x80\xFF", 2);
        u.Reserved3 = {1, -1, 300};
        st.members = {u};
    }));
    seed("shared_settings", "truncated_member", cut(two, 3));
    seed("shared_settings", "wrong_signature", written(kKindShared, [](AppState& st) {
        st.sharedConfig = header();
        st.sharedConfig.Signature = "付箋";
    }));
    seed("shared_settings", "older_version", written(kKindShared, [](AppState& st) {
        st.sharedConfig = header();
        st.sharedConfig.VersionMajor = 0;
    }));
}

void localSeeds() {
    const std::string design = written(kKindLocal, [](AppState& st) {
        st.localConfig = defaultLocalConfig();
        st.localConfig.MemberName = "佐藤";
        st.localConfig.MemberId = 1;
    });
    seed("local_settings", "design_values", design);
    seed("local_settings", "bold_italic", written(kKindLocal, [](AppState& st) {
        st.localConfig = defaultLocalConfig();
        st.localConfig.MemberName = "Tanaka";
        st.localConfig.MemberId = 3;
        st.localConfig.CheckUnit = 2;
        st.localConfig.Fonts[1].Bold = true;
        st.localConfig.Fonts[2].Italic = true;
        st.localConfig.TimerBase = 1;
        st.localConfig.AutoSizeDefault = -1;
    }));
    seed("local_settings", "truncated", cut(design, 5));
    std::string other = design;   // another program's "true" is 1, not -1: the last italic flag
    other[other.size() - 8] = 1;
    seed("local_settings", "true_as_one", other);
    seed("local_settings", "bytes_after", design + "\x01\x02\x03");
}

NoteRecord note(int16_t id, const std::string& text) {
    NoteRecord n;
    n.CreatedAt = makeDateTime(2024, 4, 30, 9, 15, 0);
    n.NoteId = id;
    n.Text = text;
    n.Top = 1500;
    n.Left = static_cast<int16_t>(1500 + 300 * id);
    n.Width = 2400;
    n.Height = 2400;
    n.TextSize = 1;
    n.Background.TextColor = 0x80000012u;
    return n;
}

void notesSeeds() {
    const std::string three = written(kKindNotes, [](AppState& st) {
        NoteRecord a = note(0, "会議の資料\r\n10時まで");
        a.HasPeriod = true;
        a.Period.StartAt = makeDate(2024, 5, 1);
        a.Period.EndAt = makeDateTime(2024, 5, 2, 18, 0, 0);
        a.Period.UseTime = true;
        a.set(kFlagTimerBlink, true);
        NoteRecord b = note(1, "送った付箋");
        b.IsSent = true;
        b.Partner.PartnerName = "鈴木";
        b.Partner.PartnerAt = makeDateTime(2024, 4, 30, 9, 20, 0);
        NoteRecord c = note(2, "はがした付箋");
        c.IsPeeled = true;
        st.NoteTable = {a, b, c};
    });
    seed("notes", "send_pending", three);   // the peeled note keeps its place
    const std::string dropped = written(kKindNotes, [](AppState& st) {
        NoteRecord a = note(0, "ABC");
        a.Background.PictureFile = "C:\\pictures\\paper.bmp";
        a.Background.PictureMode = 2;
        NoteRecord b = note(1, "peeled");
        b.IsPeeled = true;
        NoteRecord c = note(2, "受け取った付箋");
        c.IsReceived = true;
        c.Partner.PartnerName = "佐藤";
        st.NoteTable = {a, b, c};
    });
    seed("notes", "peeled_dropped", dropped);
    seed("notes", "one_note", written(kKindNotes, [](AppState& st) { st.NoteTable = {note(0, "メモ")}; }));
    seed("notes", "truncated", cut(three, 40));
}

void logSeeds() {
    // Member 1 sends note 4 to members 2 and 3, and note 5 to member 2; member 2 receives note 4.
    const std::string folder = scratchFolder();
    removeFile(joinPath(folder, kLogFile));
    Member sender(folder);
    sender.st.localConfig.MemberName = "佐藤";
    sender.st.members = {member("佐藤", 1, ""), member("鈴木", 2, ""), member("Tanaka", 3, "")};
    FUZZ_CHECK(writeSendRecord(sender.st, 4, 2, 0));
    FUZZ_CHECK(writeSendRecord(sender.st, 4, 3, 0));
    FUZZ_CHECK(writeSendRecord(sender.st, 5, 2, 2));
    Member receiver(folder);
    receiver.st.CurrentMemberId = 2;
    receiver.clock.t = makeDateTime(2024, 5, 1, 10, 5, 0);
    FUZZ_CHECK(writeReceipt(receiver.st, 1, 4, sender.clock.t, 11, 0));
    const std::string log = readFileBytes(sharedLogPath(sender.st));

    // The header: kind, options, record, me, note, recipient, sender, my copy, question code,
    // send time, long-name length, repeat count.
    auto head = [](int kind, int options, int record, int16_t me, int16_t note, int16_t recipient, uint16_t longName,
                   int repeat) {
        std::string h;
        h.push_back(static_cast<char>(kind));
        h.push_back(static_cast<char>(options));
        h.push_back(static_cast<char>(record));
        for (int16_t v : {me, note, recipient, int16_t{1}, int16_t{12}, int16_t{3}}) {
            h.push_back(static_cast<char>(static_cast<uint16_t>(v) & 0xFF));
            h.push_back(static_cast<char>(static_cast<uint16_t>(v) >> 8));
        }
        const uint64_t t = bitsOf(makeDateTime(2024, 5, 1, 10, 0, 0));
        for (int i = 0; i < 8; ++i) h.push_back(static_cast<char>((t >> (8 * i)) & 0xFF));
        h.push_back(static_cast<char>(longName & 0xFF));
        h.push_back(static_cast<char>(longName >> 8));
        h.push_back(static_cast<char>(repeat));
        return h;
    };
    const char* names[] = {"unreceived", "send_records", "whole_log", "send_write",
                           "receipt", "delete_received", "delete_all", "delete_one"};
    for (int kind = 0; kind < 8; ++kind) {
        seed("shared_log", names[kind], head(kind, 1, kind, 0, 0, 0, 0, 0) + log);
    }
    seed("shared_log", "send_write_empty_log", head(3, 0, 0, 1, 4, 2, 0, 0));
    seed("shared_log", "send_write_same_key", head(3, 0, 0, 1, 4, 2, 0, 0) + log);
    seed("shared_log", "receipt_damaged", head(4, 0, 0, 2, 4, 3, 0, 0) + cut(log, 7));
    seed("shared_log", "whole_log_damaged", head(2, 0, 0, 1, 0, 0, 0, 0) + cut(log, 1));
    seed("shared_log", "send_records_long_record", head(1, 1 | 2 | 4, 2, 0, 0, 0, 0xFFFF, 3) + log);
    seed("shared_log", "unreceived_many_pieces", head(0, 2 | 4, 0, 3, 4, 3, 40000, 3) + log);
    seed("shared_log", "delete_all_damaged", head(6, 1, 0, 0, 0, 0, 0, 0) + cut(log, 5));
    seed("shared_log", "delete_all_damaged_no_copy", head(6, 1 | 16, 0, 0, 0, 0, 0, 0) + cut(log, 5));
}

void workstationSeeds() {
    auto reg = [](const std::string& folder, int16_t id) {
        Member m("");
        m.st.sys.programDir = scratchFolder();
        m.st.SharedPath = folder;
        m.st.CurrentMemberId = id;
        WriteWorkstation(m.st);
        return readFileBytes(joinPath(scratchFolder(), kWorkstationFile));
    };
    const std::string share = reg("\\\\server\\共有\\付箋", 3);
    seed("workstation", "network_share", share);
    seed("workstation", "posix_folder", reg("/srv/share/tackwisp", 12));
    seed("workstation", "no_member", reg("", 0));
    seed("workstation", "truncated", cut(share, 4));
    UserEntry old;   // an entry with every field set, as an older version may have left it
    old.MemberName = "Z:\\TACK";
    old.MemberId = 2;
    old.Reserved1 = "x";
    old.MemberPassword = ScramblePassword("pw");
    old.Reserved3 = {5, 6, 7};
    ByteWriter w;
    encode(w, old);
    seed("workstation", "all_fields_and_more", w.data() + "tail");
}

void cp932Seeds() {
    seed("cp932", "japanese", utf8ToCp932("付箋紙のテスト\r\nABC ｶﾀｶﾅ ＡＢＣ"));
    seed("cp932", "nec_special", utf8ToCp932("①②③㈱№"));
    seed("cp932", "duplicate_codes", "\xED\x40\xFA\x5C\xEE\xEF\xFA\x40");
    seed("cp932", "lone_lead_byte", "ABC\x81");
    seed("cp932", "no_character_bytes", "\x80\xA0\xFD\xFE\xFF");
    seed("cp932", "bad_trail_byte", "\x81\x20\x9F\x7F");
    seed("cp932", "kept_characters_utf8", "\xEF\x9D\xBF\xEF\x9F\xAD\x40\xEF\x9E\x81");
}

void datetimeSeeds() {
    auto d = [](double dt, double step, const std::string& pattern) {
        std::string s(16, '\0');
        std::memcpy(s.data(), &dt, 8);
        std::memcpy(s.data() + 8, &step, 8);
        return s + pattern;
    };
    seed("datetime", "morning", d(makeDateTime(2000, 7, 17, 9, 0, 0), 1, "yyyy/mm/dd"));
    seed("datetime", "day_zero", d(0.375, 86400, "hh:mm"));
    seed("datetime", "before_base", d(-1.25, -3600, "yy/mm/dd hh:mm"));
    seed("datetime", "last_second", d(makeDateTime(9999, 12, 31, 23, 59, 59), 1, ""));
    seed("datetime", "first_day", d(makeDate(100, 1, 1), -1, "dd"));
    seed("datetime", "near_midnight", d(45413.99999999, 0.5, "mm"));
    seed("datetime", "nan", d(std::numeric_limits<double>::quiet_NaN(), 2, "yyyy"));
    seed("datetime", "infinite", d(std::numeric_limits<double>::infinity(), -1e300, "yy"));
    seed("datetime", "huge", d(1e300, std::numeric_limits<double>::infinity(), "?"));
}

}  // namespace

// Shape files: an outline with arcs in both directions, a plain polygon, and damaged ones. Our own
// shape files (shapes/FSTYLE.nnn) lie beside these as seeds of their own.
void shapeSeeds() {
    ShapeData arcs;
    arcs.name = "丸角";
    arcs.baseWidth = 200;
    arcs.baseHeight = 100;
    arcs.textLeft = 10;
    arcs.textTop = 10;
    arcs.textWidth = 180;
    arcs.textHeight = 80;
    arcs.points = {{kPointDirection | kPointIncreasing, 20, 0}, {0, 180, 0}, {kPointArcCentre, 180, 20}, {0, 200, 20},
                   {0, 200, 80}, {kPointArcCentre | kPointDirection, 180, 80}, {0, 180, 100}, {0, 0, 100},
                   {0, 0, 20}, {kPointArcCentre | kPointDirection | kPointIncreasing, 20, 20}, {0, 20, 0}};
    ShapeData plain = arcs;
    plain.name = "三角";
    plain.points = {{0, 100, 0}, {0, 200, 100}, {0, 0, 100}, {0, 100, 0}};
    const std::string a = *encodeShapeFile(arcs);
    seed("shape", "arcs", a);
    seed("shape", "triangle", *encodeShapeFile(plain));
    seed("shape", "cut_in_points", cut(a, 4));
    seed("shape", "cut_in_header", a.substr(0, 20));
    std::string zeroWidth = a;
    zeroWidth.replace(2 + 4, 4, std::string(4, '\0'));   // after the name of 4 bytes
    seed("shape", "zero_base_width", zeroWidth);
    std::string hugeCount = a;
    hugeCount.replace(2 + 4 + 26, 4, std::string(4, '\xFF'));
    seed("shape", "huge_count", hugeCount);
}

void runMarkSeeds() {
    seed("run_mark", "held", encodeRunMark({"計算機A", "1234567890"}));
    seed("run_mark", "empty_lines", "\r\n\r\n");
    seed("run_mark", "cut", cut(encodeRunMark({"PC-A", "42"}), 2));
    seed("run_mark", "third_line", encodeRunMark({"PC-A", "42"}) + "x\r\n");

    FolderId folder{};
    for (size_t i = 0; i < folder.size(); ++i) folder[i] = static_cast<uint8_t>(0xA0 + i);
    seed("doorbell", "one_member", encodeBells(folder, {2})[0]);
    seed("doorbell", "three_members", encodeBells(folder, {1, 3, 300})[0]);
    seed("doorbell", "cut", cut(encodeBells(folder, {1, 3})[0], 1));
    seed("doorbell", "folder_id", encodeFolderId(folder));
    seed("doorbell", "folder_id_upper", "A0A1A2A3A4A5A6A7A8A9AAABACADAEAF\n");
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz_make_seeds <corpus folder>\n";
        return 2;
    }
    gRoot = argv[1];
    sharedSeeds();
    localSeeds();
    notesSeeds();
    logSeeds();
    workstationSeeds();
    cp932Seeds();
    datetimeSeeds();
    shapeSeeds();
    runMarkSeeds();
    std::cout << "seeds written to " << gRoot.string() << "\n";
    return 0;
}
