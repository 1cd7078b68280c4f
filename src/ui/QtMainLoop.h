#pragma once

#include "base/MainLoop.h"

#include <QObject>

namespace tavilo {

// The main loop on Qt's event loop: posted tasks are queued events, timers are precise
// single-shot QTimers owned by a context object so none outlives the loop.
class QtMainLoop final : public MainLoop {
public:
    QtMainLoop();
    ~QtMainLoop() override;

    void post(Task task) override;
    [[nodiscard]] TimerHandle schedule(Duration delay, Task task) override;
    MonotonicTime now() const override { return MonotonicClock::now(); }
    Date currentDate() const override { return Date::systemNow(); }

private:
    QObject* m_context;
};

} // namespace tavilo
