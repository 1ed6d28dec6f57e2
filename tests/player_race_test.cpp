// The tick on another thread: control calls must never change the song, the
// voices or the module under a running tick. The voice driver counts
// overlapping calls and reads the sample data it is handed, so a module freed
// under a tick shows in the sanitizer. The tick is held inside a voice call
// until a control call has begun, so a missing wait shows every time; the
// ThreadSanitizer build (scripts/test.sh) also sees the calls that touch no voice.
#include <atomic>

#include "support/player_fixture.h"

static std::atomic<int> in_call(0), overlaps(0), next_voice(0), hold_armed(0), tick_held(0);
static std::atomic<long> main_thread_calls(0);
static std::thread::id main_thread;
static volatile unsigned sample_sum;

// Once armed, the tick stays in its voice call until a control call has
// raised forbid, and then as long as that call might run on past it.
static void hold_tick_for_a_control_call()
{
    int armed = 1;
    if (!hold_armed.compare_exchange_strong(armed, 0))
        return;
    tick_held = 1;
    wait_until([] { return __atomic_load_n(&mi.forbid, __ATOMIC_SEQ_CST) == -1; },
               std::chrono::seconds(20));
    long before = main_thread_calls;
    wait_until([before] { return main_thread_calls != before; }, std::chrono::milliseconds(300));
}

static void check(const SAMPLE *spl = nullptr)
{
    overlaps += in_call++ != 0;
    if (std::this_thread::get_id() == main_thread)
        main_thread_calls++;
    else
        hold_tick_for_a_control_call();
    for (unsigned long frame = 0; spl != nullptr && frame < spl->len; frame++)
        sample_sum = sample_sum + ((const unsigned char *)spl->data)[frame];
    in_call--;
}

static const JGMOD_VOICE_DRIVER checking_voices = {
    [](const SAMPLE *) { check(); return next_voice++ % RECORDER_VOICES; },
    [](int, const SAMPLE *spl) { check(spl); },
    [](int) { check(); }, [](int) { check(); }, [](int) { check(); },
    [](int, int) { check(); }, [](int, int) { check(); }, [](int, int) { check(); },
    [](int, int) { check(); }, [](int, int) { check(); }, [](int) { check(); return 0; },
};

// A busy song: every tick starts a row of notes, and it breaks, jumps and
// changes its bpm (re-installing the timer from the timer thread itself).
static JGMOD *busy_song()
{
    JGMOD *j = build_module(6, 3, 8, 3);
    j->tempo = 1;
    for (int cell = 0; cell < 3 * 8 * 6; cell++)
        set_cell(j, cell / 48, cell / 6 % 8, cell % 6, 1 + cell % 3, 4000 + 50 * cell, 0, 0x0A, 1);
    set_command(j, 0, 3, 5, 0x0D, 0x05);
    set_command(j, 1, 7, 4, 0x0B, 1);
    set_command(j, 2, 2, 5, 0x0F, 250);
    return j;
}

// Every control call that changes the song (set_mod_pitch writes one word
// the tick reads once), against a tick held on another thread.
TEST(PlayerOnTimerThread, EveryControlCallWaitsForTheTickItMeets)
{
    main_thread = std::this_thread::get_id();
    timer_recorder_install();
    jgmod_voices = &checking_voices;
    ASSERT_EQ(install_mod(4), 1);
    static JGMOD *songs[2] = {busy_song(), busy_song()};
    void (*const calls[])() = {
        stop_mod, pause_mod, resume_mod, toggle_pause_mode, next_mod_track, prev_mod_track,
        [] { goto_mod_track(2); }, [] { set_mod_volume(9); }, [] { set_mod_speed(300); },
        [] { play_mod(songs[1], 0); },
        [] {
            destroy_mod(songs[0]);  // the song the tick is playing
            songs[0] = busy_song();
        },
    };
    for (size_t index = 0; index < sizeof calls / sizeof calls[0]; index++) {
        play_mod(songs[0], 1);
        hold_armed = 1;
        tick_held = 0;
        std::thread tick(mod_interrupt);
        EXPECT_TRUE(wait_until([] { return tick_held == 1; })) << "call " << index;
        calls[index]();
        tick.join();
    }
    remove_mod();
    for (JGMOD *j : songs)
        destroy_mod(j);
    jgmod_voices = &jgmod_allegro_voices;
    timer_recorder_remove();
    EXPECT_EQ(overlaps.load(), 0);
}
