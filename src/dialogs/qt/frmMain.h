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

    // ---- pages ----
    enum Page { kPeriodPage = 0, kSendPage = 1, kListPage = 2, kBackgroundPage = 3 };
    std::array<QWidget*, 4> picSet{};
    PeriodPage* periodPage = nullptr;
    SendPage* sendPage = nullptr;
    ListPage* listPage = nullptr;
    BackgroundPage* backgroundPage = nullptr;
    std::array<QPushButton*, 2> btn{};   // "OK", "ｷｬﾝｾﾙ"

    int16_t fid = 0;              // the note the pages work on
    int16_t mode = 0;             // the list page's mode

    // Preparations: remember the note, set OK up, fill the page. They do not show it.
    void setRange(int16_t noteId);
    void setSendOther(int16_t noteId);
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

    AppState& st_;
};

}  // namespace tw
