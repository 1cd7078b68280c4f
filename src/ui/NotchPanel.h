#pragma once

#include "base/Subscription.h"
#include "core/PrompterModel.h"

#include <QString>
#include <QWidget>

namespace tavilo {

// The prompter panel that sits flush with the top edge of the screen, centred under the
// camera: frameless, above other windows, never taking the keyboard focus.
class NotchPanel final : public QWidget {
public:
    explicit NotchPanel(PrompterModel& model);

    // Places the panel on the primary screen at the model's size.
    void place();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PrompterModel& m_model;
    QString m_text;
    SubscriptionBag m_subscriptions;
    bool m_reportedFirstPaint = false;
};

} // namespace tavilo
