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
#include <QHideEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QSizeGrip>

#include <cmath>

namespace tavilo {

namespace {

// Padding of the content inside the panel: room for the control bar above, the edge below.
constexpr int kContentLeft = 18, kContentRight = 18, kContentTop = 58, kContentBottom = 16;
constexpr int kFloatingContentTop = 44;
constexpr double kFloatingCorner = 14;

Qt::WindowFlags panelWindowFlags(NotchPanel::Surface surface)
{
    const Qt::WindowFlags common = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    // Bypassing the window manager keeps the notch panel above the desktop's top bar and on
    // every virtual desktop; it also means no decoration and no focus stealing. The floating
    // panel stays managed, so it can be moved between desktops like any window.
    if (surface == NotchPanel::Surface::notch)
        return common | Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint;
    return common;
}

bool isOutlineOnly(const CueScript& outline)
{
    return outline.hasStructure && cue::trimWhitespaceAndNewlines(outline.spokenOnly).empty();
}

// A number over a dark veil while the countdown runs.
class CountdownCover final : public QWidget {
public:
    CountdownCover(const PrompterModel& model, bool rounded, QWidget* parent)
        : QWidget(parent)
        , m_model(model)
        , m_rounded(rounded)
    {
        m_subscriptions += m_model.countdownRemaining.observeChanges([this](int64_t) { update(); });
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath veil;
        if (m_rounded)
            veil.addRoundedRect(QRectF(rect()), kFloatingCorner, kFloatingCorner);
        else
            veil = NotchShape {}.path(rect());
        painter.fillPath(veil, QColor(0, 0, 0, static_cast<int>(0.92 * 255)));
        painter.setFont(roundedUiFont(42, QFont::Bold));
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, QString::number(m_model.countdownRemaining()));
    }

private:
    const PrompterModel& m_model;
    bool m_rounded;
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

NotchPanel::NotchPanel(AppDelegate& delegate, Surface surface)
    : QWidget(nullptr, panelWindowFlags(surface))
    , m_delegate(delegate)
    , m_surface(surface)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Tavilo"));
    if (surface == Surface::floating) {
        setMinimumSize(320, 160);
        setMaximumSize(2200, 1400);
        auto* grip = new QSizeGrip(this);
        grip->setStyleSheet(QStringLiteral("background: transparent;"));
        m_grip = grip;
    }

    PrompterModel& model = delegate.model();
    m_badge = new TimerBadge(model, delegate.runTimer(), delegate.localization(), this);
    m_badge->anchorBottomRight(16, 12);
    m_countdown = new CountdownCover(model, surface == Surface::floating, this);
    m_countdown->hide();

    auto contentMayChange = [this](const auto&) { updateContent(); };
    m_subscriptions += model.readingMode.observeChanges(contentMayChange);
    m_subscriptions += model.miniPrompterEnabled.observeChanges(contentMayChange);
    m_subscriptions += model.cueScript.observeChanges(contentMayChange);
    m_subscriptions += model.fontSize.observeChanges([this](double) {
        applyFontSize();
        place();
    });
    m_subscriptions += model.adaptiveFontSize.observeChanges([this](bool) { applyFontSize(); });
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
    if (surface == Surface::floating)
        placeFloatingOnce();
}

double NotchPanel::contentFontSize() const
{
    const PrompterModel& model = m_delegate.model();
    if (m_surface == Surface::notch || !model.adaptiveFontSize())
        return model.fontSize();
    const double fitted = width() / 20.0;
    return std::isnan(fitted) ? 14.0 : std::clamp(fitted, 14.0, 64.0);
}

void NotchPanel::applyFontSize()
{
    const double points = contentFontSize();
    if (auto* scrolling = dynamic_cast<ScrollingTextView*>(m_content)) {
        if (m_surface == Surface::floating)
            scrolling->scroller().setFixedFontSize(points);
        else
            scrolling->scroller().followModelFontSize();
    }
    if (auto* mini = dynamic_cast<MiniPrompterView*>(m_content))
        mini->setFontSize(points);
    if (auto* card = dynamic_cast<CueCardWidget*>(m_content))
        card->setFontSize(points);
}

NotchPanel::~NotchPanel() = default;

NotchPanel::Content NotchPanel::wantedContent() const
{
    const PrompterModel& model = m_delegate.model();
    if (model.readingMode() == ReadingMode::cue)
        return Content::cueCard;
    if (model.miniPrompterEnabled() && m_surface == Surface::notch)
        return Content::miniPrompter;
    if (isOutlineOnly(model.cueScript()))
        return Content::cueEnterHint;
    return Content::scrolling;
}

void NotchPanel::showEvent(QShowEvent*)
{
    updateContent();
}

void NotchPanel::hideEvent(QHideEvent* event)
{
    // A hidden panel keeps no content: its scroller or mini prompter would otherwise go on
    // timing the run, report its end and save its phase over the shown panel's. Shown again,
    // the content starts from the phase saved at the last pause.
    if (event->spontaneous())
        return;
    delete m_content;
    m_content = nullptr;
    m_contentKind = Content::none;
}

void NotchPanel::updateContent()
{
    if (!isVisible())
        return;
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
        applyFontSize();
        m_content->show();
        m_content->lower();
    }
    if (m_surface == Surface::notch && previous != Content::none && (previous == Content::cueCard || wanted == Content::cueCard
            || previous == Content::miniPrompter || wanted == Content::miniPrompter))
        place(); // these contents change the panel's height
}

