#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace tavilo {

// Where Tavilo keeps its files, after the XDG base-directory rules. Built once from the
// environment and passed down, so tests can point a fresh world at a temporary folder.
struct AppPaths {
    std::filesystem::path configDir; // preferences.json
    std::filesystem::path dataDir;   // rehearsal_stats.json
    std::filesystem::path stateDir;  // logs/
    std::filesystem::path runtimeDir; // the one-instance socket and lock

    static AppPaths fromEnvironment();
    // getenv-like lookup, for tests.
    static AppPaths fromLookup(const std::function<const char*(const char*)>& getenv);
    static AppPaths underRoot(const std::filesystem::path& root);

    std::filesystem::path preferencesFile() const { return configDir / "preferences.json"; }
    std::filesystem::path statsFile() const { return dataDir / "rehearsal_stats.json"; }
    std::filesystem::path logsDir() const { return stateDir / "logs"; }
    std::filesystem::path instanceSocket() const { return runtimeDir / "command.sock"; }
    std::filesystem::path instanceLock() const { return runtimeDir / "instance.lock"; }
};

} // namespace tavilo
