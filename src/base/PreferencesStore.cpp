#include "PreferencesStore.h"

#include <cmath>
#include <limits>

namespace tavilo {

using nlohmann::json;

namespace {

std::optional<Bytes> decodeData(const json& value)
{
    if (!value.is_object() || value.size() != 1 || !value.contains("data") || !value["data"].is_string())
        return std::nullopt;
    return base64Decode(value["data"].get_ref<const std::string&>());
}

json encode(const PreferenceValue& value)
{
    return std::visit(
        [](const auto& v) -> json {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, Bytes>)
                return json { { "data", base64Encode(v) } };
            else if constexpr (std::is_same_v<V, double>)
                // JSON has no NaN or infinity; keep the file valid and let readers fall back.
                return std::isfinite(v) ? json(v) : json(nullptr);
            else
                return json(v);
        },
        value);
}

} // namespace

PreferencesStore::PreferencesStore() = default;

PreferencesStore::PreferencesStore(std::filesystem::path file, MainLoop* loop, Duration writeBehind)
    : m_file(std::move(file))
    , m_loop(loop)
    , m_writeBehind(writeBehind)
{
    load();
}

PreferencesStore::~PreferencesStore()
{
    m_flushTimer.cancel();
    if (m_dirty)
        flush();
}

void PreferencesStore::load()
{
    const ReadResult read = readWholeFile(m_file);
    if (read.status == ReadStatus::missing)
        return;
    if (read.status == ReadStatus::failed) {
        m_unreadable = true;
        return;
    }
    json parsed = json::parse(read.contents, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded() || !parsed.is_object()) {
        m_unreadable = true;
        return;
    }
    m_document = std::move(parsed);
}

const json* PreferencesStore::find(const std::string& key) const
{
    auto it = m_document.find(key);
    return it == m_document.end() ? nullptr : &*it;
}

bool PreferencesStore::readBool(const std::string& key) const
{
    const json* value = find(key);
    return value && value->is_boolean() && value->get<bool>();
}

std::optional<PreferenceValue> PreferencesStore::readObject(const std::string& key) const
{
    const json* value = find(key);
    if (!value)
        return std::nullopt;
    switch (value->type()) {
    case json::value_t::boolean:
        return PreferenceValue(value->get<bool>());
    case json::value_t::number_integer:
        return PreferenceValue(value->get<int64_t>());
    case json::value_t::number_unsigned: {
        const uint64_t u = value->get<uint64_t>();
        if (u <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
            return PreferenceValue(static_cast<int64_t>(u));
        return PreferenceValue(static_cast<double>(u));
    }
    case json::value_t::number_float:
        return PreferenceValue(value->get<double>());
    case json::value_t::string:
        return PreferenceValue(value->get<std::string>());
    case json::value_t::object:
        if (auto data = decodeData(*value))
            return PreferenceValue(std::move(*data));
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::optional<std::string> PreferencesStore::readText(const std::string& key) const
{
    const json* value = find(key);
    if (!value || !value->is_string())
        return std::nullopt;
    return value->get<std::string>();
}

std::optional<Bytes> PreferencesStore::readData(const std::string& key) const
{
    const json* value = find(key);
    return value ? decodeData(*value) : std::nullopt;
}

std::optional<double> PreferencesStore::readNumber(const std::string& key) const
{
    auto value = readObject(key);
    if (!value)
        return std::nullopt;
    if (auto* i = std::get_if<int64_t>(&*value))
        return static_cast<double>(*i);
    if (auto* d = std::get_if<double>(&*value))
        return *d;
    return std::nullopt;
}

std::optional<int64_t> PreferencesStore::readInteger(const std::string& key) const
{
    auto value = readObject(key);
    if (!value)
        return std::nullopt;
    if (auto* i = std::get_if<int64_t>(&*value))
        return *i;
    if (auto* d = std::get_if<double>(&*value)) {
        // 2^63 is the first double past the int64 range.
        if (std::isfinite(*d) && std::trunc(*d) == *d && *d >= -9223372036854775808.0 && *d < 9223372036854775808.0)
            return static_cast<int64_t>(*d);
    }
    return std::nullopt;
}

void PreferencesStore::writeBool(const std::string& key, bool value) { writeObject(key, value); }
void PreferencesStore::writeDouble(const std::string& key, double value) { writeObject(key, value); }
void PreferencesStore::writeInteger(const std::string& key, int64_t value) { writeObject(key, value); }
void PreferencesStore::writeText(const std::string& key, const std::string& value) { writeObject(key, value); }
void PreferencesStore::writeData(const std::string& key, const Bytes& value) { writeObject(key, value); }

void PreferencesStore::writeObject(const std::string& key, const PreferenceValue& value)
{
    m_document[key] = encode(value);
    changed();
}

void PreferencesStore::remove(const std::string& key)
{
    if (m_document.erase(key))
        changed();
}

bool PreferencesStore::contains(const std::string& key) const { return find(key) != nullptr; }

void PreferencesStore::changed()
{
    m_dirty = true;
    if (m_file.empty())
        return;
    if (!m_loop) {
        flush();
        return;
    }
    if (!m_flushTimer.isPending())
        m_flushTimer = m_loop->schedule(m_writeBehind, [this] { flush(); });
}

std::optional<FileError> PreferencesStore::flush()
{
    m_flushTimer.cancel();
    if (m_file.empty()) {
        m_dirty = false;
        return std::nullopt;
    }
    if (m_unreadable && !m_unreadableHandled) {
        std::error_code ec;
        if (std::filesystem::exists(m_file, ec)) {
            const Date stamp = m_loop ? m_loop->currentDate() : Date::systemNow();
            m_unreadableCopy = moveAsideUnreadable(m_file, stamp.compactUtcStamp());
            if (!m_unreadableCopy) {
                // Keep the user's file rather than replace what we could not read.
                m_lastError = FileError { "cannot move the unreadable file " + m_file.string() + " aside", errno };
                return m_lastError;
            }
        }
        m_unreadableHandled = true;
    }
    // Text that is not UTF-8 (a script imported from a broken file) is written with U+FFFD in
    // place of the bad bytes rather than failing the whole store.
    auto error = writeFileAtomically(m_file, m_document.dump(2, ' ', false, json::error_handler_t::replace) + "\n");
    m_lastError = error;
    if (!error)
        m_dirty = false;
    return error;
}

} // namespace tavilo
