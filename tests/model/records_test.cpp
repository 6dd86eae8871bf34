// Byte layouts of the shared settings, member, local settings and note records, checked against
// bytes worked out by hand from the file layouts.
#include "model/records.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

using namespace tw;

namespace {

std::string B(std::initializer_list<int> v) {
    std::string s;
    for (int b : v) s.push_back(static_cast<char>(b));
    return s;
}

std::string hex(const std::string& s) {
    static const char* d = "0123456789ABCDEF";
    std::string out;
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        out += d[c >> 4];
        out += d[c & 15];
        out += ' ';
    }
    return out;
}

template <class R>
std::string bytesOf(const R& r) {
    ByteWriter w;
    encode(w, r);
    return w.data();
}

template <class R>
R decoded(const std::string& bytes) {
    R r;
    ByteReader rd(bytes);
    EXPECT_TRUE(decode(rd, r));
    EXPECT_TRUE(rd.atEnd()) << "record did not use all of its bytes";
    return r;
}

// Every proper prefix of a record's bytes must be refused.
template <class R>
void expectEveryPrefixRefused(const std::string& bytes) {
    for (size_t n = 0; n < bytes.size(); ++n) {
        std::string cut = bytes.substr(0, n);
        ByteReader rd(cut);
        R r;
        EXPECT_FALSE(decode(rd, r)) << "prefix of " << n << " of " << bytes.size() << " bytes accepted";
    }
}

// 2000-07-17 as a day count, and 09:00 of that day.
const std::string kDay = B({0x00, 0x00, 0x00, 0x00, 0x80, 0xEE, 0xE1, 0x40});       // 36724.0
const std::string kNineAm = B({0x00, 0x00, 0x00, 0x00, 0x8C, 0xEE, 0xE1, 0x40});    // 36724.375
const std::string kProductCp932 =
    B({0x83, 0x5E, 0x83, 0x62, 0x83, 0x4E, 0x83, 0x45, 0x83, 0x42, 0x83, 0x58, 0x83, 0x76});
const std::string kGothicCp932 =
    B({0x82, 0x6C, 0x82, 0x72, 0x20, 0x82, 0x6F, 0x83, 0x53, 0x83, 0x56, 0x83, 0x62, 0x83, 0x4E});

}  // namespace

TEST(SharedConfigRecord, LayoutAndRoundTrip) {
    SharedConfig h;
    h.VersionMajor = 1;
    h.CreatedOn = 36724.0;
    h.Reserved1 = "X";
    h.VersionMinor = 71;
    h.Reserved2 = "";
    h.VersionRevision = 8;
    h.Reserved3 = 0x01020304;
    h.Signature = "タックウィスプ";

    std::string want = B({1, 0, 0, 0}) + kDay + B({1, 0, 'X'}) + B({71, 0, 0, 0}) + B({0, 0}) + B({8, 0}) +
                       B({4, 3, 2, 1}) + B({14, 0}) + kProductCp932;
    std::string got = bytesOf(h);
    EXPECT_EQ(hex(got), hex(want));
    EXPECT_EQ(got.size(), 28u + 1 + 0 + 14);

    SharedConfig back = decoded<SharedConfig>(got);
    EXPECT_EQ(back.VersionMajor, 1);
    EXPECT_DOUBLE_EQ(back.CreatedOn, 36724.0);
    EXPECT_EQ(back.Reserved1, "X");
    EXPECT_EQ(back.VersionMinor, 71);
    EXPECT_EQ(back.VersionRevision, 8);
    EXPECT_EQ(back.Reserved3, 0x01020304);
    EXPECT_EQ(back.Signature, "タックウィスプ");
    expectEveryPrefixRefused<SharedConfig>(got);
}

TEST(UserEntryRecord, LayoutWithTwoByteNameAndRawFields) {
    UserEntry u;
    u.MemberName = "山田";                    // two bytes per character in the code page
    u.MemberId = 3;
    u.Reserved1 = B({0x01, 0x02});
    u.MemberPassword = B({0xE4, 0x81});       // scrambled bytes, not text: kept exactly
    u.Reserved2 = "";
    u.Reserved3 = {1, -1, 0x1234};

    std::string want = B({4, 0, 0x8E, 0x52, 0x93, 0x63}) + B({3, 0}) + B({2, 0, 1, 2}) + B({2, 0, 0xE4, 0x81}) +
                       B({0, 0}) + B({1, 0, 0xFF, 0xFF, 0x34, 0x12});
    std::string got = bytesOf(u);
    EXPECT_EQ(hex(got), hex(want));
    EXPECT_EQ(got.size(), 16u + 4 + 2 + 2 + 0);

    UserEntry back = decoded<UserEntry>(got);
    EXPECT_EQ(back.MemberName, "山田");
    EXPECT_EQ(back.MemberId, 3);
    EXPECT_EQ(back.Reserved1, u.Reserved1);
    EXPECT_EQ(back.MemberPassword, u.MemberPassword);
    EXPECT_EQ(back.Reserved3[1], -1);
    EXPECT_EQ(back.Reserved3[2], 0x1234);
    EXPECT_EQ(bytesOf(back), got);
    expectEveryPrefixRefused<UserEntry>(got);
}

