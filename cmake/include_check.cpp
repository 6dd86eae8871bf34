// Checks the include direction of src/ and the length of the source files.
//
//   include_check [--graph] <root>
//
// A node is the first folder under src/, plus "/qt" when the file lies in that folder's qt/ (app/qt,
// platform/qt); files directly in src/ form the node "." (the program's main). The rules:
//   - the nodes form no circle;
//   - a core node (not */qt, not ".") includes no ui node and no Qt header (<Q...>);
//   - the platform node includes only platform/ files outside platform/qt;
//   - a node includes only itself and the nodes its row of the table of folders lists (kTable, the
//     same table as in README.md, "For developers"; every node of src/ has a row there);
//   - a file of src/ is included in quotes, never in angle brackets;
//   - a relative include stays inside src/;
//   - nothing includes main.cpp;
//   - every quoted include of src/ names an existing file;
//   - no .h/.cpp in src/, tests/ or bench/ is longer than 800 lines.
// When the root holds README.md, its table of folders must read as kTable does, row by row.
// Every violation is one line starting with "include check: "; the exit status is then 1.
// --graph prints the node graph instead (one line per node: "node -> dep1, dep2").
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLines = 800;

// The table of folders, from the bottom up: each node and the nodes it may include besides itself,
// in the words of README.md. kAbove stands for every node of the rows before it.
const std::string kAbove = "everything above";

struct Row {
    std::string node;
    std::vector<std::string> may;
};

const std::vector<Row> kTable = {
    {"platform", {}},
    {"platform/qt", {"platform"}},
    {"model", {"platform"}},
    {"app", {"model", "platform"}},
    {"messaging", {"app", "model", "platform"}},
    {"questionnaire", {"messaging", "model", "platform"}},
    {"window", {"model", "platform"}},
    {"dialogs", {"model"}},
    {"notes", {"app", "messaging", "window", "model", "platform"}},
    {"messaging/qt", {"messaging", "app", "model", "platform", "platform/qt"}},
    {"questionnaire/qt", {"questionnaire", "messaging", "model", "platform", "platform/qt"}},
    {"window/qt", {"window", "notes", "model", "platform", "platform/qt"}},
    {"dialogs/qt",
     {"dialogs", "questionnaire/qt", "questionnaire", "messaging", "window", "model", "platform",
      "platform/qt"}},
    {"notes/qt",
     {"dialogs/qt", "window/qt", "questionnaire/qt", "notes", "window", "messaging", "questionnaire",
      "model", "platform", "platform/qt"}},
    {"app/qt", {kAbove}},
    {".", {"app/qt", "platform/qt"}},
};

// A row's list as README.md writes it: "nothing else" when empty.
std::string listText(const std::vector<std::string>& names) {
    if (names.empty()) return "nothing else";
    std::string text;
    for (const auto& n : names) text += (text.empty() ? "" : ", ") + n;
    return text;
}

// The nodes each node may include, kAbove spelled out.
std::map<std::string, std::set<std::string>> allowedNodes() {
    std::map<std::string, std::set<std::string>> allowed;
    std::set<std::string> above;
    for (const auto& row : kTable) {
        auto& own = allowed[row.node];
        for (const auto& n : row.may) {
            if (n == kAbove)
                own.insert(above.begin(), above.end());
            else
                own.insert(n);
        }
        above.insert(row.node);
    }
    return allowed;
}

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

struct Include {
    std::string file;  // the including file, relative to the root
    int line;
    std::string text;  // as written: "x" or <x>
};

std::string where(const Include& inc) {
    return inc.file + ":" + std::to_string(inc.line) + ": #include " + inc.text;
}

std::vector<std::string> components(const fs::path& p) {
    std::vector<std::string> parts;
    for (const auto& c : p) parts.push_back(c.generic_string());
    return parts;
}

// The node of a path relative to src/.
std::string nodeOf(const fs::path& rel) {
    const auto parts = components(rel);
    if (parts.size() < 2) return ".";
    return parts.size() >= 3 && parts[1] == "qt" ? parts[0] + "/qt" : parts[0];
}

bool isUi(const std::string& node) {
    return node.size() > 3 && node.compare(node.size() - 3, 3, "/qt") == 0;
}

bool isSource(const fs::path& p) {
    return p.extension() == ".h" || p.extension() == ".cpp";
}

