#include "ScrollingTextView.h"

#include "strings/LocalizationManager.h"

#include <QFontDatabase>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <utility>

namespace tavilo {

namespace {

double clampFade(double fraction)
{
    if (fraction <= 0)
        return 0;
    return std::min(fraction, 0.49);
}

} // namespace

ScrollingTextView::ScrollingTextView(PrompterModel& model, const LocalizationManager& localization, QWidget* parent)
    : QWidget(parent)
    , m_localization(localization)
    , m_scroller(std::make_unique<PrompterScroller>(model, static_cast<ScrollDisplay&>(*this)))
{
    // The panel's own fill shows through; the text never takes the keyboard.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);

    m_subscriptions += m_localization.language().observe([this](AppLanguage) {
        m_hint = QString::fromStdString(m_localization.text(LK::scrollEmpty));
        update();
    });
}

ScrollingTextView::~ScrollingTextView()
{
    m_subscriptions.cancelAll();
    m_scroller.reset(); // before the layouts it reads
}

QFont ScrollingTextView::prompterFont(double points)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // Points on the panel are logical pixels, as in the rest of the prompter's geometry.
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(points))));
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    return font;
}

// ---- Layout and measurement -----------------------------------------------------------

void ScrollingTextView::scrollContentChanged()
{
    m_layoutDirty = true;
    if (m_scroller->hasAppeared()) {
        layOutText();
        update();
    }
}

void ScrollingTextView::scrollFrameChanged()
{
    update();
}

void ScrollingTextView::layOutText()
{
    m_layoutDirty = false;
    m_laidOutWidth = width();
    m_lines.clear();
    m_paragraphs.clear();
    m_tiles.clear();
    m_contentHeight = 0;

    if (m_scroller->hasText() && width() > 0) {
        const QFont font = prompterFont(m_scroller->fontSize());
        QTextOption option(Qt::AlignLeft);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        const double lineWidth = width();

        // One layout per paragraph: a change of one line width re-wraps paragraphs
        // independently, and no layout holds the whole script as one item run.
        const QStringList paragraphs = QString::fromStdString(m_scroller->text()).split(QLatin1Char('\n'));
        m_paragraphs.reserve(paragraphs.size());
        double y = 0;
        for (const QString& text : paragraphs) {
            auto layout = std::make_unique<QTextLayout>(text, font);
            layout->setTextOption(option);
            // Keeps the shaped glyphs, so drawing a line again does not shape it again.
            layout->setCacheEnabled(true);
            const double paragraphTop = y;
            double inParagraph = 0;
            layout->beginLayout();
            for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
                line.setLineWidth(lineWidth);
                line.setLeadingIncluded(true);
                line.setPosition(QPointF(0, inParagraph));
                m_lines.push_back(Line { paragraphTop + inParagraph, paragraphTop + inParagraph + line.height(),
                    paragraphTop, line });
                inParagraph += line.height();
            }
            layout->endLayout();
            y += inParagraph;
            m_paragraphs.push_back(std::move(layout));
        }
        m_contentHeight = y;
    }
    m_scroller->setMeasuredContentHeight(m_contentHeight);
}

void ScrollingTextView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_scroller->hasAppeared())
        return;
    layOutText();
    m_scroller->viewAppeared(height());
}

void ScrollingTextView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!m_scroller->hasAppeared())
        return;
    if (event->size().width() != m_laidOutWidth || m_layoutDirty)
        layOutText();
    if (event->size().height() != event->oldSize().height())
        m_scroller->setViewportHeight(height());
}

// ---- Drawing --------------------------------------------------------------------------

void ScrollingTextView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_scroller->hasText())
        paintCopies(painter);
    else
        paintHint(painter);
    paintScrim(painter);
}

void ScrollingTextView::drawLinesInCopy(QPainter& painter, double top, double bottom) const
{
    // The first line whose bottom is below `top`, then down to `bottom`.
    auto it = std::upper_bound(
        m_lines.begin(), m_lines.end(), top, [](double y, const Line& line) { return y < line.bottom; });
    for (; it != m_lines.end() && it->top < bottom; ++it)
        it->line.draw(&painter, QPointF(0, it->paragraphTop));
}

const QImage& ScrollingTextView::tile(int index)
{
    for (Tile& t : m_tiles) {
        if (t.index == index) {
            t.lastUsed = m_frameNumber;
            return t.pixels;
        }
    }
    // The strips one frame needs: those spanning the view, one more at each boundary between
    // copies in view (copies of a short text share theirs), and a spare for the next frame.
    const double stripsInView = std::ceil(height() * m_tileScale / kTileRows) + 1;
    const double copiesInView = std::min<double>(m_scroller->copies(), std::ceil(height() / m_scroller->cycle()) + 1);
    const size_t capacity = static_cast<size_t>(stripsInView + copiesInView) + 1;
    if (m_tiles.size() >= capacity) {
        auto oldest = std::min_element(m_tiles.begin(), m_tiles.end(),
            [](const Tile& a, const Tile& b) { return a.lastUsed < b.lastUsed; });
        m_tiles.erase(oldest);
    }

    const double tileHeight = kTileRows / m_tileScale;
    QImage pixels(static_cast<int>(std::ceil(width() * m_tileScale)), kTileRows, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::transparent);
    pixels.setDevicePixelRatio(m_tileScale);
    {
        QPainter painter(&pixels);
        painter.setPen(Qt::white);
        painter.translate(0, -index * tileHeight);
        drawLinesInCopy(painter, index * tileHeight, (index + 1) * tileHeight);
    }
    m_tiles.push_back(Tile { index, std::move(pixels), m_frameNumber });
    return m_tiles.back().pixels;
}

