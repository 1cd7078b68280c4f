#pragma once

#include "base/Subscription.h"

#include <QWidget>

class QTimer;

namespace tavilo {

class LocalizationManager;
class PrompterModel;
class MainLoop;

// The outline card of cue mode, drawn from the card content: the position and timers, the
// point's title, its materials and what comes next, or the overview list. Redrawn once a
// second for the timers.
class CueCardWidget final : public QWidget {
public:
    CueCardWidget(const PrompterModel& model, const LocalizationManager& texts, const MainLoop& loop, QWidget* parent);

    void setFontSize(double points);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintCard(QPainter& painter);
    void paintOverview(QPainter& painter);
    void paintHint(QPainter& painter, const QString& text);

    const PrompterModel& m_model;
    const LocalizationManager& m_texts;
    const MainLoop& m_loop;
    double m_fontSize = 20;
    QTimer* m_clock = nullptr;
    SubscriptionBag m_subscriptions;
};

} // namespace tavilo
