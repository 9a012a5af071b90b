// Starting helper programs from the folder of the running test and waiting
// for them, on POSIX and on Windows.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace qmtest {

inline std::filesystem::path testProgramFolder() {
#ifdef _WIN32
    wchar_t buffer[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return std::filesystem::path(buffer).parent_path();
#else
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
#endif
}

inline std::filesystem::path helperProgram(const std::string& name) {
#ifdef _WIN32
    return testProgramFolder() / (name + ".exe");
#else
    return testProgramFolder() / name;
#endif
}

// Starts every command at once, then waits for all; their exit codes in order
// (-1 for one that could not start).
inline std::vector<int> runTogether(const std::vector<std::vector<std::string>>& commands) {
    std::vector<int> codes(commands.size(), -1);
#ifdef _WIN32
    std::vector<PROCESS_INFORMATION> started(commands.size());
    std::vector<bool> ok(commands.size(), false);
    for (std::size_t i = 0; i < commands.size(); ++i) {
        std::string line;
        for (const std::string& arg : commands[i]) {
            line += (line.empty() ? "\"" : " \"") + arg + "\"";
        }
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        ok[i] = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &started[i]) != 0;
    }
    for (std::size_t i = 0; i < commands.size(); ++i) {
        if (!ok[i]) {
            continue;
        }
        WaitForSingleObject(started[i].hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(started[i].hProcess, &code);
        codes[i] = static_cast<int>(code);
        CloseHandle(started[i].hProcess);
        CloseHandle(started[i].hThread);
    }
#else
    std::vector<pid_t> pids(commands.size(), -1);
    for (std::size_t i = 0; i < commands.size(); ++i) {
        std::vector<char*> argv;
        for (const std::string& arg : commands[i]) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pids[i], argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
            pids[i] = -1;
        }
    }
    for (std::size_t i = 0; i < commands.size(); ++i) {
        int status = 0;
        if (pids[i] > 0 && waitpid(pids[i], &status, 0) == pids[i] && WIFEXITED(status)) {
            codes[i] = WEXITSTATUS(status);
        }
    }
#endif
    return codes;
}

} // namespace qmtest
