#pragma once

#include "base/Subscription.h"
#include "core/TimerBadgeState.h"

#include <QFont>
#include <QString>
#include <QWidget>

namespace tavilo {

class LocalizationManager;
class PrompterModel;
class TimerEngine;

// The run timer's badge: a capsule with the mode's icon, the clock text and, past the
// count-down target, the "time's up" text, on black (red once the target is passed). It shows
// and hides itself by the badge's visibility rule and sizes itself to its content; with
// anchorBottomRight() it also keeps its place in the parent's corner. Clicks and wheel events
// pass through to the content beneath.
class TimerBadge final : public QWidget {
public:
    TimerBadge(const PrompterModel& model, const TimerEngine& timer, const LocalizationManager& localization,
        QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Keeps the badge `right` points from the parent's right edge and `bottom` points from its
    // bottom edge, through parent resizes and content changes.
    void anchorBottomRight(int right, int bottom);

    const TimerBadgeState& state() const { return m_state; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void contentChanged();
    void applyVisibility();
    void place();

    const LocalizationManager& m_localization;
    TimerBadgeState m_state;
    TimerBadgeContent m_content;
    QString m_text;
    QString m_reachedText;
    QFont m_iconFont;
    QFont m_textFont;
    QFont m_reachedFont;
    bool m_anchored = false;
    int m_anchorRight = 0;
    int m_anchorBottom = 0;
    SubscriptionBag m_subscriptions;
};

} // namespace tavilo
