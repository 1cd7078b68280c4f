#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tavilo {

struct FileError {
    std::string message; // what failed, with the path and the system's reason
    int code = 0;        // errno
};

// Replaces `path` with `contents` so that a crash at any moment leaves either the old file or
// the new one: a temporary file in the same folder is written and fsync'd, renamed over the
// old file, and the folder is fsync'd. The folder is created when missing. On failure the old
// file is untouched and the temporary file removed.
std::optional<FileError> writeFileAtomically(const std::filesystem::path& path, std::string_view contents,
    std::filesystem::perms mode = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

enum class ReadStatus { ok, missing, failed };

struct ReadResult {
    ReadStatus status = ReadStatus::missing;
    std::string contents;
    std::optional<FileError> error;
};

ReadResult readWholeFile(const std::filesystem::path& path);

// Renames a file that could not be read to "<name>.unreadable-<UTC stamp>" beside it, so the
// next save cannot overwrite what the user had. Returns the new path, or nothing on failure.
std::optional<std::filesystem::path> moveAsideUnreadable(const std::filesystem::path& path, const std::string& utcStamp);

} // namespace tavilo
