// The program's doorbell with real sockets on this computer: a bell reaches the member it names and
// nobody else and asks for a check at once and one more a moment later, a flood of bells asks for one check a second, a check a dialog holds back comes a
// second later, bells of other folders and malformed datagrams are never heard, a taken port is said
// once, the watch of the log hears a member on this computer, and the setting is kept.
#include "messaging/qt/doorbell.h"

#include "app/groval.h"
#include "platform/sharedfile.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkInterface>
#include <QSettings>
#include <QTest>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace tw {
namespace {

// A port of this test process's own, so that test processes running side by side never hear each
// other's bells even on the same group.
uint16_t testPort() {
    static const auto port = static_cast<uint16_t>(42000 + QCoreApplication::applicationPid() % 8000);
    return port;
}

DoorbellSettings settingsFor(bool watchLog) {
    DoorbellSettings s;
    s.port = testPort();
    s.watchLog = watchLog;
    return s;
}

// One member's bell with a check that only counts; `allow` false plays a dialog holding the timer.
struct Member {
    explicit Member(const std::string& folder, int16_t id, bool watchLog = false)
        : bell(settingsFor(watchLog), [this] {
              if (!allow) return false;
              ++checks;
              return true;
          }) {
        QObject::connect(&bell, &Doorbell::rang, [this] { ++rings; });
        bell.setFolder(folder, id);
    }
    bool allow = true;
    int checks = 0;
    int rings = 0;
    Doorbell bell;
};

// Waits up to `ms` for `done`, running the event loop.
template <class Done>
bool within(int ms, Done&& done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QTest::qWait(10);
    return done();
}

void sendRaw(const std::string& bytes) {
    QUdpSocket s;
    s.writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()), QHostAddress(QStringLiteral("239.192.47.31")),
                    testPort());
}

TEST(DoorbellUi, BellReachesTheMembersItNames) {
    test::TempDir shared;
    Member sato(shared.str(), 1), suzuki(shared.str(), 2), tanaka(shared.str(), 3);
    ASSERT_EQ(sato.bell.status(), QString()) << sato.bell.status().toStdString();
    sato.bell.logChanged({2});
    EXPECT_TRUE(within(5000, [&] { return suzuki.checks == 1; }));
    // One more check a moment later, for a file server whose clients show the change late; then
    // nothing until the next bell.
    EXPECT_TRUE(within(5000, [&] { return suzuki.checks == 2; }));
    QTest::qWait(1500);
    EXPECT_EQ(suzuki.checks, 2);
    EXPECT_EQ(suzuki.rings, 1);
    EXPECT_EQ(tanaka.rings + tanaka.checks + sato.rings, 0);
    EXPECT_EQ(suzuki.bell.checksRun(), 2);

    // The folder's identity file is what all three share.
    std::string id;
    ASSERT_FALSE(readFileUnlocked(joinPath(shared.str(), kFolderIdFile), id));
    EXPECT_EQ(id.size(), 34u);
}

TEST(DoorbellUi, RingsOnceTheCommandIsDone) {
    test::TempDir shared;
    Member sato(shared.str(), 1);
    // An ear on the group, read straight from the socket.
    QUdpSocket ear;
    ASSERT_TRUE(ear.bind(QHostAddress(QHostAddress::AnyIPv4), testPort(),
                         QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint));
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces())
        if (i.flags().testFlag(QNetworkInterface::IsUp) && i.flags().testFlag(QNetworkInterface::CanMulticast))
            ear.joinMulticastGroup(QHostAddress(QStringLiteral("239.192.47.31")), i);
    // A send writes its records, then the note file: the bell waits for the whole command, and
    // rings everybody the command touched at once.
    sato.bell.logChanged({3});
    sato.bell.logChanged({2, 3});
    QTest::qSleep(300);   // the rest of the command, without the event loop
    EXPECT_FALSE(ear.hasPendingDatagrams()) << "nothing rang while the command ran";
    ASSERT_TRUE(within(5000, [&] { return ear.hasPendingDatagrams(); }));
    QTest::qWait(200);
    std::vector<std::optional<Bell>> heard;
    while (ear.hasPendingDatagrams()) {
        QByteArray d(static_cast<int>(ear.pendingDatagramSize()), 0);
        ear.readDatagram(d.data(), d.size());
        heard.push_back(decodeBell(std::string_view(d.constData(), static_cast<size_t>(d.size()))));
    }
    ASSERT_GE(heard.size(), 1u);
    for (const auto& b : heard) {
        ASSERT_TRUE(b);
        EXPECT_EQ(b->members, (std::vector<int16_t>{2, 3})) << "one bell for the command";
    }
}

