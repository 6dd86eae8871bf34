// The surroundings of the file routine's tests: one member's shared folder and program folder as real
// temporary folders, a scripted prompter, a clock standing at 2000-07-17 09:00, and the records and
// files the tests are made of.
#pragma once

#include "app/groval.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"
#include "platform/sharedfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>

namespace tw::test::files {

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void spit(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline UserEntry member(const std::string& name, int16_t id) {
    UserEntry u;
    u.MemberName = name;
    u.MemberId = id;
    return u;
}

// The environment dialog as the file routine sees it: it counts its calls, and its OK names `next`.
struct FolderDialog : FolderChoiceHost {
    FolderDialog(AppState& state, std::string chosen) : st(state), next(std::move(chosen)) {}
    void resetCheckUnitBox() override { ++unitResets; }
    void showEnvironmentDialog() override {
        ++shown;
        st.SharedPath = next;
    }
    AppState& st;
    std::string next;
    int unitResets = 0, shown = 0;
};

inline NoteRecord note(const std::string& text, int16_t id) {
    NoteRecord n;
    n.CreatedAt = 36724.375;
    n.NoteId = id;
    n.Text = text;
    n.Width = 2145;
    n.Height = 450;
    return n;
}

inline const std::string kErrorTitle = "エラー";

inline std::string failureText(const std::string& label, int err) {
    return label + "ファイルにアクセスできません\r" + makeError(err).description;
}

class GrovalTest : public ::testing::Test {
protected:
    void SetUp() override {
        st.sys.programDir = program.str();
        st.sys.retrySeconds = 0;
        st.sys.retryPauseMs = 0;
        st.SharedPath = shared.str();
        st.CurrentMemberId = 3;
    }

    // A second member's view of the same folder.
    AppState other() {
        AppState o(st.sys);
        o.SharedPath = st.SharedPath;
        o.CurrentMemberId = st.CurrentMemberId;
        return o;
    }

    TempDir shared;
    TempDir program;
    ScriptedPrompter prompter;
    TestClock clock{36724.375};
    FixedScreen screen;
    EmptySettingsStore store;
    AppState st{Services{prompter, clock, screen, store}};
};

}  // namespace tw::test::files
