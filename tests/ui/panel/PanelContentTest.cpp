// The two prompter panels offscreen: content follows the model, and only a shown panel has any.

#include "app/AppDelegate.h"
#include "base/ManualLoop.h"
#include "ui/NotchPanel.h"

#include "TempDir.h"

#include <QApplication>

#include <gtest/gtest.h>

using namespace tavilo;

extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

// Qt, fontconfig and FreeType keep their font caches for the life of the process.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\nleak:libfreetype.so\nleak:libharfbuzz.so\nleak:QFontEngine\nleak:QFontCache\n"
           "leak:QFontDatabase\nleak:QFontconfigDatabase\nleak:QFreetypeFace\n";
}

namespace {

class PanelContentTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "panel_tests";
        static char* argv[] = { name, nullptr };
        static QApplication app(argc, argv);
    }

    TempDir home;
    ManualLoop loop;
    PreferencesStore store;
    NotificationCenter notifications;
    AppDelegate app { loop, store, notifications, AppPaths::underRoot(home.path()) };
    NotchPanel notch { app, NotchPanel::Surface::notch };
    NotchPanel floating { app, NotchPanel::Surface::floating };
};

} // namespace

TEST_F(PanelContentTest, ContentFollowsTheModelInItsOrder)
{
    PrompterModel& model = app.model();
    model.script = "Plain words to read.";
    notch.show();
    EXPECT_EQ(notch.content(), NotchPanel::Content::scrolling);
    model.miniPrompterEnabled = true;
    EXPECT_EQ(notch.content(), NotchPanel::Content::miniPrompter);
    model.miniPrompterEnabled = false;
    model.script = "# Only an outline\n> a point";
    EXPECT_EQ(notch.content(), NotchPanel::Content::cueEnterHint);
    model.enterCue();
    EXPECT_EQ(notch.content(), NotchPanel::Content::cueCard);
    EXPECT_GE(notch.height(), 300); // the cue height
}

TEST_F(PanelContentTest, AHiddenPanelKeepsNoContentSoOnlyTheShownOneScrolls)
{
    PrompterModel& model = app.model();
    model.script = "Plain words to read.";
    model.miniPrompterEnabled = true;
    notch.show();
    floating.show();
    // The floating panel never shows the mini prompter.
    EXPECT_EQ(floating.content(), NotchPanel::Content::scrolling);
    notch.hide();
    EXPECT_EQ(notch.content(), NotchPanel::Content::none);
    model.miniPrompterEnabled = false; // a change while hidden builds nothing
    EXPECT_EQ(notch.content(), NotchPanel::Content::none);
    notch.show();
    EXPECT_EQ(notch.content(), NotchPanel::Content::scrolling);
}

TEST_F(PanelContentTest, AdaptiveFontOnTheFloatingPanelFollowsItsWidth)
{
    PrompterModel& model = app.model();
    floating.show();
    floating.resize(1220, 728);
    EXPECT_DOUBLE_EQ(floating.contentFontSize(), 61);
    floating.resize(2000, 728);
    EXPECT_DOUBLE_EQ(floating.contentFontSize(), 64);
    model.adaptiveFontSize = false;
    EXPECT_DOUBLE_EQ(floating.contentFontSize(), model.fontSize());
    EXPECT_DOUBLE_EQ(notch.contentFontSize(), model.fontSize());
}
