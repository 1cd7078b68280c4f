#pragma once

#include "base/Subscription.h"

#include <QWidget>

class QTimer;

namespace tavilo {

class AppDelegate;
class TimerBadge;

// The prompter panel that sits flush with the top edge of the screen, centred under the
// camera: frameless, above other windows, never taking the keyboard focus. It shows one
// content at a time, chosen from the model's state, with the run timer badge in its corner
// and the countdown over everything.
class NotchPanel final : public QWidget {
public:
    enum class Content { none, scrolling, miniPrompter, cueCard, cueEnterHint };

    explicit NotchPanel(AppDelegate& delegate);
    ~NotchPanel() override;

    // Places the panel on the primary screen at the size the current content asks for.
    void place();
    Content content() const { return m_contentKind; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Content wantedContent() const;
    void updateContent();
    QRect contentRect() const;

    AppDelegate& m_delegate;
    Content m_contentKind = Content::none;
    QWidget* m_content = nullptr;
    TimerBadge* m_badge = nullptr;
    QWidget* m_countdown = nullptr;
    SubscriptionBag m_subscriptions;
    bool m_reportedFirstPaint = false;
};

} // namespace tavilo
