#include "TimerBadge.h"

#include "UiFont.h"
#include "core/PrompterModel.h"
#include "core/TimerEngine.h"
#include "strings/LocalizationManager.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tavilo {

namespace {

constexpr double kSpacing = 5;
constexpr double kPaddingH = 9;
constexpr double kPaddingV = 4;
constexpr double kIconSide = 10; // a 9-point symbol's box

// Linux desktops offer no haptic feedback; the badge still decides when a tap is due.
void performGenericHaptic() { }

// Digits set in cells of one width, so the clock does not shift as it counts (the interface
// fonts' own figures are not reliably tabular, and Qt 6.4 cannot ask for the feature).
double digitCell(const QFontMetricsF& metrics)
{
    double widest = 0;
    for (char c = '0'; c <= '9'; ++c)
        widest = std::max(widest, metrics.horizontalAdvance(QChar(c)));
    return widest;
}

double tabularWidth(const QString& text, const QFontMetricsF& metrics)
{
    const double cell = digitCell(metrics);
    double width = 0;
    for (QChar c : text)
        width += c.isDigit() ? cell : metrics.horizontalAdvance(c);
    return width;
}

void drawTabular(QPainter& painter, QPointF baseline, const QString& text, const QFontMetricsF& metrics)
{
    const double cell = digitCell(metrics);
    double x = baseline.x();
    for (QChar c : text) {
        const double advance = metrics.horizontalAdvance(c);
        if (c.isDigit()) {
            painter.drawText(QPointF(x + (cell - advance) / 2, baseline.y()), QString(c));
            x += cell;
        } else {
            painter.drawText(QPointF(x, baseline.y()), QString(c));
            x += advance;
        }
    }
}

// Small line drawings standing in for the stopwatch, timer and hourglass symbols.
void drawIcon(QPainter& painter, TimerMode mode, const QRectF& box, const QColor& colour)
{
    QPen pen(colour, 1.2);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const double s = box.width();
    switch (mode) {
    case TimerMode::countUp: {
        const QPointF centre(box.center().x(), box.top() + s * 0.58);
        const double r = s * 0.38;
        painter.drawEllipse(centre, r, r);
        painter.drawLine(QPointF(centre.x() - s * 0.12, box.top() + s * 0.05), QPointF(centre.x() + s * 0.12, box.top() + s * 0.05));
        painter.drawLine(QPointF(centre.x(), box.top() + s * 0.05), QPointF(centre.x(), centre.y() - r));
        painter.drawLine(centre, QPointF(centre.x(), centre.y() - r * 0.6));
        break;
    }
    case TimerMode::countDown: {
        const QPointF centre = box.center();
        const double r = s * 0.44;
        const QRectF circle(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
        painter.drawArc(circle, 105 * 16, -330 * 16); // open at the top, as a dial's wind-up mark
        painter.drawLine(QPointF(centre.x(), circle.top()), QPointF(centre.x(), circle.top() + r * 0.45));
        painter.drawLine(centre, QPointF(centre.x() + r * 0.45, centre.y() - r * 0.45));
        break;
    }
    case TimerMode::remaining: {
        const double left = box.left() + s * 0.2, right = box.right() - s * 0.2;
        const double top = box.top() + s * 0.06, bottom = box.bottom() - s * 0.06;
        const double mid = box.center().y();
        painter.drawLine(QPointF(left - s * 0.06, top), QPointF(right + s * 0.06, top));
        painter.drawLine(QPointF(left - s * 0.06, bottom), QPointF(right + s * 0.06, bottom));
        QPainterPath glass;
        glass.moveTo(left, top);
        glass.lineTo(right, top);
        glass.lineTo(box.center().x() + s * 0.05, mid);
        glass.lineTo(right, bottom);
        glass.lineTo(left, bottom);
        glass.lineTo(box.center().x() - s * 0.05, mid);
        glass.closeSubpath();
        painter.drawPath(glass);
        break;
    }
    case TimerMode::off:
        break;
    }
}

struct BadgeLayout {
    QRectF icon;
    QPointF textBaseline;
    QPointF reachedBaseline;
    QSizeF size;
};

BadgeLayout layOut(const QString& text, const QString& reached, bool showReached, const QFont& textFont,
    const QFont& reachedFont)
{
    const QFontMetricsF textMetrics(textFont);
    const QFontMetricsF reachedMetrics(reachedFont);
    const double textWidth = tabularWidth(text, textMetrics);
    const double reachedWidth = showReached ? reachedMetrics.horizontalAdvance(reached) : 0;
    double contentHeight = std::max(kIconSide, textMetrics.height());
    if (showReached)
        contentHeight = std::max(contentHeight, reachedMetrics.height());

    BadgeLayout layout;
    double x = kPaddingH;
    const double midY = kPaddingV + contentHeight / 2;
    layout.icon = QRectF(x, midY - kIconSide / 2, kIconSide, kIconSide);
    x += kIconSide + kSpacing;
    // Each line of text centred on the row: its box is ascent + descent tall.
    layout.textBaseline = QPointF(x, midY + (textMetrics.ascent() - textMetrics.descent()) / 2);
    x += textWidth;
    if (showReached) {
        x += kSpacing;
        layout.reachedBaseline = QPointF(x, midY + (reachedMetrics.ascent() - reachedMetrics.descent()) / 2);
        x += reachedWidth;
    }
    layout.size = QSizeF(x + kPaddingH, contentHeight + 2 * kPaddingV);
    return layout;
}

} // namespace

TimerBadge::TimerBadge(const PrompterModel& model, const TimerEngine& timer, const LocalizationManager& localization,
    QWidget* parent)
    : QWidget(parent)
    , m_localization(localization)
    , m_state(model, timer, performGenericHaptic)
    , m_iconFont(systemUiFont(9, QFont::DemiBold))
    , m_textFont(roundedUiFont(12, QFont::DemiBold))
    , m_reachedFont(systemUiFont(10, QFont::Bold))
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);

    m_subscriptions += m_localization.language().observe([this](AppLanguage) {
        m_reachedText = QString::fromStdString(m_localization.text(LK::timerReachedTarget));
        contentChanged();
    });
    m_subscriptions += m_state.content().observe([this](const TimerBadgeContent&) { contentChanged(); });
}

