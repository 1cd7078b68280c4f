#pragma once

#include "base/ManualLoop.h"
#include "core/PrompterModel.h"
#include "scripts/ScriptLibrary.h"
#include "strings/LocalizationManager.h"

// A model with its library and texts on virtual time, and a check that the run invariants hold.
struct ModelWorld {
    tavilo::ManualLoop loop;
    tavilo::PreferencesStore store;
    tavilo::NotificationCenter notifications;
    tavilo::LocalizationManager localization { store, notifications };
    tavilo::ScriptLibrary library { store, loop };
    tavilo::PrompterModel model { loop, store };

    ModelWorld()
    {
        model.setScriptLibrary(&library);
        model.setLocalization(&localization);
    }

    bool invariantsHold() const
    {
        return !(model.isRunning() && model.isCountingDown()) && (model.isCountingDown() || model.countdownRemaining() == 0);
    }
};
