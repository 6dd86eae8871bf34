// Checks the include direction of src/ and the length of the source files.
//
//   include_check [--graph] <root>
//
// A node is the first folder under src/, plus "/qt" when the file lies in that folder's qt/ (app/qt,
// platform/qt); files directly in src/ form the node "." (the program's main). The rules:
//   - the nodes form no circle;
//   - a core node (not */qt, not ".") includes no ui node and no Qt header (<Q...>);
//   - the platform node includes only platform/ files outside platform/qt;
//   - nothing includes main.cpp;
//   - every quoted include of src/ names an existing file;
//   - no .h/.cpp in src/, tests/ or bench/ is longer than 800 lines.
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
    explicit Checker(fs::path root) : root_(std::move(root)), src_(root_ / "src") {}

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
        nodes_.insert(node);
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
                continue;
            }
            // Like the compiler: the including file's own folder first, then src/.
            fs::path target;
            bool exists = true;
            const fs::path local = (file.parent_path() / name).lexically_normal();
            if (fs::is_regular_file(local)) {
                target = local.lexically_relative(src_);
                if (target.empty() || *target.begin() == "..") continue;  // not a file of src/
            } else {
                target = fs::path(name).lexically_normal();
                exists = fs::is_regular_file(src_ / target);
            }
            const std::string to = nodeOf(target);
            if (!exists) fail(where(inc) + ": no such file under src/");
            if (target.filename() == "main.cpp") fail(where(inc) + ": nothing may include main.cpp");
            if (core && isUi(to))
                fail(where(inc) + ": core node " + node + " includes ui node " + to);
            else if (node == "platform" && to != "platform")
                fail(where(inc) + ": platform may include only platform/ (not " + to + ")");
            if (exists && to != node) edges_[node].emplace(to, inc);
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
