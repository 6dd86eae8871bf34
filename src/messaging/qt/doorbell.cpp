#include "messaging/qt/doorbell.h"

#include "app/groval.h"
#include "platform/sharedfile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QNetworkInterface>
#include <QSettings>
#include <QUdpSocket>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace tw {

namespace {

// A bell's check that a dialog kept from running is tried again this much later.
constexpr int kRetryMs = 1000;
// The second check of a bell, after the first.
constexpr int kFollowUpMs = 1200;
// After the datagrams of one wake-up are read, the socket is still this long.
constexpr int kRearmMs = 20;

const char* const kSection = "doorbell";

QString settingsPath(const std::string& configDir) {
    return configDir.empty() ? QString() : QDir(QString::fromStdString(configDir)).filePath(QStringLiteral("tackwisp.ini"));
}

// The interfaces a bell goes out on and comes in through: up and able to multicast or broadcast. An
// interface whose link is not there yet (no carrier) joins all the same and hears once it comes.
QList<QNetworkInterface> bellInterfaces() {
    QList<QNetworkInterface> out;
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
        const auto f = i.flags();
        if (f.testFlag(QNetworkInterface::IsUp) &&
            (f.testFlag(QNetworkInterface::CanMulticast) || f.testFlag(QNetworkInterface::CanBroadcast)))
            out.push_back(i);
    }
    return out;
}

}  // namespace

DoorbellSettings loadDoorbellSettings(const std::string& configDir) {
    DoorbellSettings s;
    s.file = settingsPath(configDir);
    if (s.file.isEmpty()) return s;
    QSettings ini(s.file, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(kSection));
    s.enabled = ini.value(QStringLiteral("enabled"), s.enabled).toBool();
    bool ok = false;
    const uint port = ini.value(QStringLiteral("port"), s.port).toUInt(&ok);
    if (ok && port > 0 && port <= 65535) s.port = static_cast<uint16_t>(port);
    s.group = ini.value(QStringLiteral("group"), s.group).toString().trimmed();
    s.watchLog = ini.value(QStringLiteral("watchLog"), s.watchLog).toBool();
    return s;
}

Doorbell::Doorbell(DoorbellSettings settings, std::function<bool()> check, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), check_(std::move(check)) {
    setObjectName(QStringLiteral("Doorbell"));
    waitingCheck_.setSingleShot(true);
    connect(&waitingCheck_, &QTimer::timeout, this, &Doorbell::runWaitingCheck);
    ringSoon_.setSingleShot(true);
    ringSoon_.setInterval(0);
    connect(&ringSoon_, &QTimer::timeout, this, &Doorbell::ring);
    followUp_.setSingleShot(true);
    followUp_.setInterval(kFollowUpMs);
    connect(&followUp_, &QTimer::timeout, this, &Doorbell::askForCheck);
    rearm_.setSingleShot(true);
    rearm_.setInterval(kRearmMs);
    connect(&rearm_, &QTimer::timeout, this, &Doorbell::rearmListener);
    rejoin_.setInterval(60 * 1000);
    connect(&rejoin_, &QTimer::timeout, this, &Doorbell::joinGroups);
    clock_.start();
}

Doorbell::~Doorbell() { stop(); }

void Doorbell::setFolder(const std::string& sharedPath, int16_t member) {
    stop();
    sharedPath_ = sharedPath;
    member_ = member;
    start();
}

void Doorbell::setEnabled(bool on) {
    if (!settings_.file.isEmpty()) {
        QSettings ini(settings_.file, QSettings::IniFormat);
        ini.setValue(QStringLiteral("%1/enabled").arg(QLatin1String(kSection)), on);
    }
    if (on == settings_.enabled) return;
    settings_.enabled = on;
    stop();
    start();
}

void Doorbell::stop() {
    waitingCheck_.stop();
    // What a change of the old folder still had to ring goes out before the bell stops.
    ring();
    ringSoon_.stop();
    followUp_.stop();
    followUpDue_ = false;
    rearm_.stop();
    rejoin_.stop();
    limiter_ = BellLimiter{};
    delete listener_;
    listener_ = nullptr;
    delete sender_;
    sender_ = nullptr;
    delete watcher_;
    watcher_ = nullptr;
    joined_.clear();
    folder_.reset();
    setStatus({});
}

