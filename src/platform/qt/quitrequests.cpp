#include "platform/qt/quitrequests.h"

#include <QSocketNotifier>

#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tw {

#ifndef _WIN32
namespace {

int pipeFds[2] = {-1, -1};
const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

}  // namespace

QuitRequests::QuitRequests(QObject* parent) : QObject(parent) {
    if (pipeFds[0] < 0) {
        if (::pipe(pipeFds) != 0) return;
        for (int fd : pipeFds) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitRequests::readSignal);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : kSignals) ::sigaction(sig, &sa, nullptr);
}

QuitRequests::~QuitRequests() {
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    for (int sig : kSignals) ::sigaction(sig, &sa, nullptr);
}

void QuitRequests::readSignal() {
    char buf[64];
    bool any = false;
    while (::read(pipeFds[0], buf, sizeof buf) > 0) any = true;
    if (any) emit quitRequested();
}
#else
// Windows ends a windowed program through its windows and the session; no signals to watch.
QuitRequests::QuitRequests(QObject* parent) : QObject(parent) {}
QuitRequests::~QuitRequests() = default;
void QuitRequests::readSignal() {}
#endif

}  // namespace tw
