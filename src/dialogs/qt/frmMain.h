// The note-settings dialog: four pages that edit one note at a time (period, send, lists,
// background) with a shared OK and "ｷｬﾝｾﾙ". One instance is loaded for the whole run and shown
// modally by the settings menu of the notes.
#pragma once

#include "model/state.h"

#include <QDialog>

#include <array>
#include <cstdint>

class QPushButton;

namespace tw {

class PeriodPage;
class SendPage;
class ListPage;
class BackgroundPage;

class frmMain : public QDialog {
    Q_OBJECT
public:
    explicit frmMain(AppState& st, QWidget* parent = nullptr);

    enum Page { kPeriodPage = 0, kSendPage = 1, kListPage = 2, kBackgroundPage = 3 };

    // The note the pages work on.
    int16_t fid() const { return fid_; }
    // The list page's mode (0 the note's records, 1 the whole log), as its selector last left it.
    int16_t mode() const;

    // Preparations: remember the note, set OK up, fill the page. They do not show it.
    void setRange(int16_t noteId);
    // A note that may be the last one on the screen must not remove itself: without
    // `mayAutoDelete` (isAutodelPinly) the auto-delete option is cleared and disabled.
    void setSendOther(int16_t noteId, bool mayAutoDelete);
    void backAttr(int16_t noteId);
    // The list page in `mode` (0 the note's records, 1 the whole log); false (told) when there is
    // nothing to show: the dialog is then not shown.
    bool setLogView(int16_t mode, int16_t noteId);
    // Shows page k at the top left; the other pages are put aside and hidden.
    void showPage(int k);
    int currentPage() const;
    // Centred on the screen.
    void centre();

private:
    void okClicked();
    void prepareOk();

    // Controls, named as the forms name them; the object names are these names with the index
    // appended ("picSet1", "btn0").
    std::array<QWidget*, 4> picSet{};
    PeriodPage* periodPage = nullptr;
    SendPage* sendPage = nullptr;
    ListPage* listPage = nullptr;
    BackgroundPage* backgroundPage = nullptr;
    std::array<QPushButton*, 2> btn{};   // "OK", "ｷｬﾝｾﾙ"

    AppState& st_;
    int16_t fid_ = 0;
};

}  // namespace tw
