// The scrolling view drawn offscreen: measurement, translation per frame, edge fade, hint.

#include "core/ModelWorld.h"
#include "ui/ScrollingTextView.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace tavilo;

// Qt keeps its font engines, and fontconfig and FreeType their caches, for the life of the
// process and never frees them; the leak checker is told so. Nothing of ours is listed. The
// system libraries have no frame pointers, so only the slow unwinder sees the Qt frames the
// list names.
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libfreetype.so\n"
           "leak:libharfbuzz.so\n"
           "leak:QFontEngine\n"
           "leak:QFontCache\n"
           "leak:QFontDatabase\n"
           "leak:QFontconfigDatabase\n"
           "leak:QFreetypeFace\n";
}

namespace {

class ScrollingTextViewTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "scroll_view_tests";
        static char* argv[] = { name, nullptr };
        static QApplication app(argc, argv);
    }

    ModelWorld w;
    std::unique_ptr<QWidget> panel;
    ScrollingTextView* view = nullptr;

    // A black panel with the view filling it, shown so the view appears.
    void show(const std::string& script, QSize size = QSize(400, 100))
    {
        w.model.countdownBehavior = CountdownBehavior::never;
        w.model.script = script;
        panel = std::make_unique<QWidget>();
        panel->setAttribute(Qt::WA_StyledBackground);
        panel->setStyleSheet(QStringLiteral("background: black"));
        panel->resize(size);
        view = new ScrollingTextView(w.model, w.localization, panel.get());
        view->setGeometry(QRect(QPoint(0, 0), size));
        panel->show();
    }

    QImage grab() const
    {
        QImage image(panel->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        panel->render(&image);
        return image;
    }

    static int rowBrightness(const QImage& image, int y)
    {
        int best = 0;
        for (int x = 0; x < image.width(); ++x)
            best = std::max(best, qGray(image.pixel(x, y)));
        return best;
    }

    // The first row, from the top, that has a nearly white pixel.
    static int firstBrightRow(const QImage& image)
    {
        for (int y = 0; y < image.height(); ++y) {
            if (rowBrightness(image, y) > 200)
                return y;
        }
        return -1;
    }

    double lineHeight() const
    {
        QFontMetricsF metrics(ScrollingTextView::prompterFont(w.model.fontSize()));
        return metrics.ascent() + metrics.descent() + std::max(0.0, metrics.leading());
    }
};

TEST_F(ScrollingTextViewTest, MeasuresOneCopyAtItsWidthAndFont)
{
    show("one");
    const double line = view->measuredContentHeight();
    EXPECT_NEAR(line, lineHeight(), 1.0);
    w.model.script = "one\ntwo\n\nfour"; // an empty paragraph is a line too
    EXPECT_DOUBLE_EQ(view->measuredContentHeight(), 4 * line);
    EXPECT_DOUBLE_EQ(view->scroller().engine().contentHeight(), view->measuredContentHeight());
    EXPECT_TRUE(view->scroller().engine().hasMeasuredContentHeight());

    // A narrower view wraps the words onto more lines; a larger font makes taller lines.
    const double wide = view->measuredContentHeight();
    w.model.script = std::string(40, 'x') + " " + std::string(40, 'y');
    const double oneWideLine = view->measuredContentHeight();
    view->resize(200, 100);
    EXPECT_GT(view->measuredContentHeight(), oneWideLine);
    w.model.fontSize = 30;
    EXPECT_GT(view->scroller().engine().contentHeight(), oneWideLine);
    EXPECT_GT(wide, 0);
}

TEST_F(ScrollingTextViewTest, TheFirstLineStartsLeadInBelowTheTop)
{
    show("first line\nsecond line\nthird line");
    // 22.4 points in a 100-point view.
    EXPECT_NEAR(firstBrightRow(grab()), 22.4, lineHeight());
}

