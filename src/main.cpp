// TACKWISP: a desktop sticky-note program for small workgroups. It has no main window; the notes are
// its whole face, and it runs until the exit command, the last note peeled off, or the system's request
// to end (which saves like the exit command).
#include "app/qt/program.h"
#include "app/qt/tackwispapplication.h"
#include "platform/qt/qtjapanese.h"
#include "platform/qt/widgetmap.h"

#include <QApplication>
#include <QtGlobal>

#include <utility>

int main(int argc, char** argv) {
    // A failure that escapes an event handler becomes a message, not the end of the process.
    tw::TackwispApplication app(argc, argv);
    // Qt's standard buttons and dialogs in Japanese like everything else, whatever the locale.
    tw::QtJapaneseTexts qtTexts;
    if (!qtTexts.installed())
        qWarning("Qt's Japanese translations (qtbase_ja.qm) were not found in %s: Qt's standard buttons "
                 "and dialogs show English.",
                 qPrintable(tw::QtJapaneseTexts::folders().join(QStringLiteral(", "))));
    // Hiding or peeling notes must not end the program; only its own end does.
    QApplication::setQuitOnLastWindowClosed(false);
    // For the real runs that press the buttons with the pointer: where the windows show them.
    tw::WidgetMap::installFromEnvironment(&app);

    tw::ProgramSetup setup;
    // Started where nobody can answer (./run on a virtual display): a first start takes the
    // proposed setup as it stands, so that the notes show instead of the welcome box.
    setup.acceptSetupProposal = qEnvironmentVariableIntValue("TACKWISP_ACCEPT_SETUP") == 1;
    tw::Program program(std::move(setup));
    tw::StartupResult r = program.start();
    if (r != tw::StartupResult::Running) return tw::exitCodeOf(r);
    if (program.ended()) return program.exitCode();
    return app.exec();
}