TEST(LocalConfigRecord, EmptyRecordIs86Bytes) {
    LocalConfig c;
    c.Fonts[1].Bold = true;
    c.Fonts[2].Italic = true;
    c.Fonts[2].FontSize = -2;
    std::string got = bytesOf(c);
    ASSERT_EQ(got.size(), 86u);
    // Presets start at 56: small (8 bytes), medium at 64 with Bold at 68, large at 72.
    EXPECT_EQ(hex(got.substr(56, 24)),
              hex(B({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0xFE, 0xFF, 0, 0, 0xFF, 0xFF})));
    LocalConfig back = decoded<LocalConfig>(got);
    EXPECT_TRUE(back.Fonts[1].Bold);
    EXPECT_FALSE(back.Fonts[1].Italic);
    EXPECT_TRUE(back.Fonts[2].Italic);
    EXPECT_EQ(back.Fonts[2].FontSize, -2);
}

TEST(LocalConfigRecord, DesignDefaultsLayout) {
    LocalConfig c = defaultLocalConfig();
    c.MemberName = "山田";
    c.MemberId = 3;
    std::string preset9 = B({15, 0}) + kGothicCp932 + B({9, 0, 0, 0, 0, 0});
    std::string preset12 = B({15, 0}) + kGothicCp932 + B({12, 0, 0, 0, 0, 0});
    std::string preset16 = B({15, 0}) + kGothicCp932 + B({16, 0, 0, 0, 0, 0});
    std::string want = B({4, 0, 0x8E, 0x52, 0x93, 0x63}) + B({3, 0}) + B({2, 0}) + B({30, 0}) + B({0, 0}) +
                       B({10, 0}) + B({5, 0}) + B({0, 0}) +
                       B({0xFF, 0xFF, 0x80, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00,
                          0x00, 0x00, 0xFF, 0xFF, 0x00}) +
                       B({0x12, 0, 0, 0x80, 0x12, 0, 0, 0x80, 0x12, 0, 0, 0x80, 0x12, 0, 0, 0x80, 0x12, 0, 0, 0x80}) +
                       preset9 + preset12 + preset16 + B({0, 0, 0, 0, 0, 0});
    std::string got = bytesOf(c);
    EXPECT_EQ(hex(got), hex(want));
    EXPECT_EQ(got.size(), 62u + 4 + 3 * (8 + 15));

    LocalConfig back = decoded<LocalConfig>(got);
    EXPECT_EQ(back.MemberName, "山田");
    EXPECT_EQ(back.Fonts[0].FontName, "ＭＳ Ｐゴシック");
    EXPECT_EQ(back.Fonts[0].FontSize, 9);
    EXPECT_EQ(back.Fonts[2].FontSize, 16);
    EXPECT_EQ(back.BackColours[0], 0x0080FFFFu);
    EXPECT_EQ(back.TextColours[4], 0x80000012u);
    EXPECT_EQ(back.CautionLeadMinutes, 30);
    EXPECT_EQ(back.WarningLeadMinutes, 10);
    EXPECT_EQ(bytesOf(back), got);
    expectEveryPrefixRefused<LocalConfig>(got);
}

TEST(LocalConfigRecord, TrailingSettingsAfterPresets) {
    LocalConfig c;
    c.TimerBase = 2;
    c.DefaultTextSize = 1;
    c.AutoSizeDefault = 1;
    c.Fonts[0].FontName = "あ";
    std::string got = bytesOf(c);
    ASSERT_EQ(got.size(), 88u);
    // F = 24 + 2: the three trailing values sit at 56 + F.
    EXPECT_EQ(hex(got.substr(82)), hex(B({2, 0, 1, 0, 1, 0})));
}

namespace {

NoteRecord sampleNote() {
    NoteRecord n;
    n.CreatedAt = 36724.375;
    n.NoteId = 2;
    n.Text = "あ";
    n.Top = 100;
    n.Left = -1;
    n.Width = 2145;
    n.Height = 450;
    n.HasPeriod = true;
    n.IsReceived = true;
    n.IsPeeled = true;
    n.Period.StartAt = 36724.0;
    n.Period.EndAt = 36724.375;
    n.Period.UseTime = true;
    n.Period.Reserved = {1, 2, 3, 4};
    n.ShapeIndex = 12;
    n.TextSize = 1;
    n.Background.PictureFile = "a.jpg";
    n.Background.TextColor = 0x00112233;
    n.Background.PictureMode = 2;
    n.Flags = kFlagTransparent | kFlagReversed | kFlagLocked | kFlagAutoSize;
    return n;
}

}  // namespace

