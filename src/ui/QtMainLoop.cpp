#include "QtMainLoop.h"

#include <QMetaObject>
#include <QTimer>

namespace tavilo {

QtMainLoop::QtMainLoop()
    : m_context(new QObject)
{
}

QtMainLoop::~QtMainLoop()
{
    delete m_context;
}

void QtMainLoop::post(Task task)
{
    QMetaObject::invokeMethod(m_context, std::move(task), Qt::QueuedConnection);
}

TimerHandle QtMainLoop::schedule(Duration delay, Task task)
{
    auto state = std::make_shared<TimerState>();
    state->task = std::move(task);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(delay + std::chrono::microseconds(999));
    auto* timer = new QTimer(m_context);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, state] {
        timer->deleteLater();
        runTimerState(state);
    });
    timer->start(std::max<std::chrono::milliseconds::rep>(0, ms.count()));
    return TimerHandle(state);
}

} // namespace tavilo
