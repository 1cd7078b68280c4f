#include "follow/AlignmentEngine.h"
#include "follow/FuzzyMatch.h"
#include "follow/PhoneticKey.h"
#include "follow/ReferenceAlignmentEngine.h"

#include <gtest/gtest.h>

#include <random>

using namespace tavilo;
using Decision = AlignmentDecision;

namespace tavilo {
void PrintTo(AlignmentDecision decision, std::ostream* os) { *os << alignmentDecisionName(decision); }
}

namespace {

using Tokens = std::vector<std::string>;

Tokens concat(std::initializer_list<Tokens> parts)
{
    Tokens result;
    for (const auto& part : parts)
        result.insert(result.end(), part.begin(), part.end());
    return result;
}

// Distinct filler words, never fuzzily equal to each other or to the test's words.
Tokens filler(const std::string& prefix, int count)
{
    Tokens result;
    for (int i = 0; i < count; ++i)
        result.push_back(prefix + std::to_string(i));
    return result;
}

// Runs the indexed engine and the reference side by side; every call must agree on all of
// the observable state.
struct Lockstep {
    Lockstep(const Tokens& script)
        : indexed(script, AlignmentConfig {})
        , reference(script, AlignmentConfig {})
    {
    }

    int64_t update(const Tokens& recognition)
    {
        const int64_t a = indexed.update(recognition);
        const int64_t b = reference.update(recognition);
        EXPECT_EQ(a, b);
        expectSameState();
        return a;
    }
    void resetSession()
    {
        indexed.resetSession();
        reference.resetSession();
    }
    void expectSameState() const
    {
        EXPECT_EQ(indexed.cursor(), reference.cursor());
        EXPECT_EQ(indexed.decision(), reference.decision());
        EXPECT_EQ(indexed.matchedLength(), reference.matchedLength());
        EXPECT_EQ(indexed.pendingAnchor(), reference.pendingAnchor());
        EXPECT_EQ(indexed.pendingCount(), reference.pendingCount());
        EXPECT_EQ(indexed.misses(), reference.misses());
    }
    Decision decision() const { return indexed.decision(); }
    int64_t cursor() const { return indexed.cursor(); }

