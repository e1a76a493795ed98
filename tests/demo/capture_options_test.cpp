#include "host/headless/capture_options.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/headless/frame_stats.h"

namespace {

bool parse(std::vector<const char*> args, CaptureOptions& options, std::string& error) {
    args.insert(args.begin(), "shadow_capture");
    return parse_capture_options(static_cast<int>(args.size()), args.data(), options, error);
}

}  // namespace

TEST(CaptureOptionsTest, DefaultsAndEveryOption) {
    CaptureOptions d;
    std::string error;
    ASSERT_TRUE(parse({}, d, error));
    EXPECT_EQ(d.width, 800);
    EXPECT_EQ(d.height, 600);
    EXPECT_EQ(d.ticks, 900);
    EXPECT_EQ(d.frames, 0);
    EXPECT_TRUE(d.out.empty());
    EXPECT_FALSE(d.stats);

    CaptureOptions o;
    ASSERT_TRUE(parse({"--size", "320x200", "--ticks", "0", "--frames", "600", "--out", "a.png",
                       "--hold", "control", "--hold", "leftbutton", "--stats"},
                      o, error))
        << error;
    EXPECT_EQ(o.width, 320);
    EXPECT_EQ(o.height, 200);
    EXPECT_EQ(o.ticks, 0);
    EXPECT_EQ(o.frames, 600);
    EXPECT_EQ(o.out, "a.png");
    EXPECT_EQ(o.hold, (std::vector<std::string>{"control", "leftbutton"}));
    EXPECT_TRUE(o.stats);
}

TEST(CaptureOptionsTest, BadInputIsRefusedWithAReason) {
    const std::vector<std::vector<const char*>> bad = {
        {"--size", "800"},     {"--size", "0x600"},   {"--size", "800x-1"},
        {"--size", "80x60x1"}, {"--size", "99999x2"}, {"--ticks", "-1"},
        {"--ticks", "12abc"},  {"--ticks", ""},       {"--frames", "99999999999"},
        {"--hold", "Control"}, {"--hold", "space"},   {"--out", ""},
        {"--ticks"},           {"--bogus"},           {"extra"}};
    for (const auto& args : bad) {
        CaptureOptions o;
        std::string error;
        EXPECT_FALSE(parse(args, o, error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
    CaptureOptions o;
    std::string error;
    parse({"--hold", "space"}, o, error);
    EXPECT_NE(error.find("control"), std::string::npos) << "lists the known names: " << error;
}

TEST(CaptureOptionsTest, HoldableNamesAreTheKeyTable) {
    for (const char* name : {"enter", "shift", "control", "escape", "left", "up", "right", "down",
                             "leftbutton", "rightbutton", "middlebutton"}) {
        EXPECT_TRUE(is_holdable_name(name)) << name;
    }
    EXPECT_FALSE(is_holdable_name("return"));
    EXPECT_FALSE(is_holdable_name(""));
}

TEST(FrameStatsTest, MedianAndNearestRankPercentile) {
    EXPECT_EQ(summarize({}).median, 0.0);
    Summary one = summarize({4});
    EXPECT_EQ(one.median, 4.0);
    EXPECT_EQ(one.p95, 4.0);
    Summary even = summarize({4, 1, 3, 2});
    EXPECT_EQ(even.median, 2.5);
    EXPECT_EQ(even.p95, 4.0);
    // 1..100 shuffled: the 95th smallest is the 95th percentile.
    std::vector<double> hundred;
    for (int i = 0; i < 100; ++i) hundred.push_back((i * 37) % 100 + 1);
    Summary s = summarize(hundred);
    EXPECT_EQ(s.median, 50.5);
    EXPECT_EQ(s.p95, 95.0);
    std::vector<double> twenty(19, 1.0);
    twenty.push_back(100.0);
    EXPECT_EQ(summarize(twenty).p95, 1.0);
}
