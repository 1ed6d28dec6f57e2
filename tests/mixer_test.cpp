// The software mixer against hand-made voices, and its tick clock. Sample data
// lives in blocks of exactly its size, so the sanitizer build catches any read
// outside a sample.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "mixer.h"

namespace {

const int kRate = 44100;

const JGMOD_VOICE_DRIVER &v = jgmod_mixer_voices;

// 8- or 16-bit unsigned mono frames, little-endian, in a block of exactly their size.
struct TestSample {
    TestSample(const std::vector<int> &frames, int bits, int loop_start = 0, int loop_end = 0)
        : data(new unsigned char[frames.size() * bits / 8])
    {
        sample = SAMPLE{bits, 0, kRate, 128, frames.size(), (unsigned long)loop_start,
                        (unsigned long)loop_end, 0, data.get()};
        for (size_t i = 0; i < frames.size() * bits / 8; i++)
            data[i] = (unsigned char)(frames[i * 8 / bits] >> (i % (bits / 8) * 8));
    }
    std::unique_ptr<unsigned char[]> data;
    SAMPLE sample;
};

int start_voice(const TestSample &s, int frequency, int playmode, int pan)
{
    int voice = v.allocate_voice(&s.sample);
    v.voice_set_frequency(voice, frequency);
    v.voice_set_playmode(voice, playmode);
    v.voice_set_pan(voice, pan);
    v.voice_start(voice);
    return voice;
}

std::vector<short> mix(int frames, int channels = 2)
{
    std::vector<short> out(frames * channels);
    for (int done = 0; done < frames;)
        done += jgmod_mixer_mix(out.data() + done * channels, frames - done);
    return out;
}

// One second of an 11025 Hz sample at 11025 Hz: 44100 frames at level 0xC0
// (16384), then silence; the pan splits it by (255 - pan) : pan.
TEST(Mixer, ConstantSampleKeepsItsLengthAndLevel)
{
    const struct { int pan, channels, left, right; } cases[] = {
        {0, 2, 16384, 0}, {255, 2, 0, 16384}, {128, 2, 8160, 8224}, {128, 1, 16384, 16384},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "pan " << c.pan << ", channels " << c.channels);
        jgmod_mixer_open(kRate, c.channels, JGMOD_INTERPOLATE_LINEAR, 1);
        TestSample s(std::vector<int>(11025, 0xC0), 8);
        int voice = start_voice(s, 11025, PLAYMODE_PLAY, c.pan);
        std::vector<short> out = mix(kRate + 10, c.channels);
        int last = (kRate - 1) * c.channels;
        EXPECT_EQ(out[kRate / 2 * c.channels], c.left);
        EXPECT_EQ(out[kRate / 2 * c.channels + c.channels - 1], c.channels == 2 ? c.right : c.left);
        int loud = c.left != 0 ? 0 : c.channels - 1;
        EXPECT_NE(out[last + loud], 0);               // the last frame of the second
        EXPECT_EQ(out[last + c.channels + loud], 0);  // the first after it
        EXPECT_EQ(v.voice_get_position(voice), -1);
    }
}

// The frames a voice plays at one frame per output frame, read as positions.
TEST(Mixer, LoopsRepeatTheirFrames)
{
    const struct { int playmode, loop_start, loop_end; std::vector<int> positions; } cases[] = {
        {PLAYMODE_LOOP, 1, 4, {0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2}},
        {PLAYMODE_LOOP | PLAYMODE_BIDIR, 1, 4, {0, 1, 2, 3, 3, 2, 1, 1, 2, 3, 3, 2}},
        {PLAYMODE_LOOP | PLAYMODE_BIDIR, 2, 3, {0, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}},
        {PLAYMODE_LOOP, 3, 3, {0, 1, 2, 3, 4, -1, -1, -1, -1, -1, -1, -1}},  // empty loop: none
        {PLAYMODE_PLAY, 1, 4, {0, 1, 2, 3, 4, -1, -1, -1, -1, -1, -1, -1}},
    };
    for (const auto &c : cases) {
        jgmod_mixer_open(kRate, 2, JGMOD_INTERPOLATE_NONE, 1);
        TestSample s({10, 20, 30, 40, 50}, 8, c.loop_start, c.loop_end);
        int voice = start_voice(s, kRate, c.playmode, 128);
        std::vector<int> positions;
        for (size_t frame = 0; frame < c.positions.size(); frame++) {
            positions.push_back(v.voice_get_position(voice));
            mix(1);
        }
        EXPECT_EQ(positions, c.positions) << "mode " << c.playmode << " loop " << c.loop_start;
    }
}

// Steps of many loop lengths a frame, loops of one frame and loops that
// overrun the sample: every reported position lies inside the sample.
TEST(Mixer, NoFrequencyOrLoopReadsOutsideTheSample)
{
    const struct { int bits, loop_start, loop_end, playmode, frequency; } cases[] = {
        {8, 4, 5, PLAYMODE_LOOP, 1 << 30},
        {16, 4, 5, PLAYMODE_LOOP | PLAYMODE_BIDIR, 1 << 30},
        {8, 0, 1, PLAYMODE_LOOP | PLAYMODE_BIDIR, 987654321},
        {16, 2, 99, PLAYMODE_LOOP, 3 * kRate + 7},
        {8, 9, 2, PLAYMODE_LOOP, 1 << 30},
        {16, 0, 5, PLAYMODE_PLAY, 1 << 30},
    };
    for (int interpolation :
         {JGMOD_INTERPOLATE_NONE, JGMOD_INTERPOLATE_LINEAR, JGMOD_INTERPOLATE_CUBIC}) {
        for (const auto &c : cases) {
            jgmod_mixer_open(kRate, 2, interpolation, 1);
            TestSample s({0, 0xFFFF, 7, 0x8000, 0x80}, c.bits, c.loop_start, c.loop_end);
            int voice = start_voice(s, c.frequency, c.playmode, 128);
            v.voice_set_position(voice, 3);
            for (int block = 0; block < 50; block++) {
                mix(97);
                int position = v.voice_get_position(voice);
                EXPECT_TRUE(position >= -1 && position < 5) << position;
            }
        }
    }
}

int ticks_seen;
long long tick_frames[2];
void count_tick()
{
    if (ticks_seen < 2)
        tick_frames[ticks_seen] = jgmod_mixer_frames();
    ticks_seen++;
}

// 23863 timer units is 881.998... frames: a clock that rounded each tick to
// 882 frames would fall a tick behind within the minute.
TEST(Mixer, TicksKeepTheTimerPeriodWithoutDrift)
{
    jgmod_mixer_open(kRate, 2, JGMOD_INTERPOLATE_LINEAR, 1);
    ticks_seen = 0;
    jgmod_mixer_timer.install_int_ex(count_tick, 23863);
    mix(60 * kRate);
    EXPECT_EQ(ticks_seen, 3001);  // at 0 and every 23863 units before 71590860
    EXPECT_EQ(tick_frames[0], 0);
    EXPECT_EQ(tick_frames[1], 882);
    jgmod_mixer_timer.remove_int(count_tick);
    mix(kRate);
    EXPECT_EQ(ticks_seen, 3001);
}

}  // namespace
