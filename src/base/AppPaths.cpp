#include "AppPaths.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace tavilo {

namespace {
constexpr const char* kAppFolder = "Tavilo";

std::filesystem::path xdgDir(const std::function<const char*(const char*)>& getenv, const char* variable,
    const std::filesystem::path& home, const char* fallback)
{
    // The XDG rules say a relative path in these variables is invalid and must be ignored.
    if (const char* value = getenv(variable); value && *value && value[0] == '/')
        return value;
    return home / fallback;
}
} // namespace

AppPaths AppPaths::fromLookup(const std::function<const char*(const char*)>& getenv)
{
    const char* homeValue = getenv("HOME");
    const std::filesystem::path home = homeValue && *homeValue ? homeValue : "/tmp";
    AppPaths paths;
    paths.configDir = xdgDir(getenv, "XDG_CONFIG_HOME", home, ".config") / kAppFolder;
    paths.dataDir = xdgDir(getenv, "XDG_DATA_HOME", home, ".local/share") / kAppFolder;
    paths.stateDir = xdgDir(getenv, "XDG_STATE_HOME", home, ".local/state") / kAppFolder;
    // The runtime folder is per user and login; without one, a private folder in /tmp.
    if (const char* runtime = getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/')
        paths.runtimeDir = std::filesystem::path(runtime) / kAppFolder;
    else
        paths.runtimeDir = "/tmp/" + std::string(kAppFolder) + "-" + std::to_string(::getuid());
    return paths;
}

AppPaths AppPaths::fromEnvironment()
{
    return fromLookup([](const char* name) { return std::getenv(name); });
}

AppPaths AppPaths::underRoot(const std::filesystem::path& root)
{
    return AppPaths { root / "config" / kAppFolder, root / "data" / kAppFolder, root / "state" / kAppFolder,
        root / "runtime" / kAppFolder };
}

} // namespace tavilo
