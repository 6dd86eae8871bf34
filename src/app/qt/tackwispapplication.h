// The application object of the program. Every event reaches the program through it, so it is the
// one place where a failure that escaped a handler (the memory ran out while a note or the log was
// read, for instance) becomes a message instead of the end of the process and of the day's work.
#pragma once

#include <QApplication>

namespace tw {

class Prompter;

class TackwispApplication : public QApplication {
public:
    TackwispApplication(int& argc, char** argv);

    // Where the message of an escaped failure goes; none: the failure is only dropped.
    void setPrompter(Prompter* prompter) { prompter_ = prompter; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    Prompter* prompter_ = nullptr;
    bool reporting_ = false;
};

}  // namespace tw
