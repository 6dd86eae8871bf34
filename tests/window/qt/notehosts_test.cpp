// A note window needs nothing of the program but the state object and its three small parts: the
// gestures of its mouse handling, what follows a change of its face, and the set of open windows.
// Here those parts only record what the window asks of them; no collection of note windows exists.
#include "support/test_services.h"
#include "window/qt/frmPinly.h"
#include "window/qt/notehost.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tw::test {
namespace {

struct RecordingHosts final : NoteGestureHost, NoteFaceHost, NoteSetHost {
    std::vector<std::string> calls;
    void newNote(frmPinly*) override { calls.push_back("newNote"); }
    void duplicateNote(frmPinly*) override { calls.push_back("duplicateNote"); }
    void peelNote(frmPinly*) override { calls.push_back("peelNote"); }
    void popupMenu(frmPinly&, const QPoint&) override { calls.push_back("popupMenu"); }
    void sendToBack(frmPinly*) override { calls.push_back("sendToBack"); }
    void refreshBackground(frmPinly&) override { calls.push_back("refreshBackground"); }
    void applyShape(frmPinly& w) override {
        calls.push_back("applyShape");
        w.layoutLabel();
    }
    void autoSizeIfOn(frmPinly&) override { calls.push_back("autoSizeIfOn"); }
    void refreshLinks(frmPinly&) override { calls.push_back("refreshLinks"); }
    void forget(frmPinly*) override { calls.push_back("forget"); }
    void exitProgram() override { calls.push_back("exitProgram"); }
    long count(const std::string& call) const { return std::ranges::count(calls, call); }
};

class WindowOnItsOwnParts : public ::testing::Test {
protected:
    void SetUp() override {
        NoteRecord r;
        r.Text = "メモ";
        r.Left = 1500;
        r.Top = 1500;
        r.Width = 2145;
        r.Height = 450;
        st.NoteTable.push_back(r);
        w = new frmPinly(st, hosts, hosts, hosts);
        w->setTwipsGeometry({1500, 1500, 2145, 450});
        w->bind(0);
        w->setCaption(r.Text);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    }
    void TearDown() override {
        delete w.data();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TestServices services;
    AppState st{services.services()};
    RecordingHosts hosts;
    QPointer<frmPinly> w;
};

TEST_F(WindowOnItsOwnParts, RightButtonGesturesGoToTheGestureHost) {
    struct Row {
        Qt::KeyboardModifiers mods;
        const char* call;
    };
    const std::vector<Row> rows = {
        {Qt::NoModifier, "popupMenu"},
        {Qt::AltModifier, "popupMenu"},
        {Qt::ShiftModifier, "duplicateNote"},
        {Qt::ControlModifier, "newNote"},
        {Qt::ControlModifier | Qt::AltModifier, "peelNote"},
    };
    const std::vector<std::string> gestures = {"popupMenu", "duplicateNote", "newNote", "peelNote"};
    for (const Row& row : rows) {
        hosts.calls.clear();
        QTest::mouseClick(w->windowHandle(), Qt::RightButton, row.mods, QPoint(20, 10));
        for (const std::string& g : gestures) EXPECT_EQ(hosts.count(g), g == row.call ? 1 : 0) << row.call << " " << g;
        EXPECT_EQ(hosts.count("sendToBack"), 0) << "not a note always at the back";
    }
    // A note always at the back steps to the bottom at every press.
    st.NoteTable[0].set(kFlagAlwaysBack, true);
    hosts.calls.clear();
    QTest::mouseClick(w->windowHandle(), Qt::RightButton, Qt::NoModifier, QPoint(20, 10));
    EXPECT_EQ(hosts.count("sendToBack"), 1);
}

TEST_F(WindowOnItsOwnParts, FaceChangesGoToTheFaceHost) {
    hosts.calls.clear();
    w->resize(w->width() + 20, w->height() + 10);
    EXPECT_EQ(hosts.count("applyShape"), 1);
    EXPECT_EQ(st.NoteTable[0].Width, 2145 + 20 * 15) << "the record follows the new size";

    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(w, &activate);
    EXPECT_EQ(hosts.count("refreshBackground"), 1);

    hosts.calls.clear();
    w->beginEditing();
    ASSERT_TRUE(w->isEditing());
    EXPECT_TRUE(w->endEditing(true));
    EXPECT_EQ(hosts.calls, (std::vector<std::string>{"autoSizeIfOn", "refreshLinks"}));
}

TEST_F(WindowOnItsOwnParts, AClosedWindowLeavesTheSet) {
    hosts.calls.clear();
    w->close();
    EXPECT_EQ(hosts.calls, std::vector<std::string>{"forget"});
    EXPECT_EQ(hosts.count("exitProgram"), 0) << "an ordinary close ends nothing";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(st.NoteTable.size(), 1u) << "the record stays";
}

}  // namespace
}  // namespace tw::test
