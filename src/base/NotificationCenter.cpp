#include "NotificationCenter.h"

#include <vector>

namespace tavilo {

NotificationCenter::NotificationCenter()
    : m_registry(std::make_shared<Registry>())
{
}

Subscription NotificationCenter::addObserver(const std::string& name, Handler handler)
{
    auto entry = std::make_shared<Entry>(Entry { std::move(handler) });
    m_registry->entries.emplace(name, entry);
    std::weak_ptr<Registry> weakRegistry = m_registry;
    std::weak_ptr<Entry> weakEntry = entry;
    return Subscription([weakRegistry, weakEntry, name] {
        auto entry = weakEntry.lock();
        if (!entry)
            return;
        entry->active = false;
        auto registry = weakRegistry.lock();
        if (!registry)
            return;
        auto [begin, end] = registry->entries.equal_range(name);
        for (auto it = begin; it != end; ++it) {
            if (it->second == entry) {
                registry->entries.erase(it);
                break;
            }
        }
    });
}

void NotificationCenter::post(const std::string& name, std::any object)
{
    std::vector<std::shared_ptr<Entry>> receivers;
    auto [begin, end] = m_registry->entries.equal_range(name);
    for (auto it = begin; it != end; ++it)
        receivers.push_back(it->second);
    const Notification notification { name, std::move(object) };
    for (auto& entry : receivers) {
        if (entry->active && entry->handler) {
            auto handler = entry->handler;
            handler(notification);
        }
    }
}

} // namespace tavilo