// Between the fades the picture is the text as drawn directly, also where the text is cut
// into strips; a step moves the same picture up by as many rows.
class ScrollingTextViewStep : public ScrollingTextViewTest, public testing::WithParamInterface<double> {};

TEST_P(ScrollingTextViewStep, ShowsTheTextAsDrawnAndOnlyTranslatesIt)
{
    constexpr int lineCount = 40;
    std::vector<QString> lines;
    std::string script;
    for (int i = 0; i < lineCount; ++i) {
        lines.push_back(QStringLiteral("line %1 of the script").arg(i));
        script += lines.back().toStdString() + "\n";
    }
    show(script);
    w.model.manualScroll(GetParam());
    const QImage before = grab();

    // The same lines drawn straight onto black, the first one where the view put it.
    QImage reference(before.size(), QImage::Format_ARGB32_Premultiplied);
    reference.fill(Qt::black);
    {
        QPainter painter(&reference);
        painter.setPen(Qt::white);
        const double pitch = view->measuredContentHeight() / (lineCount + 1); // and the empty last line
        const double top = std::round(view->scroller().verticalOffset());
        for (int i = 0; i < lineCount; ++i) {
            QTextLayout layout(lines[static_cast<size_t>(i)], ScrollingTextView::prompterFont(w.model.fontSize()));
            layout.beginLayout();
            QTextLine line = layout.createLine();
            line.setLineWidth(view->width());
            line.setLeadingIncluded(true);
            layout.endLayout();
            layout.draw(&painter, QPointF(0, top + i * pitch));
        }
    }

    w.model.manualScroll(12);
    const QImage moved = grab();
    int ink = 0;
    for (int y = 24; y < 76; ++y) {
        ink += rowBrightness(before, y);
        for (int x = 0; x < before.width(); ++x) {
            ASSERT_EQ(before.pixel(x, y), reference.pixel(x, y)) << "row " << y << ", column " << x;
            if (y >= 32) {
                ASSERT_EQ(moved.pixel(x, y - 12), before.pixel(x, y)) << "row " << y << ", column " << x;
            }
        }
    }
    EXPECT_GT(ink, 0);
}

// 229 puts the edge of the first 256-row strip at row 49 of the view.
INSTANTIATE_TEST_SUITE_P(Steps, ScrollingTextViewStep, testing::Values(0.0, 229.0));

TEST_F(ScrollingTextViewTest, TextFadesTowardsBothEdges)
{
    std::string script;
    for (int i = 0; i < 40; ++i)
        script += "MMMMMMMMMMMMMMMMMMMMMMMMMMMM\n";
    show(script, QSize(400, 200));
    w.model.manualScroll(200); // the text fills the whole view
    const QImage image = grab();
    int middle = 0;
    for (int y = 80; y < 120; ++y)
        middle = std::max(middle, rowBrightness(image, y));
    int topEdge = 0, bottomEdge = 0;
    for (int y = 0; y < 4; ++y) {
        topEdge = std::max(topEdge, rowBrightness(image, y));
        bottomEdge = std::max(bottomEdge, rowBrightness(image, 199 - y));
    }
    EXPECT_GT(middle, 240);
    EXPECT_LT(topEdge, 20);
    EXPECT_LT(bottomEdge, 20);
}

TEST_F(ScrollingTextViewTest, BlankScriptShowsTheHintCentred)
{
    show("   \n  ");
    EXPECT_FALSE(view->scroller().hasText());
    const QImage image = grab();
    int brightest = 0, top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const int b = rowBrightness(image, y);
        brightest = std::max(brightest, b);
        if (b > 60) {
            bottom = y;
            if (top < 0)
                top = y;
        }
    }
    ASSERT_GE(top, 0);
    // White at 75 %, about as far from the top as from the bottom.
    EXPECT_LE(brightest, 195);
    EXPECT_GT(brightest, 150);
    EXPECT_NEAR(top, image.height() - 1 - bottom, 6);
}

} // namespace
