#pragma once

#include "core/ModelWorld.h"
#include "core/PrompterScroller.h"

#include <memory>
#include <string>

// A view stand-in: reports a fixed height for one copy of any text and counts redraw requests.
struct FakeScrollDisplay final : tavilo::ScrollDisplay {
    tavilo::PrompterScroller* scroller = nullptr;
    double copyHeight = 200;
    int frames = 0;
    int relayouts = 0;

    void scrollContentChanged() override
    {
        ++relayouts;
        report();
    }
    void scrollFrameChanged() override { ++frames; }
    void report() const { scroller->setMeasuredContentHeight(scroller->hasText() ? copyHeight : 0); }
};

// A model on virtual time with a scroller shown in a view of the given height; no countdown,
// so start() runs at once.
struct ScrollRig {
    ModelWorld w;
    FakeScrollDisplay display;
    std::unique_ptr<tavilo::PrompterScroller> scroller;
    double viewportHeight;

    explicit ScrollRig(std::string script = "Some words to read.", double copyHeight = 200,
        tavilo::ScrollMode mode = tavilo::ScrollMode::infinite, double viewport = 100)
        : viewportHeight(viewport)
    {
        w.model.countdownBehavior = tavilo::CountdownBehavior::never;
        w.model.script = std::move(script);
        w.model.scrollMode = mode;
        display.copyHeight = copyHeight;
        showView();
    }

    // What the widget does when it is created and shown: measure, then appear.
    void showView()
    {
        scroller = std::make_unique<tavilo::PrompterScroller>(w.model, display);
        display.scroller = scroller.get();
        display.report();
        scroller->viewAppeared(viewportHeight);
    }
    void closeView()
    {
        display.scroller = nullptr;
        scroller.reset();
    }

    const tavilo::ScrollEngine& engine() const { return scroller->engine(); }
    double phase() const { return engine().phase(); }
    double leadIn() const { return engine().leadIn(); }
    void run(double seconds) { w.loop.advanceSeconds(seconds); }
};
