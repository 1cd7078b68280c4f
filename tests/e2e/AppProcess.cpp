#include "AppProcess.h"

#include <cerrno>
#include <fcntl.h>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

std::map<std::string, std::string> AppProcess::isolatedEnvironment(const std::filesystem::path& home)
{
    std::map<std::string, std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const auto eq = entry.find('=');
        if (eq != std::string::npos)
            env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    env["HOME"] = home.string();
    env["XDG_CONFIG_HOME"] = (home / "config").string();
    env["XDG_DATA_HOME"] = (home / "data").string();
    env["XDG_STATE_HOME"] = (home / "state").string();
    // Each test's app is its own single instance.
    env["XDG_RUNTIME_DIR"] = (home / "runtime").string();
    env["TAVILO_TRACE_STARTUP"] = "1";
    // Qt's own leaks at exit are not ours to report.
    env["ASAN_OPTIONS"] = "detect_leaks=0";
    return env;
}

AppProcess::AppProcess(std::vector<std::string> arguments, std::map<std::string, std::string> environment)
{
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        std::abort();
    std::vector<std::string> envStrings;
    for (auto& [k, v] : environment)
        envStrings.push_back(k + "=" + v);
    std::vector<char*> argv, envp;
    argv.push_back(const_cast<char*>(TAVILO_BINARY));
    for (auto& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    m_outFd = out[0];
    m_errFd = err[0];
}

AppProcess::~AppProcess()
{
    if (!m_status && m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        int status;
        ::waitpid(m_pid, &status, 0);
    }
    if (m_outFd >= 0)
        ::close(m_outFd);
    if (m_errFd >= 0)
        ::close(m_errFd);
}

void AppProcess::pump(std::chrono::milliseconds timeout)
{
    pollfd fds[2] = { { m_outFd, POLLIN, 0 }, { m_errFd, POLLIN, 0 } };
    const int n = ::poll(fds, 2, static_cast<int>(timeout.count()));
    if (n <= 0)
        return;
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
            continue;
        const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
        if (got > 0)
            (i == 0 ? m_stdout : m_stderr).append(buffer, static_cast<size_t>(got));
        else if (got == 0) {
            ::close(fds[i].fd);
            (i == 0 ? m_outFd : m_errFd) = -1;
        }
    }
}

bool AppProcess::waitForStderr(const std::string& text, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_stderr.find(text) == std::string::npos) {
        if (m_errFd < 0 || std::chrono::steady_clock::now() >= deadline)
            return false;
        pump(std::chrono::milliseconds(50));
    }
    return true;
}

void AppProcess::sendSignal(int signal)
{
    if (m_pid > 0 && !m_status)
        ::kill(m_pid, signal);
}

std::optional<int> AppProcess::waitForExit(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!m_status) {
        int status = 0;
        const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            m_status = -1;
            return std::nullopt;
        }
        if (m_outFd >= 0 || m_errFd >= 0)
            pump(std::chrono::milliseconds(20));
        else
            ::poll(nullptr, 0, 20);
    }
    while (m_outFd >= 0 || m_errFd >= 0)
        pump(std::chrono::milliseconds(100));
    return m_status;
}

int AppProcess::run(std::vector<std::string> arguments, std::map<std::string, std::string> environment,
    std::string* out, std::string* err, std::chrono::milliseconds timeout)
{
    AppProcess process(std::move(arguments), std::move(environment));
    const auto status = process.waitForExit(timeout);
    if (out)
        *out = process.out();
    if (err)
        *err = process.err();
    return status.value_or(-1);
}
