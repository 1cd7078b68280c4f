#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Runs the real tavilo binary as a child process with its own XDG home, capturing its output.
class AppProcess {
public:
    // Environment for a fresh world below `home`: HOME and the XDG folders point inside it,
    // everything else (DISPLAY in particular) comes from the test's environment.
    static std::map<std::string, std::string> isolatedEnvironment(const std::filesystem::path& home);

    AppProcess(std::vector<std::string> arguments, std::map<std::string, std::string> environment);
    ~AppProcess();
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    // Waits until standard error holds `text`; false on timeout or exit.
    bool waitForStderr(const std::string& text, std::chrono::milliseconds timeout);
    void sendSignal(int signal);
    // The exit status, or nothing if it did not exit in time (it is then killed).
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);

    const std::string& out() const { return m_stdout; }
    const std::string& err() const { return m_stderr; }

    // Runs to completion and returns the exit status (-1 on timeout).
    static int run(std::vector<std::string> arguments, std::map<std::string, std::string> environment,
        std::string* out = nullptr, std::string* err = nullptr,
        std::chrono::milliseconds timeout = std::chrono::seconds(30));

private:
    void pump(std::chrono::milliseconds timeout);

    int m_pid = -1;
    int m_outFd = -1;
    int m_errFd = -1;
    std::optional<int> m_status;
    std::string m_stdout;
    std::string m_stderr;
};
