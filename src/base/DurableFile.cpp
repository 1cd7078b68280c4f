#include "DurableFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace tavilo {

namespace fs = std::filesystem;

namespace {

FileError systemError(const std::string& what, const fs::path& path, int code)
{
    return FileError { what + " " + path.string() + ": " + std::strerror(code), code };
}

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

} // namespace

std::optional<FileError> writeFileAtomically(const fs::path& path, std::string_view contents, fs::perms mode)
{
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        return systemError("cannot create folder", folder, ec.value());

    // Built by appending: GCC 12 warns falsely (-Wrestrict) about "." + std::string here.
    std::string name(".");
    name.append(path.filename().string()).append(".tmp-XXXXXX");
    std::string pattern = (folder / name).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return systemError("cannot create temporary file in", folder, errno);
    const fs::path temporary = pattern;

    auto fail = [&](const std::string& what) {
        const int code = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        return systemError(what, temporary, code);
    };

    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0)
        return fail("cannot set the mode of");
    if (!writeAll(fd, contents))
        return fail("cannot write");
    if (::fsync(fd) != 0)
        return fail("cannot sync");
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temporary.c_str());
        return systemError("cannot close", temporary, code);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int code = errno;
        ::unlink(temporary.c_str());
        return systemError("cannot replace", path, code);
    }
    // Without syncing the folder the rename itself may not survive a power cut.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        const int rc = ::fsync(dirFd);
        const int code = errno;
        ::close(dirFd);
        if (rc != 0)
            return systemError("cannot sync folder", folder, code);
    }
    return std::nullopt;
}

ReadResult readWholeFile(const fs::path& path)
{
    ReadResult result;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int code = errno;
        std::error_code ec;
        if (!fs::exists(path, ec) && !ec) {
            result.status = ReadStatus::missing;
            return result;
        }
        result.status = ReadStatus::failed;
        result.error = systemError("cannot open", path, code ? code : EIO);
        return result;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        result.status = ReadStatus::failed;
        result.error = systemError("cannot read", path, EIO);
        return result;
    }
    result.status = ReadStatus::ok;
    result.contents = std::move(buffer).str();
    return result;
}

std::optional<fs::path> moveAsideUnreadable(const fs::path& path, const std::string& utcStamp)
{
    fs::path target = path;
    target += ".unreadable-" + utcStamp;
    // Never overwrite an earlier copy kept aside in the same second.
    for (int n = 2; fs::exists(target); ++n) {
        target = path;
        target += ".unreadable-" + utcStamp + "-" + std::to_string(n);
    }
    if (::rename(path.c_str(), target.c_str()) != 0)
        return std::nullopt;
    return target;
}

} // namespace tavilo
