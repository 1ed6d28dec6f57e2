// The player on the library's own mixer (ALSA's null device): the pitches,
// loops and empty samples that make the mixer read outside a sample, and a
// held note across a pause. The samples end where memory ends, so a mixer that
// reads one frame too many crashes the test instead of passing it.
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

#include "support/module_builder.h"

#include <gtest/gtest.h>

namespace {

// `frames` of silence right before a page the process may not read.
void *guarded_frames(int frames)
{
    long page = sysconf(_SC_PAGESIZE);
    char *pages = (char *)mmap(NULL, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED || mprotect(pages + page, page, PROT_NONE) != 0)
        abort();
    memset(pages + page - frames, 0x80, frames);
    return pages + page - frames;
}

template <typename Done> bool wait_until(Done done)
{
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30); !done();) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

int row_now() { return __atomic_load_n(&mi.row, __ATOMIC_ACQUIRE); }

struct RealMixer : ::testing::Test {
    void SetUp() override
    {
        static const char silent[] = "[sound]\nalsa_device = null\n";
        if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0 || install_timer() != 0)
            GTEST_SKIP() << "the library's timer needs a display (run under xvfb-run)";
        override_config_data(silent, sizeof silent - 1);
        reserve_voices(8, -1);
#ifdef __SANITIZE_ADDRESS__
        __lsan_disable();  // the sound driver's module keeps its memory to the end
#endif
        int sound = install_sound(DIGI_AUTODETECT, MIDI_NONE, NULL);
#ifdef __SANITIZE_ADDRESS__
        __lsan_enable();
#endif
        if (sound != 0)
            GTEST_SKIP() << "no sound driver: " << allegro_error;
        ASSERT_EQ(install_mod(4), 1);
    }
};

} // namespace

TEST_F(RealMixer, ShortLoopsHighPitchesEmptySamplesAndAPauseInTheMiddleOfANote)
{
    // Row 0: loops of 4 and 8 frames at MOD periods 19 and 9, 3579546 Hz, and
    // a long loop held through the song; row 1: a sample without frames.
    JGMOD *j = build_module(4, 1, 4, 5);
    const struct { int frames, loop_start, note; } voices[] = {
        {64, 60, 188397}, {64, 56, 397727}, {64, 64, 3579546}, {4096, 0, 8363}, {0, 0, 3579546}};
    void *owned[5];
    for (int s = 0; s < 5; s++) {
        owned[s] = j->samples[s].data;
        j->samples[s].data = guarded_frames(voices[s].frames);
        j->samples[s].len = j->samples[s].loop_end = voices[s].frames;
        j->samples[s].loop_start = voices[s].loop_start;
        j->sample_info[s].loop_type = voices[s].loop_start < voices[s].frames ? LOOP_FORWARD : 0;
        if (s < 4)
            set_cell(j, 0, 0, s, s + 1, voices[s].note, 0, 0, 0);
    }
    set_cell(j, 0, 1, 2, 5, voices[4].note, 0, 0, 0);
    play_mod(j, 1);
    ASSERT_TRUE(wait_until([] { return row_now() == 2; })) << "the song did not play on";
    int mixer = get_mixer_frequency();
    EXPECT_LT(voice_get_frequency(voice_table[0]), 4 * mixer);
    EXPECT_LT(voice_get_frequency(voice_table[1]), 8 * mixer);
    EXPECT_EQ(voice_get_frequency(voice_table[2]), (1 << 19) - 1);
    pause_mod();
    EXPECT_EQ(voice_get_position(voice_table[3]), -1) << "paused";
    resume_mod();
    EXPECT_GE(voice_get_position(voice_table[3]), 0) << "the held note sounds again";
    ASSERT_TRUE(wait_until([] { return row_now() == 0; })) << "the song did not come round";
    remove_mod();
    for (int s = 0; s < 5; s++)
        j->samples[s].data = owned[s];
    destroy_mod(j);
}
