// A running set of note windows on the offscreen platform: a fixed 1024 x 768 pixel screen of 15 twips
// per pixel, a test clock, scripted message boxes, a temporary shared folder for member 1, a reception
// timer that nobody has armed, and program hooks that only record what they were asked. The context
// menu that all windows share is recorded instead of run; the password of a note's back side is
// answered by `passwordDialog`. What else the windows are made with (the settings dialog, a shell, an
// answer output) a test puts in `services` and calls makeWindows() again.
#pragma once

#include "app/groval.h"
#include "notes/programhooks.h"
#include "model/datetime.h"
#include "notes/qt/notewindows.h"
#include "notes/qt/receptiontimer.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"
#include "support/member_state.h"
#include "support/qt/note_controls.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "window/qt/frmPinly.h"
#include "window/qt/notemenu.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace tw::test {

struct RecordingHooks : ProgramHooks {
    int environmentDialogs = 0;
    std::vector<int> ends;
    // Whether the reception timer (when one is given) was still enabled at each end.
    const ReceptionTimer* timer = nullptr;
    std::vector<bool> timerOnAtEnd;
    bool environmentReady = false;
    void showEnvironmentDialog() override { ++environmentDialogs; }
    void endProgram(int exitCode) override {
        ends.push_back(exitCode);
        timerOnAtEnd.push_back(timer && timer->timerEnabled());
    }
    bool environmentDialogAvailable() const override { return environmentReady; }
};

class NoteWindowsFixture : public ::testing::Test {
protected:
    static constexpr int kTpp = 15;
    static constexpr int kScreenW = 1024 * kTpp;
    static constexpr int kScreenH = 768 * kTpp;

    void SetUp() override {
        test::setUpNoteMember(st, shared.str());
        makeWindows();
    }

    void TearDown() override {
        notes.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The note windows made anew (none open) with `services`, the reception timer, the recorded menu
    // and the password answered by `passwordDialog`.
    void makeWindows() {
        NoteWindowServices given = services;
        given.receptionTimer = &reception;
        given.menuPopup = [this](frmPinly& w, QMenu&, const QPoint& at) {
            popups.push_back(at);
            popupWindow = &w;
        };
        given.askPassword = [this](AppState& s) {
            ASSERT_TRUE(passwordDialog) << "the password was asked for, and the test answers none";
            passwordDialog(s);
        };
        notes.reset();
        notes = std::make_unique<NoteWindows>(st, hooks, std::move(given));
    }

    // A record with the given text and place (twips), appended to the table.
    int addNote(const std::string& text, int left = 1500, int top = 1500, int width = 2145, int height = 450) {
        NoteRecord r;
        r.Text = text;
        r.Left = static_cast<int16_t>(left);
        r.Top = static_cast<int16_t>(top);
        r.Width = static_cast<int16_t>(width);
        r.Height = static_cast<int16_t>(height);
        r.NoteId = static_cast<int16_t>(st.NoteTable.size());
        st.NoteTable.push_back(r);
        return static_cast<int>(st.NoteTable.size()) - 1;
    }

    frmPinly* open(int index) {
        frmPinly* w = notes->openNoteWindow(index);
        if (w && w->isVisible()) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
        }
        return w;
    }

    NoteRecord& note(int i) { return st.NoteTable.at(static_cast<size_t>(i)); }

    // Right click on the window handle: the way a real click arrives.
    void rightClick(frmPinly* w, Qt::KeyboardModifiers mods, QPoint at = QPoint(20, 10)) {
        QTest::mouseClick(w->windowHandle(), Qt::RightButton, mods, at);
    }

    // The shared context menu as a plain right click on the window pops it up: it has taken that
    // window's state, and its commands act on that window.
    NoteMenu& menuFor(frmPinly* w) {
        const size_t before = popups.size();
        rightClick(w, Qt::NoModifier);
        EXPECT_EQ(popups.size(), before + 1) << "the right click opened no menu";
        EXPECT_EQ(popupWindow, w);
        EXPECT_EQ(notes->menu().target(), w);
        return notes->menu();
    }

    void activate(frmPinly* w) {
        QEvent e(QEvent::WindowActivate);
        QCoreApplication::sendEvent(w, &e);
    }

    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    TempDir shared;
    ScriptedPrompter prompter;
    TestClock clock{makeDateTime(2024, 5, 10, 12, 0, 0)};
    FixedScreen screen{kScreenW, kScreenH, kTpp};
    EmptySettingsStore legacyStore;
    RecordingHooks hooks;
    AppState st{Services{prompter, clock, screen, legacyStore}};
    ReceptionTimer reception{st};
    NoteWindowServices services;
    NoteModes::PasswordPrompt passwordDialog;
    std::unique_ptr<NoteWindows> notes;
    std::vector<QPoint> popups;
    frmPinly* popupWindow = nullptr;
};

}  // namespace tw::test
