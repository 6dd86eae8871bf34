// The doorbell of the running program (see messaging/doorbell.h for what a bell is): it rings the
// members a change of the log touched with a datagram to a multicast group (TTL 1) or the broadcast
// address on every network interface, listens for bells of its own folder and number, and watches
// the log file itself for members on this computer. A bell it hears asks for a network check at once,
// at most one a second. Where the port is taken or the network refuses, the regular check is all
// there is; status() says so, for the environment dialog.
#pragma once

#include "messaging/doorbell.h"
#include "platform/logbell.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>
#include <set>
#include <string>

class QFileSystemWatcher;
class QUdpSocket;

namespace tw {

// Kept in the member's own configuration on this computer (never in the shared folder).
struct DoorbellSettings {
    bool enabled = true;
    uint16_t port = 47631;
    QString group = QStringLiteral("239.192.47.31");   // an organisation-local group; "" rings by broadcast
    bool watchLog = true;                              // the file-system watch of the log
    QString file;                                      // where `enabled` is kept ("" nowhere)
};

// The settings in `configDir` ("tackwisp.ini", section "doorbell"); the defaults where there is none.
DoorbellSettings loadDoorbellSettings(const std::string& configDir);

class Doorbell : public QObject, public LogBell {
    Q_OBJECT
public:
    // `check` runs a network check at once and says whether it could; when it could not (the reception
    // timer is paused by a dialog), the bell's check is tried again a second later.
    Doorbell(DoorbellSettings settings, std::function<bool()> check, QObject* parent = nullptr);
    ~Doorbell() override;

    // The shared folder and the member the bells are for; an empty folder stops the bell.
    void setFolder(const std::string& sharedPath, int16_t member);
    // Switches the bell on or off and keeps the choice in the settings file.
    void setEnabled(bool on);
    bool enabled() const { return settings_.enabled; }
    // "" while the bell works or is off; else why it cannot work here, in the member's words.
    QString status() const { return status_; }
    // Checks that bells asked for and that ran.
    int checksRun() const { return checksRun_; }

    // LogBell: a change of this member touched these members.
    void logChanged(const std::vector<int16_t>& members) override;

signals:
    // A bell for this member arrived, through the network or the watch of the log.
    void rang();

private:
    void start();
    void stop();
    void joinGroups();
    void ring();
    void readDatagrams();
    void rearmListener();
    bool drainDatagrams();
    bool ringsForMe(const char* bytes, qint64 n) const;
    void logMayHaveChanged();
    void heard();
    void askForCheck();
    void runWaitingCheck();
    void rememberLogStamp();
    QString logStamp() const;
    void setStatus(const QString& text);

    DoorbellSettings settings_;
    std::function<bool()> check_;
    std::string sharedPath_;
    int16_t member_ = 0;
    std::optional<FolderId> folder_;
    QUdpSocket* listener_ = nullptr;
    QUdpSocket* sender_ = nullptr;
    QFileSystemWatcher* watcher_ = nullptr;
    QSet<int> joined_;   // interfaces that joined the group
    QString knownLogStamp_;
    BellLimiter limiter_;
    QTimer waitingCheck_;
    QTimer rejoin_;
    QTimer rearm_;                    // the socket's next notice, a moment after a read
    QTimer followUp_;                 // the second check a bell asks for
    bool followUpDue_ = false;
    QTimer ringSoon_;                 // the ring of the changes of the command under way
    std::set<int16_t> unrung_;        // the members it rings
    QElapsedTimer clock_;
    QString status_;
    int checksRun_ = 0;
};

}  // namespace tw
