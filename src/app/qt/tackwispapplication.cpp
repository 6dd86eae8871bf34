#include "app/qt/tackwispapplication.h"

#include "platform/prompter.h"
#include "platform/sharedfile.h"

#include <exception>
#include <new>

namespace tw {

TackwispApplication::TackwispApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TackwispApplication::notify(QObject* receiver, QEvent* event) {
    std::string text;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        text = makeError(kErrOutOfMemory).description;
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
        text = "予期しないエラーが発生しました。";
    }
    // The program goes on; the box itself runs events, which may fail the same way: one box at a time.
    if (prompter_ && !reporting_) {
        reporting_ = true;
        prompter_->ask("エラー", text, Icon::Warning, Buttons::Ok);
        reporting_ = false;
    }
    return false;
}

}  // namespace tw
