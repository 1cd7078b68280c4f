#include "OutlineJson.h"

#include <nlohmann/json.hpp>

namespace tavilo {

std::string outlineJson(const CueScript& script)
{
    using nlohmann::ordered_json;
    ordered_json sections = ordered_json::array();
    for (const auto& section : script.sections) {
        ordered_json s;
        s["title"] = section.title;
        if (section.timeBudgetSeconds)
            s["timeBudgetSeconds"] = *section.timeBudgetSeconds;
        s["spoken"] = section.spoken;
        ordered_json materials = ordered_json::array();
        for (const auto& m : section.materials)
            materials.push_back(ordered_json { { "text", m.text }, { "isOptional", m.isOptional } });
        s["materials"] = std::move(materials);
        sections.push_back(std::move(s));
    }
    ordered_json out;
    out["sections"] = std::move(sections);
    out["hasStructure"] = script.hasStructure;
    out["spokenOnly"] = script.spokenOnly;
    out["totalBudgetSeconds"] = script.totalBudgetSeconds();
    // Broken UTF-8 in a file is shown replaced rather than aborting the whole output.
    return out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace tavilo
