#pragma once

#include "base/Subscription.h"
#include "core/PrompterScroller.h"

#include <QFont>
#include <QImage>
#include <QString>
#include <QTextLine>
#include <QWidget>

#include <memory>
#include <vector>

class QTextLayout;

namespace tavilo {

class LocalizationManager;
class PrompterModel;

// The script moving up through the prompter panel: copies of the text 24 points apart, faded
// towards both edges under a dark scrim, or the empty-script hint. The text is laid out once
// per text, width and font size, and drawn once into tiles as it comes into view; a frame only
// copies the rows in view from the tiles at a new offset, fading the edge rows on the way, so
// it costs the same however long the script is and never draws a glyph again for text already
// seen. Timing belongs to its PrompterScroller, which asks for a redraw when
// the picture changes.
//
// Transparent: it draws no background of its own, so it sits on the panel's fill. Create one
// per shown content (it starts from the phase saved at the last pause when a session has
// started), put it in the content rectangle, and show it.
class ScrollingTextView final : public QWidget, private ScrollDisplay {
public:
    ScrollingTextView(PrompterModel& model, const LocalizationManager& localization, QWidget* parent = nullptr);
    ~ScrollingTextView() override;

    PrompterScroller& scroller() { return *m_scroller; }
    const PrompterScroller& scroller() const { return *m_scroller; }

    // One copy's height as last laid out, in points.
    double measuredContentHeight() const { return m_contentHeight; }

    // The system monospaced font at a size in points (logical pixels).
    static QFont prompterFont(double points);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct Line {
        double top; // within one copy
        double bottom;
        double paragraphTop;
        QTextLine line;
    };

    void scrollContentChanged() override;
    void scrollFrameChanged() override;

    void layOutText();
    // Draws, in the coordinates of one copy, every line that reaches into [top, bottom).
    void drawLinesInCopy(QPainter& painter, double top, double bottom) const;
    // Tile `index` of one copy's text at the current device scale, drawn on first use.
    const QImage& tile(int index);
    void paintCopies(QPainter& painter);
    void paintHint(QPainter& painter);
    void paintScrim(QPainter& painter);

    const LocalizationManager& m_localization;
    std::unique_ptr<PrompterScroller> m_scroller;

    QString m_hint;
    std::vector<std::unique_ptr<QTextLayout>> m_paragraphs;
    std::vector<Line> m_lines;
    double m_contentHeight = 0;
    int m_laidOutWidth = -1;
    bool m_layoutDirty = true;

    // One copy of the text, white on clear, in horizontal strips of kTileRows device pixels;
    // kept for the few strips around the view and dropped on any new layout or device scale.
    static constexpr int kTileRows = 256;
    struct Tile {
        int index;
        QImage pixels;
        uint64_t lastUsed;
    };
    std::vector<Tile> m_tiles;
    double m_tileScale = 0;
    uint64_t m_frameNumber = 0;

    SubscriptionBag m_subscriptions;
};

} // namespace tavilo
