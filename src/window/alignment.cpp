#include "window/alignment.h"

#include "model/twips.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tw {

namespace {

bool isColumnKind(int kind) { return kind != kAlignTop && kind != kAlignBottom; }

// Closed spans: touching counts as overlapping.
bool overlaps(long long a, long long la, long long b, long long lb) { return b <= a + la && b + lb >= a; }

// Kept on the screen: the right edge first, then the left edge, then the bottom edge. A top above the
// screen stays.
void keepOnScreen(long long& left, long long& top, long long width, long long height, const AlignArea& area) {
    if (left + width > area.width) left = area.width - width;
    if (left < 0) left = 0;
    if (top + height > area.height) top = area.height - height;
}

// The note's size as its text needs it, when the column sizes its notes and the text can be measured.
bool fitToText(const TextFit& fit, int kind, int index, long long& width, long long& height) {
    if (kind != kAlignRightFit || !fit) return false;
    const std::optional<TwipsSize> size = fit(index);
    if (!size) return false;
    width = std::clamp(size->width, 1, 32767);
    height = std::clamp(size->height, 1, 32767);
    return true;
}

void store(NoteRecord& n, long long left, long long top, long long width, long long height) {
    n.Left = clampInt16(left);
    n.Top = clampInt16(top);
    n.Width = clampInt16(width);
    n.Height = clampInt16(height);
}

}  // namespace

bool takesPartInAlignment(const NoteRecord& r) { return !r.IsPeeled && (r.Flags & kFlagLocked) == 0; }

std::vector<int> alignAgainst(std::vector<NoteRecord>& notes, int kind, int ref, const AlignArea& area,
                              long long& leftmost, const TextFit& fit) {
    std::vector<int> placed;
    if (ref < 0 || static_cast<size_t>(ref) >= notes.size()) return placed;
    NoteRecord& reference = notes[static_cast<size_t>(ref)];
    const NoteRecord before = reference;   // the column is of the notes under the reference as it was
    long long refWidth = reference.Width, refHeight = reference.Height;
    if (fitToText(fit, kind, ref, refWidth, refHeight)) {
        long long left = static_cast<long long>(reference.Left) + reference.Width - refWidth, top = reference.Top;
        keepOnScreen(left, top, refWidth, refHeight, area);
        store(reference, left, top, refWidth, refHeight);
        placed.push_back(ref);
    }
    const NoteRecord r = reference;
    const bool column = isColumnKind(kind);

    std::vector<int> candidates;
    for (size_t i = 0; i < notes.size(); ++i) {
        const NoteRecord& c = notes[i];
        if (static_cast<int>(i) == ref || !takesPartInAlignment(c)) continue;
        const bool hit = column ? overlaps(before.Left, before.Width, c.Left, c.Width)
                                : overlaps(before.Top, before.Height, c.Top, c.Height);
        if (hit) candidates.push_back(static_cast<int>(i));
    }
    std::stable_sort(candidates.begin(), candidates.end(), [&](int a, int b) {
        const NoteRecord& x = notes[static_cast<size_t>(a)];
        const NoteRecord& y = notes[static_cast<size_t>(b)];
        return column ? x.Top < y.Top : x.Left < y.Left;
    });

    long long p = column ? static_cast<long long>(r.Top) + r.Height : static_cast<long long>(r.Left) + r.Width;
    for (int index : candidates) {
        NoteRecord& c = notes[static_cast<size_t>(index)];
        long long left = c.Left, top = c.Top, width = c.Width, height = c.Height;
        fitToText(fit, kind, index, width, height);
        switch (kind) {
        case kAlignLeft:
        case kAlignLeftWidth:
            left = r.Left;
            top = p + kAlignGap;
            if (kind == kAlignLeftWidth) width = r.Width;
            p += height + kAlignGap;
            break;
        case kAlignRight:
        case kAlignRightFit:
            left = static_cast<long long>(r.Left) + r.Width - width;
            top = p + kAlignGap;
            p += height + kAlignGap;
            break;
        case kAlignTop:
            left = p + kAlignGap;
            top = r.Top;
            p += width + kAlignGap;
            break;
        case kAlignBottom:
            left = p + kAlignGap;
            top = static_cast<long long>(r.Top) + r.Height - height;
            p += width + kAlignGap;
            break;
        default:
            break;
        }
        keepOnScreen(left, top, width, height, area);
        leftmost = std::min(leftmost, left);
        store(c, left, top, width, height);
        placed.push_back(index);
    }
    return placed;
}

std::vector<int> alignWholeDesktop(std::vector<NoteRecord>& notes, int entry, int ref, const AlignArea& area) {
    std::vector<int> changed;
    if (ref < 0 || static_cast<size_t>(ref) >= notes.size()) return changed;
    const int kind = entry == 0 ? kAlignRight : kAlignLeftWidth;
    std::vector<int> done{ref};
    size_t eligible = 0;
    for (const NoteRecord& n : notes)
        if (takesPartInAlignment(n)) ++eligible;

    const int16_t refTop = notes[static_cast<size_t>(ref)].Top;
    int head = ref;
    while (done.size() < eligible) {
        long long leftmost = notes[static_cast<size_t>(head)].Left;
        for (int i : alignAgainst(notes, kind, head, area, leftmost)) {
            done.push_back(i);
            changed.push_back(i);
        }
        // The next head: the unplaced note whose top-right corner is nearest to this head's top-left
        // corner, closer than a screen width; the first in table order on a tie.
        const NoteRecord& h = notes[static_cast<size_t>(head)];
        int next = -1;
        double best = std::numeric_limits<double>::infinity();
        for (size_t i = 0; i < notes.size(); ++i) {
            const NoteRecord& c = notes[i];
            if (!takesPartInAlignment(c) || std::find(done.begin(), done.end(), static_cast<int>(i)) != done.end())
                continue;
            const double dx = static_cast<double>(h.Left) - (static_cast<double>(c.Left) + c.Width);
            const double dy = static_cast<double>(h.Top) - c.Top;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d < area.width && d < best) {
                best = d;
                next = static_cast<int>(i);
            }
        }
        if (next < 0) break;
        NoteRecord& n = notes[static_cast<size_t>(next)];
        n.Top = refTop;
        const long long left = leftmost - n.Width - kAlignGap;
        n.Left = clampInt16(left < 0 ? 0 : left);
        done.push_back(next);
        changed.push_back(next);
        head = next;
    }
    return changed;
}

}  // namespace tw
