// Several members of one workgroup in one process, on one shared folder: each with its own
// scripted prompter, clock and state. Busy files are not waited for.
#pragma once

#include "model/records.h"
#include "model/state.h"
#include "support/member_state.h"
#include "support/temp_dir.h"
#include "support/test_services.h"

#include <memory>
#include <string>
#include <vector>

namespace tw::test {

struct WorkgroupMember {
    TestServices sv;
    AppState st{sv.services()};
};

class Workgroup {
public:
    // Members 1, 2, 3 … with these names, all in every member's list.
    explicit Workgroup(const std::vector<std::string>& names, double now = 46000.5) {
        std::vector<UserEntry> list;
        for (size_t i = 0; i < names.size(); ++i) {
            UserEntry u;
            u.MemberName = names[i];
            u.MemberId = static_cast<int16_t>(i + 1);
            list.push_back(u);
        }
        for (size_t i = 0; i < names.size(); ++i) {
            auto m = std::make_unique<WorkgroupMember>();
            setUpNoteMember(m->st, dir.str());
            m->st.CurrentMemberId = static_cast<int16_t>(i + 1);
            m->st.localConfig.MemberId = static_cast<int16_t>(i + 1);
            m->st.localConfig.MemberName = names[i];
            m->st.members = list;
            m->sv.clock.set(now);
            members_.push_back(std::move(m));
        }
    }

    // Member `id` (1-based).
    AppState& operator[](int id) { return members_.at(static_cast<size_t>(id - 1))->st; }
    ScriptedPrompter& prompter(int id) { return members_.at(static_cast<size_t>(id - 1))->sv.prompter; }
    void setTime(double t) {
        for (auto& m : members_) m->sv.clock.set(t);
    }

    TempDir dir;

private:
    std::vector<std::unique_ptr<WorkgroupMember>> members_;
};

// A note with a text at a place, as a member writes it.
inline int addNote(AppState& st, const std::string& text, int16_t top = 1500, int16_t left = 3000) {
    NoteRecord r;
    r.Text = text;
    r.Top = top;
    r.Left = left;
    r.Width = 2145;
    r.Height = 450;
    r.NoteId = static_cast<int16_t>(st.NoteTable.size());
    st.NoteTable.push_back(r);
    return r.NoteId;
}

}  // namespace tw::test
