#pragma once

#include "Subscription.h"

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace tavilo {

struct Notification {
    std::string name;
    std::any object;
};

// Name → observers, used on the main thread only.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    NotificationCenter();

    [[nodiscard]] Subscription addObserver(const std::string& name, Handler handler);
    void post(const std::string& name, std::any object = {});

private:
    struct Entry {
        Handler handler;
        bool active = true;
    };
    struct Registry {
        std::multimap<std::string, std::shared_ptr<Entry>> entries;
    };
    std::shared_ptr<Registry> m_registry;
};

} // namespace tavilo
