#include "base/ManualLoop.h"
#include "base/Published.h"

#include <gtest/gtest.h>

using namespace tavilo;
using namespace std::chrono_literals;

TEST(Published, ObserverGetsCurrentValueThenEveryAssignmentEvenEqual)
{
    Published<int> value(1);
    std::vector<int> seen;
    auto sub = value.observe([&](int v) { seen.push_back(v); });
    value = 1;
    value = 2;
    EXPECT_EQ(seen, (std::vector<int> { 1, 1, 2 }));
    sub.cancel();
    value = 3;
    EXPECT_EQ(seen.size(), 3u);
}

TEST(Published, ObserverMayCancelItselfOrAssignWhileNotified)
{
    Published<int> value(0);
    std::vector<int> seen;
    Subscription self;
    self = value.observeChanges([&](int v) {
        seen.push_back(v);
        self.cancel();
    });
    auto clamp = value.observeChanges([&](int v) {
        if (v > 10)
            value = 10;
    });
    value = 5;
    value = 50;
    EXPECT_EQ(seen, (std::vector<int> { 5 }));
    EXPECT_EQ(value(), 10);
}

TEST(Published, SubscriptionOutlivingThePublishedIsHarmless)
{
    Subscription sub;
    {
        Published<int> value(0);
        sub = value.observe([](int) {});
    }
    sub.cancel();
}

TEST(Operators, RemoveDuplicatesAndDropFirst)
{
    Published<int> value(1);
    std::vector<int> seen;
    auto sub = dropFirst(removeDuplicates(value.source())).subscribe([&](int v) { seen.push_back(v); });
    value = 1;
    value = 2;
    value = 2;
    value = 1;
    EXPECT_EQ(seen, (std::vector<int> { 2, 1 }));
}

TEST(Operators, DebounceDeliversLatestOnceAfterTheBurst)
{
    ManualLoop loop;
    Published<int> value(0);
    std::vector<std::pair<int, double>> seen;
    const auto start = loop.now();
    auto sub = debounce(value.source(), loop, 250ms).subscribe([&](int v) {
        seen.push_back({ v, toSeconds(loop.now() - start) });
    });
    for (int i = 1; i <= 5; ++i) {
        loop.advance(100ms);
        value = i;
    }
    loop.advance(1s);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, 5);
    EXPECT_DOUBLE_EQ(seen[0].second, 0.75);
}

TEST(Operators, CancelledDebounceNeverDelivers)
{
    ManualLoop loop;
    Published<int> value(0);
    int deliveries = 0;
    auto sub = debounce(value.source(), loop, 250ms).subscribe([&](int) { ++deliveries; });
    sub.cancel();
    loop.advance(1s);
    EXPECT_EQ(deliveries, 0);
}

TEST(Operators, ThrottleDeliversFirstAtOnceThenLatestPerInterval)
{
    ManualLoop loop;
    Subject<int> subject;
    std::vector<int> seen;
    auto sub = throttle(subject.source(), loop, 16ms, true).subscribe([&](int v) { seen.push_back(v); });
    subject.send(1); // at once
    loop.advance(5ms);
    subject.send(2);
    subject.send(3);
    loop.advance(11ms); // end of the first interval: latest
    EXPECT_EQ(seen, (std::vector<int> { 1, 3 }));
    loop.advance(40ms); // quiet interval
    subject.send(4);
    EXPECT_EQ(seen, (std::vector<int> { 1, 3, 4 }));
}

TEST(Operators, ThrottleWithFirstKeepsTheFirstOfTheInterval)
{
    ManualLoop loop;
    Subject<int> subject;
    std::vector<int> seen;
    auto sub = throttle(subject.source(), loop, 16ms, false).subscribe([&](int v) { seen.push_back(v); });
    subject.send(1);
    subject.send(2);
    subject.send(3);
    loop.advance(16ms);
    EXPECT_EQ(seen, (std::vector<int> { 1, 2 }));
}

TEST(Operators, MergeOfSignalsFromDifferentTypes)
{
    Published<int> a(0);
    Published<std::string> b("x");
    int count = 0;
    auto sub = merge<Unit>({ asSignal(a.source()), asSignal(b.source()) }).subscribe([&](Unit) { ++count; });
    EXPECT_EQ(count, 2); // each source's current value
    a = 1;
    b = "y";
    EXPECT_EQ(count, 4);
}
