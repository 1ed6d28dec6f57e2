// The tick on another thread: control calls must never change the song, the
// voices or the module under a running tick. The voice driver counts
// overlapping calls and reads the sample data it is handed, so a module freed
// under a tick shows in the sanitizer. A tick held inside a voice call until
// a control call has begun makes a missing wait show every time; a tight loop
// of control calls against the library's timer covers the rest.
#include <errno.h>
#include <stdlib.h>

#include <atomic>
#include <functional>

#include "support/player_fixture.h"

static std::atomic<int> in_call(0), overlaps(0), next_voice(0), hold_armed(0), tick_held(0);
static std::atomic<long> timer_thread_calls(0), main_thread_calls(0);
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
    wait_until([] { return __atomic_load_n(&mi.forbid, __ATOMIC_SEQ_CST) == -1; }, std::chrono::seconds(20));
    long before = main_thread_calls;
    wait_until([before] { return main_thread_calls != before; }, std::chrono::milliseconds(300));
}

static void check(const SAMPLE *spl = nullptr)
{
    overlaps += in_call++ != 0;
    bool on_main_thread = std::this_thread::get_id() == main_thread;
    main_thread_calls += on_main_thread;
    timer_thread_calls += !on_main_thread;
    if (!on_main_thread)
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

// A busy song at the fastest tick rate: every tick starts a row of notes, and
// it breaks, jumps and changes its bpm (re-installing the timer from the
// timer thread itself).
static JGMOD *busy_song(int variant)
{
    JGMOD *j = build_module(6, 3, 8, 3);
    j->tempo = 1;
    j->bpm = 2000;
    for (int cell = 0; cell < 3 * 8 * 6; cell++)
        set_cell(j, cell / 48, cell / 6 % 8, cell % 6, 1 + cell % 3, 4000 + 50 * cell, 0, 0x0A, 1);
    set_command(j, 0, 3, 5, 0x0D, 0x05);
    set_command(j, 1, 7, 4, 0x0B, variant % 3);
    set_command(j, 2, 2, 5, 0x0F, 250);
    j->restart_order = variant % 2;
    return j;
}

// Removes the player, frees the songs and gives the voices back to the library.
static void finish(JGMOD *const *songs, int count)
{
    remove_mod();
    for (int index = 0; index < count; index++)
        destroy_mod(songs[index]);
    jgmod_voices = &jgmod_allegro_voices;
}

TEST(PlayerOnTimerThread, AControlCallWaitsForTheTickItMeets)
{
    main_thread = std::this_thread::get_id();
    timer_recorder_install();
    jgmod_voices = &checking_voices;
    ASSERT_EQ(install_mod(4), 1);
    JGMOD *songs[2] = {busy_song(0), busy_song(1)};
    const std::function<void()> calls[] = {stop_mod, pause_mod, resume_mod, [] { set_mod_volume(9); },
                                           [&songs] { play_mod(songs[1], 0); }};
    int held = 0;
    for (const auto &call : calls) {
        play_mod(songs[0], 1);
        hold_armed = 1;
        tick_held = 0;
        std::thread tick(mod_interrupt);
        held += wait_until([] { return tick_held == 1; });
        call();
        tick.join();
    }
    finish(songs, 2);
    timer_recorder_remove();
    EXPECT_EQ(held, 5) << "a tick held in every round";
    EXPECT_EQ(overlaps.load(), 0);
}

TEST(PlayerOnTimerThread, ControlCallsInATightLoopNeverMeetARunningTick)
{
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0 || install_timer() != 0)
        GTEST_SKIP() << "the library's timer needs a display (run under xvfb-run)";
    main_thread = std::this_thread::get_id();
    jgmod_voices = &checking_voices;
    ASSERT_EQ(install_mod(4), 1);
    JGMOD *songs[4];
    for (int index = 0; index < 4; index++)
        songs[index] = busy_song(index);
    srand(12345);
    long operations = 0;
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
         std::chrono::steady_clock::now() < end; operations++) {
        int index = rand() % 4;
        switch (rand() % 14) {
        case 0: play_mod(songs[index], rand() % 2); break;
        case 1: stop_mod(); break;
        case 2: pause_mod(); break;
        case 3: resume_mod(); break;
        case 4: toggle_pause_mode(); break;
        case 5: next_mod_track(); break;
        case 6: prev_mod_track(); break;
        case 7: goto_mod_track(rand() % 5 - 1); break;
        case 8: set_mod_volume(rand() % 300); break;
        case 9: set_mod_speed(rand() % 500); break;
        case 10: set_mod_pitch(rand() % 500); break;
        default:  // destroy a song, often the one playing, and build it anew
            destroy_mod(songs[index]);
            songs[index] = busy_song(index);
            play_mod(songs[rand() % 4], 1);
            set_mod_speed(400);
        }
        if (operations % 64 == 0)  // let the timer thread in, as a game loop would
            std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    finish(songs, 4);
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_GT(timer_thread_calls.load(), 1000) << "the handler hardly ran";
    printf("%ld control calls, %ld voice calls from the timer thread\n", operations, timer_thread_calls.load());
}
