#include "dialogs/qt/frmMain.h"

#include "messaging/receptioncheck.h"
#include "platform/clock.h"
#include "platform/screen.h"

#include <QTimer>

namespace tw {

namespace {

constexpr int kWidthTwips = 5295, kHeightTwips = 3195;

}  // namespace

frmMain::frmMain(AppState& st, QWidget* parent) : QDialog(parent), st_(st), tmrLog_(new QTimer(this)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromStdString(kProductName));
    resize(kWidthTwips / std::max(1, st.sys.screen->twipsPerPixelX()),
           kHeightTwips / std::max(1, st.sys.screen->twipsPerPixelY()));
    tmrLog_->setObjectName(QStringLiteral("tmrLog"));
    // A coarse timer may fire a little early, and an early tick would find the check not yet due.
    tmrLog_->setTimerType(Qt::PreciseTimer);
    connect(tmrLog_, &QTimer::timeout, this, &frmMain::tmrLog_Timer);
}

int32_t frmMain::onTimer() {
    enabled_ = true;
    apply();
    return receptionTickLength(st_.localConfig);
}

void frmMain::offTimer() {
    enabled_ = false;
    interval_ = 0;
    apply();
}

void frmMain::setTimerInterval(int32_t ms) {
    interval_ = ms < 0 ? 0 : ms;
    apply();
}

void frmMain::apply() {
    // An interval of 0 means no ticks at all (a QTimer would fire at every pass of the event loop).
    if (enabled_ && interval_ > 0)
        tmrLog_->start(interval_);
    else
        tmrLog_->stop();
}

void frmMain::tmrLog_Timer() {
    if (receptionCheckDue(st_, st_.sys.clock->now())) chkNetCom();
}

void frmMain::chkNetCom() {
    // No check overlaps another: the timer is off while it runs and re-armed afterwards.
    offTimer();
    st_.LastCheckTime = st_.sys.clock->now();
    // Receiving, following the sends and refreshing the note windows come with the messaging
    // dialogs; until then a check only restarts the interval.
    setTimerInterval(onTimer());
    emit checked();
}

}  // namespace tw
