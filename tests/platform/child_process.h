// A helper program of the tests (tests/tools) started as a process of its own, on Linux and in the
// Windows build alike: its standard input and output are pipes to the test, one line each way, and
// it can be killed at any moment.
#pragma once

#include "platform/sharedfile.h"
#include "platform/system.h"

#include <string>
#include <vector>

#ifdef _WIN32
#include "platform/win/wide.h"
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace tw::test {

// The helper programs are built into "tools" beside the test program.
inline std::string toolPath(const std::string& name) {
#ifdef _WIN32
    return joinPath(joinPath(programFolder(), "tools"), name + ".exe");
#else
    return joinPath(TW_TOOLS_DIR, name);
#endif
}

class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args) { start(program, args); }
    ~ChildProcess() {
        kill();
        closeInput();
#ifdef _WIN32
        if (out_ != INVALID_HANDLE_VALUE) CloseHandle(out_);
        if (process_ != INVALID_HANDLE_VALUE) CloseHandle(process_);
#else
        if (out_ >= 0) ::close(out_);
#endif
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return started_; }

    void sendLine(const std::string& line) {
        std::string s = line + "\n";
#ifdef _WIN32
        DWORD done = 0;
        if (in_ != INVALID_HANDLE_VALUE) WriteFile(in_, s.data(), static_cast<DWORD>(s.size()), &done, nullptr);
#else
        if (in_ >= 0) (void)!::write(in_, s.data(), s.size());
#endif
    }

    void closeInput() {
#ifdef _WIN32
        if (in_ != INVALID_HANDLE_VALUE) CloseHandle(in_);
        in_ = INVALID_HANDLE_VALUE;
#else
        if (in_ >= 0) ::close(in_);
        in_ = -1;
#endif
    }

    // The next line the child printed, without its line end; empty once the child's output ended
    // (it exited or was killed). Waits for it: the tools end by themselves when a test went wrong.
    std::string nextLine() {
        std::string line;
        char c;
        while (nextByte(c)) {
            if (c == '\n') return line;
            if (c != '\r') line += c;
        }
        return line;
    }

    // Kills the child at once, wherever it is, and waits until it is gone.
    void kill() {
        if (!running_) return;
#ifdef _WIN32
        TerminateProcess(process_, kKilledExitCode);
#else
        ::kill(pid_, SIGKILL);
#endif
        wait();
    }

    // Waits until the child has ended; its exit code, or kKilledExitCode when it was killed.
    int wait() {
        if (!running_) return exitCode_;
        running_ = false;
#ifdef _WIN32
        WaitForSingleObject(process_, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        exitCode_ = static_cast<int>(code);
#else
        int status = 0;
        if (waitpid(pid_, &status, 0) != pid_) return exitCode_ = -1;
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : kKilledExitCode;
#endif
        return exitCode_;
    }

    static constexpr int kKilledExitCode = 137;

private:
    bool nextByte(char& c) {
#ifdef _WIN32
        DWORD got = 0;
        return ReadFile(out_, &c, 1, &got, nullptr) && got == 1;
#else
        for (;;) {
            ssize_t n = ::read(out_, &c, 1);
            if (n == 1) return true;
            if (n < 0 && errno == EINTR) continue;
            return false;
        }
#endif
    }

#ifdef _WIN32
    static std::wstring quoted(const std::wstring& arg) {
        if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
        std::wstring out = L"\"";
        size_t backslashes = 0;
        for (wchar_t ch : arg) {
            if (ch == L'\\') {
                ++backslashes;
                continue;
            }
            out.append(ch == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
            backslashes = 0;
            out += ch;
        }
        out.append(backslashes * 2, L'\\');
        return out + L"\"";
    }

    void start(const std::string& program, const std::vector<std::string>& args) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE childIn = INVALID_HANDLE_VALUE, childOut = INVALID_HANDLE_VALUE;
        if (!CreatePipe(&childIn, &in_, &inherit, 0)) return;
        if (!CreatePipe(&out_, &childOut, &inherit, 0)) return;
        // Only the child's ends are inherited; the test's ends stay with the test.
        SetHandleInformation(in_, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(out_, HANDLE_FLAG_INHERIT, 0);
        std::wstring command = quoted(win::widen(program));
        for (const std::string& a : args) command += L" " + quoted(win::widen(a));
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = childIn;
        si.hStdOutput = childOut;
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        PROCESS_INFORMATION pi{};
        std::wstring app = win::widen(program);
        if (CreateProcessW(app.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
            CloseHandle(pi.hThread);
            process_ = pi.hProcess;
            started_ = running_ = true;
        }
        // The child has its own copies now; without ours its end of output is seen when it ends.
        CloseHandle(childIn);
        CloseHandle(childOut);
    }

    HANDLE in_ = INVALID_HANDLE_VALUE;
    HANDLE out_ = INVALID_HANDLE_VALUE;
    HANDLE process_ = INVALID_HANDLE_VALUE;
#else
    void start(const std::string& program, const std::vector<std::string>& args) {
        int toChild[2], fromChild[2];
        if (pipe2(toChild, O_CLOEXEC) != 0) return;
        if (pipe2(fromChild, O_CLOEXEC) != 0) {
            ::close(toChild[0]);
            ::close(toChild[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
        std::vector<std::string> all{program};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) started_ = running_ = true;
        posix_spawn_file_actions_destroy(&actions);
        ::close(toChild[0]);
        ::close(fromChild[1]);
        in_ = toChild[1];
        out_ = fromChild[0];
        // A child that died must not take the test with it when the test writes to it.
        signal(SIGPIPE, SIG_IGN);
    }

    int in_ = -1;
    int out_ = -1;
    pid_t pid_ = -1;
#endif
    bool started_ = false;
    bool running_ = false;
    int exitCode_ = -1;
};

}  // namespace tw::test
