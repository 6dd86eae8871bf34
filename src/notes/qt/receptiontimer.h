// The program's reception timer tmrLog and the network check it runs. onTimer / offTimer / chkNetCom
// are what the start-up and the end of the program use to arm, stop and run them; whatever must not
// overlap a check (a dialog, the cancel of a send, the check itself) holds a Pause, which stops the
// timer and arms it again when it ends.
#pragma once

#include "messaging/reception.h"
#include "model/state.h"
#include "notes/receptionarming.h"

#include <QObject>

#include <cstdint>
#include <functional>

class QTimer;

namespace tw {

// What the network check needs of the note windows.
class NetworkCheckHost : public ReceptionHost {
public:
    // Colours, sent marks, notes to hide and windows for notes that have none.
    virtual void refreshWindows() = 0;
    // The alarm timers of the note texts that are due, on every tick before the check.
    virtual void fireDueTimers() {}
};

class ReceptionTimer : public QObject {
    Q_OBJECT
public:
    explicit ReceptionTimer(AppState& st, QObject* parent = nullptr);

    // Enables tmrLog and gives the tick length for the current check unit in milliseconds
    // (receptionTickLength). The caller puts the result on the timer with setTimerInterval.
    int32_t onTimer();
    // Disables tmrLog and sets its interval to 0 (the end of the program).
    void offTimer();
    // Puts an interval on tmrLog; it ticks while enabled, not paused and the interval is above 0.
    void setTimerInterval(int32_t ms);
    // One network check: receive, follow the sent notes, refresh the windows. The timer is paused
    // meanwhile, so that checks never overlap.
    void chkNetCom();
    // The note windows the check works with (none: received notes get their windows later).
    void setNetworkHost(NetworkCheckHost* host) { host_ = host; }
    // Asked before every check of a shared folder, which may write the member's files; false skips it.
    void setWriteGate(std::function<bool()> mayWrite) { mayWrite_ = std::move(mayWrite); }

    // Stops the timer for its lifetime; when the last Pause ends, the timer is armed again with the
    // interval of the settings in force then, unless offTimer stopped it meanwhile (the end of the
    // program). Pauses nest. Null: nothing to pause.
    class [[nodiscard]] Pause {
    public:
        explicit Pause(ReceptionTimer* timer);
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        ReceptionTimer* timer_;
    };

    bool timerEnabled() const { return arming_.enabled(); }
    int32_t timerInterval() const { return arming_.interval(); }
    bool paused() const { return arming_.paused(); }
    QTimer* tmrLog() const { return tmrLog_; }

signals:
    // After every network check (the ui tests follow the timer with it).
    void checked();

private:
    void tmrLog_Timer();
    void apply();

    AppState& st_;
    QTimer* tmrLog_;
    ReceptionArming arming_;
    bool checking_ = false;
    NetworkCheckHost* host_ = nullptr;
    std::function<bool()> mayWrite_;
};

}  // namespace tw
