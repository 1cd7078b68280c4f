#include "core/MiniPrompter.h"
#include "core/ModelWorld.h"

#include <gtest/gtest.h>

using namespace tavilo;
using namespace std::chrono_literals;

namespace {

using Sentences = std::vector<std::string>;

struct SplitCase {
    const char* text;
    Sentences sentences;
};

void PrintTo(const SplitCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class SentenceSplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SentenceSplitTest, Splits)
{
    EXPECT_EQ(MiniPrompterEngine::splitSentences(GetParam().text), GetParam().sentences) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Cases, SentenceSplitTest,
    testing::Values(SplitCase { "Hello. World!\n\nNext", { "Hello.", "World!", "Next" } },
        SplitCase { "3.5", { "3.", "5" } }, SplitCase { "", {} }, SplitCase { " \n \n\t", {} },
        SplitCase { "你好。今天怎么样？很好！", { "你好。", "今天怎么样？", "很好！" } },
        SplitCase { "一；二;three", { "一；", "二;", "three" } },
        SplitCase { "Line one\r\nLine two", { "Line one", "Line two" } },
        SplitCase { "Wait...", { "Wait.", ".", "." } }, SplitCase { "  padded  .  ", { "padded  ." } },
        // A full stop with a combining mark is one character that is not a terminator.
        SplitCase { "a.\xCC\x81" "b", { "a.\xCC\x81" "b" } }));

TEST(MiniPrompterEngine, DurationsFollowWordsAndSpeedWithFloors)
{
    EXPECT_DOUBLE_EQ(MiniPrompterEngine::sentenceDuration(8, 80), 2.0); // 4 words a second
    EXPECT_DOUBLE_EQ(MiniPrompterEngine::sentenceDuration(3, 80), 1.0); // 0.75 raised to 1
    EXPECT_DOUBLE_EQ(MiniPrompterEngine::sentenceDuration(3, 20), 2.0); // 1.5 words a second, not 1
    EXPECT_DOUBLE_EQ(MiniPrompterEngine::sentenceDuration(0, 80), 1.0); // punctuation only
}

TEST(MiniPrompterEngine, PanStandsMovesAndStands)
{
    // 300 points wider than the available width of 600 − 44.
    const double view = 600, text = 556 + 300, duration = 10;
    EXPECT_EQ(MiniPrompterEngine::pan(view, 556.5, 0, duration), (MiniPan { true, (600 - 556.5) / 2 }));
    EXPECT_EQ(MiniPrompterEngine::pan(view, text, 1.5, duration), (MiniPan { false, 22 }));
    EXPECT_DOUBLE_EQ(MiniPrompterEngine::pan(view, text, 5, duration).x, 22 - 150);
    EXPECT_EQ(MiniPrompterEngine::pan(view, text, 8.5, duration), (MiniPan { false, -278 }));
    EXPECT_EQ(MiniPrompterEngine::pan(view, text, 10, duration), (MiniPan { false, -278 }));
}

TEST(MiniPrompterEngine, AStallCountsAQuarterSecondAtMost)
{
    MiniPrompterEngine engine;
    engine.rebuild("One two three four five six seven eight nine ten.");
    const MonotonicTime t0 {};
    engine.tick(t0, true, 80, ScrollMode::infinite);
    EXPECT_DOUBLE_EQ(engine.sentenceElapsed(), 1.0 / 60.0);
    engine.tick(t0 + 5s, true, 80, ScrollMode::infinite);
    EXPECT_DOUBLE_EQ(engine.sentenceElapsed(), 1.0 / 60.0 + 0.25);
}

// The binder on a model, with virtual time.
struct MiniWorld : ModelWorld {
    MiniPrompter mini { model, loop };
    std::vector<std::string> shown;
    Subscription sub;