void TimerBadge::contentChanged()
{
    const TimerBadgeContent& next = m_state.content().get();
    const bool sizeMayChange = next.text.size() != m_content.text.size() || next.targetPassed != m_content.targetPassed
        || next.mode != m_content.mode;
    m_content = next;
    m_text = QString::fromStdString(m_content.text);
    if (sizeMayChange || size() != sizeHint()) {
        updateGeometry();
        resize(sizeHint());
        place();
    }
    applyVisibility();
    update();
}

QSize TimerBadge::sizeHint() const
{
    const QSizeF size = layOut(m_text, m_reachedText, m_content.targetPassed, m_textFont, m_reachedFont).size;
    return QSize(static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height())));
}

void TimerBadge::anchorBottomRight(int right, int bottom)
{
    m_anchored = true;
    m_anchorRight = right;
    m_anchorBottom = bottom;
    if (parentWidget())
        parentWidget()->installEventFilter(this);
    place();
}

void TimerBadge::place()
{
    if (!m_anchored || !parentWidget())
        return;
    const QSize parentSize = parentWidget()->size();
    move(parentSize.width() - m_anchorRight - width(), parentSize.height() - m_anchorBottom - height());
}

void TimerBadge::applyVisibility()
{
    // Without a parent, showing would open a window of its own.
    if (parentWidget())
        setVisible(m_content.visible);
}

bool TimerBadge::event(QEvent* event)
{
    if (event->type() == QEvent::ParentAboutToChange && parentWidget())
        parentWidget()->removeEventFilter(this);
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ParentChange) {
        if (m_anchored && parentWidget())
            parentWidget()->installEventFilter(this);
        place();
        applyVisibility();
    }
    return handled;
}

bool TimerBadge::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        place();
    return QWidget::eventFilter(watched, event);
}

void TimerBadge::paintEvent(QPaintEvent*)
{
    if (m_content.mode == TimerMode::off)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool passed = m_content.targetPassed;
    const BadgeLayout layout = layOut(m_text, m_reachedText, passed, m_textFont, m_reachedFont);

    // The capsule, its 1-point outline drawn inside the edge.
    const QRectF capsule(QPointF(0, 0), layout.size);
    const double radius = capsule.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(passed ? QColor::fromRgbF(1.0, 59 / 255.0, 48 / 255.0, 0.42) : QColor::fromRgbF(0, 0, 0, 0.62));
    painter.drawRoundedRect(capsule, radius, radius);
    const QRectF outline = capsule.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, passed ? 0.30 : 0.14), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outline, outline.height() / 2, outline.height() / 2);

    const QColor foreground = QColor::fromRgbF(1, 1, 1, passed ? 1.0 : 0.92);
    drawIcon(painter, m_content.mode, layout.icon, foreground);
    painter.setPen(foreground);
    painter.setFont(m_textFont);
    drawTabular(painter, layout.textBaseline, m_text, QFontMetricsF(m_textFont));
    if (passed) {
        painter.setFont(m_reachedFont);
        painter.drawText(layout.reachedBaseline, m_reachedText);
    }
}

} // namespace tavilo
