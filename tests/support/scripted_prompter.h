// A prompter for tests: every box is recorded; answers come from a script given in advance, each
// with the title, text, icon and buttons the box must have. A box nobody expected fails the test.
#pragma once

#include "platform/clock.h"
#include "platform/prompter.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace tw::test {

struct Box {
    std::string title;
    std::string text;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
};

class ScriptedPrompter : public Prompter {
public:
    // Expect a box exactly like `box` next and answer it with `answer`.
    void expect(const Box& box, Answer answer) { script_.push_back({box, answer}); }
    void expect(const std::string& title, const std::string& text, Icon icon, Buttons buttons, Answer answer) {
        expect(Box{title, text, icon, buttons}, answer);
    }

    Answer ask(const std::string& title, const std::string& text, Icon icon, Buttons buttons) override {
        shown_.push_back({title, text, icon, buttons});
        if (script_.empty()) {
            ADD_FAILURE() << "unexpected message box: title \"" << title << "\" text \"" << text << "\"";
            return fallback(buttons);
        }
        auto [want, answer] = script_.front();
        script_.pop_front();
        EXPECT_EQ(want.title, title);
        EXPECT_EQ(want.text, text);
        EXPECT_EQ(static_cast<int>(want.icon), static_cast<int>(icon)) << "icon of \"" << text << "\"";
        EXPECT_EQ(static_cast<int>(want.buttons), static_cast<int>(buttons)) << "buttons of \"" << text << "\"";
        return answer;
    }

    // Every scripted box was shown.
    bool done() const { return script_.empty(); }
    size_t pending() const { return script_.size(); }
    const std::vector<Box>& shown() const { return shown_; }

    ~ScriptedPrompter() override {
        EXPECT_TRUE(script_.empty()) << script_.size() << " expected message box(es) never shown, first: \""
                                     << (script_.empty() ? std::string() : script_.front().first.text) << "\"";
    }

private:
    static Answer fallback(Buttons b) {
        switch (b) {
        case Buttons::YesNo:
        case Buttons::YesNoCancel: return Answer::No;
        case Buttons::OkCancel:
        case Buttons::RetryCancel: return Answer::Cancel;
        default: return Answer::Ok;
        }
    }
    std::deque<std::pair<Box, Answer>> script_;
    std::vector<Box> shown_;
};

// A clock the test sets.
class TestClock : public Clock {
public:
    explicit TestClock(double t = 0) : t_(t) {}
    double now() override { return t_; }
    void set(double t) { t_ = t; }

private:
    double t_;
};

}  // namespace tw::test
