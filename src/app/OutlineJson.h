#pragma once

#include "cue/CueScript.h"

#include <string>

namespace tavilo {

// The outline of a script as one JSON object: sections (title, timeBudgetSeconds when present,
// spoken, materials), hasStructure, spokenOnly and totalBudgetSeconds.
std::string outlineJson(const CueScript& script);

} // namespace tavilo
