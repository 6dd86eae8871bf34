// Byte layouts of the shared settings, local settings and note data records (the shared log's record
// lives with the log). Field order and widths are fixed by the files other members already have.
#include "model/records.h"

namespace tw {

LocalConfig defaultLocalConfig() {
    LocalConfig c;
    c.CautionLeadDays = 2;
    c.CautionLeadMinutes = 30;
    c.WarningLeadDays = 0;
    c.WarningLeadMinutes = 10;
    c.CheckInterval = 5;
    c.CheckUnit = 0;   // minutes
    c.BackColours = {0x0080FFFFu, 0x0000FFFFu, 0x000000FFu, 0x0000FF00u, 0x00FFFF00u};
    c.TextColours.fill(0x80000012u);   // the system's button-text colour
    const std::string gothic = "ＭＳ Ｐゴシック";
    c.Fonts[0] = {gothic, 9, false, false};    // small
    c.Fonts[1] = {gothic, 12, false, false};   // medium
    c.Fonts[2] = {gothic, 16, false, false};   // large (15.75 points, stored as whole points)
    return c;
}

// ---- SharedConfig: 28 + n + m + k bytes ----

void encode(ByteWriter& w, const SharedConfig& r) {
    w.i32(r.VersionMajor);
    w.f64(r.CreatedOn);
    w.raw(r.Reserved1);
    w.i32(r.VersionMinor);
    w.raw(r.Reserved2);
    w.i16(r.VersionRevision);
    w.i32(r.Reserved3);
    w.text(r.Signature);
}

bool decode(ByteReader& rd, SharedConfig& r) {
    r.VersionMajor = rd.i32();
    r.CreatedOn = rd.f64();
    r.Reserved1 = rd.raw();
    r.VersionMinor = rd.i32();
    r.Reserved2 = rd.raw();
    r.VersionRevision = rd.i16();
    r.Reserved3 = rd.i32();
    r.Signature = rd.text();
    return !rd.failed();
}

// ---- UserEntry: 16 + a + b + c + d bytes (also the workstation record) ----

void encode(ByteWriter& w, const UserEntry& r) {
    w.text(r.MemberName);
    w.i16(r.MemberId);
    w.raw(r.Reserved1);
    w.raw(r.MemberPassword);
    w.raw(r.Reserved2);
    for (int16_t v : r.Reserved3) w.i16(v);
}

bool decode(ByteReader& rd, UserEntry& r) {
    r.MemberName = rd.text();
    r.MemberId = rd.i16();
    r.Reserved1 = rd.raw();
    r.MemberPassword = rd.raw();
    r.Reserved2 = rd.raw();
    for (int16_t& v : r.Reserved3) v = rd.i16();
    return !rd.failed();
}

// ---- LocalConfig: 62 + n + F bytes, F = the three presets at 8 + name bytes each ----

namespace {

void encodePreset(ByteWriter& w, const FontPreset& p) {
    w.text(p.FontName);
    w.i16(p.FontSize);
    w.boolean(p.Bold);
    w.boolean(p.Italic);
}

void decodePreset(ByteReader& rd, FontPreset& p) {
    p.FontName = rd.text();
    p.FontSize = rd.i16();
    p.Bold = rd.boolean();
    p.Italic = rd.boolean();
}

}  // namespace

void encode(ByteWriter& w, const LocalConfig& r) {
    w.text(r.MemberName);
    w.i16(r.MemberId);
    w.i16(r.CautionLeadDays);
    w.i16(r.CautionLeadMinutes);
    w.i16(r.WarningLeadDays);
    w.i16(r.WarningLeadMinutes);
    w.i16(r.CheckInterval);
    w.i16(r.CheckUnit);
    for (uint32_t c : r.BackColours) w.u32(c);
    for (uint32_t c : r.TextColours) w.u32(c);
    for (const FontPreset& p : r.Fonts) encodePreset(w, p);
    w.i16(r.TimerBase);
    w.i16(r.DefaultTextSize);
    w.i16(r.AutoSizeDefault);
}

bool decode(ByteReader& rd, LocalConfig& r) {
    r.MemberName = rd.text();
    r.MemberId = rd.i16();
    r.CautionLeadDays = rd.i16();
    r.CautionLeadMinutes = rd.i16();
    r.WarningLeadDays = rd.i16();
    r.WarningLeadMinutes = rd.i16();
    r.CheckInterval = rd.i16();
    r.CheckUnit = rd.i16();
    for (uint32_t& c : r.BackColours) c = rd.u32();
    for (uint32_t& c : r.TextColours) c = rd.u32();
    for (FontPreset& p : r.Fonts) decodePreset(rd, p);
    r.TimerBase = rd.i16();
    r.DefaultTextSize = rd.i16();
    r.AutoSizeDefault = rd.i16();
    return !rd.failed();
}

// ---- NoteRecord: 78 + t + p + f bytes ----

void encode(ByteWriter& w, const NoteRecord& r) {
    w.f64(r.CreatedAt);
    w.i16(r.NoteId);
    w.text(r.Text);
    w.i16(r.Top);
    w.i16(r.Left);
    w.i16(r.Width);
    w.i16(r.Height);
    w.boolean(r.HasPeriod);
    w.boolean(r.IsSent);
    w.boolean(r.IsReceived);
    w.boolean(r.AllReceived);
    w.boolean(r.AutoDelete);
    w.boolean(r.IsPeeled);
    w.f64(r.Period.StartAt);
    w.f64(r.Period.EndAt);
    w.boolean(r.Period.UseTime);
    w.bytes(r.Period.Reserved.data(), r.Period.Reserved.size());
    w.text(r.Partner.PartnerName);
    w.f64(r.Partner.PartnerAt);
    w.i16(r.ShapeIndex);
    w.i16(r.TextSize);
    w.text(r.Background.PictureFile);
    w.u32(r.Background.TextColor);
    w.i16(r.Background.PictureMode);
    w.u16(r.Flags);
}

bool decode(ByteReader& rd, NoteRecord& r) {
    r.CreatedAt = rd.f64();
    r.NoteId = rd.i16();
    r.Text = rd.text();
    r.Top = rd.i16();
    r.Left = rd.i16();
    r.Width = rd.i16();
    r.Height = rd.i16();
    r.HasPeriod = rd.boolean();
    r.IsSent = rd.boolean();
    r.IsReceived = rd.boolean();
    r.AllReceived = rd.boolean();
    r.AutoDelete = rd.boolean();
    r.IsPeeled = rd.boolean();
    r.Period.StartAt = rd.f64();
    r.Period.EndAt = rd.f64();
    r.Period.UseTime = rd.boolean();
    rd.bytes(r.Period.Reserved.data(), r.Period.Reserved.size());
    r.Partner.PartnerName = rd.text();
    r.Partner.PartnerAt = rd.f64();
    r.ShapeIndex = rd.i16();
    r.TextSize = rd.i16();
    r.Background.PictureFile = rd.text();
    r.Background.TextColor = rd.u32();
    r.Background.PictureMode = rd.i16();
    r.Flags = rd.u16();
    return !rd.failed();
}

}  // namespace tw