QRect NotchPanel::contentRect() const
{
    const int top = m_surface == Surface::notch ? kContentTop : kFloatingContentTop;
    return rect().adjusted(kContentLeft, top, -kContentRight, -kContentBottom);
}

void NotchPanel::placeFloatingOnce()
{
    const PrompterModel& model = m_delegate.model();
    const int w = static_cast<int>(std::lround(std::max(model.floatingWidth(), 320.0)));
    const int h = static_cast<int>(std::lround(std::max(model.floatingHeight(), 160.0)));
    QPoint origin(200, 200);
    if (std::isfinite(model.floatingOriginX()) && std::isfinite(model.floatingOriginY())) {
        origin = QPoint(static_cast<int>(std::lround(model.floatingOriginX())),
            static_cast<int>(std::lround(model.floatingOriginY())));
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect visible = screen->availableGeometry();
        origin = QPoint(static_cast<int>(std::lround(visible.center().x() + 0.5 - w * 0.5)),
            static_cast<int>(std::lround(visible.center().y() + 0.5 - h * 0.5)));
    }
    // Our own placement is not the user's move: keep it out of the settings.
    m_suppressPersist = true;
    setGeometry(origin.x(), origin.y(), w, h);
    m_suppressPersist = false;
}

void NotchPanel::persistFloatingFrame()
{
    if (m_surface != Surface::floating || m_suppressPersist || !isVisible())
        return;
    PrompterModel& model = m_delegate.model();
    const QRect frame = geometry();
    model.floatingWidth = frame.width();
    model.floatingHeight = frame.height();
    model.floatingOriginX = frame.x();
    model.floatingOriginY = frame.y();
}

void NotchPanel::moveEvent(QMoveEvent*)
{
    persistFloatingFrame();
}

void NotchPanel::mousePressEvent(QMouseEvent* event)
{
    if (m_surface == Surface::floating && event->button() == Qt::LeftButton)
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void NotchPanel::mouseMoveEvent(QMouseEvent* event)
{
    // The floating card is moved by dragging its background.
    if (m_surface == Surface::floating && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - m_dragOffset);
}

void NotchPanel::place()
{
    if (m_surface == Surface::floating)
        return;
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
    if (m_grip)
        m_grip->setGeometry(width() - 16, height() - 16, 16, 16);
    if (m_surface == Surface::floating) {
        applyFontSize();
        persistFloatingFrame();
    }
}

void NotchPanel::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    // Each frame of moving text repaints only the content, which lies wholly inside the
    // outline where the fill is one flat colour: put that colour down as a plain fill instead
    // of rasterising the outline again.
    if (contentRect().contains(event->rect())) {
        const double opacity = m_surface == Surface::floating ? 0.92 : std::clamp(m_delegate.model().backgroundOpacity(), 0.0, 1.0);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(event->rect(), QColor(0, 0, 0, static_cast<int>(std::lround(opacity * 255))));
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (m_surface == Surface::floating) {
        // The floating card keeps its own opacity whatever the panel background setting says.
        const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setBrush(QColor(0, 0, 0, static_cast<int>(0.92 * 255)));
        QColor edge(Qt::white);
        edge.setAlphaF(0.08f);
        painter.setPen(QPen(edge, 1));
        painter.drawRoundedRect(card, kFloatingCorner, kFloatingCorner);
        if (!m_reportedFirstPaint) {
            m_reportedFirstPaint = true;
            StartupTrace::firstPanelFramePainted();
        }
        return;
    }
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
