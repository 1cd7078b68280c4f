#pragma once

#include "base/Subscription.h"
#include "core/MiniPrompter.h"

#include <QFont>
#include <QString>
#include <QWidget>

namespace tavilo {

class LocalizationManager;
class MainLoop;
class PrompterModel;

// The single-line prompter: the current sentence, white, centred, or leading-aligned and
// panning when it is wider than the view; without sentences the ready hint. Owns its
// MiniPrompter, which runs while the view is shown: hiding the view itself (not merely its
// window) ends its state, so showing it again starts at the first sentence. Transparent: it
// sits on the panel's fill.
class MiniPrompterView final : public QWidget {
public:
    MiniPrompterView(PrompterModel& model, MainLoop& loop, const LocalizationManager& localization,
        QWidget* parent = nullptr);
    ~MiniPrompterView() override;

    // The font size in points, handed in by the surface (the model's fontSize on the notch).
    void setFontSize(double points);
    double fontSize() const { return m_fontSize; }

    MiniPrompter& prompter() { return m_prompter; }
    const MiniPrompter& prompter() const { return m_prompter; }
    // The current sentence's natural width as last measured, in points.
    double measuredTextWidth() const { return m_textWidth; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void changed(MiniPrompterChange change);
    void measure();

    const LocalizationManager& m_localization;
    MiniPrompter m_prompter;
    double m_fontSize = 20;
    QFont m_sentenceFont;
    QFont m_hintFont;
    QString m_sentence;
    QString m_hint;
    double m_textWidth = 0;
    double m_drawnX = 0;
    Subscription m_changes;
    SubscriptionBag m_subscriptions;
};

} // namespace tavilo
