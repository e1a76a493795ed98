#include "tools/shadow_capture/capture_options.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "tools/frame_stats/frame_stats.h"

namespace {

bool parse(std::vector<const char*> args, CaptureOptions& options, std::string& error) {
    args.insert(args.begin(), "shadow_capture");
    error.clear();
    return parse_capture_options(static_cast<int>(args.size()), args.data(), options, error);
}

}  // namespace

TEST(CaptureOptionsTest, DefaultsEveryOptionAndBadInputRefusedWithAReason) {
    CaptureOptions d, o;
    std::string error;
    ASSERT_TRUE(parse({}, d, error));
    EXPECT_EQ(std::tie(d.width, d.height, d.ticks, d.frames, d.out, d.stats),
              std::make_tuple(800, 600, 900, 0, std::string(), false));
    ASSERT_TRUE(parse({"--size", "1x16384", "--ticks", "0", "--frames", "2147483647", "--out",
                       "a.png", "--hold", "control", "--hold", "middlebutton", "--stats"},
                      o, error))
        << error;
    EXPECT_EQ(std::tie(o.width, o.height, o.ticks, o.frames, o.out, o.stats),
              std::make_tuple(1, 16384, 0, 2147483647, std::string("a.png"), true));
    EXPECT_EQ(o.hold, (std::vector<std::string>{"control", "middlebutton"}));

    // Each bound on both sides, and the message a user reads.
    const std::string sizes = "--size wants WIDTHxHEIGHT with both from 1 to 16384, not '";
    const std::string whole = " wants a whole number from 0 to 2147483647, not '";
    const struct {
        std::vector<const char*> args;
        std::string error;
    } cases[] = {
        {{"--size", "800"}, sizes + "800'"},
        {{"--size", "0x600"}, sizes + "0x600'"},
        {{"--size", "80x60x1"}, sizes + "80x60x1'"},
        {{"--size", "16385x2"}, sizes + "16385x2'"},
        {{"--size", "9x16385"}, sizes + "9x16385'"},
        {{"--ticks", "-1"}, "--ticks" + whole + "-1'"},
        {{"--ticks", ""}, "--ticks" + whole + "'"},
        {{"--ticks", "9"}, ""},
        {{"--frames", "2147483648"}, "--frames" + whole + "2147483648'"},
        {{"--hold", "Control"},
         "--hold: unknown key 'Control' (known: enter, shift, control, escape, left, up, right, "
         "down, leftbutton, rightbutton, middlebutton)"},
        {{"--out", ""}, "--out wants a file name"},
        {{"--ticks"}, "option --ticks needs a value"},
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"extra"}, "unknown option 'extra'"}};
    for (const auto& c : cases) {
        EXPECT_EQ(parse(c.args, o, error), c.error.empty()) << c.args[0] << " " << c.args.back();
        EXPECT_EQ(error, c.error);
    }
}

TEST(FrameStatsTest, MedianAndNearestRankPercentile) {
    std::vector<double> hundred, twenty(19, 1.0);  // 1..100 shuffled; nineteen 1s and a 100
    for (int i = 0; i < 100; ++i) hundred.push_back((i * 37) % 100 + 1);
    twenty.push_back(100.0);
    const std::tuple<std::vector<double>, double, double> cases[] = {
        {{}, 0, 0}, {{4}, 4, 4}, {{4, 1, 3, 2}, 2.5, 4}, {hundred, 50.5, 95}, {twenty, 1, 1}};
    for (const auto& [samples, median, p95] : cases)
        EXPECT_EQ(std::make_pair(summarize(samples).median, summarize(samples).p95),
                  std::make_pair(median, p95))
            << samples.size() << " samples";
}
