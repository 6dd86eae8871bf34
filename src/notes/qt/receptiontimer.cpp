#include "notes/qt/receptiontimer.h"

#include "messaging/reception.h"
#include "messaging/receptioncheck.h"
#include "platform/clock.h"

#include <QTimer>

namespace tw {

namespace {

// Receives without windows: the records are there, their windows come with the next refresh.
class NoWindows : public NetworkCheckHost {
public:
    void openNoteWindow(int) override {}
    bool openAnswerSheet(const LogRecord&, const NoteRecord&) override { return false; }
    void refreshWindows() override {}
};

}  // namespace

ReceptionTimer::ReceptionTimer(AppState& st, QObject* parent) : QObject(parent), st_(st), tmrLog_(new QTimer(this)) {
    setObjectName(QStringLiteral("ReceptionTimer"));
    tmrLog_->setObjectName(QStringLiteral("tmrLog"));
    // A coarse timer may fire a little early, and an early tick would find the check not yet due.
    tmrLog_->setTimerType(Qt::PreciseTimer);
    connect(tmrLog_, &QTimer::timeout, this, &ReceptionTimer::tmrLog_Timer);
}

int32_t ReceptionTimer::onTimer() {
    arming_.enable();
    apply();
    return receptionTickLength(st_.localConfig);
}

void ReceptionTimer::offTimer() {
    arming_.disable();
    apply();
}

void ReceptionTimer::setTimerInterval(int32_t ms) {
    arming_.setInterval(ms);
    apply();
}

void ReceptionTimer::apply() {
    // An interval of 0 means no ticks at all (a QTimer would fire at every pass of the event loop).
    if (const int32_t ms = arming_.running(); ms > 0)
        tmrLog_->start(ms);
    else
        tmrLog_->stop();
}

ReceptionTimer::Pause::Pause(ReceptionTimer* timer) : timer_(timer) {
    if (!timer_) return;
    timer_->arming_.pause();
    timer_->apply();
}

ReceptionTimer::Pause::~Pause() {
    if (!timer_) return;
    if (timer_->arming_.resume())
        timer_->setTimerInterval(timer_->onTimer());
    else
        timer_->apply();
}

void ReceptionTimer::tmrLog_Timer() {
    if (host_ && !st_.TimerTable.empty()) host_->fireDueTimers();
    if (receptionCheckDue(st_, st_.sys.clock->now())) chkNetCom();
}

void ReceptionTimer::chkNetCom() {
    // A check that is already running (a questionnaire box is open) is not started again.
    if (checking_) return;
    if (!st_.SharedPath.empty() && mayWrite_ && !mayWrite_()) return;
    checking_ = true;
    {
        // No check overlaps another: the timer is still while it runs and armed again afterwards.
        const Pause pause(this);
        st_.LastCheckTime = st_.sys.clock->now();
        NoWindows none;
        NetworkCheckHost& host = host_ ? *host_ : none;
        // Without a shared folder (not set up yet) there is no log to look at.
        if (!st_.SharedPath.empty()) networkCheck(st_, host);
        host.refreshWindows();
    }
    checking_ = false;
    emit checked();
}

}  // namespace tw
