// Page 2 of the note-settings dialog (picSet(2)): the reception status of one sent note (mode 0) or
// the whole shared log (mode 1), the deletion of one recipient's send record, the Yes/No counts and
// the answer tally of an answer-sheet questionnaire.
#pragma once

#include "model/state.h"
#include "questionnaire/loglist.h"

#include <QWidget>

#include <array>
#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace tw {

class ListPage : public QWidget {
    Q_OBJECT
public:
    // `ok` is the dialog's shared OK button: "削除" on this page.
    ListPage(AppState& st, QPushButton& ok, QWidget* parent = nullptr);

    std::array<QComboBox*, 1> cmb{};
    QTreeWidget* lsvLog = nullptr;
    std::array<QLabel*, 2> lblTotal{};   // [1] the row count ([0] is unused on this page)
    QLabel* lblSyuke = nullptr;
    QPushButton* btnAns = nullptr;

    // Prepares the page for note `noteId` in `mode`; false (already told) when there is nothing to
    // show.
    bool setLogView(int16_t mode, int16_t noteId);

    enum class DeleteResult {
        Stay,               // the page shows the log as it is now (or nothing was deleted)
        Close,              // the dialog closes: the page could not be prepared again (told)
        CloseThenPrepare,   // the only row went: the dialog closes, then the page is prepared again
    };
    // OK on the page: deletes the first selected row's send record when this member sent it.
    DeleteResult deleteSelected();

    // The mode shown; the dialog's `mode` is this one.
    int16_t mode() const { return mode_; }
    int16_t noteId() const { return fid_; }
    const LogView& view() const { return view_; }

private:
    void modeClicked(int index);
    void selectionChanged();
    void fill();
    void openTally();

    AppState& st_;
    QPushButton& ok_;
    int16_t mode_ = 0;
    int16_t fid_ = -1;
    LogView view_;
};

}  // namespace tw
