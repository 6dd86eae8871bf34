// The window modes in the record: lock, the two z-order modes with their interplay, the flip to the
// back side and the password.
#include "window/modes.h"

#include "support/test_services.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(WindowModes, ZOrderCommands) {
    // flags before, command → flags after, move
    struct Case {
        uint16_t before;
        int i;
        uint16_t after;
        ZOrderMove move;
    } cases[] = {
        {0, 0, kFlagAlwaysFront, ZOrderMove::RaiseFront},
        {kFlagAlwaysFront, 0, 0, ZOrderMove::DropThenRaiseFront},
        {kFlagAlwaysBack, 0, kFlagAlwaysFront, ZOrderMove::RaiseFront},
        {kFlagAlwaysFront, 1, kFlagAlwaysBack, ZOrderMove::DropToBack},
        {kFlagAlwaysBack, 1, 0, ZOrderMove::None},
        {kFlagLocked, 1, kFlagLocked | kFlagAlwaysBack, ZOrderMove::None},
        {kFlagAlwaysFront, 2, kFlagAlwaysFront, ZOrderMove::None},
    };
    for (const Case& c : cases) {
        NoteRecord r;
        r.Flags = c.before;
        EXPECT_EQ(zOrderCommand(r, c.i), c.move) << c.before << " " << c.i;
        EXPECT_EQ(r.Flags, c.after) << c.before << " " << c.i;
    }
    NoteRecord r;
    EXPECT_TRUE(toggleLock(r));
    EXPECT_FALSE(toggleLock(r));
}

TEST(WindowModes, FlipToTheBackAsksOnlyWithoutPassword) {
    test::TestServices env;
    AppState st(env.services());
    NoteRecord r;
    const std::string question = "パスワードが設定されていません。\r裏返してよろしいですか？";
    env.prompter.expect("確認", question, Icon::None, Buttons::YesNo, Answer::No);
    EXPECT_FALSE(flipToBack(st, r));
    EXPECT_FALSE(r.has(kFlagReversed));
    env.prompter.expect("確認", question, Icon::None, Buttons::YesNo, Answer::Yes);
    EXPECT_TRUE(flipToBack(st, r));
    EXPECT_TRUE(r.has(kFlagReversed));
    r.Flags = 0;
    st.CurrentPassword = "Abc";
    EXPECT_TRUE(flipToBack(st, r));   // no question
    EXPECT_TRUE(passwordMatches("Abc", "Abc"));
    EXPECT_FALSE(passwordMatches("abc", "Abc"));
    EXPECT_TRUE(passwordMatches("", ""));
}

}  // namespace
}  // namespace tw
