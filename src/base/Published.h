#pragma once

#include "MainLoop.h"
#include "Subscription.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tavilo {

template<typename T>
using Observer = std::function<void(const T&)>;

// Something that can be observed: subscribing hands it an observer and returns the
// subscription that ends the observation.
template<typename T>
class Source {
public:
    using SubscribeFunction = std::function<Subscription(Observer<T>)>;

    Source() = default;
    explicit Source(SubscribeFunction subscribe)
        : m_subscribe(std::move(subscribe))
    {
    }

    [[nodiscard]] Subscription subscribe(Observer<T> observer) const { return m_subscribe(std::move(observer)); }

private:
    SubscribeFunction m_subscribe;
};

struct Unit {
    bool operator==(const Unit&) const = default;
};

namespace detail {

template<typename T>
class ObserverList : public std::enable_shared_from_this<ObserverList<T>> {
public:
    struct Slot {
        Observer<T> observer;
        bool active = true;
    };

    Subscription add(Observer<T> observer)
    {
        auto slot = std::make_shared<Slot>(Slot { std::move(observer) });
        m_slots.push_back(slot);
        std::weak_ptr<ObserverList> weakSelf = this->shared_from_this();
        std::weak_ptr<Slot> weakSlot = slot;
        return Subscription([weakSelf, weakSlot] {
            auto slot = weakSlot.lock();
            if (!slot)
                return;
            slot->active = false;
            slot->observer = nullptr;
            if (auto self = weakSelf.lock())
                self->remove(slot.get());
        });
    }

    // Observers added while notifying wait for the next value; observers removed while
    // notifying are not called again.
    void notify(const T& value)
    {
        auto snapshot = m_slots;
        for (auto& slot : snapshot) {
            if (slot->active && slot->observer) {
                auto observer = slot->observer; // survive the observer cancelling itself
                observer(value);
            }
        }
    }

    size_t count() const { return m_slots.size(); }

private:
    void remove(Slot* slot)
    {
        m_slots.erase(std::remove_if(m_slots.begin(), m_slots.end(), [slot](auto& s) { return s.get() == slot; }),
            m_slots.end());
    }

    std::vector<std::shared_ptr<Slot>> m_slots;
};

} // namespace detail

// A value whose observers are called synchronously on every assignment, equal or not, and
// once with the current value when they subscribe.
template<typename T>
class Published {
public:
    Published()
        : m_observers(std::make_shared<detail::ObserverList<T>>())
    {
    }
    explicit Published(T initial)
        : m_value(std::move(initial))
        , m_observers(std::make_shared<detail::ObserverList<T>>())
    {
    }
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    const T& get() const { return m_value; }
    const T& operator()() const { return m_value; }

    void set(T value)
    {
        m_value = std::move(value);
        // Notify with a copy: an observer may assign again while the others are called.
        const T current = m_value;
        m_observers->notify(current);
    }
    Published& operator=(T value)
    {
        set(std::move(value));
        return *this;
    }

    // Calls observer now with the current value, then on every assignment.
    [[nodiscard]] Subscription observe(Observer<T> observer) const
    {
        auto copy = observer;
        auto subscription = m_observers->add(std::move(observer));
        copy(m_value);
        return subscription;
    }

    // Calls observer on every later assignment only.
    [[nodiscard]] Subscription observeChanges(Observer<T> observer) const
    {
        return m_observers->add(std::move(observer));
    }

    // A source that behaves like observe(). The Published must outlive its subscriptions'
    // use, which holds for the model and services that live as long as the process.
    Source<T> source() const
    {
        const Published* self = this;
        std::weak_ptr<detail::ObserverList<T>> list = m_observers;
        return Source<T>([self, list](Observer<T> observer) {
            if (list.expired())
                return Subscription();
            return self->observe(std::move(observer));
        });
    }

    size_t observerCount() const { return m_observers->count(); }

private:
    T m_value {};
    std::shared_ptr<detail::ObserverList<T>> m_observers;
};

// A source with no value of its own that forwards what is sent to it.
template<typename T>
class Subject {
public:
    Subject()
        : m_observers(std::make_shared<detail::ObserverList<T>>())
    {
    }
    void send(const T& value) { m_observers->notify(value); }
    [[nodiscard]] Subscription subscribe(Observer<T> observer) const { return m_observers->add(std::move(observer)); }
    Source<T> source() const
    {
        std::weak_ptr<detail::ObserverList<T>> list = m_observers;
        return Source<T>([list](Observer<T> observer) {
            auto strong = list.lock();
            return strong ? strong->add(std::move(observer)) : Subscription();
        });
    }

private:
    std::shared_ptr<detail::ObserverList<T>> m_observers;
};

