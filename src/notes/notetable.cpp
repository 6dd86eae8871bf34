// The note table and what opening a note's window takes from its record.
#include "notes/notetable.h"

#include "model/datetime.h"
#include "platform/clock.h"
#include "platform/screen.h"

#include <cmath>
#include <stdexcept>

namespace tw {

namespace {

double now(const AppState& st) { return st.sys.clock->now(); }

bool validIndex(const AppState& st, int index) {
    return index >= 0 && static_cast<size_t>(index) < st.NoteTable.size();
}

// Date-times before the base day count their fraction forwards; compare them as real moments.
bool later(double a, double b) { return toSerialSeconds(a) > toSerialSeconds(b); }

}  // namespace

int appendNote(AppState& st, int source, int top, int left) {
    const size_t n = st.NoteTable.size();
    if (n >= static_cast<size_t>(kMaxNotes)) throw std::length_error("付箋紙の数が上限に達したため、新しい付箋紙を作成できません");
    if (source >= 0 && static_cast<size_t>(source) >= n) throw std::out_of_range("付箋紙が見つかりません");

    NoteRecord r;
    r.CreatedAt = now(st);
    r.NoteId = static_cast<int16_t>(n);
    if (source >= 0) {
        const NoteRecord& s = st.NoteTable[static_cast<size_t>(source)];
        r.Width = s.Width;
        r.Height = s.Height;
        r.Text = s.Text;
        r.ShapeIndex = s.ShapeIndex;
        r.Background = s.Background;
        r.TextSize = s.TextSize;
        r.Flags = s.Flags;
        r.Period = s.Period;
        r.HasPeriod = s.HasPeriod;
    } else {
        r.Width = kDefaultNoteWidth;
        r.Height = kDefaultNoteHeight;
        r.Text = n == 0 ? kProductName : std::string();
        r.Flags = (st.localConfig.AutoSizeDefault & 1) ? kFlagAutoSize : 0;
        r.TextSize = st.localConfig.DefaultTextSize;
    }

    // Only the bottom and right edges are brought back: a note above or left of the screen stays.
    long long t = top, l = left;
    const long long sh = st.sys.screen->heightTwips(), sw = st.sys.screen->widthTwips();
    if (t + r.Height > sh) t = sh - r.Height;
    if (l + r.Width > sw) l = sw - r.Width;
    r.Top = clampInt16(t);
    r.Left = clampInt16(l);

    st.NoteTable.push_back(std::move(r));
    return static_cast<int>(n);
}

TopLeft newNotePosition(const TwipsRect& w) {
    const double top = w.top + w.height / 2.0;
    const double left = w.left + w.width / 2.0;
    return {static_cast<int>(std::nearbyint(top)), static_cast<int>(std::nearbyint(left))};
}

bool NotStarted(const AppState& st, int index) {
    if (!validIndex(st, index)) return false;
    const NoteRecord& r = st.NoteTable[static_cast<size_t>(index)];
    return r.HasPeriod && later(r.Period.StartAt, now(st));
}

int ColourClass(const AppState& st, int index) {
    if (!validIndex(st, index)) return 0;
    const NoteRecord& r = st.NoteTable[static_cast<size_t>(index)];
    if (r.HasPeriod) {
        const double t = now(st);
        const LocalConfig& c = st.localConfig;
        auto within = [&](int16_t leadDays, int16_t leadMinutes) {
            const double from = r.Period.UseTime ? addMinutes(r.Period.EndAt, -static_cast<double>(leadMinutes))
                                                 : addDays(r.Period.EndAt, -static_cast<double>(leadDays));
            return later(t, from);
        };
        if (within(c.WarningLeadDays, c.WarningLeadMinutes)) return 2;
        if (within(c.CautionLeadDays, c.CautionLeadMinutes)) return 1;
        return 0;
    }
    if (r.IsReceived) return 3;
    if (r.IsSent) return 4;
    return 0;
}

bool hiddenByPeriod(const AppState& st, int index) { return !st.ShowOutOfPeriod && NotStarted(st, index); }

int16_t normaliseTextSize(AppState& st, int index) {
    if (!validIndex(st, index)) return 0;
    NoteRecord& r = st.NoteTable[static_cast<size_t>(index)];
    if (r.TextSize > 2) {
        switch (r.TextSize) {
        case 9: r.TextSize = 0; break;
        case 12: r.TextSize = 1; break;
        case 16: r.TextSize = 2; break;
        default: r.TextSize = 0; break;
        }
        st.localConfig.Fonts[0].FontSize = 9;
        st.localConfig.Fonts[1].FontSize = 12;
        st.localConfig.Fonts[2].FontSize = 16;
    } else if (r.TextSize < 0) {
        r.TextSize = 0;
    }
    return r.TextSize;
}

OpenAllPlan planOpenAll(const AppState& st) {
    OpenAllPlan p;
    if (st.NoteTable.empty()) {
        p.createFirst = true;
        p.firstTop = 0;
        p.firstLeft = st.sys.screen->widthTwips() - kDefaultNoteWidth;
        return p;
    }
    for (size_t i = 0; i < st.NoteTable.size(); ++i)
        if (!hiddenByPeriod(st, static_cast<int>(i))) p.open.push_back(static_cast<int>(i));
    return p;
}

NoteWindowPlan prepareNoteWindow(AppState& st, int index) {
    NoteWindowPlan p;
    if (!validIndex(st, index)) return p;
    NoteRecord& r = st.NoteTable[static_cast<size_t>(index)];
    if (r.IsPeeled) return p;
    p.create = true;

    // A size of zero or less (damaged data) would make a window nobody can see or grab.
    if (r.Width <= 0) r.Width = kMinNoteSize;
    if (r.Height <= 0) r.Height = kMinNoteSize;
    p.geometry = recordGeometry(r);
    p.lblId = std::to_string(index + 1);
    r.NoteId = clampInt16(static_cast<long long>(index));

    p.caption = r.has(kFlagReversed) ? kBackSideCaption : r.Text;
    p.textSize = normaliseTextSize(st, index);

    const int cls = ColourClass(st, index);
    p.backColour = st.localConfig.BackColours[static_cast<size_t>(cls)];
    p.textColour = st.localConfig.TextColours[static_cast<size_t>(cls)];

    if (r.IsSent) {
        if (r.AllReceived) {
            p.lineSended = true;
            if (r.AutoDelete) {
                // Everybody has it and it was to go away then: out of sight for good, in no undo slot.
                r.IsPeeled = true;
                return p;
            }
        }
    } else if (r.HasPeriod) {
        p.lineOutRange = NotStarted(st, index);
    }
    p.show = true;
    p.topmost = r.has(kFlagAlwaysFront);
    return p;
}

const FontPreset* presetFor(const AppState& st, int16_t textSize) {
    if (textSize < 0 || textSize > 2) return nullptr;
    const FontPreset& f = st.localConfig.Fonts[static_cast<size_t>(textSize)];
    return f.FontName.empty() ? nullptr : &f;
}

}  // namespace tw
