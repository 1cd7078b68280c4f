#pragma once

#include "base/AppPaths.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QLocalServer;

namespace tavilo {

// Tavilo runs once per user session. The first instance holds a lock file and listens on a
// local socket; a later `tavilo` hands its request ("activate", or "command NAME") to it over
// that socket and exits.
class SingleInstance final : public QObject {
public:
    enum class Role { primary, secondary, failed };

    explicit SingleInstance(AppPaths paths);
    ~SingleInstance() override;

    // Takes the instance lock if it is free. Main thread, before the app is built.
    Role claim();

    // Primary only: starts listening; `handler` gets each request line and returns the reply
    // ("ok" or "error ...").
    bool listen(std::function<QString(const QString& request)> handler);

    // Stops listening; the lock stays until the process ends.
    void stopListening();

    // Secondary: sends one request line and returns the reply, or nothing when no running
    // instance answered within the timeout.
    std::optional<QString> send(const QString& request, int timeoutMs = 3000);

    const QString& errorText() const { return m_error; }

private:
    AppPaths m_paths;
    int m_lockFd = -1;
    QLocalServer* m_server = nullptr;
    QString m_error;
};

} // namespace tavilo
