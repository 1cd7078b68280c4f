#include "stats/StatsStore.h"

#include "base/DurableFile.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <numeric>

namespace tavilo {

namespace fs = std::filesystem;

namespace {

// JSON has no not-a-number: it would be written as null and cost the whole file its next read.
double finiteOrZero(double value)
{
    return std::isfinite(value) ? value : 0.0;
}

} // namespace

StatsStore::StatsStore(const AppPaths& paths, const MainLoop& loop)
    : StatsStore(paths.statsFile(), loop)
{
}

StatsStore::StatsStore(fs::path file, const MainLoop& loop)
    : m_file(std::move(file))
    , m_loop(loop)
{
    // The folder is made now so a later write only has the file to create; failing here is
    // harmless, the write tries again.
    std::error_code ignored;
    fs::create_directories(m_file.parent_path(), ignored);
    load();
}

void StatsStore::load()
{
    const ReadResult read = readWholeFile(m_file);
    if (read.status == ReadStatus::missing)
        return;
    if (read.status == ReadStatus::ok) {
        if (auto decoded = decode(read.contents)) {
            m_sessions = std::move(*decoded);
            return;
        }
    }
    // Start empty without a message, but keep what is there for the first write to move aside.
    m_unreadableOnDisk = true;
}

bool StatsStore::save()
{
    if (m_unreadableOnDisk) {
        auto kept = moveAsideUnreadable(m_file, m_loop.currentDate().compactUtcStamp());
        if (!kept) {
            std::error_code ec;
            if (fs::exists(m_file, ec) || ec)
                return false; // still there and could not be moved: do not overwrite it
        }
        m_keptAside = std::move(kept);
        m_unreadableOnDisk = false;
    }
    return !writeFileAtomically(m_file, encode(m_sessions.get())).has_value();
}

void StatsStore::record(const RehearsalSession& session)
{
    std::vector<RehearsalSession> list;
    list.reserve(std::min<size_t>(m_sessions.get().size() + 1, maxSessions));
    list.push_back(session);
    for (const RehearsalSession& older : m_sessions.get()) {
        if (static_cast<int64_t>(list.size()) >= maxSessions)
            break;
        list.push_back(older);
    }
    m_sessions = std::move(list);
    save();
}

std::optional<RehearsalSession> StatsStore::latest() const
{
    const auto& list = m_sessions.get();
    if (list.empty())
        return std::nullopt;
    return list.front();
}

double StatsStore::totalDuration() const
{
    const auto& list = m_sessions.get();
    return std::accumulate(list.begin(), list.end(), 0.0,
        [](double sum, const RehearsalSession& session) { return sum + session.duration; });
}

void StatsStore::clear()
{
    m_sessions = std::vector<RehearsalSession>();
    save();
}

std::string StatsStore::encode(const std::vector<RehearsalSession>& sessions)
{
    // ordered_json keeps the keys in the order written.
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const RehearsalSession& session : sessions) {
        nlohmann::ordered_json object;
        object["id"] = session.id.toString();
        if (session.scriptID)
            object["scriptID"] = session.scriptID->toString();
        object["scriptTitle"] = session.scriptTitle;
        object["startedAt"] = finiteOrZero(session.startedAt.sinceReference);
        object["duration"] = finiteOrZero(session.duration);
        object["words"] = session.words;
        object["avgWordsPerMin"] = finiteOrZero(session.avgWordsPerMin);
        object["completion"] = finiteOrZero(session.completion);
        object["reachedEnd"] = session.reachedEnd;
        array.push_back(std::move(object));
    }
    // A title with malformed UTF-8 (from an imported document) becomes U+FFFD rather than
    // failing the whole write.
    return array.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::optional<std::vector<RehearsalSession>> StatsStore::decode(std::string_view json)
{
    const nlohmann::json document = nlohmann::json::parse(json.begin(), json.end(), nullptr, /*allow_exceptions=*/false);
    if (document.is_discarded() || !document.is_array())
        return std::nullopt;
    std::vector<RehearsalSession> list;
    list.reserve(document.size());
    for (const auto& object : document) {
        if (!object.is_object())
            return std::nullopt;
        auto field = [&](const char* key) -> const nlohmann::json* {
            const auto it = object.find(key);
            return it == object.end() ? nullptr : &*it;
        };
        const auto* id = field("id");
        const auto* scriptID = field("scriptID");
        const auto* title = field("scriptTitle");
        const auto* startedAt = field("startedAt");
        const auto* duration = field("duration");
        const auto* words = field("words");
        const auto* pace = field("avgWordsPerMin");
        const auto* completion = field("completion");
        const auto* reachedEnd = field("reachedEnd");
        if (!id || !id->is_string() || !title || !title->is_string() || !startedAt || !startedAt->is_number()
            || !duration || !duration->is_number() || !words || !words->is_number_integer() || !pace
            || !pace->is_number() || !completion || !completion->is_number() || !reachedEnd
            || !reachedEnd->is_boolean())
            return std::nullopt;
        RehearsalSession session;
        const auto uuid = Uuid::fromString(id->get_ref<const std::string&>());
        if (!uuid)
            return std::nullopt;
        session.id = *uuid;
        if (scriptID && !scriptID->is_null()) {
            if (!scriptID->is_string())
                return std::nullopt;
            session.scriptID = Uuid::fromString(scriptID->get_ref<const std::string&>());
            if (!session.scriptID)
                return std::nullopt;
        }
        session.scriptTitle = title->get<std::string>();
        session.startedAt = Date::fromReferenceSeconds(startedAt->get<double>());
        session.duration = duration->get<double>();
        // An unsigned value beyond the signed range is not a word count this program wrote.
        if (words->is_number_unsigned() && words->get<uint64_t>() > static_cast<uint64_t>(INT64_MAX))
            return std::nullopt;
        session.words = words->get<int64_t>();
        session.avgWordsPerMin = pace->get<double>();
        session.completion = completion->get<double>();
        session.reachedEnd = reachedEnd->get<bool>();
        list.push_back(std::move(session));
    }
    return list;
}

} // namespace tavilo