void Doorbell::start() {
    if (!settings_.enabled || sharedPath_.empty() || member_ <= 0) return;
    const FolderIdRead id = readFolderId(sharedPath_, randomFolderId);
    if (!id.id) {
        setStatus(QStringLiteral("共有フォルダの %1 を読み書きできないため、送受信はすぐには届かず、定期的な確認で届きます。")
                      .arg(QString::fromStdString(kFolderIdFile)));
        return;
    }
    folder_ = id.id;

    if (settings_.watchLog) {
        watcher_ = new QFileSystemWatcher(this);
        const QString log = QString::fromStdString(joinPath(sharedPath_, kLogFile));
        watcher_->addPath(QString::fromStdString(sharedPath_));
        if (QFileInfo::exists(log)) watcher_->addPath(log);
        connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &Doorbell::logMayHaveChanged);
        connect(watcher_, &QFileSystemWatcher::fileChanged, this, &Doorbell::logMayHaveChanged);
        rememberLogStamp();
    }

    sender_ = new QUdpSocket(this);
    sender_->bind(QHostAddress(QHostAddress::AnyIPv4), 0);
    sender_->setSocketOption(QAbstractSocket::MulticastTtlOption, 1);
    sender_->setSocketOption(QAbstractSocket::MulticastLoopbackOption, 1);

    listener_ = new QUdpSocket(this);
    if (!listener_->bind(QHostAddress(QHostAddress::AnyIPv4), settings_.port,
                         QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        setStatus(QStringLiteral("ポート %1 を使えないため、送受信はすぐには届かず、定期的な確認で届きます。")
                      .arg(settings_.port));
        delete listener_;
        listener_ = nullptr;
        return;
    }
    connect(listener_, &QUdpSocket::readyRead, this, &Doorbell::readDatagrams);
    joinGroups();
    rejoin_.start();
}

// Joins the group on every interface that has not joined yet: at the start, before every ring and
// once a minute, so that a network that came up later hears bells too.
void Doorbell::joinGroups() {
    if (!listener_ || settings_.group.isEmpty()) return;
    const QHostAddress group(settings_.group);
    for (const QNetworkInterface& i : bellInterfaces()) {
        if (joined_.contains(i.index()) || !i.flags().testFlag(QNetworkInterface::CanMulticast)) continue;
        if (listener_->joinMulticastGroup(group, i)) joined_.insert(i.index());
    }
    // No interface of its own (loopback only): the system's choice.
    if (joined_.isEmpty() && listener_->joinMulticastGroup(group)) joined_.insert(-1);
}

void Doorbell::logChanged(const std::vector<int16_t>& members) {
    if (!folder_) return;
    // This member's own change is no news to its own watch.
    rememberLogStamp();
    if (!sender_ || members.empty()) return;
    // The bell rings once the command that changed the log has finished: a send writes the note
    // file after its records, and a member who checked at once would not find the note in it yet.
    unrung_.insert(members.begin(), members.end());
    if (!ringSoon_.isActive()) ringSoon_.start();
}

void Doorbell::ring() {
    if (!folder_ || !sender_ || unrung_.empty()) return;
    rememberLogStamp();
    joinGroups();
    const std::vector<std::string> bells = encodeBells(*folder_, std::vector<int16_t>(unrung_.begin(), unrung_.end()));
    unrung_.clear();
    const QHostAddress group(settings_.group);
    bool sent = false;
    for (const QNetworkInterface& i : bellInterfaces()) {
        QList<QHostAddress> targets;
        if (!settings_.group.isEmpty()) {
            if (!i.flags().testFlag(QNetworkInterface::CanMulticast)) continue;
            sender_->setMulticastInterface(i);
            targets.push_back(group);
        } else {
            for (const QNetworkAddressEntry& a : i.addressEntries())
                if (!a.broadcast().isNull()) targets.push_back(a.broadcast());
        }
        for (const QHostAddress& to : targets)
            for (const std::string& b : bells)
                sent = sender_->writeDatagram(b.data(), static_cast<qint64>(b.size()), to, settings_.port) >= 0 || sent;
    }
    if (!sent && !settings_.group.isEmpty()) {
        // No interface of its own: the system's choice of route.
        sender_->setMulticastInterface(QNetworkInterface());
        for (const std::string& b : bells)
            sent = sender_->writeDatagram(b.data(), static_cast<qint64>(b.size()), group, settings_.port) >= 0 || sent;
    }
    if (!sent && status_.isEmpty())
        setStatus(QStringLiteral("ネットワークが知らせの送信を受け付けないため、送受信はすぐには届かず、定期的な確認で届きます。"));
}