namespace {

// The edge fade as a function of the height fraction t: the mask's stops, joined linearly.
double maskOpacity(double t, double a)
{
    if (a <= 0)
        return 1;
    static constexpr struct {
        double at; // in units of a, from the nearer edge
        double opacity;
    } stops[] = { { 0, 0 }, { 0.28, 0.25 }, { 0.68, 0.75 }, { 1, 1 } };
    const double fromEdge = std::min(t, 1 - t) / a;
    if (fromEdge <= 0)
        return 0;
    if (fromEdge >= 1)
        return 1;
    for (size_t i = 1; i < std::size(stops); ++i) {
        if (fromEdge <= stops[i].at) {
            const double f = (fromEdge - stops[i - 1].at) / (stops[i].at - stops[i - 1].at);
            return stops[i - 1].opacity + f * (stops[i].opacity - stops[i - 1].opacity);
        }
    }
    return 1;
}

} // namespace

void ScrollingTextView::paintCopies(QPainter& painter)
{
    if (m_lines.empty())
        return;
    ++m_frameNumber;

    // Tiles are drawn at the device's scale, so putting their rows on the view copies pixels.
    const double deviceScale = std::abs(painter.deviceTransform().m22());
    const double scale = deviceScale > 0 ? deviceScale : 1.0;
    if (scale != m_tileScale) {
        m_tiles.clear();
        m_tileScale = scale;
    }

    const double h = height();
    const double a = clampFade(m_scroller->fadeFraction());
    const int rows = static_cast<int>(std::ceil(h * scale));
    // Device rows [0, topFade) and [bottomFade, rows) lie in the edge fades; the rest is opaque.
    const int topFade = std::min(rows, static_cast<int>(std::ceil(a * h * scale)));
    const int bottomFade = std::max(topFade, static_cast<int>(std::floor((1 - a) * h * scale)));
    const long contentRows = std::lround(std::ceil(m_contentHeight * scale));
    const double offset = m_scroller->verticalOffset();
    const double cycle = m_scroller->cycle();
    const int copies = m_scroller->copies();

    // Puts device rows [from, to) of the copy whose first row is `top` onto the view.
    auto blit = [&](long top, int from, int to) {
        for (int row = from; row < to;) {
            const long inCopy = row - top;
            const int index = static_cast<int>(inCopy / kTileRows);
            const int inTile = static_cast<int>(inCopy % kTileRows);
            const int count = std::min(to - row, kTileRows - inTile);
            const QImage& strip = tile(index);
            painter.drawImage(QPointF(0, row / scale), strip, QRectF(0, inTile, strip.width(), count));
            row += count;
        }
    };

    for (int i = 0; i < copies; ++i) {
        // Whole device pixels, as a glyph's position is rounded when drawn directly.
        const long top = std::lround((offset + i * cycle) * scale);
        const int first = static_cast<int>(std::clamp<long>(top, 0, rows));
        const int last = static_cast<int>(std::clamp<long>(top + contentRows, 0, rows));
        if (first >= last)
            continue;
        blit(top, std::max(first, topFade), std::min(last, bottomFade));
        // In the fades the mask's opacity changes from row to row: each row goes on with its
        // own opacity, which for white text is exactly the masked result.
        const std::pair<int, int> fades[] = { { first, std::min(last, topFade) }, { std::max(first, bottomFade), last } };
        for (const auto& [from, to] : fades) {
            for (int row = from; row < to; ++row) {
                const double opacity = maskOpacity((row + 0.5) / scale / h, a);
                if (opacity <= 0)
                    continue;
                painter.setOpacity(opacity);
                blit(top, row, row + 1);
            }
        }
        painter.setOpacity(1);
    }
}

void ScrollingTextView::paintHint(QPainter& painter)
{
    painter.setFont(prompterFont(std::max(m_scroller->fontSize() * 0.72, 13.0)));
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.75f));
    painter.drawText(QRectF(rect()).adjusted(12, 0, -12, 0), Qt::AlignCenter | Qt::TextWordWrap, m_hint);
}

void ScrollingTextView::paintScrim(QPainter& painter)
{
    const double opacity = m_scroller->backgroundOpacity() * 0.9;
    if (opacity <= 0)
        return;
    const double w = width();
    const double h = height();
    const double band = std::max(h * clampFade(m_scroller->fadeFraction()) * 0.9, 8.0);
    const QColor dark = QColor::fromRgbF(0, 0, 0, static_cast<float>(std::min(opacity, 1.0)));
    const QColor clear = QColor::fromRgbF(0, 0, 0, 0);

    QLinearGradient top(0, 0, 0, band);
    top.setColorAt(0, dark);
    top.setColorAt(1, clear);
    painter.fillRect(QRectF(0, 0, w, band), top);

    QLinearGradient bottom(0, h - band, 0, h);
    bottom.setColorAt(0, clear);
    bottom.setColorAt(1, dark);
    painter.fillRect(QRectF(0, h - band, w, band), bottom);
}

} // namespace tavilo