TEST(DoorbellUi, FloodAsksForOneCheckASecond) {
    test::TempDir shared;
    Member sato(shared.str(), 1), suzuki(shared.str(), 2);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 300; ++i) {
        sato.bell.logChanged({2});
        if (i % 50 == 0) QTest::qWait(5);
    }
    ASSERT_TRUE(within(5000, [&] { return suzuki.checks >= 1; }));
    QTest::qWait(1500);
    // However slow this machine, no more than one check per started second of the run.
    const auto seconds = static_cast<int>(t.elapsed() / 1000) + 1;
    EXPECT_LE(suzuki.checks, seconds);
    EXPECT_GE(suzuki.rings, 1);
}

TEST(DoorbellUi, CheckHeldBackByADialogComesLater) {
    test::TempDir shared;
    Member sato(shared.str(), 1), suzuki(shared.str(), 2);
    suzuki.allow = false;
    sato.bell.logChanged({2});
    ASSERT_TRUE(within(5000, [&] { return suzuki.rings == 1; }));
    QTest::qWait(200);
    EXPECT_EQ(suzuki.checks, 0);
    suzuki.allow = true;
    EXPECT_TRUE(within(5000, [&] { return suzuki.checks == 1; }));
}

TEST(DoorbellUi, StrangersAreNeverHeard) {
    test::TempDir shared, elsewhere;
    Member suzuki(shared.str(), 2);
    Member other(elsewhere.str(), 1);
    other.bell.logChanged({2});   // member 2 of another folder
    FolderId zero{};
    sendRaw(encodeBells(zero, {2})[0]);
    sendRaw("TWBL garbage");
    sendRaw(std::string(2000, 'x'));
    QTest::qWait(700);
    EXPECT_EQ(suzuki.rings, 0);
    EXPECT_EQ(suzuki.checks, 0);
}

TEST(DoorbellUi, TakenPortIsSaidOnce) {
    test::TempDir shared;
    QUdpSocket squatter;
    ASSERT_TRUE(squatter.bind(QHostAddress(QHostAddress::AnyIPv4), 0, QAbstractSocket::DontShareAddress));
    DoorbellSettings s;
    s.port = squatter.localPort();
    Doorbell bell(s, [] { return true; });
    bell.setFolder(shared.str(), 1);
    EXPECT_EQ(bell.status(), QStringLiteral("ポート %1 を使えないため、送受信はすぐには届かず、定期的な確認で届きます。")
                                 .arg(s.port));
    // The program goes on: a change still works and rings nobody.
    bell.logChanged({2});
    bell.setEnabled(false);
    EXPECT_EQ(bell.status(), QString());
}

TEST(DoorbellUi, WatchHearsAMemberOnThisComputer) {
    test::TempDir shared;
    DoorbellSettings s = settingsFor(true);
    s.port = static_cast<uint16_t>(testPort() + 1);   // a port nobody here rings: only the watch can hear
    int checks = 0, rings = 0;
    Doorbell bell(s, [&] {
        ++checks;
        return true;
    });
    QObject::connect(&bell, &Doorbell::rang, [&] { ++rings; });
    bell.setFolder(shared.str(), 2);
    const std::string log = joinPath(shared.str(), kLogFile);
    std::ofstream(log, std::ios::binary) << std::string(74, 'a');   // another member's send
    EXPECT_TRUE(within(5000, [&] { return checks == 1; }));
    // This member's own change is no news.
    std::ofstream(log, std::ios::binary | std::ios::app) << std::string(74, 'b');
    bell.logChanged({1});
    QTest::qWait(700);
    EXPECT_EQ(rings, 1);
}

TEST(DoorbellUi, SettingKeptInTheMembersConfiguration) {
    test::TempDir config, shared;
    DoorbellSettings s = loadDoorbellSettings(config.str());
    EXPECT_TRUE(s.enabled);
    EXPECT_EQ(s.port, 47631);
    EXPECT_EQ(s.group, QStringLiteral("239.192.47.31"));
    s.port = testPort();
    {
        Doorbell bell(s, [] { return true; });
        bell.setEnabled(false);
    }
    EXPECT_FALSE(loadDoorbellSettings(config.str()).enabled);
    // Port and group as an administrator writes them; a port out of range keeps the default.
    {
        QSettings ini(QString::fromStdString(joinPath(config.str(), "tackwisp.ini")), QSettings::IniFormat);
        ini.setValue("doorbell/group", "");
        ini.setValue("doorbell/port", 70000);
    }
    s = loadDoorbellSettings(config.str());
    EXPECT_EQ(s.port, 47631);
    EXPECT_TRUE(s.group.isEmpty());
    EXPECT_TRUE(loadDoorbellSettings("").file.isEmpty());
}

}  // namespace
}  // namespace tw
