// The surroundings of the start-up tests: a temporary program folder and shared folder with real
// files, a scripted windowed program around the start-up, and the folders other computers prepared.
#pragma once

#include "app/groval.h"
#include "app/legacy.h"
#include "app/startup.h"
#include "platform/codepage.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace tw::test::startup {

inline const std::string kProduct = "タックウィスプ";
inline const std::string kWelcome = kProduct + "をご使用頂きありがとうございます。\r" +
                             "まず始めに「使用する方の名前」と「データパス」その他の設定を行います";
inline const std::string kResetText = "環境をリセットしますか？\rリセットを行うと設定は初期化されます。";
inline constexpr double kNow = 36724.375;   // 2000-07-17 09:00

class MemoryStore : public SettingsStore {
public:
    std::map<std::string, std::string> values;   // "app/section/key"
    std::string value(const std::string& app, const std::string& section, const std::string& key) override {
        auto it = values.find(app + "/" + section + "/" + key);
        return it == values.end() ? std::string() : it->second;
    }
    void deleteSection(const std::string& app, const std::string& section) override {
        std::string prefix = app + "/" + section + "/";
        for (auto it = values.begin(); it != values.end();)
            it = it->first.rfind(prefix, 0) == 0 ? values.erase(it) : std::next(it);
    }
};

// The windowed program as the start-up sees it. `onDialog` plays the user in the environment dialog.
class FakeHost : public StartupHost {
public:
    explicit FakeHost(AppState& st) : st_(st) {}

    bool previous = false;
    std::string name, password;          // what the dialog's boxes hold
    std::function<void()> onDialog;
    std::vector<std::string> calls;
    std::vector<bool> readyAtDialog;          // SettingsReady as each showing of the dialog found it
    std::vector<std::string> nameAtDialog;    // and the name of the local settings
    int32_t interval = 60000;
    int32_t armed = -1;
    bool readyWhenNotesOpened = true;

    // The user fills in the first-time setup and presses OK: the dialog stores the path, the name and
    // the design defaults of the local settings and sets SettingsReady.
    void answerSetup(const std::string& path, const std::string& who, const std::string& pw = "") {
        answerSetupInTurn({path}, who, pw);
    }
    // The same, naming these folders at the first, second, ... showing (the last one after that).
    void answerSetupInTurn(const std::vector<std::string>& paths, const std::string& who, const std::string& pw = "") {
        auto shown = std::make_shared<size_t>(0);
        onDialog = [this, paths, who, pw, shown] {
            st_.SharedPath = paths[std::min(*shown, paths.size() - 1)];
            ++*shown;
            st_.localConfig = defaultLocalConfig();
            st_.localConfig.MemberName = who;
            st_.SettingsReady = true;
            name = who;
            password = pw;
        };
    }
    void cancelSetup() {
        onDialog = [] {};
    }

    bool previousInstance() override { return previous; }
    void resetCheckUnitBox() override { calls.push_back("unit"); }
    void showEnvironmentDialog() override {
        calls.push_back("dialog");
        readyAtDialog.push_back(st_.SettingsReady);
        nameAtDialog.push_back(st_.localConfig.MemberName);
        if (onDialog) onDialog();
    }
    std::string dialogName() override { return name; }
    std::string dialogPassword() override { return password; }
    void loadShapes() override { calls.push_back("shapes"); }
    int32_t onTimer() override {
        calls.push_back("onTimer");
        return interval;
    }
    void setTimerInterval(int32_t ms) override {
        calls.push_back("interval");
        armed = ms;
    }
    void chkNetCom() override { calls.push_back("check"); }
    void openAllNotes() override {
        calls.push_back("notes");
        readyWhenNotesOpened = st_.SettingsReady;
    }

private:
    AppState& st_;
};

inline NoteRecord note(const std::string& text, int16_t top, int16_t left) {
    NoteRecord n;
    n.CreatedAt = kNow;
    n.Text = text;
    n.Top = top;
    n.Left = left;
    n.Width = 2145;
    n.Height = 450;
    return n;
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class StartupTest : public ::testing::Test {
protected:
    TempDir programDir, shared;
    ScriptedPrompter prompter;
    TestClock clock{kNow};
    FixedScreen screen;
    MemoryStore store;
    AppState st{fresh()};
    FakeHost host{st};

    // A member's state on this computer's services, before anything is read.
    AppState fresh() {
        AppState s(Services{prompter, clock, screen, store});
        s.sys.programDir = programDir.str();
        s.sys.retrySeconds = 2;
        s.sys.retryPauseMs = 5;
        return s;
    }

    // Another computer's program wrote this folder: members, and local settings and notes per member.
    void prepareFolder(const std::vector<UserEntry>& members, const std::map<int16_t, std::vector<NoteRecord>>& notes,
                       bool withLocalSettings = true) {
        AppState other = fresh();
        other.SharedPath = shared.str();
        other.sharedConfig.Signature = kProduct;
        other.sharedConfig.VersionMajor = 1;
        other.members = members;
        ASSERT_TRUE(AccessSharedFile(other, kModeWrite, kKindShared));
        for (const UserEntry& m : members) {
            other.CurrentMemberId = m.MemberId;
            other.localConfig = defaultLocalConfig();
            other.localConfig.MemberName = m.MemberName;
            other.localConfig.MemberId = m.MemberId;
            other.localConfig.CheckUnit = 2;
            if (withLocalSettings) {
                ASSERT_TRUE(AccessSharedFile(other, kModeWrite, kKindLocal));
            }
            auto it = notes.find(m.MemberId);
            other.NoteTable = it == notes.end() ? std::vector<NoteRecord>{} : it->second;
            ASSERT_TRUE(AccessSharedFile(other, kModeWrite, kKindNotes));
        }
    }

    static UserEntry member(const std::string& name, int16_t id, const std::string& password = "") {
        UserEntry e;
        e.MemberName = name;
        e.MemberId = id;
        e.MemberPassword = ScramblePassword(utf8ToCp932(password));
        return e;
    }

    // This computer was set up before: REG.CFG names the folder and the member.
    void prepareWorkstation(const std::string& path, int16_t id) {
        AppState s = fresh();
        s.SharedPath = path;
        s.CurrentMemberId = id;
        WriteWorkstation(s);
    }

    UserEntry workstation() {
        std::string bytes = readBytes(programDir.file("REG.CFG"));
        UserEntry rec;
        ByteReader rd(bytes);
        EXPECT_TRUE(decode(rd, rec) && rd.atEnd()) << "REG.CFG holds " << bytes.size() << " bytes";
        return rec;
    }

    std::vector<UserEntry> membersOnDisk() {
        AppState s = fresh();
        s.SharedPath = shared.str();
        EXPECT_TRUE(AccessSharedFile(s, kModeRead, kKindShared));
        return s.members;
    }

    void expectWelcome() { prompter.expect("セットアップ初期設定", kWelcome, Icon::Information, Buttons::Ok, Answer::Ok); }
};

inline const std::vector<std::string> kRunningCalls = {"shapes", "onTimer", "interval", "notes", "check"};

inline std::vector<std::string> setupCalls() {
    std::vector<std::string> v = {"unit", "dialog"};
    v.insert(v.end(), kRunningCalls.begin(), kRunningCalls.end());
    return v;
}

}  // namespace tw::test::startup
