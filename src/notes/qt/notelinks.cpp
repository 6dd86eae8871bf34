// What the note windows do with the links and timed lines of their texts, the information box of a
// note, and the help document and web support page that ship beside the program.
#include "notes/qt/notewindows.h"

#include "notes/links.h"
#include "notes/noteinfo.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/qt/qtshell.h"
#include "platform/sharedfile.h"
#include "window/qt/frmPinly.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace tw {

namespace {

#ifdef Q_OS_WIN
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// The desktop: the platform's shell finds the files; the link is handed to the desktop here, where
// its answer is seen (false when no program on this computer takes it, e.g. no browser at all).
class DesktopLinks final : public LinkOpener {
public:
    bool exists(const std::string& link) override { return desktopShell().exists(link); }
    bool open(const std::string& link) override {
        const ShellTarget t = shellTarget(link, kWindows);
        const QString text = QString::fromStdString(t.text);
        return QDesktopServices::openUrl(t.isAddress ? QUrl(text) : QUrl::fromLocalFile(text));
    }
};

LinkOpener& shellOf(LinkOpener* given) {
    static DesktopLinks desktop;
    return given ? *given : desktop;
}

std::string helpFile(const AppState& st) { return joinPath(st.sys.programDir, st.sys.exeName + ".html"); }

std::string supportPage(const AppState& st) {
    return joinPath(st.sys.programDir, st.sys.exeName + "-support.html");
}

}  // namespace

void NoteWindows::refreshLinks(frmPinly& w) {
    const int i = recordOf(&w);
    if (i < 0) return;
    // While a note blinks nothing is read: the window keeps the links it had.
    if (st_.blinkRunning) return;
    w.setLinks(scanNote(st_, i, st_.sys.clock->now()));
}

void NoteWindows::openLink(frmPinly* w, int i) {
    if (!w || i < 0 || static_cast<size_t>(i) >= w->links().size()) return;
    tw::openLink(st_, shellOf(shell), w->links()[static_cast<size_t>(i)]);
}

void NoteWindows::showInformation(frmPinly* w) {
    const int i = recordOf(w);
    if (i < 0 || static_cast<size_t>(i) >= st_.NoteTable.size()) return;
    st_.sys.prompter->ask("情報", noteInformation(st_, i, w->links()), Icon::Information, Buttons::Ok);
}

void NoteWindows::fireDueTimers() {
    LinkOpener& sh = shellOf(shell);
    for (const AlarmAction& a : takeDueTimers(st_, st_.sys.clock->now(), sh)) {
        const auto i = static_cast<size_t>(a.note);
        switch (a.kind) {
        case AlarmAction::ShowBox:
            if (i < st_.NoteTable.size())
                st_.sys.prompter->ask(alarmBoxTitle(), st_.NoteTable[i].Text, Icon::Information, Buttons::Ok);
            break;
        case AlarmAction::Blink: blink(a.note); break;
        case AlarmAction::Silent: break;
        default: openFiredLink(st_, sh, a); break;
        }
        if (ended_) return;
    }
}

// The help document is a page of HTML named after the program, shown in a window of its own at its
// contents; a missing file is said in that window.
void NoteWindows::showHelp(frmPinly*) {
    if (!help_) {
        auto* window = new QWidget(nullptr, Qt::Window);
        window->setObjectName("frmHelp");
        window->setWindowTitle(QString::fromStdString(kProductName + " ヘルプ"));
        auto* browser = new QTextBrowser(window);
        browser->setObjectName("txtHelp");
        browser->setOpenExternalLinks(true);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(browser);
        window->resize(720, 560);
        help_.reset(window);
    }
    auto* browser = help_->findChild<QTextBrowser*>("txtHelp");
    const QString file = QString::fromStdString(helpFile(st_));
    if (QFileInfo::exists(file)) {
        browser->setSource(QUrl::fromLocalFile(file));
        browser->scrollToAnchor("contents");
    } else {
        browser->setPlainText(QString::fromStdString("ヘルプファイル " + helpFile(st_) + " が見つかりません"));
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

// The page is handed over and the answer not looked at: a support page that cannot be shown is no
// failure of the program.
void NoteWindows::showWebSupport() { static_cast<void>(shellOf(shell).open(supportPage(st_))); }

}  // namespace tw
