// The alignment commands: the records are lined up by the core, then every open window of a moved
// note follows its record. Notes without a window change only in their records.
#include "notes/qt/notealign.h"

#include "notes/qt/noteshapes.h"
#include "notes/qt/notewindowset.h"
#include "platform/screen.h"
#include "window/alignment.h"
#include "window/qt/frmPinly.h"

namespace tw {

namespace {

AlignArea screenArea(AppState& st) { return AlignArea{st.sys.screen->widthTwips(), st.sys.screen->heightTwips()}; }

}  // namespace

void NoteAlignment::alignNotes(frmPinly* w, int k) {
    const int ref = NoteWindowSet::recordOf(w);
    if (ref < 0 || static_cast<size_t>(ref) >= st_.NoteTable.size()) return;
    // The column sized to the text measures each note with an open window; the others keep their size.
    const TextFit fit = [this](int i) -> std::optional<TwipsSize> {
        frmPinly* win = windows_.windowOf(i);
        const std::optional<AutoSizeResult> out = win ? shapes_.sizedToText(*win) : std::nullopt;
        if (!out) return std::nullopt;
        return TwipsSize{out->window.width, out->window.height};
    };
    for (int i : alignAgainst(st_.NoteTable, k, ref, screenArea(st_), fit)) {
        followRecord(i);
        if (frmPinly* win = k == kAlignRightFit ? windows_.windowOf(i) : nullptr) shapes_.applyShape(*win);
    }
}

void NoteAlignment::alignAllNotes(frmPinly* w, int k) {
    const int ref = NoteWindowSet::recordOf(w);
    if (ref < 0 || static_cast<size_t>(ref) >= st_.NoteTable.size()) return;
    for (int i : alignWholeDesktop(st_.NoteTable, k, ref, screenArea(st_))) followRecord(i);
}

// The window of record i takes the record's place and size.
void NoteAlignment::followRecord(int i) {
    frmPinly* win = windows_.windowOf(i);
    if (!win) return;
    const NoteRecord& r = st_.NoteTable[static_cast<size_t>(i)];
    win->setTwipsGeometry(TwipsRect{r.Left, r.Top, r.Width, r.Height});
}

}  // namespace tw
