// The note-settings dialog's shared OK and "ｷｬﾝｾﾙ" on the offscreen platform: on every page they are
// what lies under the pointer at their places and take a click delivered to the window there (the
// window finds the widget under the pointer, as with a real mouse), and Enter presses OK.
#include "dialogs/qt/frmMain.h"
#include "dialogs/qt/periodpage.h"

#include "model/datetime.h"
#include "support/qt/controls.h"
#include "support/test_services.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using tw::test::control;

namespace {

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        svc.clock.set(makeDateTime(2026, 5, 17, 9, 37, 0));
        st.NoteTable.resize(1);
        st.NoteTable[0].Text = "メモ";
        // Somebody to send to: the send page has a row.
        st.CurrentMemberId = 1;
        st.members.resize(2);
        st.members[0].MemberId = 1;
        st.members[0].MemberName = "佐藤";
        st.members[1].MemberId = 2;
        st.members[1].MemberName = "鈴木";
    }

    // Prepares page k as the note's settings menu does and shows the dialog as the active window.
    void open(int k) {
        switch (k) {
        case frmMain::kPeriodPage: d.setRange(0); break;
        case frmMain::kSendPage: d.setSendOther(0, true); break;
        case frmMain::kBackgroundPage: d.backAttr(0); break;
        default: break;   // the list page needs a log; its buttons are the same
        }
        d.showPage(k);
        d.show();
        d.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    }

    // The dialog's shared buttons (0 OK, 1 ｷｬﾝｾﾙ) and its pages, by their names.
    QPushButton* btn(size_t i) { return control<QPushButton>(d, "btn", i); }
    QWidget* picSet(size_t k) { return control<QWidget>(d, "picSet", k); }

    // A left click at the middle of button i, delivered to the dialog's window at that point.
    void clickAt(size_t i) {
        const QPoint at = btn(i)->geometry().center();
        QTest::mouseClick(d.windowHandle(), Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
    }

    test::TestServices svc;
    AppState st{svc.services()};
    frmMain d{st};
};

TEST_F(SettingsDialogTest, EveryPageLeavesItsButtonsToThePointer) {
    for (int k : {frmMain::kPeriodPage, frmMain::kSendPage, frmMain::kListPage, frmMain::kBackgroundPage}) {
        SCOPED_TRACE(k);
        open(k);
        ASSERT_EQ(d.currentPage(), k);
        for (size_t i = 0; i < 2; ++i) {
            const QRect place = btn(i)->geometry();
            EXPECT_EQ(d.childAt(place.center()), btn(i)) << "button " << i;
            EXPECT_FALSE(picSet(static_cast<size_t>(k))->geometry().intersects(place)) << "button " << i;
            // Inside the dialog, without a band of empty space under them.
            EXPECT_TRUE(d.rect().contains(place)) << "button " << i;
            EXPECT_LE(d.height() - place.bottom(), 12) << "button " << i;
        }
        clickAt(1);
        EXPECT_FALSE(d.isVisible()) << "ｷｬﾝｾﾙ closes the dialog";
        EXPECT_EQ(d.result(), QDialog::Rejected);
    }
    EXPECT_FALSE(st.NoteTable[0].HasPeriod);
}

TEST_F(SettingsDialogTest, OkClickedOnThePeriodPageStoresThePeriod) {
    open(frmMain::kPeriodPage);
    QLineEdit* endDay = control<QLineEdit>(d, "txtInt", 5);
    endDay->setFocus();
    endDay->selectAll();
    QTest::keyClicks(endDay, QStringLiteral("20"));
    clickAt(0);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    const NoteRecord& n = st.NoteTable[0];
    EXPECT_TRUE(n.HasPeriod);
    EXPECT_DOUBLE_EQ(n.Period.StartAt, makeDate(2026, 5, 17));
    EXPECT_DOUBLE_EQ(n.Period.EndAt, makeDate(2026, 5, 20));
    EXPECT_FALSE(n.Period.UseTime);
}

TEST_F(SettingsDialogTest, EnterPressesOkFromTheFieldBeingTypedIn) {
    struct Case {
        const char* name;
        bool onCancel;          // the focus on "ｷｬﾝｾﾙ" when Enter is pressed
        int result;
        bool stored;
    } cases[] = {
        {"Enter in the start year", false, QDialog::Accepted, true},
        {"Enter on ｷｬﾝｾﾙ", true, QDialog::Rejected, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        st.NoteTable[0].HasPeriod = false;
        open(frmMain::kPeriodPage);
        QLineEdit* startYear = control<QLineEdit>(d, "txtInt", 0);
        // The page opens ready for typing the start year over.
        EXPECT_EQ(QApplication::focusWidget(), startYear);
        EXPECT_EQ(startYear->selectedText(), QStringLiteral("2026"));
        QTest::keyClicks(startYear, QStringLiteral("2025"));
        QWidget* target = startYear;
        if (c.onCancel) {
            btn(1)->setFocus(Qt::TabFocusReason);
            target = btn(1);
        }
        QTest::keyClick(target, Qt::Key_Return);
        QCoreApplication::processEvents();
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.result(), c.result);
        EXPECT_EQ(st.NoteTable[0].HasPeriod, c.stored);
        if (c.stored) {
            EXPECT_DOUBLE_EQ(st.NoteTable[0].Period.StartAt, makeDate(2025, 5, 17));
            EXPECT_DOUBLE_EQ(st.NoteTable[0].Period.EndAt, makeDate(2026, 5, 17));
        }
    }
}

}  // namespace
