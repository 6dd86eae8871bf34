// What the note windows need from the running program as a whole (start-up, timer, dialogs, end).
#pragma once

namespace tw {

class ProgramHooks {
public:
    virtual ~ProgramHooks() = default;
    // Stops the reception timer (offTimer of the hidden note-settings dialog).
    virtual void offTimer() = 0;
    // Shows the environment-settings dialog modally.
    virtual void showEnvironmentDialog() = 0;
    // Ends the process: every window goes, the event loop quits. Called after the files are written.
    virtual void endProgram(int exitCode = 0) = 0;
};

}  // namespace tw
