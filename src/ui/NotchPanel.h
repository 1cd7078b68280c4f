#pragma once

#include "base/Subscription.h"

#include <QWidget>

class QTimer;

namespace tavilo {

class AppDelegate;
class TimerBadge;

// A prompter window. The notch panel sits flush with the top edge of the screen, centred
// under the camera: frameless, above other windows, never taking the keyboard focus. The
// floating panel is a dark rounded card the user drags and resizes, whose frame is kept in
// the settings. Both show one content at a time, chosen from the model's state, with the run
// timer badge in the corner and the countdown over everything.
class NotchPanel final : public QWidget {
public:
    enum class Surface { notch, floating };
    enum class Content { none, scrolling, miniPrompter, cueCard, cueEnterHint };

    explicit NotchPanel(AppDelegate& delegate, Surface surface = Surface::notch);
    ~NotchPanel() override;

    // The notch panel: placed on the primary screen at the size its content asks for. The
    // floating panel keeps where the user put it.
    void place();
    Content content() const { return m_contentKind; }
    Surface surface() const { return m_surface; }
    // The font size the content uses: the setting, or on the floating panel with adaptive
    // size, the width divided by 20 within [14, 64].
    double contentFontSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    Content wantedContent() const;
    void updateContent();
    void applyFontSize();
    QRect contentRect() const;
    void placeFloatingOnce();
    void persistFloatingFrame();

    AppDelegate& m_delegate;
    Surface m_surface;
    bool m_suppressPersist = false;
    QPoint m_dragOffset;
    Content m_contentKind = Content::none;
    QWidget* m_content = nullptr;
    TimerBadge* m_badge = nullptr;
    QWidget* m_countdown = nullptr;
    QWidget* m_grip = nullptr;
    SubscriptionBag m_subscriptions;
    bool m_reportedFirstPaint = false;
};

} // namespace tavilo