TEST(NoteRecordLayout, EveryFieldAtItsOffset) {
    NoteRecord n = sampleNote();
    std::string want = kNineAm + B({2, 0}) + B({2, 0, 0x82, 0xA0}) +             // CreatedAt, NoteId, Text
                       B({100, 0, 0xFF, 0xFF, 0x61, 0x08, 0xC2, 0x01}) +           // Top Left Width Height
                       B({0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF}) + // six booleans
                       kDay + kNineAm + B({0xFF, 0xFF}) + B({1, 2, 3, 4}) +         // Period
                       B({0, 0}) + std::string(8, '\0') +                         // Partner
                       B({12, 0, 1, 0}) +                                         // ShapeIndex TextSize
                       B({5, 0, 'a', '.', 'j', 'p', 'g'}) + B({0x33, 0x22, 0x11, 0x00}) + B({2, 0}) +
                       B({0xC9, 0x00});
    std::string got = bytesOf(n);
    EXPECT_EQ(hex(got), hex(want));
    EXPECT_EQ(got.size(), 78u + 2 + 0 + 5);
    // Offsets relative to t, p, f.
    const size_t t = 2, p = 0, f = 5;
    EXPECT_EQ(static_cast<unsigned char>(got[12 + t]), 100);
    EXPECT_EQ(got.substr(50 + t, 4), B({1, 2, 3, 4}));
    EXPECT_EQ(static_cast<unsigned char>(got[64 + t + p]), 12);
    EXPECT_EQ(static_cast<unsigned char>(got[76 + t + p + f]), 0xC9);
}

TEST(NoteRecordLayout, RoundTripKeepsReservedBytesAndReadsNonZeroAsTrue) {
    NoteRecord n = sampleNote();
    n.Partner.PartnerName = "山田、鈴木";
    n.Partner.PartnerAt = -1.25;
    n.Flags = 0xFFFF;
    std::string bytes = bytesOf(n);
    NoteRecord back = decoded<NoteRecord>(bytes);
    EXPECT_EQ(bytesOf(back), bytes);
    EXPECT_EQ(back.Text, "あ");
    EXPECT_EQ(back.Partner.PartnerName, "山田、鈴木");
    EXPECT_DOUBLE_EQ(back.Partner.PartnerAt, -1.25);
    EXPECT_EQ(back.Period.Reserved, (std::array<uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(back.Flags, 0xFFFF);
    EXPECT_TRUE(back.has(kFlagTransparent));
    expectEveryPrefixRefused<NoteRecord>(bytes);

    // A boolean written as 1 (or any non-zero value) by another program reads as true and is
    // written back as -1.
    std::string odd = bytes;
    const size_t t = 2;
    odd[22 + t] = 1;            // IsSent, low byte
    odd[22 + t + 1] = 0;
    odd[48 + t] = 0;            // UseTime = 0x0200
    odd[48 + t + 1] = 2;
    NoteRecord oddBack = decoded<NoteRecord>(odd);
    EXPECT_TRUE(oddBack.IsSent);
    EXPECT_TRUE(oddBack.Period.UseTime);
    std::string again = bytesOf(oddBack);
    EXPECT_EQ(hex(again.substr(22 + t, 2)), hex(B({0xFF, 0xFF})));
    EXPECT_EQ(hex(again.substr(48 + t, 2)), hex(B({0xFF, 0xFF})));
}

TEST(NoteRecordLayout, EmptyStringsAreTwoZeroBytes) {
    NoteRecord n;
    std::string got = bytesOf(n);
    ASSERT_EQ(got.size(), 78u);
    EXPECT_EQ(got, std::string(78, '\0'));
}

TEST(StringFields, LongTextsReadFromAFileGoBackWithTheirCount) {
    // 40000 bytes (20000 "あ"): more than a signed count holds, as another program wrote it.
    std::string field = B({0x40, 0x9C});
    for (int i = 0; i < 20000; ++i) field += B({0x82, 0xA0});
    ByteReader r(field);
    const std::string text = r.text();
    ASSERT_FALSE(r.failed());
    ASSERT_EQ(text.size(), 20000u * 3);
    ByteWriter w;
    w.text(text);
    EXPECT_EQ(w.data(), field) << "nothing is cut";
}

TEST(StringFields, OnlyATextBeyondAnyCountIsCutBetweenCharacters) {
    // 32768 two-byte characters need 65536 bytes, one more than a count can hold.
    std::string text;
    for (int i = 0; i < 32768; ++i) text += "あ";
    ByteWriter w;
    w.text(text);
    const std::string& bytes = w.data();
    ASSERT_EQ(bytes.size(), 2u + 65534u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFE);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xFF);
    ByteReader r(bytes);
    std::string back = r.text();
    EXPECT_FALSE(r.failed());
    EXPECT_EQ(back, text.substr(0, 32767 * 3));   // whole characters only, no "?" at the end
}
