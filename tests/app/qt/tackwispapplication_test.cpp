// A failure that escapes an event handler is shown and the program goes on.
#include "app/qt/tackwispapplication.h"

#include "support/scripted_prompter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

using namespace tw;

namespace {

// Fails on every event of its own kind, the way a handler fails when the memory runs out.
class FailingObject : public QObject {
public:
    enum class How { OutOfMemory, Failure };
    explicit FailingObject(How how) : how_(how) {}
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User) return QObject::event(e);
        ++handled;
        if (how_ == How::OutOfMemory) throw std::bad_alloc();
        throw std::runtime_error("ノートを読めませんでした");
    }
    int handled = 0;

private:
    How how_;
};

TEST(TackwispApplication, AFailureInAHandlerIsShownAndTheProgramGoesOn) {
    auto* app = dynamic_cast<TackwispApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr) << "the tests run on the program's own application object";
    test::ScriptedPrompter prompter;
    app->setPrompter(&prompter);
    const struct {
        FailingObject::How how;
        const char* text;
    } cases[] = {
        {FailingObject::How::OutOfMemory, "メモリが不足しています。"},
        {FailingObject::How::Failure, "ノートを読めませんでした"},
    };
    for (const auto& c : cases) {
        FailingObject target(c.how);
        prompter.expect("エラー", c.text, Icon::Warning, Buttons::Ok, Answer::Ok);
        QEvent e(QEvent::User);
        EXPECT_FALSE(QCoreApplication::sendEvent(&target, &e));
        QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
        prompter.expect("エラー", c.text, Icon::Warning, Buttons::Ok, Answer::Ok);
        QCoreApplication::sendPostedEvents(&target, QEvent::User);
        EXPECT_EQ(target.handled, 2);
    }
    app->setPrompter(nullptr);
}

}  // namespace
