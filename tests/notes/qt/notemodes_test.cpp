// The window modes from the menu on real note windows: the password dialog, see-through, z-order,
// text size.
#include "notes/notetable.h"
#include "notes/qt/note_fixture.h"
#include "window/qt/frmPass.h"

#include <QBitmap>
#include <QFontInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace tw::test {
namespace {

using NoteModesTest = NoteWindowsFixture;

TEST_F(NoteModesTest, FlipBackNeedsThePassword) {
    st.CurrentPassword = "pw1";
    frmPinly* w = open(addNote("秘密のメモ"));
    notes->modes().flipNote(w);
    EXPECT_EQ(w->caption(), kBackSideCaption);
    EXPECT_TRUE(note(0).has(kFlagReversed));

    // A wrong entry is told and the dialog stays; the right one turns the note over.
    std::vector<std::string> entries = {"pw", "pw1"};
    passwordDialog = [&](AppState& s) {
        frmPass d(s);
        EXPECT_EQ(d.txt->echoMode(), QLineEdit::Password);
        for (const std::string& e : entries) {
            d.txt->setText(QString::fromStdString(e));
            d.btn[0]->click();
        }
    };
    prompter.expect("タックウィスプ", "パスワードが違います", Icon::Warning, Buttons::Ok, Answer::Ok);
    notes->modes().flipNote(w);
    EXPECT_EQ(w->caption(), "秘密のメモ");
    EXPECT_FALSE(note(0).has(kFlagReversed));

    // Cancel leaves it on its back.
    notes->modes().flipNote(w);
    passwordDialog = [](AppState& s) { frmPass(s).btn[1]->click(); };
    notes->modes().flipNote(w);
    EXPECT_EQ(w->caption(), kBackSideCaption);
}

TEST_F(NoteModesTest, PasswordDialogSaysWhatAPasswordHoldsAndKeepsWhatIsTyped) {
    st.CurrentPassword = "ABC12";
    frmPass d(st);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    ASSERT_NE(d.lblChars, nullptr);
    EXPECT_EQ(d.lblChars->text(), QString::fromUtf8("半角英大文字と数字のみ"));
    EXPECT_TRUE(d.lblChars->isVisible());
    // The line is whole on the dialog and clear of the other controls.
    EXPECT_TRUE(d.rect().contains(d.lblChars->geometry()));
    EXPECT_GE(d.lblChars->width(), d.lblChars->sizeHint().width());
    for (QWidget* other : std::initializer_list<QWidget*>{d.lbl, d.txt, d.btn[0], d.btn[1]})
        EXPECT_FALSE(other->geometry().intersects(d.lblChars->geometry())) << other->objectName().toStdString();

    // Nothing typed is dropped: a password typed in small letters is told wrong, not cut short.
    d.txt->setFocus();
    QTest::keyClicks(d.txt, QStringLiteral("abC12#"));
    EXPECT_EQ(d.txt->text(), QStringLiteral("abC12#"));
    prompter.expect("タックウィスプ", "パスワードが違います", Icon::Warning, Buttons::Ok, Answer::Ok);
    d.btn[0]->click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(st.passwordAccepted);
    d.txt->selectAll();
    QTest::keyClicks(d.txt, QStringLiteral("ABC12"));
    d.btn[0]->click();
    EXPECT_TRUE(st.passwordAccepted);
    EXPECT_FALSE(d.isVisible());
}

TEST_F(NoteModesTest, SeeThroughCutsTheWindowToItsText) {
    frmPinly* w = open(addNote("透明なメモ", 1500, 1500, 3000, 1500));
    notes->modes().toggleSeeThrough(w);
    EXPECT_TRUE(note(0).has(kFlagTransparent));
    EXPECT_FALSE(lbl(*w)->isVisible());
    const QRegion cut = w->mask();
    ASSERT_FALSE(cut.isEmpty());
    EXPECT_LT(cut.rectCount(), 100000);
    // Only the letters are left: far less than the whole note, all of it at the top left.
    long area = 0;
    for (const QRect& r : cut) area += static_cast<long>(r.width()) * r.height();
    EXPECT_LT(area, w->width() * w->height() / 4);
    EXPECT_TRUE(cut.boundingRect().top() < w->height() / 2);
    // The letters are as tall as the label's: the note does not shrink its text when it turns
    // see-through.
    EXPECT_GE(cut.boundingRect().height() * 10, QFontInfo(lbl(*w)->font()).pixelSize() * 9);
    notes->modes().toggleSeeThrough(w);
    EXPECT_TRUE(w->mask().isEmpty());
    EXPECT_TRUE(lbl(*w)->isVisible());
}

TEST_F(NoteModesTest, ZOrderLockAndTextSize) {
    frmPinly* w = open(addNote("前"));
    notes->modes().zOrder(w, 0);
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    notes->modes().zOrder(w, 1);
    EXPECT_TRUE(note(0).has(kFlagAlwaysBack));
    EXPECT_FALSE(note(0).has(kFlagAlwaysFront));
    EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << "out of the topmost band at once";
    EXPECT_TRUE(w->isVisible());
    notes->modes().zOrder(w, 0);
    notes->modes().zOrder(w, 0);
    EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    notes->modes().toggleLock(w);
    EXPECT_TRUE(note(0).has(kFlagLocked));

    st.localConfig.Fonts[2].FontName = "Noto Sans CJK JP";
    st.localConfig.Fonts[2].FontSize = 16;
    notes->modes().setTextSize(w, 2);
    EXPECT_EQ(note(0).TextSize, 2);
    EXPECT_EQ(lbl(*w)->font().pointSize(), 16);
}

}  // namespace
}  // namespace tw::test
