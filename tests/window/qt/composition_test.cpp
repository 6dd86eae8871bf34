// Text typed through an input method is composed before it is committed: what the edit box showed is
// what the note keeps, once, however the edit ends.
#include "notes/qt/note_fixture.h"

#include <QInputMethodEvent>

#include <functional>
#include <string>
#include <vector>

using namespace tw;
using tw::test::rch;

namespace {

class CompositionTest : public tw::test::NoteWindowsFixture {};

// Text typed through an input method is composed before it is committed. However the edit ends, the
// note keeps what the box showed, once: a composition still shown is taken in, and the repeat of a
// commit that an input method sends after being reset is not.
TEST_F(CompositionTest, ComposedTextIsStoredOnceHoweverTheEditEnds) {
    struct Step {
        const char* preedit;
        const char* commit;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::string stored;
    } inputs[] = {
        {"still composing", {{"きょう", ""}}, "メモきょう"},
        {"committed, then the commit repeated", {{"きょう", ""}, {"", "きょう"}, {"", ""}, {"", "きょう"}}, "メモきょう"},
        {"committed, then composing more", {{"きょう", ""}, {"", "今日"}, {"は", ""}}, "メモ今日は"},
    };
    const struct {
        const char* name;
        std::function<void(frmPinly*)> end;
    } endings[] = {
        {"Escape", [](frmPinly* w) { QTest::keyClick(rch(*w), Qt::Key_Escape); }},
        {"a double click in the box",
         [](frmPinly* w) {
             QTest::mouseDClick(rch(*w)->viewport(), Qt::LeftButton, {}, {100, 20});
             QTest::mouseRelease(w->windowHandle(), Qt::LeftButton, {}, {70, 15});
         }},
        {"a click elsewhere",
         [](frmPinly* w) {
             QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
             QCoreApplication::sendEvent(rch(*w), &away);
         }},
        {"a command", [](frmPinly* w) { w->endEditing(true); }},
    };
    for (const auto& input : inputs) {
        for (const auto& ending : endings) {
            SCOPED_TRACE(std::string(input.name) + ", ended by " + ending.name);
            int i = addNote("メモ");
            frmPinly* w = open(i);
            w->beginEditing();
            ASSERT_TRUE(w->isEditing());
            QTest::keyClick(rch(*w), Qt::Key_End, Qt::ControlModifier);
            for (const Step& s : input.steps) {
                QInputMethodEvent e(QString::fromUtf8(s.preedit), {});
                e.setCommitString(QString::fromUtf8(s.commit));
                QCoreApplication::sendEvent(rch(*w), &e);
            }
            ending.end(w);
            EXPECT_FALSE(w->isEditing());
            EXPECT_EQ(note(i).Text, input.stored);
        }
    }
}

}  // namespace
