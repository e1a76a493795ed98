#include "host/headless/capture_options.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "host/headless/frame_stats.h"

namespace {

bool parse(std::vector<const char*> args, CaptureOptions& options, std::string& error) {
    args.insert(args.begin(), "shadow_capture");
    return parse_capture_options(static_cast<int>(args.size()), args.data(), options, error);
}

}  // namespace

TEST(CaptureOptionsTest, DefaultsAndEveryOption) {
    CaptureOptions d, o;
    std::string error;
    ASSERT_TRUE(parse({}, d, error));
    EXPECT_EQ(std::tie(d.width, d.height, d.ticks, d.frames, d.out, d.stats),
              std::make_tuple(800, 600, 900, 0, std::string(), false));

    ASSERT_TRUE(parse({"--size", "320x200", "--ticks", "0", "--frames", "600", "--out", "a.png",
                       "--hold", "control", "--hold", "leftbutton", "--stats"},
                      o, error))
        << error;
    EXPECT_EQ(std::tie(o.width, o.height, o.ticks, o.frames, o.out, o.stats),
              std::make_tuple(320, 200, 0, 600, std::string("a.png"), true));
    EXPECT_EQ(o.hold, (std::vector<std::string>{"control", "leftbutton"}));
}

TEST(CaptureOptionsTest, BadInputIsRefusedWithAReason) {
    const std::vector<std::vector<const char*>> bad = {
        {"--size", "800"},     {"--size", "0x600"},   {"--size", "800x-1"},
        {"--size", "80x60x1"}, {"--size", "99999x2"}, {"--ticks", "-1"},
        {"--ticks", "12abc"},  {"--ticks", ""},       {"--frames", "99999999999"},
        {"--hold", "Control"}, {"--hold", "return"},  {"--out", ""},
        {"--ticks"},           {"--bogus"},           {"extra"}};
    for (const auto& args : bad) {
        SCOPED_TRACE(testing::Message() << args[0] << " " << (args.size() > 1 ? args[1] : ""));
        CaptureOptions o;
        std::string error;
        EXPECT_FALSE(parse(args, o, error));
        EXPECT_FALSE(error.empty());
    }
    CaptureOptions o;
    std::string error;
    parse({"--hold", "space"}, o, error);
    EXPECT_NE(error.find("control"), std::string::npos) << "lists the known names: " << error;
}

TEST(FrameStatsTest, MedianAndNearestRankPercentile) {
    std::vector<double> hundred;  // 1..100 shuffled
    for (int i = 0; i < 100; ++i) hundred.push_back((i * 37) % 100 + 1);
    std::vector<double> twenty(19, 1.0);
    twenty.push_back(100.0);
    const struct {
        std::vector<double> samples;
        double median, p95;
    } cases[] = {
        {{}, 0, 0}, {{4}, 4, 4}, {{4, 1, 3, 2}, 2.5, 4}, {hundred, 50.5, 95}, {twenty, 1, 1}};
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.samples.size() << " samples");
        const Summary s = summarize(t.samples);
        EXPECT_EQ(s.median, t.median);
        EXPECT_EQ(s.p95, t.p95);
    }
}
