// The end of an edit whose text holds characters the note file cannot hold: the member is told which,
// and goes back to the edit or keeps the text as the file holds it.
#include "notes/qt/note_fixture.h"

#include "platform/codepage.h"

using namespace tw;
using tw::test::lbl;
using tw::test::rch;

namespace {

const std::string kQuestion = "次の文字は付箋紙に書けません。\r😀、é、€、한、글\r「?」に置き換えて編集を終えますか？\r"
                              "「いいえ」で編集に戻ります。";

class UnstorableEditTest : public tw::test::NoteWindowsFixture {};

TEST_F(UnstorableEditTest, TheMemberGoesBackToTheEditOrKeepsWhatTheFileHolds) {
    const int i = addNote("メモ");
    frmPinly* w = open(i);
    QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, {}, {70, 15});
    ASSERT_TRUE(w->isEditing());
    const QString typed = QString::fromStdString("¥100 😀é€\n한글😀");
    rch(*w)->setPlainText(typed);

    prompter.expect("確認", kQuestion, Icon::Information, Buttons::YesNo, Answer::No);
    QTest::keyClick(rch(*w), Qt::Key_Escape);
    ASSERT_TRUE(w->isEditing()) << "back to the edit";
    EXPECT_EQ(rch(*w)->toPlainText(), typed);
    EXPECT_TRUE(rch(*w)->hasFocus());
    EXPECT_EQ(note(i).Text, "メモ");

    prompter.expect("確認", kQuestion, Icon::Information, Buttons::YesNo, Answer::Yes);
    QTest::keyClick(rch(*w), Qt::Key_Escape);
    EXPECT_FALSE(w->isEditing());
    EXPECT_EQ(lbl(*w)->text(), "¥100 ???\n???");
    EXPECT_EQ(note(i).Text, "¥100 ???\r\n???");
    EXPECT_EQ(utf8ToCp932(note(i).Text), "\x5C" "100 ???\r\n???");

    // An edit that another command ends cannot go on: the member is told of the replacements.
    QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, {}, {70, 15});
    ASSERT_TRUE(w->isEditing());
    rch(*w)->setPlainText("♥✓");
    prompter.expect("確認", "次の文字は付箋紙に書けないため、「?」に置き換えました。\r♥、✓", Icon::Information,
                    Buttons::Ok, Answer::Ok);
    EXPECT_TRUE(w->endEditing(true));
    EXPECT_EQ(lbl(*w)->text(), "??");
    EXPECT_EQ(note(i).Text, "??");
}

}  // namespace
