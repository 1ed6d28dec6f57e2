// The options screen's rules: the ranges and steps of the four values and
// the two switches with their labels.
#include <gtest/gtest.h>

#include "ui/option_steps.h"

namespace {

// Applies `rule` `times` times and returns every value seen after each step.
std::vector<int> Walk(int start, int (*rule)(int), int times)
{
    std::vector<int> seen;
    int value = start;
    for (int i = 0; i < times; i++) {
        value = rule(value);
        seen.push_back(value);
    }
    return seen;
}

} // namespace

TEST(OptionVolumes, UpFromTheDefaultStopsAt250)
{
    EXPECT_EQ(Walk(200, VolumeUp, 7), (std::vector<int>{210, 220, 230, 240, 250, 250, 250}));
}

TEST(OptionVolumes, DownFromTheTopReachesZeroAndStays)
{
    std::vector<int> seen = Walk(250, VolumeDown, 27);
    EXPECT_EQ(seen[0], 240);
    EXPECT_EQ(seen[23], 10);
    EXPECT_EQ(seen[24], 0) << "twenty-five clicks reach 0";
    EXPECT_EQ(seen[25], 0);
    EXPECT_EQ(seen[26], 0);
}

TEST(OptionVolumes, UpStepIsTakenWhileAtMost249)
{
    // Only values off the grid of tens show the rule's edge.
    EXPECT_EQ(VolumeUp(249), 259);
    EXPECT_EQ(VolumeUp(251), 251);
    EXPECT_EQ(VolumeDown(5), -5);
    EXPECT_EQ(VolumeDown(-5), -5);
}

TEST(OptionStage, StartingLevelRunsFromZeroToThree)
{
    EXPECT_EQ(Walk(0, LevelUp, 5), (std::vector<int>{1, 2, 3, 3, 3}));
    EXPECT_EQ(Walk(3, LevelDown, 5), (std::vector<int>{2, 1, 0, 0, 0}));
}

TEST(OptionStage, StartingBlocksRunFromZeroToTen)
{
    std::vector<int> up = Walk(0, BlocksUp, 12);
    EXPECT_EQ(up[9], 10);
    EXPECT_EQ(up[10], 10);
    EXPECT_EQ(up[11], 10);
    EXPECT_EQ(Walk(10, BlocksDown, 11).back(), 0);
    EXPECT_EQ(BlocksDown(0), 0);
}

TEST(OptionSwitches, ToggleBetweenMinusOneAndZero)
{
    EXPECT_EQ(ToggleSetting(-1), 0);
    EXPECT_EQ(ToggleSetting(0), -1);
    EXPECT_EQ(ToggleSetting(1), 0) << "any non-zero value counts as on";
    EXPECT_EQ(ToggleSetting(ToggleSetting(-1)), -1);
}

TEST(OptionSwitches, LabelsFollowTheSetting)
{
    EXPECT_STREQ(SoundSwitchLabel(-1), "Sound On");
    EXPECT_STREQ(SoundSwitchLabel(0), "Sound Off");
    EXPECT_STREQ(MusicSwitchLabel(-1), "Music On");
    EXPECT_STREQ(MusicSwitchLabel(0), "Music Off");
}

TEST(OptionValues, ValueLabelsArePlainDecimal)
{
    char label[12];
    FormatOptionValue(label, 250);
    EXPECT_STREQ(label, "250");
    FormatOptionValue(label, 0);
    EXPECT_STREQ(label, "0");
    FormatOptionValue(label, -2147483647 - 1);
    EXPECT_STREQ(label, "-2147483648");
}
