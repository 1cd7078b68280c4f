#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace tavilo {

// Ends an observation when destroyed or cancelled. Move-only.
class [[nodiscard]] Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel)
        : m_cancel(std::move(cancel))
    {
    }
    Subscription(Subscription&& other) noexcept
        : m_cancel(std::exchange(other.m_cancel, nullptr))
    {
    }
    Subscription& operator=(Subscription&& other) noexcept
    {
        if (this != &other) {
            cancel();
            m_cancel = std::exchange(other.m_cancel, nullptr);
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { cancel(); }

    void cancel()
    {
        if (auto cancel = std::exchange(m_cancel, nullptr))
            cancel();
    }

    bool isActive() const { return static_cast<bool>(m_cancel); }

private:
    std::function<void()> m_cancel;
};

// A set of subscriptions ended together, like a "cancellables" set.
class SubscriptionBag {
public:
    void add(Subscription subscription) { m_items.push_back(std::move(subscription)); }
    SubscriptionBag& operator+=(Subscription subscription)
    {
        add(std::move(subscription));
        return *this;
    }
    void cancelAll()
    {
        // Cancel in reverse order of creation, and from a moved-out list so that an observer
        // cancelled mid-way cannot touch the container being cleared.
        auto items = std::move(m_items);
        m_items.clear();
        for (auto it = items.rbegin(); it != items.rend(); ++it)
            it->cancel();
    }
    size_t size() const { return m_items.size(); }
    ~SubscriptionBag() { cancelAll(); }

private:
    std::vector<Subscription> m_items;
};

} // namespace tavilo
