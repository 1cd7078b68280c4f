#include "NotchPanel.h"

#include "CueCardWidget.h"
#include "MiniPrompterView.h"
#include "NotchShape.h"
#include "ScrollingTextView.h"
#include "StartupTrace.h"
#include "TimerBadge.h"
#include "UiFont.h"

#include "app/AppDelegate.h"
#include "cue/CueScript.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace tavilo {

namespace {

// Padding of the content inside the panel: room for the control bar above, the edge below.
constexpr int kContentLeft = 18, kContentRight = 18, kContentTop = 58, kContentBottom = 16;

bool isOutlineOnly(const CueScript& outline)
{
    return outline.hasStructure && cue::trimWhitespaceAndNewlines(outline.spokenOnly).empty();
}

// A number over a dark veil while the countdown runs.
class CountdownCover final : public QWidget {
public:
    CountdownCover(const PrompterModel& model, QWidget* parent)
        : QWidget(parent)
        , m_model(model)
    {
        m_subscriptions += m_model.countdownRemaining.observeChanges([this](int64_t) { update(); });
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(NotchShape {}.path(rect()), QColor(0, 0, 0, static_cast<int>(0.92 * 255)));
        painter.setFont(roundedUiFont(42, QFont::Bold));
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, QString::number(m_model.countdownRemaining()));
    }

private:
    const PrompterModel& m_model;
    SubscriptionBag m_subscriptions;
};

// Shown instead of the scrolling text when the script is only an outline.
class CueEnterHint final : public QWidget {
public:
    CueEnterHint(const QString& text, QWidget* parent)
        : QWidget(parent)
        , m_text(text)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setFont(systemUiFont(14, QFont::Normal));
        QColor color(Qt::white);
        color.setAlphaF(0.78f);
        painter.setPen(color);
        painter.drawText(rect().adjusted(14, 0, -14, 0), Qt::AlignCenter | Qt::TextWordWrap, m_text);
    }

private:
    QString m_text;
};

} // namespace

NotchPanel::NotchPanel(AppDelegate& delegate)
    : QWidget(nullptr,
          Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
              | Qt::X11BypassWindowManagerHint)
    , m_delegate(delegate)
{
    // Bypassing the window manager keeps the panel above the desktop's top bar and on every
    // virtual desktop; it also means no window decoration and no focus stealing.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Tavilo"));

    PrompterModel& model = delegate.model();
    m_badge = new TimerBadge(model, delegate.runTimer(), delegate.localization(), this);
    m_badge->anchorBottomRight(16, 12);
    m_countdown = new CountdownCover(model, this);
    m_countdown->hide();

    auto contentMayChange = [this](const auto&) { updateContent(); };
    m_subscriptions += model.readingMode.observeChanges(contentMayChange);
    m_subscriptions += model.miniPrompterEnabled.observeChanges(contentMayChange);
    m_subscriptions += model.cueScript.observeChanges(contentMayChange);
    m_subscriptions += model.fontSize.observeChanges([this](double points) {
        if (auto* mini = dynamic_cast<MiniPrompterView*>(m_content))
            mini->setFontSize(points);
        if (auto* card = dynamic_cast<CueCardWidget*>(m_content))
            card->setFontSize(points);
        place();
    });
    m_subscriptions += model.isCountingDown.observe([this](bool counting) {
        m_countdown->setVisible(counting);
        if (counting)
            m_countdown->raise();
    });
    auto replace = [this](const auto&) { place(); };
    m_subscriptions += model.overlayWidth.observeChanges(replace);
    m_subscriptions += model.overlayHeight.observeChanges(replace);
    m_subscriptions += model.cueNotchHeight.observeChanges(replace);
    m_subscriptions += model.backgroundOpacity.observeChanges([this](double) { update(); });
    updateContent();
}

NotchPanel::~NotchPanel() = default;

NotchPanel::Content NotchPanel::wantedContent() const
{
    const PrompterModel& model = m_delegate.model();
    if (model.readingMode() == ReadingMode::cue)
        return Content::cueCard;
    if (model.miniPrompterEnabled())
        return Content::miniPrompter;
    if (isOutlineOnly(model.cueScript()))
        return Content::cueEnterHint;
    return Content::scrolling;
}

void NotchPanel::updateContent()
{
    const Content wanted = wantedContent();
    if (wanted == m_contentKind && m_content)
        return;
    const Content previous = m_contentKind;
    m_contentKind = wanted;
    delete m_content;
    m_content = nullptr;
    PrompterModel& model = m_delegate.model();
    auto& texts = m_delegate.localization();
    switch (wanted) {
    case Content::scrolling:
        m_content = new ScrollingTextView(model, texts, this);
        break;
    case Content::miniPrompter: {
        auto* mini = new MiniPrompterView(model, m_delegate.loop(), texts, this);
        mini->setFontSize(model.fontSize());
        m_content = mini;
        break;
    }
    case Content::cueCard: {
        auto* card = new CueCardWidget(model, texts, m_delegate.loop(), this);
        card->setFontSize(model.fontSize());
        m_content = card;
        break;
    }
    case Content::cueEnterHint:
        m_content = new CueEnterHint(QString::fromStdString(texts.text(LK::cueEnterHint)), this);
        break;
    case Content::none:
        break;
    }
    if (m_content) {
        m_content->setGeometry(contentRect());
        m_content->show();
        m_content->lower();
    }
    if (previous != Content::none && (previous == Content::cueCard || wanted == Content::cueCard
            || previous == Content::miniPrompter || wanted == Content::miniPrompter))
        place(); // these contents change the panel's height
}

QRect NotchPanel::contentRect() const
{
    return rect().adjusted(kContentLeft, kContentTop, -kContentRight, -kContentBottom);
}

void NotchPanel::place()
{
    const PrompterModel& model = m_delegate.model();
    double height = model.overlayHeight();
    // FIXME: while voice follow listens the panel grows to voiceFollowNotchHeight.
    if (model.readingMode() == ReadingMode::cue)
        height = std::max(height, model.cueNotchHeight());
    else if (model.miniPrompterEnabled())
        height = std::max(model.fontSize() + 76, 96.0);
    const int width = static_cast<int>(std::lround(model.overlayWidth()));
    const int h = static_cast<int>(std::lround(height));
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1280, 800);
    setGeometry(area.x() + (area.width() - width) / 2, area.y(), width, h);
}

void NotchPanel::resizeEvent(QResizeEvent*)
{
    if (m_content)
        m_content->setGeometry(contentRect());
    m_countdown->setGeometry(rect());
}

void NotchPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const NotchShape shape;
    QColor fill(Qt::black);
    fill.setAlphaF(static_cast<float>(std::clamp(m_delegate.model().backgroundOpacity(), 0.0, 1.0)));
    painter.fillPath(shape.path(rect()), fill);
    // The inner border, left off along the top 2 points so no line shows at the screen edge.
    painter.save();
    painter.setClipRect(QRectF(0, 2, width(), height() - 2));
    QColor border(Qt::white);
    border.setAlphaF(0.05f);
    painter.setPen(QPen(border, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(NotchShape { 0.18, 0.82, 0.5 }.path(rect()));
    painter.restore();
    if (!m_reportedFirstPaint) {
        m_reportedFirstPaint = true;
        StartupTrace::firstPanelFramePainted();
    }
}

} // namespace tavilo
