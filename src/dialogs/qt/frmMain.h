// The note-settings dialog: four pages that edit one note at a time (period, send, lists,
// background) with a shared OK and "ｷｬﾝｾﾙ". Its hidden instance, loaded for the whole run, also
// carries the reception timer tmrLog and the network check; onTimer / offTimer / chkNetCom are what
// the rest of the program uses to arm, stop and run them.
#pragma once

#include "messaging/reception.h"
#include "model/state.h"

#include <QDialog>

#include <array>
#include <cstdint>

class QPushButton;
class QTimer;

namespace tw {

class PeriodPage;
class SendPage;
class ListPage;
class BackgroundPage;

// What the network check needs of the note windows.
class NetworkCheckHost : public ReceptionHost {
public:
    // Colours, sent marks, notes to hide and windows for notes that have none.
    virtual void refreshWindows() = 0;
    // The alarm timers of the note texts that are due, on every tick before the check.
    virtual void fireDueTimers() {}
};

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
    bool isAutodelPinly = true;   // the send options interlock (auto-delete allowed)

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

    // ---- reception timer and network check ----
    // Enables tmrLog and gives the tick length for the current check unit in milliseconds
    // (receptionTickLength). The caller puts the result on the timer with setTimerInterval.
    int32_t onTimer();
    // Disables tmrLog and sets its interval to 0.
    void offTimer();
    // Puts an interval on tmrLog; it ticks while enabled and the interval is above 0.
    void setTimerInterval(int32_t ms);
    // One network check: receive, follow the sent notes, refresh the windows, re-arm.
    void chkNetCom();
    // The note windows the check works with (none: received notes get their windows later).
    void setNetworkHost(NetworkCheckHost* host) { host_ = host; }

    bool timerEnabled() const { return enabled_; }
    int32_t timerInterval() const { return interval_; }
    QTimer* tmrLog() const { return tmrLog_; }

signals:
    // After every network check (the ui tests follow the timer with it).
    void checked();

private:
    void tmrLog_Timer();
    void apply();
    void okClicked();
    void prepareOk();

    AppState& st_;
    QTimer* tmrLog_;
    bool enabled_ = false;
    int32_t interval_ = 0;
    bool checking_ = false;
    NetworkCheckHost* host_ = nullptr;
};

}  // namespace tw
