// The program's reception timer: arming and stopping, a real tick running the check, pauses that
// stop it and arm it again when they end (nested, with the interval changed meanwhile), and the
// dialogs opened from a note pausing it.
#include "notes/qt/receptiontimer.h"

#include "dialogs/qt/frmMain.h"
#include "model/datetime.h"
#include "notes/qt/note_fixture.h"
#include "platform/clock.h"
#include "support/qt/controls.h"
#include "support/scripted_prompter.h"
#include "support/test_services.h"

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tw::test {
namespace {

LocalConfig every(int16_t interval, int16_t unit) {
    LocalConfig c;
    c.CheckInterval = interval;
    c.CheckUnit = unit;
    return c;
}

constexpr int16_t kMinutes = 0, kHours = 1, kSeconds = 2;

TEST(ReceptionTimer, ArmedOnlyWhenEnabledWithAnInterval) {
    TestServices env;
    AppState st(env.services());
    st.localConfig = every(5, kMinutes);
    ReceptionTimer f(st);

    f.setTimerInterval(1000);
    EXPECT_FALSE(f.tmrLog()->isActive()) << "an interval alone does not enable the timer";
    f.setTimerInterval(f.onTimer());
    EXPECT_TRUE(f.tmrLog()->isActive());
    EXPECT_EQ(f.tmrLog()->interval(), 60000);

    f.offTimer();
    EXPECT_FALSE(f.tmrLog()->isActive());
    EXPECT_EQ(f.timerInterval(), 0);

    st.localConfig = every(0, kSeconds);   // seconds, 0: no timer check at all
    f.setTimerInterval(f.onTimer());
    EXPECT_TRUE(f.timerEnabled());
    EXPECT_FALSE(f.tmrLog()->isActive()) << "interval 0 never ticks";
}

TEST(ReceptionTimer, TickRunsTheCheckWhenDue) {
    TestServices env;
    TestClock& clock = env.clock;
    clock.set(makeDateTime(2000, 7, 17, 9, 0, 1));
    AppState st(env.services());
    st.LastCheckTime = makeDateTime(2000, 7, 17, 9, 0, 0);
    st.localConfig = every(1, kSeconds);
    ReceptionTimer f(st);
    QSignalSpy checks(&f, &ReceptionTimer::checked);
    f.setTimerInterval(f.onTimer());
    ASSERT_TRUE(checks.wait(5000));
    EXPECT_EQ(st.LastCheckTime, clock.now());
    EXPECT_TRUE(f.tmrLog()->isActive()) << "re-armed after the check";
    EXPECT_EQ(f.tmrLog()->interval(), 1000);
    EXPECT_FALSE(f.paused());

    // Not yet due: the tick passes without a check.
    st.localConfig = every(30, kSeconds);
    checks.clear();
    EXPECT_FALSE(checks.wait(1500));
}

// A pause (possibly within another) while the settings may change; what runs after each end.
struct PauseCase {
    const char* name;
    LocalConfig before;
    int depth;                          // pauses held at once
    std::optional<LocalConfig> during;  // the settings changed while paused
    int innerEndInterval;               // tmrLog after the innermost end: 0 still stopped
    int outerEndInterval;               // tmrLog after the last end
};

TEST(ReceptionTimer, PauseStopsItAndTheLastEndReArmsWithTheIntervalInForce) {
    const std::vector<PauseCase> cases = {
        {"one pause", every(5, kMinutes), 1, std::nullopt, 60000, 60000},
        {"nested pauses", every(5, kMinutes), 2, std::nullopt, 0, 60000},
        {"the interval changed meanwhile", every(5, kMinutes), 1, every(7, kSeconds), 7000, 7000},
        {"nested, the interval changed meanwhile", every(3, kSeconds), 3, every(1, kHours), 0, 65535},
        {"changed to no ticks at all", every(3, kSeconds), 1, every(0, kSeconds), 0, 0},
    };
    for (const PauseCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestServices env;
        AppState st(env.services());
        st.localConfig = c.before;
        ReceptionTimer t(st);
        t.setTimerInterval(t.onTimer());
        ASSERT_TRUE(t.tmrLog()->isActive());
        {
            std::vector<std::unique_ptr<ReceptionTimer::Pause>> held;
            for (int i = 0; i < c.depth; ++i) {
                held.push_back(std::make_unique<ReceptionTimer::Pause>(&t));
                EXPECT_FALSE(t.tmrLog()->isActive()) << "paused " << i + 1;
                EXPECT_TRUE(t.paused());
            }
            if (c.during) st.localConfig = *c.during;
            // Arming it meanwhile (the start-up run again) does not start it either.
            t.setTimerInterval(t.onTimer());
            EXPECT_FALSE(t.tmrLog()->isActive());
            held.pop_back();
            EXPECT_EQ(t.tmrLog()->isActive(), c.innerEndInterval > 0);
            if (c.innerEndInterval > 0) {
                EXPECT_EQ(t.tmrLog()->interval(), c.innerEndInterval);
            }
            held.clear();
        }
        EXPECT_FALSE(t.paused());
        EXPECT_TRUE(t.timerEnabled());
        EXPECT_EQ(t.tmrLog()->isActive(), c.outerEndInterval > 0);
        if (c.outerEndInterval > 0) {
            EXPECT_EQ(t.tmrLog()->interval(), c.outerEndInterval);
        }
    }
}

TEST(ReceptionTimer, PauseEndArmsItUnlessItWasStoppedMeanwhile) {
    TestServices env;
    AppState st(env.services());
    st.localConfig = every(5, kMinutes);
    ReceptionTimer t(st);
    { const ReceptionTimer::Pause pause(&t); }
    EXPECT_TRUE(t.tmrLog()->isActive()) << "the end of a pause arms it, also when it was off before";
    EXPECT_EQ(t.tmrLog()->interval(), 60000);

    {
        const ReceptionTimer::Pause pause(&t);
        t.offTimer();   // the end of the program
    }
    EXPECT_FALSE(t.tmrLog()->isActive()) << "stopped while paused: stays stopped";
    EXPECT_FALSE(t.timerEnabled());
    { const ReceptionTimer::Pause nothing(nullptr); }   // no timer: nothing to pause
    EXPECT_FALSE(t.tmrLog()->isActive());
}

TEST(ReceptionTimer, TheCheckPausesItAndDoesNotEndAnOuterPause) {
    TestServices env;
    AppState st(env.services());
    st.localConfig = every(5, kMinutes);
    ReceptionTimer t(st);
    t.setTimerInterval(t.onTimer());
    QSignalSpy checks(&t, &ReceptionTimer::checked);
    {
        const ReceptionTimer::Pause pause(&t);
        t.chkNetCom();
        ASSERT_EQ(checks.count(), 1);
        EXPECT_FALSE(t.tmrLog()->isActive()) << "a check inside a pause leaves it paused";
    }
    EXPECT_TRUE(t.tmrLog()->isActive());
    t.chkNetCom();
    EXPECT_EQ(checks.count(), 2);
    EXPECT_TRUE(t.tmrLog()->isActive()) << "re-armed after the check";
    EXPECT_EQ(t.tmrLog()->interval(), 60000);
}

// Runs `act` on the dialog once it is up as a modal window.
void whenModal(QWidget& d, std::function<void()> act) {
    auto* poll = new QTimer(&d);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, &d, [poll, &d, act = std::move(act)] {
        if (QApplication::activeModalWidget() != &d) return;
        poll->stop();
        poll->deleteLater();
        act();
    });
    poll->start();
}

class DialogFromNote : public NoteWindowsFixture {
protected:
    void SetUp() override {
        NoteWindowsFixture::SetUp();
        for (int16_t id : {int16_t{1}, int16_t{2}}) {
            UserEntry u;
            u.MemberId = id;
            u.MemberName = id == 1 ? "佐藤" : "鈴木";
            st.members.push_back(u);
        }
        dialog = std::make_unique<frmMain>(st);
        services.settingsDialog = dialog.get();
        makeWindows();
    }
    void TearDown() override {
        NoteWindowsFixture::TearDown();
        dialog.reset();
    }
    std::unique_ptr<frmMain> dialog;
};

TEST_F(DialogFromNote, PausesTheReceptionAndReArmsItAfter) {
    struct Row {
        const char* name;
        int entry;        // the settings menu's entry
        int page;         // the page it shows
        bool ok;          // closed with OK, else with ｷｬﾝｾﾙ
        LocalConfig during;
        int after;        // tmrLog's interval once it has closed
    };
    const std::vector<Row> rows = {
        {"send page, cancelled", 1, frmMain::kSendPage, false, every(2, kHours), 65535},
        {"background page, OK", 4, frmMain::kBackgroundPage, true, every(4, kSeconds), 4000},
        {"period page, cancelled", 0, frmMain::kPeriodPage, false, every(5, kMinutes), 60000},
        // Last: OK gives the note a period, and the send page would ask first about it.
        {"period page, OK, settings changed meanwhile", 0, frmMain::kPeriodPage, true, every(9, kSeconds), 9000},
    };
    frmPinly* w = open(addNote("設定する付箋"));
    open(addNote("もう一枚", 6000, 6000));
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        st.localConfig.CheckUnit = kMinutes;
        st.localConfig.CheckInterval = 5;
        reception.setTimerInterval(reception.onTimer());
        ASSERT_TRUE(reception.tmrLog()->isActive());
        bool seen = false;
        whenModal(*dialog, [&] {
            seen = true;
            EXPECT_EQ(dialog->currentPage(), r.page);
            EXPECT_TRUE(reception.paused());
            EXPECT_FALSE(reception.tmrLog()->isActive()) << "no check while the dialog is open";
            st.localConfig.CheckUnit = r.during.CheckUnit;
            st.localConfig.CheckInterval = r.during.CheckInterval;
            control<QPushButton>(*dialog, "btn", r.ok ? 0u : 1u)->click();
        });
        notes->travel().openSettingsPage(w, r.entry);
        ASSERT_TRUE(seen);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_FALSE(reception.paused());
        EXPECT_TRUE(reception.tmrLog()->isActive());
        EXPECT_EQ(reception.tmrLog()->interval(), r.after);
    }
}

}  // namespace
}  // namespace tw::test
