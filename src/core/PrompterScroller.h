#pragma once

#include "base/MainLoop.h"
#include "base/Subscription.h"
#include "base/Uuid.h"
#include "core/ScrollEngine.h"

#include <optional>
#include <string>

namespace tavilo {

class PrompterModel;

// What the scroller needs from the view that shows it. The view owns no timing: it lays out,
// measures and draws when asked.
class ScrollDisplay {
public:
    virtual ~ScrollDisplay() = default;
    // The text or its font size changed: lay the text out again, report one copy's height
    // through setMeasuredContentHeight() and draw again.
    virtual void scrollContentChanged() = 0;
    // Something drawn changed (position, copies, scrim strength): draw again soon.
    virtual void scrollFrameChanged() = 0;
};

// Feeds the model's run state into a scroll engine, drives its frames on the main loop
// (60 a second while the text moves, 8 otherwise) and reports back into the model: the phase
// to resume from when the run pauses, and the end of the text while running.
//
// One scroller belongs to one shown view; a new view gets a new scroller, which restores the
// phase saved at the last pause when a session has started.
class PrompterScroller {
public:
    static constexpr double kEdgeFadeFraction = 0.2;

    // Reads its inputs from the model at once; calls nothing on the display until the view
    // reports its measurements (so a view may construct it as a member).
    PrompterScroller(PrompterModel& model, ScrollDisplay& display);
    PrompterScroller(const PrompterScroller&) = delete;
    PrompterScroller& operator=(const PrompterScroller&) = delete;
    ~PrompterScroller();

    // The font size follows the model's fontSize unless the surface fixes its own (the
    // floating surface fits it to the panel width).
    void setFixedFontSize(double points);
    void followModelFontSize();

    // ---- From the view ----
    // The view is shown and knows its height: the engine takes its start or resume position
    // and the frames begin. Later calls only update the height.
    void viewAppeared(double viewportHeight);
    void setViewportHeight(double height);
    // Height of one copy of the text laid out at the view's width and the current font size.
    void setMeasuredContentHeight(double height);

    // ---- For drawing ----
    const ScrollEngine& engine() const { return m_engine; }
    const std::string& text() const { return m_engine.inputs().text; }
    bool hasText() const { return m_engine.hasText(); }
    double fontSize() const { return m_engine.inputs().fontSize; }
    double fadeFraction() const { return m_engine.inputs().fadeFraction; }
    double backgroundOpacity() const { return m_backgroundOpacity; }
    double verticalOffset() const { return m_engine.verticalOffset(); }
    int copies() const { return m_engine.copies(); }
    double cycle() const { return m_engine.cycle(); }

    bool hasAppeared() const { return m_appeared; }
    // Interval of the frame now scheduled; none before the view appeared.
    std::optional<double> scheduledFrameInterval() const;

private:
    struct Picture {
        bool hasText = false;
        double offset = 0;
        int copies = 0;
        double backgroundOpacity = 0;
        bool operator==(const Picture&) const = default;
    };

    void applyFontSize(double points);
    void onFrame();
    void scheduleFrame(double interval);
    // Brings the frame rate forward when the engine now wants full speed, and asks for a
    // redraw when the picture changed.
    void afterChange();
    Picture picture() const;

    PrompterModel& m_model;
    MainLoop& m_loop;
    ScrollDisplay& m_display;
    ScrollEngine m_engine;

    double m_backgroundOpacity = 1;
    bool m_followsModelFontSize = true;
    bool m_appeared = false;
    Uuid m_resetToken;
    Uuid m_jumpBackToken;
    Uuid m_manualScrollToken;

    TimerHandle m_frameTimer;
    double m_frameTimerInterval = 0;
    MonotonicTime m_frameTimerDue {};
    Picture m_lastPicture;

    SubscriptionBag m_subscriptions; // last: ends before the state it writes
};

} // namespace tavilo