// ---- Operators ------------------------------------------------------------------------

template<typename T, typename F>
auto map(Source<T> upstream, F transform) -> Source<std::invoke_result_t<F, const T&>>
{
    using U = std::invoke_result_t<F, const T&>;
    return Source<U>([upstream, transform](Observer<U> observer) {
        return upstream.subscribe([observer, transform](const T& value) { observer(transform(value)); });
    });
}

// Forgets the value: for merging sources of different types into one "something changed".
template<typename T>
Source<Unit> asSignal(Source<T> upstream)
{
    return map(std::move(upstream), [](const T&) { return Unit {}; });
}

// Drops a value equal to the one delivered before it.
template<typename T>
Source<T> removeDuplicates(Source<T> upstream)
{
    return Source<T>([upstream](Observer<T> observer) {
        auto last = std::make_shared<std::optional<T>>();
        return upstream.subscribe([observer, last](const T& value) {
            if (*last && **last == value)
                return;
            *last = value;
            observer(value);
        });
    });
}

template<typename T>
Source<T> dropFirst(Source<T> upstream, int count = 1)
{
    return Source<T>([upstream, count](Observer<T> observer) {
        auto remaining = std::make_shared<int>(count);
        return upstream.subscribe([observer, remaining](const T& value) {
            if (*remaining > 0) {
                --*remaining;
                return;
            }
            observer(value);
        });
    });
}

// Delivers the latest value once no new value has come for `delay`.
template<typename T>
Source<T> debounce(Source<T> upstream, MainLoop& loop, Duration delay)
{
    return Source<T>([upstream, &loop, delay](Observer<T> observer) {
        struct State {
            TimerHandle timer;
            std::optional<T> latest;
        };
        auto state = std::make_shared<State>();
        std::weak_ptr<State> weak = state;
        auto inner = std::make_shared<Subscription>(upstream.subscribe([&loop, delay, observer, weak](const T& value) {
            auto state = weak.lock();
            if (!state)
                return;
            state->latest = value;
            state->timer = loop.schedule(delay, [observer, weak] {
                auto state = weak.lock();
                if (!state || !state->latest)
                    return;
                T value = std::move(*state->latest);
                state->latest.reset();
                observer(value);
            });
        }));
        return Subscription([state, inner]() mutable {
            inner->cancel();
            state->timer.cancel();
        });
    });
}

// At most one delivery per `interval`: the first value at once, then, at the end of each
// interval in which values came, the latest of them (or the first, when latest is false).
template<typename T>
Source<T> throttle(Source<T> upstream, MainLoop& loop, Duration interval, bool latest = true)
{
    return Source<T>([upstream, &loop, interval, latest](Observer<T> observer) {
        struct State {
            TimerHandle timer;
            std::optional<T> held;
        };
        auto state = std::make_shared<State>();
        std::weak_ptr<State> weak = state;
        auto openWindow = std::make_shared<std::function<void()>>();
        std::weak_ptr<std::function<void()>> weakOpen = openWindow;
        *openWindow = [&loop, interval, observer, weak, weakOpen] {
            auto state = weak.lock();
            if (!state)
                return;
            state->timer = loop.schedule(interval, [observer, weak, weakOpen] {
                auto state = weak.lock();
                if (!state || !state->held)
                    return; // quiet interval: the next value goes out at once
                T value = std::move(*state->held);
                state->held.reset();
                if (auto open = weakOpen.lock())
                    (*open)();
                observer(value);
            });
        };
        auto inner = std::make_shared<Subscription>(
            upstream.subscribe([observer, weak, openWindow = std::weak_ptr(openWindow), latest](const T& value) {
                auto state = weak.lock();
                if (!state)
                    return;
                if (!state->timer.isPending()) {
                    if (auto open = openWindow.lock())
                        (*open)();
                    observer(value);
                    return;
                }
                if (latest || !state->held)
                    state->held = value;
            }));
        return Subscription([state, inner, openWindow]() mutable {
            inner->cancel();
            state->timer.cancel();
        });
    });
}

template<typename T>
Source<T> merge(std::vector<Source<T>> sources)
{
    return Source<T>([sources](Observer<T> observer) {
        auto subscriptions = std::make_shared<std::vector<Subscription>>();
        for (const auto& source : sources)
            subscriptions->push_back(source.subscribe(observer));
        return Subscription([subscriptions] {
            for (auto& s : *subscriptions)
                s.cancel();
        });
    });
}

} // namespace tavilo
