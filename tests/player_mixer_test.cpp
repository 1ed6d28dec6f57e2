// The player on the library's own mixer (ALSA's null device): pitches, loops
// and empty samples that make the mixer read outside a sample, and a note held
// through a pause. The samples end where readable memory ends, so a mixer that
// reads one frame too many crashes the test instead of passing it.
#include <errno.h>
#include <sys/mman.h>
#include <unistd.h>
#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

#include "support/player_fixture.h"

static void *frames_before_unreadable_page(int frames)
{
    long page = sysconf(_SC_PAGESIZE);
    int flags = MAP_PRIVATE | MAP_ANONYMOUS;
    char *pages = (char *)mmap(NULL, 2 * page, PROT_READ | PROT_WRITE, flags, -1, 0);
    if (pages == MAP_FAILED || mprotect(pages + page, page, PROT_NONE) != 0)
        abort();
    return memset(pages + page - frames, 0x80, frames);
}

TEST(RealMixer, ShortLoopsHighPitchesEmptySamplesAndAPauseInTheMiddleOfANote)
{
    static const char silent[] = "[sound]\nalsa_device = null\n";
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0 || install_timer() != 0)
        GTEST_SKIP() << "the library's timer needs a display (run under xvfb-run)";
    override_config_data(silent, sizeof silent - 1);
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
    // Row 0: loops of 4 and 8 frames at MOD periods 19 and 9, 3579546 Hz, and
    // a long loop held through the song; row 1: a sample without frames.
    const struct { int frames, loop_start, note; } samples[] = {
        {64, 60, 188397}, {64, 56, 397727}, {64, 64, 3579546}, {4096, 0, 8363}, {0, 0, 3579546}};
    JGMOD *j = build_module(4, 1, 4, 5);
    void *owned[5];
    for (int s = 0; s < 5; s++) {
        owned[s] = j->samples[s].data;
        j->samples[s].data = frames_before_unreadable_page(samples[s].frames);
        j->samples[s].len = j->samples[s].loop_end = samples[s].frames;
        j->samples[s].loop_start = samples[s].loop_start;
        j->sample_info[s].loop_type = samples[s].loop_start < samples[s].frames ? LOOP_FORWARD : 0;
        set_cell(j, 0, s / 4, s < 4 ? s : 2, s + 1, samples[s].note, 0, 0, 0);
    }
    play_mod(j, 1);
    ASSERT_TRUE(wait_until([] { return __atomic_load_n(&mi.row, __ATOMIC_ACQUIRE) == 2; }));
    EXPECT_LT(voice_get_frequency(voice_table[0]), 4 * get_mixer_frequency());
    EXPECT_LT(voice_get_frequency(voice_table[1]), 8 * get_mixer_frequency());
    EXPECT_EQ(voice_get_frequency(voice_table[2]), (1 << 19) - 1);
    pause_mod();
    EXPECT_EQ(voice_get_position(voice_table[3]), -1) << "paused";
    resume_mod();
    EXPECT_GE(voice_get_position(voice_table[3]), 0) << "the held note sounds again";
    ASSERT_TRUE(wait_until([] { return __atomic_load_n(&mi.row, __ATOMIC_ACQUIRE) == 0; }));
    remove_mod();
    for (int s = 0; s < 5; s++)
        j->samples[s].data = owned[s];
    destroy_mod(j);
}
