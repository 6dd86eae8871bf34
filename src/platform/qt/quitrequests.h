// Requests from the system to end the program that do not come through a window: a termination
// signal (SIGTERM, SIGINT, SIGHUP). The signal handler only writes a byte into a pipe; the event
// loop reads it and emits quitRequested(), so the program ends in its ordinary way.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace tw {

class QuitRequests : public QObject {
    Q_OBJECT
public:
    explicit QuitRequests(QObject* parent = nullptr);
    ~QuitRequests() override;

signals:
    void quitRequested();

private:
    void readSignal();
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tw
