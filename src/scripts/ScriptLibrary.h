#pragma once

#include "base/Base64.h"
#include "base/MainLoop.h"
#include "base/PreferencesStore.h"
#include "base/Published.h"
#include "scripts/ScriptItem.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavilo {

class LocalizationManager;

// The user's saved scripts, kept in the preferences store as one JSON document and rewritten
// whole on every change. The order of `items` is the display order: new items go in front,
// edits never move an item.
class ScriptLibrary {
public:
    using Clock = std::function<Date()>;

    static constexpr const char* kStorageKey = "scriptLibraryV1";
    // Where stored data that could not be read is kept before the first save replaces it.
    static constexpr const char* kUnreadableKey = "scriptLibraryV1.unreadable";

    // Loads the stored items at once. `clock` gives the dates of changes.
    ScriptLibrary(PreferencesStore& preferences, Clock clock);
    ScriptLibrary(PreferencesStore& preferences, const MainLoop& loop);
    ScriptLibrary(const ScriptLibrary&) = delete;
    ScriptLibrary& operator=(const ScriptLibrary&) = delete;

    // May be assigned directly (the editor removes items this way), followed by save().
    Published<std::vector<ScriptItem>> items;

    // Replaces `items` with the stored list when there is one that decodes; otherwise leaves
    // `items` as it is. Stored data that is there but cannot be read is kept aside at the next
    // save rather than lost.
    void load();
    // Writes the whole list under kStorageKey. Returns false (and stores nothing) when it
    // cannot be encoded.
    bool save();

    // Inserts a new item in front and saves; returns its id.
    Uuid add(const std::string& title, const std::string& content);
    std::optional<std::string> title(const Uuid& id) const;
    std::optional<std::string> content(const Uuid& id) const;
    bool contains(const Uuid& id) const;
    // Change the first item with that id; nothing happens when there is none or the text is
    // already the same. A change stamps updatedAt and saves.
    void setTitle(const std::string& title, const Uuid& id);
    void setContent(const std::string& content, const Uuid& id);
    // Removes every item with that id and saves, when there is one.
    void remove(const Uuid& id);

    // The item after (forward) or before the one with `id`, wrapping round at both ends; the
    // first (forward) or last item when id is none or not in the list; none when empty.
    std::optional<Uuid> neighbour(const std::optional<Uuid>& id, bool forward) const;

    // The items the editor creates, with texts in the current language.
    Uuid addBlankScript(const LocalizationManager& localization);
    Uuid addCueTemplate(const LocalizationManager& localization);
    // Saves the prompter's text under its derived title; nothing when the text is blank.
    std::optional<Uuid> addFromText(const std::string& text, const LocalizationManager& localization);

    // The stored form: compact UTF-8 JSON, an array of {"id", "title", "content", "updatedAt"}.
    static std::optional<Bytes> encode(const std::vector<ScriptItem>& items);
    // All or nothing: any malformed item fails the whole list.
    static std::optional<std::vector<ScriptItem>> decode(const Bytes& data);

    // Whether load() found stored data it could not read.
    bool foundUnreadableData() const { return m_foundUnreadable; }

private:
    ScriptItem* find(const Uuid& id, std::vector<ScriptItem>& list) const;
    const ScriptItem* find(const Uuid& id) const;
    void keepUnreadableDataAside();

    PreferencesStore& m_preferences;
    Clock m_clock;
    bool m_foundUnreadable = false;
    std::optional<PreferenceValue> m_unreadable;
};

} // namespace tavilo