void Doorbell::readDatagrams() {
    if (!listener_) return;
    if (drainDatagrams()) heard();
    // The socket tells of the next datagram only after the next read through it, which comes a
    // moment later: a flood wakes the program some fifty times a second, not once per datagram.
    rearm_.start();
}

void Doorbell::rearmListener() {
    if (!listener_) return;
    const bool forMe = drainDatagrams();
    // A read through the socket object itself lets it tell of the next datagram.
    char buf[kMaxBellBytes + 1];
    const qint64 n = listener_->readDatagram(buf, sizeof buf);
    if (forMe || (n >= 0 && ringsForMe(buf, n))) heard();
}

bool Doorbell::ringsForMe(const char* bytes, qint64 n) const {
    return folder_ && bellRingsFor(std::string_view(bytes, static_cast<size_t>(n)), *folder_, member_);
}

// Reads whatever waits, straight from the (non-blocking) socket, one call per datagram until there
// is none left: a datagram costs one system call and a compare. A bell is a few dozen bytes; anything
// longer is cut here and refused by the decoder. True when one of them rang for this member.
bool Doorbell::drainDatagrams() {
    const auto fd = listener_->socketDescriptor();
    char buf[kMaxBellBytes + 1];
    bool forMe = false;
    for (;;) {
#ifdef _WIN32
        const int n = ::recv(static_cast<SOCKET>(fd), buf, static_cast<int>(sizeof buf), 0);
        if (n < 0 && WSAGetLastError() == WSAEMSGSIZE) continue;   // cut: not a bell
#else
        const ssize_t n = ::recv(static_cast<int>(fd), buf, sizeof buf, MSG_DONTWAIT);
#endif
        if (n < 0) return forMe;
        forMe = forMe || ringsForMe(buf, n);
    }
}

void Doorbell::logMayHaveChanged() {
    if (!watcher_) return;
    // A log replaced by a rename is a new file to the watch: watch it again.
    const QString log = QString::fromStdString(joinPath(sharedPath_, kLogFile));
    if (!watcher_->files().contains(log) && QFileInfo::exists(log)) watcher_->addPath(log);
    if (logStamp() == knownLogStamp_) return;
    rememberLogStamp();
    heard();
}

void Doorbell::heard() {
    emit rang();
    followUpDue_ = true;
    askForCheck();
}

void Doorbell::askForCheck() {
    if (const std::optional<int64_t> wait = limiter_.ring(clock_.elapsed()))
        waitingCheck_.start(static_cast<int>(*wait));
}

void Doorbell::runWaitingCheck() {
    const int64_t now = clock_.elapsed();
    if (!check_ || !check_()) {
        waitingCheck_.start(kRetryMs);
        return;
    }
    limiter_.ran(now);
    ++checksRun_;
    rememberLogStamp();
    // The clients of a file server may show a change of another computer a moment late (cached
    // sizes and contents): one more check a little later finds what this one could not see yet.
    if (followUpDue_) {
        followUpDue_ = false;
        followUp_.start();
    }
}

void Doorbell::rememberLogStamp() { knownLogStamp_ = logStamp(); }

QString Doorbell::logStamp() const {
    if (!watcher_) return {};
    const QFileInfo f(QString::fromStdString(joinPath(sharedPath_, kLogFile)));
    if (!f.exists()) return QStringLiteral("-");
    return QStringLiteral("%1/%2/%3")
        .arg(f.size())
        .arg(f.lastModified().toMSecsSinceEpoch())
        .arg(f.metadataChangeTime().toMSecsSinceEpoch());
}

void Doorbell::setStatus(const QString& text) {
    // Said once, quietly: in the environment dialog, and in the program's output for whoever looks.
    if (!text.isEmpty() && text != status_) qInfo("%s", qUtf8Printable(text));
    status_ = text;
}

}  // namespace tw
