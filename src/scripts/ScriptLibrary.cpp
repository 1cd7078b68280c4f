#include "scripts/ScriptLibrary.h"

#include "scripts/DerivedTitle.h"
#include "strings/LocalizationManager.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace tavilo {

ScriptLibrary::ScriptLibrary(PreferencesStore& preferences, Clock clock)
    : m_preferences(preferences)
    , m_clock(std::move(clock))
{
    load();
}

ScriptLibrary::ScriptLibrary(PreferencesStore& preferences, const MainLoop& loop)
    : ScriptLibrary(preferences, [&loop] { return loop.currentDate(); })
{
}

void ScriptLibrary::load()
{
    if (!m_preferences.contains(kStorageKey))
        return;
    const std::optional<PreferenceValue> stored = m_preferences.readObject(kStorageKey);
    if (stored) {
        if (const auto* data = std::get_if<Bytes>(&*stored)) {
            if (auto decoded = decode(*data)) {
                items = std::move(*decoded);
                m_foundUnreadable = false;
                m_unreadable.reset();
                return;
            }
        }
    }
    // The list stays as it is, without a message; the stored value is kept for the next save.
    m_foundUnreadable = true;
    m_unreadable = stored;
}

void ScriptLibrary::keepUnreadableDataAside()
{
    if (!m_unreadable)
        return;
    // An earlier copy is never overwritten: a second one gets the date in its key.
    std::string key = kUnreadableKey;
    if (m_preferences.contains(key))
        key.append("-").append(m_clock().compactUtcStamp()); // not "-" + text: a false GCC 12 -Wrestrict
    m_preferences.writeObject(key, *m_unreadable);
    m_unreadable.reset();
}

bool ScriptLibrary::save()
{
    const std::optional<Bytes> data = encode(items.get());
    if (!data)
        return false;
    keepUnreadableDataAside();
    m_preferences.writeData(kStorageKey, *data);
    return true;
}

std::optional<Bytes> ScriptLibrary::encode(const std::vector<ScriptItem>& list)
{
    // ordered_json keeps the keys in the order written.
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const ScriptItem& item : list) {
        nlohmann::ordered_json object;
        object["id"] = item.id.toString();
        object["title"] = item.title;
        object["content"] = item.content;
        object["updatedAt"] = item.updatedAt.sinceReference;
        array.push_back(std::move(object));
    }
    try {
        // Malformed UTF-8 in a text (from an imported file, say) becomes U+FFFD rather than
        // costing the whole library its save.
        return bytesFromString(array.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::vector<ScriptItem>> ScriptLibrary::decode(const Bytes& data)
{
    const nlohmann::json document = nlohmann::json::parse(data.begin(), data.end(), nullptr, /*allow_exceptions=*/false);
    if (document.is_discarded() || !document.is_array())
        return std::nullopt;
    std::vector<ScriptItem> list;
    list.reserve(document.size());
    for (const auto& object : document) {
        if (!object.is_object())
            return std::nullopt;
        const auto id = object.find("id");
        const auto title = object.find("title");
        const auto content = object.find("content");
        const auto updatedAt = object.find("updatedAt");
        if (id == object.end() || title == object.end() || content == object.end() || updatedAt == object.end())
            return std::nullopt;
        if (!id->is_string() || !title->is_string() || !content->is_string() || !updatedAt->is_number())
            return std::nullopt;
        const auto uuid = Uuid::fromString(id->get_ref<const std::string&>());
        if (!uuid)
            return std::nullopt;
        list.push_back(ScriptItem { *uuid, title->get<std::string>(), content->get<std::string>(),
            Date::fromReferenceSeconds(updatedAt->get<double>()) });
    }
    return list;
}

ScriptItem* ScriptLibrary::find(const Uuid& id, std::vector<ScriptItem>& list) const
{
    auto it = std::find_if(list.begin(), list.end(), [&](const ScriptItem& item) { return item.id == id; });
    return it == list.end() ? nullptr : &*it;
}

const ScriptItem* ScriptLibrary::find(const Uuid& id) const
{
    const auto& list = items.get();
    auto it = std::find_if(list.begin(), list.end(), [&](const ScriptItem& item) { return item.id == id; });
    return it == list.end() ? nullptr : &*it;
}

Uuid ScriptLibrary::add(const std::string& title, const std::string& content)
{
    ScriptItem item { Uuid::create(), title, content, m_clock() };
    const Uuid id = item.id;
    std::vector<ScriptItem> list = items.get();
    list.insert(list.begin(), std::move(item));
    items = std::move(list);
    save();
    return id;
}

std::optional<std::string> ScriptLibrary::title(const Uuid& id) const
{
    const ScriptItem* item = find(id);
    return item ? std::optional(item->title) : std::nullopt;
}

std::optional<std::string> ScriptLibrary::content(const Uuid& id) const
{
    const ScriptItem* item = find(id);
    return item ? std::optional(item->content) : std::nullopt;
}

bool ScriptLibrary::contains(const Uuid& id) const { return find(id) != nullptr; }

void ScriptLibrary::setTitle(const std::string& title, const Uuid& id)
{
    const ScriptItem* current = find(id);
    if (!current || current->title == title)
        return;
    std::vector<ScriptItem> list = items.get();
    ScriptItem* item = find(id, list);
    item->title = title;
    item->updatedAt = m_clock();
    items = std::move(list);
    save();
}

void ScriptLibrary::setContent(const std::string& content, const Uuid& id)
{
    const ScriptItem* current = find(id);
    if (!current || current->content == content)
        return;
    std::vector<ScriptItem> list = items.get();
    ScriptItem* item = find(id, list);
    item->content = content;
    item->updatedAt = m_clock();
    items = std::move(list);
    save();
}

void ScriptLibrary::remove(const Uuid& id)
{
    if (!contains(id))
        return;
    std::vector<ScriptItem> list = items.get();
    std::erase_if(list, [&](const ScriptItem& item) { return item.id == id; });
    items = std::move(list);
    save();
}

std::optional<Uuid> ScriptLibrary::neighbour(const std::optional<Uuid>& id, bool forward) const
{
    const auto& list = items.get();
    if (list.empty())
        return std::nullopt;
    const size_t n = list.size();
    if (id) {
        auto it = std::find_if(list.begin(), list.end(), [&](const ScriptItem& item) { return item.id == *id; });
        if (it != list.end()) {
            const size_t i = static_cast<size_t>(it - list.begin());
            return list[forward ? (i + 1) % n : (i + n - 1) % n].id;
        }
    }
    return forward ? list.front().id : list.back().id;
}

Uuid ScriptLibrary::addBlankScript(const LocalizationManager& localization)
{
    return add(localization.text(LK::libUntitled), std::string());
}

Uuid ScriptLibrary::addCueTemplate(const LocalizationManager& localization)
{
    return add(localization.text(LK::libCueTemplateTitle), localization.text(LK::libCueTemplateBody));
}

std::optional<Uuid> ScriptLibrary::addFromText(const std::string& text, const LocalizationManager& localization)
{
    if (isBlankText(text))
        return std::nullopt;
    return add(derivedTitle(text, localization.text(LK::libUntitled)), text);
}

} // namespace tavilo
