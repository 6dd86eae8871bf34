#include "notes/autosave.h"

#include "app/groval.h"
#include "platform/sharedfile.h"

#include <optional>

namespace tw {

void AutoSave::remember(const AppState& st) {
    local_ = memberFileBytes(st, kKindLocal);
    notes_ = memberFileBytes(st, kKindNotes);
    known_ = true;
}

int AutoSave::saveChanges(AppState& st, const std::function<bool()>& mayWrite) {
    if (!known_ || st.exiting || st.SharedPath.empty() || st.CurrentMemberId < 1) return 0;
    std::optional<bool> allowed;
    const std::function<bool()> mayWriteOnce = [&] {
        if (!allowed) allowed = !mayWrite || mayWrite();
        return *allowed;
    };
    int written = 0;
    if (save(st, kKindLocal, local_, mayWriteOnce)) ++written;
    if (save(st, kKindNotes, notes_, mayWriteOnce)) ++written;
    return written;
}

bool AutoSave::save(AppState& st, const std::string& kind, std::string& last, const std::function<bool()>& mayWrite) {
    std::string bytes = memberFileBytes(st, kind);
    if (bytes == last || !mayWrite()) return false;
    SharedFile f;
    FileError e = f.open(sharedFilePath(st, kind), ShareMode::WriteExclusive);
    if (!e) e = f.replaceContent(bytes);
    f.close();
    if (e) return false;
    last = std::move(bytes);
    return true;
}

}  // namespace tw
