// The note-settings dialog. Its hidden instance, loaded for the whole run, carries the reception
// timer tmrLog and the network check; onTimer / offTimer / chkNetCom are what the rest of the
// program uses to arm, stop and run them.
#pragma once

#include "model/state.h"

#include <QDialog>

#include <cstdint>

class QTimer;

namespace tw {

class frmMain : public QDialog {
    Q_OBJECT
public:
    explicit frmMain(AppState& st, QWidget* parent = nullptr);

    // Enables tmrLog and gives the tick length for the current check unit in milliseconds
    // (receptionTickLength). The caller puts the result on
    // the timer with setTimerInterval.
    int32_t onTimer();
    // Disables tmrLog and sets its interval to 0.
    void offTimer();
    // Puts an interval on tmrLog; it ticks while enabled and the interval is above 0.
    void setTimerInterval(int32_t ms);
    // One network check.
    void chkNetCom();

    bool timerEnabled() const { return enabled_; }
    int32_t timerInterval() const { return interval_; }
    QTimer* tmrLog() const { return tmrLog_; }

signals:
    // After every network check (the ui tests follow the timer with it).
    void checked();

private:
    void tmrLog_Timer();
    void apply();

    AppState& st_;
    QTimer* tmrLog_;
    bool enabled_ = false;
    int32_t interval_ = 0;
};

}  // namespace tw
