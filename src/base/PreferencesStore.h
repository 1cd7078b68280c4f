#pragma once

#include "Base64.h"
#include "DurableFile.h"
#include "MainLoop.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tavilo {

using PreferenceValue = std::variant<bool, int64_t, double, std::string, Bytes>;

// The per-user key-value store. Reads see writes at once. When backed by a file, the whole
// store is written as one JSON object a moment after the last write (or on flush()), with
// Booleans, integers, doubles and texts as plain JSON values and byte blocks as
// {"data": "<base64>"}. A file that cannot be read is renamed aside before the first write,
// so nothing the user had is overwritten.
class PreferencesStore {
public:
    // A store that lives in memory only.
    PreferencesStore();
    // A store backed by `file`. With a loop, writes are flushed `writeBehind` after the first
    // unflushed one, so a change never waits longer than that; without, every write is
    // flushed at once.
    PreferencesStore(std::filesystem::path file, MainLoop* loop, Duration writeBehind = std::chrono::milliseconds(100));
    ~PreferencesStore();
    PreferencesStore(const PreferencesStore&) = delete;
    PreferencesStore& operator=(const PreferencesStore&) = delete;

    // False when missing or not a Boolean.
    bool readBool(const std::string& key) const;
    // Any stored value, or nothing; callers test the type.
    std::optional<PreferenceValue> readObject(const std::string& key) const;
    std::optional<std::string> readText(const std::string& key) const;
    std::optional<Bytes> readData(const std::string& key) const;
    // An integer or a double, as a double.
    std::optional<double> readNumber(const std::string& key) const;
    // An integer, or a double with no fractional part within range.
    std::optional<int64_t> readInteger(const std::string& key) const;

    void writeBool(const std::string& key, bool value);
    void writeDouble(const std::string& key, double value);
    void writeInteger(const std::string& key, int64_t value);
    void writeText(const std::string& key, const std::string& value);
    void writeData(const std::string& key, const Bytes& value);
    void writeObject(const std::string& key, const PreferenceValue& value);
    void remove(const std::string& key);
    bool contains(const std::string& key) const;

    // Writes pending changes now. Returns the error of this attempt, if any.
    std::optional<FileError> flush();
    bool hasUnflushedChanges() const { return m_dirty; }

    // Whether the file found at start could not be read, and where it was moved.
    bool foundUnreadableFile() const { return m_unreadable; }
    const std::optional<std::filesystem::path>& unreadableCopy() const { return m_unreadableCopy; }
    const std::optional<FileError>& lastWriteError() const { return m_lastError; }

    const std::filesystem::path& file() const { return m_file; }

private:
    void load();
    void changed();
    const nlohmann::json* find(const std::string& key) const;

    std::filesystem::path m_file;
    MainLoop* m_loop = nullptr;
    Duration m_writeBehind {};
    nlohmann::json m_document = nlohmann::json::object();
    bool m_dirty = false;
    bool m_unreadable = false;
    bool m_unreadableHandled = false;
    std::optional<std::filesystem::path> m_unreadableCopy;
    std::optional<FileError> m_lastError;
    TimerHandle m_flushTimer;
};

} // namespace tavilo
