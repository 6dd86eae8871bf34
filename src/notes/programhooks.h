// What the note windows need from the running program as a whole (dialogs, end).
#pragma once

namespace tw {

class ProgramHooks {
public:
    virtual ~ProgramHooks() = default;
    // Shows the environment-settings dialog modally.
    virtual void showEnvironmentDialog() = 0;
    // Ends the process: every window goes, the event loop quits. Called after the files are written,
    // often from inside a note window's event handler: the windows must not be destroyed before
    // control returns to the event loop (quit the loop, or deleteLater).
    virtual void endProgram(int exitCode = 0) = 0;
    // Whether the environment-settings dialog can be shown while the program runs; the note menu's
    // "環境設定(&G)" is enabled only then.
    virtual bool environmentDialogAvailable() const { return false; }
};

}  // namespace tw