std::vector<fs::path> sourcesUnder(const fs::path& dir) {
    std::vector<fs::path> files;
    if (!fs::is_directory(dir)) return files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file() && isSource(e.path())) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> readLines(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class Checker {
public:
    explicit Checker(fs::path root)
        : root_(std::move(root)), src_(root_ / "src"), allowed_(allowedNodes()) {}

    void run() {
        for (const auto& dir : {"src", "tests", "bench"})
            for (const auto& file : sourcesUnder(root_ / dir)) {
                const auto n = readLines(file).size();
                if (n > kMaxLines)
                    fail(rel(file) + ": " + std::to_string(n) + " lines (limit " +
                         std::to_string(kMaxLines) + ")");
            }
        for (const auto& file : sourcesUnder(src_)) scan(file);
        findCircles();
        if (fs::is_regular_file(root_ / "README.md")) compareReadme();
    }

    void printGraph() const {
        for (const auto& node : nodes_) {
            std::string line = node + " ->";
            const auto it = edges_.find(node);
            if (it != edges_.end()) {
                const char* sep = " ";
                for (const auto& dep : it->second) line += sep + dep.first, sep = ", ";
            }
            std::cout << line << "\n";
        }
    }

    int finish() const {
        for (const auto& message : failures_) std::cout << "include check: " << message << "\n";
        if (!failures_.empty()) return 1;
        std::size_t edges = 0;
        for (const auto& e : edges_) edges += e.second.size();
        std::cout << "include check: " << files_ << " files, " << nodes_.size() << " nodes, " << edges
                  << " edges, no circle\n";
        return 0;
    }

private:
    std::string rel(const fs::path& p) const { return p.lexically_relative(root_).generic_string(); }

    void fail(const std::string& message) { failures_.push_back(message); }

    void scan(const fs::path& file) {
        static const std::regex directive(R"(^\s*#\s*include\s*([<"])([^">]*)[">])");
        const std::string node = nodeOf(file.lexically_relative(src_));
        const bool core = node != "." && !isUi(node);
        if (nodes_.insert(node).second && !allowed_.count(node))
            fail(rel(file) + ": its folder " + folderOf(node) +
                 " has no row in the table of folders (README.md, For developers)");
        ++files_;
        const auto lines = readLines(file);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::smatch m;
            if (!std::regex_search(lines[i], m, directive)) continue;
            const bool angle = m[1] == "<";
            const std::string name = m[2];
            const Include inc{rel(file), int(i + 1), angle ? "<" + name + ">" : "\"" + name + "\""};
            if (angle) {
                if (core && !name.empty() && name[0] == 'Q')
                    fail(where(inc) + ": Qt header in core node " + node);
                if (!isProjectHeader(file, name)) continue;
                fail(where(inc) + ": a file of src/ in angle brackets (write \"" + name + "\")");
            }
            if (fs::path(name).is_absolute()) {
                fail(where(inc) + ": an absolute path (a file of src/ is named from src/)");
                continue;
            }
            // Like the compiler: the including file's own folder first, then src/.
            fs::path target;
            bool exists = true;
            const fs::path local = (file.parent_path() / name).lexically_normal();
            if (fs::is_regular_file(local)) {
                target = local.lexically_relative(src_);
            } else {
                target = fs::path(name).lexically_normal();
                exists = fs::is_regular_file(src_ / target);
            }
            if (target.empty() || *target.begin() == "..") {
                fail(where(inc) + ": a relative include leaving src/");
                continue;
            }
            const std::string to = nodeOf(target);
            if (!exists) fail(where(inc) + ": no such file under src/");
            if (target.filename() == "main.cpp") fail(where(inc) + ": nothing may include main.cpp");
            else if (core && isUi(to))
                fail(where(inc) + ": core node " + node + " includes ui node " + to);
            else if (node == "platform" && to != "platform")
                fail(where(inc) + ": platform may include only platform/ (not " + to + ")");
            else if (to != node && allowed_.count(node) && !allowed_.at(node).count(to))
                fail(where(inc) + ": the table of folders lets " + node + " include " +
                     listText(rowOf(node).may) + " (not " + to + ")");
            if (exists && to != node) edges_[node].emplace(to, inc);
        }
    }

    // An <include> that names a file of src/: from src/, from the includer's folder, or starting
    // with a folder of src/ (a misspelt file of it too).
    bool isProjectHeader(const fs::path& file, const std::string& name) const {
        const fs::path p(name);
        if (name.empty() || p.is_absolute()) return false;
        if (fs::is_regular_file(src_ / p) || fs::is_regular_file(file.parent_path() / p)) return true;
        const auto parts = components(p.lexically_normal());
        return parts.size() > 1 && parts[0] != ".." && fs::is_directory(src_ / parts[0]);
    }

    static const Row& rowOf(const std::string& node) {
        return *std::find_if(kTable.begin(), kTable.end(),
                             [&](const Row& r) { return r.node == node; });
    }

    static std::string folderOf(const std::string& node) {
        return node == "." ? "src/main.cpp" : "src/" + node;
    }

    // The rows "| `src/...` | holds | may include |" of README.md against kTable: the same folders
    // with the same lists, in the same order (kAbove depends on it).
    void compareReadme() {
        const auto lines = readLines(root_ / "README.md");
        static const std::regex rowLine(R"(^\s*\|\s*`src/([^`]+)`\s*\|[^|]*\|([^|]*)\|\s*$)");
        std::vector<std::string> order, tableOrder;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::smatch m;
            if (!std::regex_match(lines[i], m, rowLine)) continue;
            const std::string at = "README.md:" + std::to_string(i + 1) + ": ";
            const std::string folder = "src/" + std::string(m[1]);
            const std::string may = trim(m[2]);
            const auto row = std::find_if(kTable.begin(), kTable.end(),
                                          [&](const Row& r) { return folderOf(r.node) == folder; });
            if (row == kTable.end()) {
                fail(at + "row " + folder + " is not in the check's table of folders");
                continue;
            }
            order.push_back(folder);
            if (listText(row->may) != may)
                fail(at + "row " + folder + " may include \"" + may + "\"; the check's table says \"" +
                     listText(row->may) + "\"");
        }
        for (const auto& row : kTable) {
            const std::string folder = folderOf(row.node);
            if (std::find(order.begin(), order.end(), folder) == order.end())
                fail("README.md: no row " + folder + " in the table of folders");
            else
                tableOrder.push_back(folder);
        }
        if (order != tableOrder) {
            std::string names;
            for (const auto& f : tableOrder) names += (names.empty() ? "" : ", ") + f;
            fail("README.md: the table of folders has its rows in another order than the check's: " +
                 names);
        }
    }

    // Every back edge of a depth-first walk closes one circle; each is reported with its path.
    void findCircles() {
        std::map<std::string, int> state;  // 0 unseen, 1 on the path, 2 done
        std::vector<std::string> path;
        for (const auto& start : nodes_) visit(start, state, path);
    }

    void visit(const std::string& node, std::map<std::string, int>& state,
               std::vector<std::string>& path) {
        if (state[node] != 0) return;
        state[node] = 1;
        path.push_back(node);
        for (const auto& [dep, inc] : edges_[node]) {
            if (state[dep] == 1) {
                std::vector<std::string> circle(std::find(path.begin(), path.end(), dep), path.end());
                circle.push_back(dep);
                std::string names;
                for (const auto& n : circle) names += (names.empty() ? "" : " -> ") + n;
                fail("circle: " + names);
                for (std::size_t k = 0; k + 1 < circle.size(); ++k)
                    fail("  " + circle[k] + " -> " + circle[k + 1] + ": " +
                         where(edges_[circle[k]].at(circle[k + 1])));
            } else {
                visit(dep, state, path);
            }
        }
        path.pop_back();
        state[node] = 2;
    }

    fs::path root_, src_;
    std::map<std::string, std::set<std::string>> allowed_;
    std::set<std::string> nodes_;
    std::map<std::string, std::map<std::string, Include>> edges_;  // first include of each edge
    std::vector<std::string> failures_;
    int files_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const bool graph = argc == 3 && std::string(argv[1]) == "--graph";
    if (argc != 2 && !graph) {
        std::cerr << "usage: include_check [--graph] <root>\n";
        return 2;
    }
    const fs::path root = fs::absolute(argv[argc - 1]).lexically_normal();
    if (!fs::is_directory(root / "src")) {
        std::cerr << "include_check: no src/ folder in " << root.string() << "\n";
        return 2;
    }
    Checker checker(root);
    checker.run();
    if (graph) {
        checker.printGraph();
        return 0;
    }
    return checker.finish();
}
