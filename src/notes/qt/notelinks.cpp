// What the note windows do with the links and timed lines of their texts (a note blinking for its
// alarm among them), the information box of a note, and the help document and web support page that
// ship beside the program.
#include "notes/qt/notelinks.h"

#include "notes/links.h"
#include "notes/noteinfo.h"
#include "model/shippedfiles.h"
#include "notes/qt/notewindowset.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/qt/qtshell.h"
#include "platform/sharedfile.h"
#include "window/qt/frmPinly.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QTimer>
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

DesktopLinks& desktopLinks() {
    static DesktopLinks desktop;
    return desktop;
}

std::string helpFile(const AppState& st) { return shippedFilePath(st.sys, st.sys.exeName + ".html"); }

std::string supportPage(const AppState& st) { return shippedFilePath(st.sys, st.sys.exeName + "-support.html"); }

}  // namespace

NoteLinks::NoteLinks(AppState& st, NoteWindowSet& windows, LinkOpener* linkShell, int blinkHalfPeriodMs)
    : st_(st), windows_(windows), shell_(linkShell), blinkHalfPeriodMs_(blinkHalfPeriodMs) {}

NoteLinks::~NoteLinks() = default;

LinkOpener& NoteLinks::shell() { return shell_ ? *shell_ : desktopLinks(); }

void NoteLinks::refreshLinks(frmPinly& w) {
    const int i = NoteWindowSet::recordOf(&w);
    if (i < 0) return;
    // While a note blinks nothing is read: the window keeps the links it had.
    if (st_.blinkRunning) return;
    w.setLinks(scanNote(st_, i, st_.sys.clock->now()));
}

void NoteLinks::openLink(frmPinly* w, int i) {
    if (!w || i < 0 || static_cast<size_t>(i) >= w->links().size()) return;
    tw::openLink(st_, shell(), w->links()[static_cast<size_t>(i)]);
}

void NoteLinks::showInformation(frmPinly* w) {
    const int i = NoteWindowSet::recordOf(w);
    if (i < 0 || static_cast<size_t>(i) >= st_.NoteTable.size()) return;
    st_.sys.prompter->ask("情報", noteInformation(st_, i, w->links()), Icon::Information, Buttons::Ok);
}

void NoteLinks::fireDueTimers() {
    LinkOpener& sh = shell();
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
        if (windows_.ended()) return;
    }
}

// The help document is a page of HTML named after the program, shown in a window of its own at its
// contents; a missing file is said in that window.
void NoteLinks::showHelp(frmPinly*) {
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
void NoteLinks::showWebSupport() { static_cast<void>(shell().open(supportPage(st_))); }

void NoteLinks::blink(int index) {
    QPointer<frmPinly> w = windows_.windowOf(index);
    if (!w) {
        st_.sys.prompter->ask("エラー", "付箋ID:" + std::to_string(index) + "が見つかりません", Icon::Warning,
                              Buttons::Ok);
        return;
    }
    st_.blinkRunning = true;
    auto wait = [this] {
        QEventLoop loop;
        QTimer::singleShot(blinkHalfPeriodMs_, &loop, &QEventLoop::quit);
        loop.exec();
    };
    // A press on any note window ends it (the window clears the flag), as does the end of the
    // program or the window going away.
    while (st_.blinkRunning && w && !windows_.ended()) {
        w->hide();
        wait();
        if (!w) break;
        w->show();
        wait();
    }
    st_.blinkRunning = false;
    if (w) w->show();
}

}  // namespace tw
