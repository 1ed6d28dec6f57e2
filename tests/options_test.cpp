// The options screen's rules: the ranges and steps of the four values and
// the two switches with their labels.
#include <gtest/gtest.h>

#include "ui/option_steps.h"

namespace {

// Every value seen after each of `times` steps of `rule` from `start`.
std::vector<int> Walk(int start, int (*rule)(int), int times)
{
    std::vector<int> seen;
    for (int value = start; times-- > 0;)
        seen.push_back(value = rule(value));
    return seen;
}

} // namespace

TEST(Options, RangesStepsAndSwitches)
{
    EXPECT_EQ(Walk(200, VolumeUp, 7), (std::vector<int>{210, 220, 230, 240, 250, 250, 250}));
    std::vector<int> down = Walk(250, VolumeDown, 27);
    EXPECT_EQ(std::vector<int>(down.begin() + 22, down.end()), (std::vector<int>{20, 10, 0, 0, 0}));
    // Values off the grid of tens show where each step stops.
    EXPECT_EQ(std::vector<int>({VolumeUp(249), VolumeUp(251), VolumeDown(5), VolumeDown(-5)}),
              (std::vector<int>{259, 251, -5, -5}));
    EXPECT_EQ(Walk(0, LevelUp, 5), (std::vector<int>{1, 2, 3, 3, 3}));
    EXPECT_EQ(Walk(3, LevelDown, 5), (std::vector<int>{2, 1, 0, 0, 0}));
    EXPECT_EQ(Walk(0, BlocksUp, 12), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 10}));
    EXPECT_EQ(Walk(10, BlocksDown, 12), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0}));
    // The switches and their labels.
    EXPECT_EQ(std::vector<int>({ToggleSetting(-1), ToggleSetting(0), ToggleSetting(1)}), std::vector<int>({0, -1, 0}));
    EXPECT_EQ(std::string(SoundSwitchLabel(-1)) + "/" + SoundSwitchLabel(0), "Sound On/Sound Off");
    EXPECT_EQ(std::string(MusicSwitchLabel(-1)) + "/" + MusicSwitchLabel(0), "Music On/Music Off");
}