    explicit MiniWorld(const std::string& script, ScrollMode mode = ScrollMode::infinite)
    {
        model.countdownBehavior = CountdownBehavior::never;
        model.scrollMode = mode;
        model.script = script;
        sub = mini.changes().subscribe([this](MiniPrompterChange change) {
            if (change == MiniPrompterChange::content)
                shown.emplace_back(mini.currentSentence());
        });
        mini.activate();
    }
};

TEST(MiniPrompter, ShowsEachSentenceForItsDuration)
{
    MiniWorld w("Hi. How are you? Fine");
    w.model.start();
    w.loop.advance(990ms);
    EXPECT_EQ(w.mini.currentSentence(), "Hi.");
    w.loop.advance(20ms);
    EXPECT_EQ(w.mini.currentSentence(), "How are you?");
    w.loop.advance(1s);
    EXPECT_EQ(w.mini.currentSentence(), "Fine");
    w.loop.advance(1s);
    EXPECT_EQ(w.mini.currentSentence(), "Hi.") << "infinite mode wraps";
    EXPECT_EQ(w.shown, (Sentences { "Hi.", "How are you?", "Fine", "Hi." }));
}

TEST(MiniPrompter, StopModeReportsTheEndOnceAndKeepsTheLastSentence)
{
    MiniWorld w("One. Two.", ScrollMode::stopAtEnd);
    int ends = 0;
    Subscription endSub = w.model.didReachEndInStopMode.observeChanges([&](bool end) { ends += end ? 1 : 0; });
    w.model.start();
    w.loop.advance(5s);
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(w.model.isRunning());
    EXPECT_EQ(w.mini.currentSentence(), "Two.");
    EXPECT_EQ(w.loop.pendingTimerCount(), 0u) << "no frames while paused";

    // The next start resets to the top first.
    w.model.start();
    EXPECT_EQ(w.mini.currentSentence(), "One.");
}

TEST(MiniPrompter, JumpBackGoesOneSentenceBackFromItsStart)
{
    MiniWorld w("S1. S2. S3. S4. S5. S6.");
    w.model.start();
    w.loop.advance(4500ms); // sentence 5 (index 4), half-way through
    ASSERT_EQ(w.mini.currentSentence(), "S5.");
    w.model.jumpBack();
    EXPECT_EQ(w.mini.currentSentence(), "S4.");
    EXPECT_DOUBLE_EQ(w.mini.engine().sentenceElapsed(), 0);
    w.model.reset();
    EXPECT_EQ(w.mini.currentSentence(), "S1.");
}

TEST(MiniPrompter, FewerSentencesClampToTheNewLastOne)
{
    MiniWorld w("A. B. C. D.");
    w.model.start();
    w.loop.advance(3500ms);
    ASSERT_EQ(w.mini.currentSentence(), "D.");
    w.model.script = "X. Y.";
    EXPECT_EQ(w.mini.currentSentence(), "Y.");
    w.model.script = " ";
    EXPECT_FALSE(w.mini.hasSentences());
    EXPECT_EQ(w.mini.currentSentence(), "");
    w.loop.advance(10s); // an empty script never reports an end
    EXPECT_TRUE(w.model.isRunning());
}

TEST(MiniPrompter, AShownAgainPrompterStartsAtTheFirstSentence)
{
    MiniWorld w("A. B. C.");
    w.model.start();
    w.loop.advance(1500ms);
    ASSERT_EQ(w.mini.currentSentence(), "B.");
    w.mini.deactivate();
    w.loop.advance(1s);
    EXPECT_EQ(w.loop.pendingTimerCount(), 0u);
    w.mini.activate();
    EXPECT_EQ(w.mini.currentSentence(), "A.");
}

TEST(MiniPrompter, PausingHoldsTheSentenceWhereItIs)
{
    MiniWorld w("One two three four five six seven eight.");
    w.model.start();
    w.loop.advance(1s);
    w.model.pause();
    const double held = w.mini.engine().sentenceElapsed();
    w.loop.advance(10s);
    EXPECT_DOUBLE_EQ(w.mini.engine().sentenceElapsed(), held);
    w.model.start();
    w.loop.advance(1s);
    // Within a frame of a second: frames fall on a 1/60 s cadence from the restart.
    EXPECT_NEAR(w.mini.engine().sentenceElapsed(), held + 1, 1.0 / 60.0 + 1e-6);
}

} // namespace
