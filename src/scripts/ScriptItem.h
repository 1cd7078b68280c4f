#pragma once

#include "base/Date.h"
#include "base/Uuid.h"

#include <string>

namespace tavilo {

// A saved script. `updatedAt` moves when the title or the content changes to a different value.
struct ScriptItem {
    Uuid id;
    std::string title;
    std::string content;
    Date updatedAt;

    bool operator==(const ScriptItem&) const = default;
};

} // namespace tavilo