    AlignmentEngine indexed;
    ReferenceAlignmentEngine reference;
};

TEST(FuzzyMatch, ToleranceByLongerLength)
{
    const std::vector<std::pair<int64_t, int64_t>> table = { { 4, 1 }, { 5, 2 }, { 7, 2 }, { 8, 3 }, { 10, 3 }, { 11, 4 },
        { 13, 4 }, { 14, 5 }, { 16, 5 }, { 25, 9 } };
    for (auto [length, tolerance] : table)
        EXPECT_EQ(fuzzyTolerance(length), tolerance) << length;
}

TEST(FuzzyMatch, DistanceAndEquality)
{
    EXPECT_EQ(editDistance("", "abc"), 3);
    EXPECT_EQ(editDistance("kitten", "sitting"), 3);
    EXPECT_EQ(editDistance("café", "cafe"), 1);
    EXPECT_TRUE(fuzzyEqual("zhong", "zhang"));
    EXPECT_TRUE(fuzzyEqual("presentation", "presentatoin"));
    EXPECT_FALSE(fuzzyEqual("abc", "abd")); // under four characters
    EXPECT_FALSE(fuzzyEqual("abcd", "abxy"));
}

TEST(PhoneticKey, HanToTonelessPinyinOthersUnchanged)
{
    EXPECT_EQ(phoneticKey("中"), "zhong");
    EXPECT_EQ(phoneticKey("钟"), "zhong");
    EXPECT_EQ(phoneticKey("绿"), "lu");
    EXPECT_EQ(phoneticKey("hello"), "hello");
    EXPECT_EQ(phoneticKey("中文"), "中文"); // only single characters are converted
    EXPECT_EQ(phoneticKey("か"), "か");
}

TEST(AlignmentEngine, EmptyScriptOrTranscript)
{
    Lockstep empty(Tokens {});
    EXPECT_EQ(empty.update({ "a", "b" }), 0);
    EXPECT_EQ(empty.decision(), Decision::empty);

    Lockstep engine(filler("w", 10));
    EXPECT_EQ(engine.update({}), 0);
    EXPECT_EQ(engine.decision(), Decision::empty);
}

TEST(AlignmentEngine, SameTranscriptTwiceIsUnchangedUntilResetSession)
{
    Lockstep engine(filler("w", 30));
    const Tokens transcript = { "w3", "w4", "w5", "w6", "w7" };
    EXPECT_EQ(engine.update(transcript), 8);
    EXPECT_EQ(engine.decision(), Decision::uniqueSuffix);
    EXPECT_EQ(engine.update(transcript), 8);
    EXPECT_EQ(engine.decision(), Decision::unchanged);
    engine.resetSession();
    engine.update(transcript);
    EXPECT_EQ(engine.decision(), Decision::uniqueSuffix);
}

TEST(AlignmentEngine, OpeningOfThreeTokens)
{
    Lockstep engine(filler("w", 30));
    EXPECT_EQ(engine.update({ "w0", "w1", "w2" }), 3);
    EXPECT_EQ(engine.decision(), Decision::nearby);
    EXPECT_EQ(engine.indexed.matchedLength(), 3);
}

TEST(AlignmentEngine, TinyScriptHasNoUniqueSuffix)
{
    Lockstep engine({ "a", "b", "c" });
    EXPECT_EQ(engine.update({ "x", "a", "b", "c" }), 3);
    EXPECT_EQ(engine.decision(), Decision::nearby); // the opening rule, not a suffix
}

// Four tokens that agree only as homophones are not evidence enough; five are.
TEST(AlignmentEngine, HomophoneOnlySuffix)
{
    const Tokens phrase = { "中", "国", "人", "民", "好" };
    const Tokens script = concat({ filler("w", 30), phrase, filler("v", 10) });
    struct Case {
        Tokens transcript;
        Decision decision;
        int64_t cursor;
    };
    const std::vector<Case> cases = {
        { { "钟", "果", "人", "敏" }, Decision::noMatch, 0 },          // one identical character of four
        { { "钟", "国", "人", "敏" }, Decision::uniqueSuffix, 34 },    // two identical of four
        { { "钟", "果", "任", "敏", "浩" }, Decision::uniqueSuffix, 35 }, // five homophones
    };
    for (const auto& c : cases) {
        Lockstep engine(script);
        EXPECT_EQ(engine.update(c.transcript), c.cursor);
        EXPECT_EQ(engine.decision(), c.decision);
    }
}

TEST(AlignmentEngine, AmbiguityNeedsALeadOfTwo)
{
    const Tokens x = { "x1", "x2", "x3", "x4", "x5", "x6", "x7" };
    const Tokens run6 = { "y", "x2", "x3", "x4", "x5", "x6", "x7" };
    const Tokens run5 = { "z", "x3", "x4", "x5", "x6", "x7" };
    {
        Lockstep engine(concat({ filler("a", 30), run6, filler("b", 30), run5, filler("c", 5) }));
        EXPECT_EQ(engine.update(x), 0);
        EXPECT_EQ(engine.decision(), Decision::ambiguous);
    }
    {
        Lockstep engine(concat({ filler("a", 30), x, filler("b", 30), run5, filler("c", 5) }));
        EXPECT_EQ(engine.update(x), 37);
        EXPECT_EQ(engine.decision(), Decision::uniqueSuffix);
        EXPECT_EQ(engine.indexed.matchedLength(), 7);
    }
}

TEST(AlignmentEngine, ContinuationAfterTheCursor)
{
    Lockstep engine(filler("w", 30));
    ASSERT_EQ(engine.update({ "w5", "w6", "w7", "w8", "w9" }), 10);
    EXPECT_EQ(engine.update({ "w5", "w6", "w7", "w8", "w9", "junk", "w10", "w11" }), 12);
    EXPECT_EQ(engine.decision(), Decision::continuation);
    EXPECT_EQ(engine.indexed.matchedLength(), 2);
}

Tokens misspelled(const Tokens& words)
{
    Tokens result = words;
    for (auto& word : result)
        word[1] = word[1] == 'q' ? 'j' : 'q';
    return result;
}

TEST(AlignmentEngine, FarMatchIsConfirmedThenRelocated)
{
    std::mt19937 random(3);
    Tokens script;
    for (int i = 0; i < 60; ++i) {
        std::string word;
        for (int j = 0; j < 7; ++j)
            word.push_back(static_cast<char>('a' + random() % 26));
        script.push_back(word);
    }
    Lockstep engine(script);
    const auto spoken = [&](int from, int to) {
        return misspelled(Tokens(script.begin() + from, script.begin() + to));
    };
    EXPECT_EQ(engine.update(spoken(30, 36)), 0);
    EXPECT_EQ(engine.decision(), Decision::noMatch);
    EXPECT_EQ(engine.update(spoken(30, 37)), 0);
    EXPECT_EQ(engine.decision(), Decision::confirming);
    EXPECT_EQ(engine.indexed.pendingAnchor(), std::optional<int64_t>(36));
    EXPECT_EQ(engine.update(spoken(30, 38)), 38);
    EXPECT_EQ(engine.decision(), Decision::relocated);
    EXPECT_EQ(engine.indexed.pendingAnchor(), std::nullopt);
}

// Two far places with the same score and the same distance from the cursor: the earlier
// one wins, as an upward scan that replaces only on strict improvement keeps it.
TEST(AlignmentEngine, FarSearchTieGoesToTheEarlierPlace)
{
    const Tokens phrase = { "lumbago", "quintet", "mordant", "fixable", "zealous", "garnish" };
    const Tokens script = concat({ filler("a", 10), phrase, filler("b", 40), phrase, filler("c", 5) });
    Lockstep engine(script);
    ASSERT_EQ(engine.update({ "b18", "b19", "b20", "b21", "b22" }), 39); // 16 + 22 + 1
    engine.resetSession();
    Tokens heard = misspelled(phrase);
    EXPECT_EQ(engine.update(heard), 39);
    EXPECT_EQ(engine.decision(), Decision::noMatch);
    heard.back()[2] = 'z';
    EXPECT_EQ(engine.update(heard), 39);
    EXPECT_EQ(engine.decision(), Decision::confirming);
    EXPECT_EQ(engine.indexed.pendingAnchor(), std::optional<int64_t>(15));
}

TEST(AlignmentEngine, RevisionRefusesABackwardJump)
{
    const Tokens script = concat({ filler("a", 5), { "p", "q", "r", "X", "Y" }, filler("b", 10),
        { "p", "q", "r", "s1", "s2" }, filler("c", 10) });
    Lockstep engine(script);
    const Tokens first = { "b7", "b8", "b9", "p", "q", "r", "s1", "s2" };
    ASSERT_EQ(engine.update(first), 25);
    // The recogniser rewrites its last two words: the tail now matches ten tokens back.
    EXPECT_EQ(engine.update({ "b7", "b8", "b9", "p", "q", "r", "X", "Y" }), 25);
    EXPECT_EQ(engine.decision(), Decision::revision);
    // A longer transcript is not a revision: the same evidence moves the cursor back.
    EXPECT_EQ(engine.update({ "b7", "b8", "b9", "p", "q", "r", "X", "Y", "b0" }), 11);
    EXPECT_EQ(engine.decision(), Decision::uniqueSuffix);
}

TEST(AlignmentEngine, SingleCJKTargetNeedsTheIdenticalKey)
{
    const Tokens script = { "今", "天", "张", "老", "师" };
    struct Case {
        Tokens transcript;
        Decision decision;
        int64_t cursor;
    };
    const std::vector<Case> cases = {
        { { "今", "天", "中" }, Decision::noMatch, 0 },  // zhong never stands for zhang as the target
        { { "今", "天", "zhong" }, Decision::nearby, 3 }, // a Latin target may match fuzzily
        { { "今", "中", "老" }, Decision::nearby, 4 },   // inside scoring zhong and zhang are equal
    };
    for (const auto& c : cases) {
        Lockstep engine(script);
        EXPECT_EQ(engine.update(c.transcript), c.cursor);
        EXPECT_EQ(engine.decision(), c.decision);
    }
}

TEST(AlignmentEngine, CursorStopsAtTheEndOfTheScript)
{
    const Tokens script = filler("w", 12);
    Lockstep engine(script);
    Tokens transcript(script.begin() + 4, script.end());
    EXPECT_EQ(engine.update(transcript), 12);
    transcript.insert(transcript.end(), { "w11", "w11", "w10", "w11" });
    engine.update(transcript);
    EXPECT_LE(engine.cursor(), 12);
}

// ---- Randomized side-by-side run -------------------------------------------------------

// Vocabulary rich in what makes alignment hard: homophones, near spellings, short words,
// tokens of both scripts.
const Tokens kVocabulary = { "中", "钟", "终", "是", "事", "市", "他", "她", "它", "在", "再", "的", "地", "得", "我", "们",
    "张", "老", "师", "好", "人", "民", "国", "果", "一", "二", "十", "五", "元", "presentation", "presentations",
    "presentatoin", "product", "products", "produce", "design", "designs", "camera", "cameras", "script", "scripts",
    "a", "to", "the", "ai", "team", "teams", "zhong", "zhang", "shi", "data", "date", "dates", "follow", "fellow",
    "2024", "ok" };

Tokens randomScript(std::mt19937& random)
{
    // Some scripts draw on a handful of words only, so that equal scores and equal
    // distances, the tie rules' cases, come up often.
    const size_t vocabulary = std::array<size_t, 3> { 6, 16, kVocabulary.size() }[random() % 3];
    Tokens script;
    const int length = 20 + static_cast<int>(random() % 300);
    while (static_cast<int>(script.size()) < length) {
        if (script.size() > 12 && random() % 6 == 0) {
            // A repeated phrase, the source of ambiguity.
            const size_t span = 3 + random() % 8;
            const size_t from = random() % (script.size() - span);
            for (size_t i = 0; i < span; ++i)
                script.push_back(script[from + i]);
        } else {
            script.push_back(kVocabulary[random() % vocabulary]);
        }
    }
    return script;
}

std::string corrupt(const std::string& token, std::mt19937& random)
{
    switch (random() % 3) {
    case 0:
        return kVocabulary[random() % kVocabulary.size()];
    case 1:
        return token.size() >= 4 ? token.substr(0, token.size() - 1) + "x" : token;
    default:
        return "inv" + std::to_string(random() % 50);
    }
}

TEST(AlignmentEngine, IndexedSearchDecidesExactlyAsTheReference)
{
    std::mt19937 random(20240611);
    int64_t calls = 0;
    std::array<int64_t, 10> seen {};
    for (int round = 0; round < 250; ++round) {
        const Tokens script = randomScript(random);
        Lockstep engine(script);
        Tokens transcript;
        auto position = static_cast<int64_t>(random() % script.size());
        for (int step = 0; step < 120; ++step) {
            const auto action = random() % 100;
            if (action < 4) {
                engine.resetSession();
                transcript.clear();
            } else if (action < 8) {
                position = static_cast<int64_t>(random() % script.size()); // skip or reread
            } else if (action < 16 && !transcript.empty()) {
                // Rewrite or drop the last one or two words, as partial results do.
                const size_t count = 1 + random() % 2;
                for (size_t i = 0; i < count && !transcript.empty(); ++i)
                    transcript.pop_back();
                if (random() % 2 && position < static_cast<int64_t>(script.size()))
                    transcript.push_back(corrupt(script[static_cast<size_t>(position)], random));
            } else if (action < 18) {
                // Repeat the call unchanged.
            } else {
                const int words = 1 + static_cast<int>(random() % 3);
                for (int i = 0; i < words && position < static_cast<int64_t>(script.size()); ++i) {
                    const auto errorKind = random() % 100;
                    const auto& word = script[static_cast<size_t>(position)];
                    if (errorKind < 70)
                        transcript.push_back(word);
                    else if (errorKind < 82)
                        transcript.push_back(corrupt(word, random));
                    else if (errorKind < 90)
                        transcript.push_back(kVocabulary[random() % kVocabulary.size()]); // invented
                    // else dropped
                    ++position;
                }
            }
            engine.update(transcript);
            ASSERT_LE(engine.cursor(), static_cast<int64_t>(script.size()));
            ASSERT_FALSE(testing::Test::HasFailure()) << "round " << round << " step " << step;
            ++calls;
            ++seen[static_cast<size_t>(engine.decision())];
        }
    }
    // The run must have exercised every rule, or it proves little.
    for (size_t d = 0; d < seen.size(); ++d)
        EXPECT_GT(seen[d], 0) << alignmentDecisionName(static_cast<Decision>(d));
    EXPECT_EQ(calls, 250 * 120);
}

} // namespace
