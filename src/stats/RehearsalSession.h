#pragma once

#include "base/Date.h"
#include "base/Uuid.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tavilo {

// One recorded run. The field order is the order of the keys in the statistics file.
struct RehearsalSession {
    Uuid id;
    std::optional<Uuid> scriptID; // none for unsaved text
    std::string scriptTitle;
    Date startedAt;
    double duration = 0; // whole seconds of run time
    int64_t words = 0;
    double avgWordsPerMin = 0;
    double completion = 0; // 0 … 1
    bool reachedEnd = false;

    bool operator==(const RehearsalSession&) const = default;
};

} // namespace tavilo
