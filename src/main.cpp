// TACKWISP: a desktop sticky-note program for small workgroups. It has no main window; the notes are
// its whole face, and it runs until the exit command, the last note peeled off, or the system's request
// to end (which saves like the exit command).
#include "app/qt/program.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Hiding or peeling notes must not end the program; only its own end does.
    QApplication::setQuitOnLastWindowClosed(false);

    tw::Program program;
    tw::StartupResult r = program.start();
    if (r != tw::StartupResult::Running) return tw::exitCodeOf(r);
    if (program.ended()) return program.exitCode();
    return app.exec();
}
