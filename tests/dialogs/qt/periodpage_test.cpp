// The period page as a window on the offscreen platform: its controls and their places, the spin
// buttons, the silent return of the focus to a refused field, "設定クリア" and OK.
#include "dialogs/qt/periodpage.h"

#include "model/datetime.h"
#include "support/test_services.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;

namespace {

QString q(const char* s) { return QString::fromUtf8(s); }

class PeriodPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        svc.clock.set(makeDateTime(2026, 5, 17, 9, 37, 0));
        st.NoteTable.resize(2);
        st.NoteTable[1].NoteId = 1;
        page.setRange(1);
    }

    // Shows the page as an active window, as the dialog does, so that the focus moves.
    void showActive() {
        page.show();
        page.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    }

    // Types `text` over the field's text and leaves it with Tab.
    void typeAndLeave(QLineEdit* e, const char* text) {
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, q(text));
        EXPECT_EQ(e->text(), q(text)) << "typing is never refused";
        QTest::keyClick(e, Qt::Key_Tab);
        QCoreApplication::processEvents();
    }

    NoteRecord& note() { return st.NoteTable[1]; }

    test::TestServices svc;
    AppState st{svc.services()};
    PeriodPage page{st};
};

}  // namespace

TEST_F(PeriodPageTest, ControlsHaveTheirNamesAndPlacesWithoutOverlapping) {
    page.show();
    EXPECT_EQ(page.objectName(), "picSet0");
    EXPECT_EQ(page.size(), QSize(353, 150));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(page.findChild<QLineEdit*>(QStringLiteral("txtInt%1").arg(i)), page.txtInt[size_t(i)]);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(page.findChild<QLineEdit*>(QStringLiteral("txtTime%1").arg(i)), page.txtTime[size_t(i)]);
    for (int i = 0; i < 8; ++i) {
        QScrollBar* s = page.findChild<QScrollBar*>(QStringLiteral("vsc%1").arg(i));
        ASSERT_EQ(s, page.vsc[size_t(i)]);
        EXPECT_EQ(s->minimum(), -1);
        EXPECT_EQ(s->maximum(), 1);
        EXPECT_EQ(s->value(), 0);
    }
    EXPECT_EQ(page.btnRangClear->objectName(), "btnRangClear");
    EXPECT_EQ(page.btnRangClear->text(), q("設定クリア"));
    QSet<QString> labels;
    for (QLabel* l : page.findChildren<QLabel*>()) labels.insert(l->text());
    EXPECT_EQ(labels, (QSet<QString>{q("開始 :"), q("年"), q("月"), q("日"), q("終了 :"), q("時刻")}));

    // Everything fits on the page, which ends above the dialog's OK and Cancel buttons, and no two
    // controls overlap.
    const QList<QWidget*> controls = page.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    const QRect room = page.rect();
    for (QWidget* a : controls) {
        EXPECT_TRUE(room.contains(a->geometry())) << a->objectName().toStdString() << " " << a->geometry().y();
        for (QWidget* b : controls) {
            if (a == b) continue;
            EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                << a->objectName().toStdString() << " / " << b->objectName().toStdString();
        }
    }
}

TEST_F(PeriodPageTest, PreparedNoteShowsNowAndTheUpperArrowCountsUp) {
    EXPECT_EQ(page.noteId(), 1);
    EXPECT_EQ(page.txtInt[0]->text(), "2026");
    EXPECT_EQ(page.txtInt[1]->text(), "5");
    EXPECT_EQ(page.txtInt[5]->text(), "17");
    EXPECT_EQ(page.txtTime[1]->text(), "09:37");
    EXPECT_TRUE(note().Period.UseTime);

    page.vsc[6]->triggerAction(QAbstractSlider::SliderSingleStepAdd);   // the lower arrow
    EXPECT_EQ(page.txtTime[0]->text(), "09:20");
    EXPECT_EQ(page.vsc[6]->value(), 0);
    page.vsc[1]->triggerAction(QAbstractSlider::SliderSingleStepSub);   // the upper arrow
    EXPECT_EQ(page.txtInt[1]->text(), "6");
    EXPECT_EQ(page.vsc[1]->value(), 0);
    // The start month differs from the end month now: the times are off at once.
    EXPECT_FALSE(page.txtTime[0]->isEnabled());
    EXPECT_FALSE(page.vsc[7]->isEnabled());
    EXPECT_FALSE(note().Period.UseTime);
}

TEST_F(PeriodPageTest, RefusedFieldGetsTheFocusBackSilently) {
    showActive();
    typeAndLeave(page.txtInt[0], "1996");
    EXPECT_EQ(QApplication::focusWidget(), page.txtInt[0]);
    EXPECT_EQ(page.txtInt[0]->text(), "1996");
    typeAndLeave(page.txtInt[0], "10000");
    EXPECT_EQ(QApplication::focusWidget(), page.txtInt[0]);
    typeAndLeave(page.txtInt[0], "2026");
    EXPECT_EQ(QApplication::focusWidget(), page.txtInt[1]);
    EXPECT_TRUE(svc.prompter.shown().empty());

    // A refused OK leaves the note alone and sends the focus to the field.
    page.txtInt[4]->selectAll();
    QTest::keyClicks(page.txtInt[4], q("13"));
    EXPECT_FALSE(page.store());
    QCoreApplication::processEvents();
    EXPECT_FALSE(note().HasPeriod);
    EXPECT_EQ(QApplication::focusWidget(), page.txtInt[4]);
}

TEST_F(PeriodPageTest, OkWithTheFocusInAFieldLeavesItFirst) {
    showActive();
    QLineEdit* endDay = page.txtInt[5];
    endDay->setFocus();
    endDay->selectAll();
    QTest::keyClicks(endDay, q("18"));
    ASSERT_TRUE(page.store());   // as Enter does: the field was never left
    EXPECT_TRUE(note().HasPeriod);
    EXPECT_FALSE(note().Period.UseTime);
    EXPECT_DOUBLE_EQ(note().Period.StartAt, makeDate(2026, 5, 17));
    EXPECT_DOUBLE_EQ(note().Period.EndAt, makeDate(2026, 5, 18));
    EXPECT_EQ(page.txtTime[1]->text(), "00:00");
}

TEST_F(PeriodPageTest, ClearThenOkRemovesThePeriod) {
    note().HasPeriod = true;
    note().Period = {makeDate(2026, 5, 1), makeDate(2026, 5, 31), false, {}};
    page.setRange(1);
    EXPECT_FALSE(page.txtTime[0]->isEnabled());
    QTest::mouseClick(page.btnRangClear, Qt::LeftButton);
    for (QLineEdit* e : page.txtInt) EXPECT_TRUE(e->text().isEmpty() && !e->isEnabled());
    for (QScrollBar* s : page.vsc) EXPECT_FALSE(s->isEnabled());
    EXPECT_TRUE(page.store());
    EXPECT_FALSE(note().HasPeriod);
    page.setRange(1);
    EXPECT_EQ(page.txtInt[0]->text(), "2026");
    EXPECT_TRUE(page.txtInt[0]->isEnabled());
}
