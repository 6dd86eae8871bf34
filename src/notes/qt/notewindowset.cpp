// The open note windows, by creation order and by record.
#include "notes/qt/notewindowset.h"

#include "window/qt/frmPinly.h"

#include <algorithm>

namespace tw {

void NoteWindowSet::add(frmPinly& w) { windows_.push_back(&w); }

void NoteWindowSet::bind(frmPinly& w, int index) {
    if (static_cast<size_t>(index) >= byRecord_.size()) byRecord_.resize(static_cast<size_t>(index) + 1, nullptr);
    byRecord_[static_cast<size_t>(index)] = &w;
    w.bind(index);
}

void NoteWindowSet::forget(frmPinly* w) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), w), windows_.end());
    const int i = recordOf(w);
    if (i >= 0 && static_cast<size_t>(i) < byRecord_.size() && byRecord_[static_cast<size_t>(i)] == w)
        byRecord_[static_cast<size_t>(i)] = nullptr;
}

void NoteWindowSet::clear() {
    windows_.clear();
    byRecord_.clear();
}

frmPinly* NoteWindowSet::windowOf(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= byRecord_.size()) return nullptr;
    return byRecord_[static_cast<size_t>(index)];
}

int NoteWindowSet::recordOf(const frmPinly* w) { return w ? w->record() : -1; }

std::vector<int> NoteWindowSet::openNotes() const {
    std::vector<int> out;
    for (frmPinly* w : windows_) {
        const int i = recordOf(w);
        if (i >= 0) out.push_back(i);
    }
    return out;
}

}  // namespace tw
