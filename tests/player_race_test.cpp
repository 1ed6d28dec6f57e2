// The player on the library's real timer thread: control calls must never
// change the song, the voices or the module under a tick that is running.
//
// A checking voice driver notices any voice call that overlaps another one
// (which only a race can cause, since the player's guard serialises them) and
// makes every tick touch the current module's sample data, so a module freed
// under a running tick shows up in AddressSanitizer.
#include <errno.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "support/module_builder.h"
#include "support/player_fixture.h"

namespace {

std::atomic<int> calls_in_progress(0);
std::atomic<int> overlaps(0);
std::atomic<long> timer_thread_calls(0);
std::atomic<int> tick_inside(0);
std::atomic<int> slow_tick_wanted(0);
std::atomic<int> control_saw_tick(0);
std::thread::id main_thread;
int allocated[RECORDER_VOICES];
volatile unsigned sample_sum;

struct CallScope {
    CallScope()
    {
        if (calls_in_progress.fetch_add(1) != 0)
            overlaps++;
        if (std::this_thread::get_id() != main_thread)
            timer_thread_calls++;
        else if (tick_inside.load())
            control_saw_tick++;
    }
    ~CallScope() { calls_in_progress.fetch_sub(1); }
};

int check_allocate(const SAMPLE *)
{
    CallScope scope;
    for (int voice = 0; voice < RECORDER_VOICES; voice++) {
        if (!allocated[voice]) {
            allocated[voice] = 1;
            return voice;
        }
    }
    return -1;
}

void check_reallocate(int, const SAMPLE *spl)
{
    CallScope scope;
    // A tick hands over a sample of the module it is playing: read it.
    const unsigned char *data = (const unsigned char *)spl->data;
    for (unsigned long frame = 0; frame < spl->len; frame++)
        sample_sum = sample_sum + data[frame];
}

void check_deallocate(int voice)
{
    CallScope scope;
    allocated[voice] = 0;
}

void check_voice(int)
{
    CallScope scope;
}

void check_value(int, int)
{
    CallScope scope;
}

void check_volume(int, int)
{
    CallScope scope;
    if (std::this_thread::get_id() != main_thread && slow_tick_wanted.exchange(0)) {
        tick_inside = 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        // Still inside the tick: the module must still be there.
        sample_sum = sample_sum + ((const unsigned char *)of->samples[0].data)[0];
        tick_inside = 0;
    }
}

int check_get_position(int)
{
    CallScope scope;
    return 0;
}

const JGMOD_VOICE_DRIVER checking_voices = {
    check_allocate, check_reallocate, check_deallocate, check_voice, check_voice, check_value,
    check_volume, check_value, check_value, check_value, check_get_position,
};

// A busy song: every tick starts a row, every row starts notes, and it
// breaks, jumps and changes its bpm (which re-installs the timer from the
// timer thread itself).
JGMOD *busy_song(int variant)
{
    JGMOD *j = build_module(6, 3, 8, 3);
    j->tempo = 1;
    j->bpm = 2000;  // the fastest the player lets the timer run
    for (int pattern = 0; pattern < 3; pattern++) {
        for (int row = 0; row < 8; row++) {
            for (int channel = 0; channel < 6; channel++)
                set_cell(j, pattern, row, channel, 1 + (row + channel) % 3, 4000 + 500 * row, 0,
                         0x0A, 0x01);
        }
    }
    set_command(j, 0, 3, 5, 0x0D, 0x05);
    set_command(j, 1, 7, 4, 0x0B, variant % 3);
    set_command(j, 2, 2, 5, 0x0F, 250);
    j->restart_order = variant % 2;
    return j;
}

bool start_library_timer()
{
    static int state = 0;  // 1 up, -1 not available
    if (state == 0) {
        state = -1;
        if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) == 0 && install_timer() == 0)
            state = 1;
    }
    return state == 1;
}

class PlayerOnTimerThread : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!start_library_timer())
            GTEST_SKIP() << "the library's timer needs a display (run under xvfb-run)";
        main_thread = std::this_thread::get_id();
        for (int &voice : allocated)
            voice = 0;
        overlaps = 0;
        control_saw_tick = 0;
        timer_thread_calls = 0;
        reset_player_globals();
        jgmod_voices = &checking_voices;
        ASSERT_EQ(install_mod(4), 1);
    }
    void TearDown() override
    {
        if (jgmod_voices != &checking_voices)
            return;
        remove_mod();
        reset_player_globals();
        jgmod_voices = &jgmod_allegro_voices;
    }
};

void wait_for(const std::atomic<int> &flag)
{
    for (int wait = 0; wait < 2000 && !flag.load(); wait++)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

} // namespace

TEST_F(PlayerOnTimerThread, StopWaitsForTheTickInProgress)
{
    JGMOD *j = busy_song(0);
    play_mod(j, 1);
    slow_tick_wanted = 1;
    wait_for(tick_inside);
    ASSERT_EQ(tick_inside.load(), 1) << "the timer never ran a tick";
    stop_mod();
    EXPECT_EQ(tick_inside.load(), 0);
    EXPECT_EQ(control_saw_tick.load(), 0);
    EXPECT_EQ(overlaps.load(), 0);
    destroy_mod(j);
}

TEST_F(PlayerOnTimerThread, DestroyWaitsForTheTickInProgress)
{
    JGMOD *j = busy_song(1);
    play_mod(j, 1);
    slow_tick_wanted = 1;
    wait_for(tick_inside);
    ASSERT_EQ(tick_inside.load(), 1) << "the timer never ran a tick";
    destroy_mod(j);  // the tick reads the module after its pause
    EXPECT_EQ(of, nullptr);
    EXPECT_EQ(control_saw_tick.load(), 0);
    EXPECT_EQ(overlaps.load(), 0);
}

TEST_F(PlayerOnTimerThread, ControlCallsInATightLoopNeverMeetARunningTick)
{
    const int song_count = 4;
    JGMOD *songs[song_count];
    for (int index = 0; index < song_count; index++)
        songs[index] = busy_song(index);
    srand(12345);
    long operations = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < deadline) {
        int index = rand() % song_count;
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
        default:
            // Destroy a song, often the one playing, and build it anew.
            destroy_mod(songs[index]);
            songs[index] = busy_song(index);
            play_mod(songs[rand() % song_count], 1);
            set_mod_speed(400);
            break;
        }
        operations++;
        // Let the timer thread in now and then, as a game loop would.
        if (operations % 64 == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    remove_mod();
    for (JGMOD *j : songs)
        destroy_mod(j);
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_GT(timer_thread_calls.load(), 1000) << "the handler hardly ran";
    RecordProperty("operations", (int)operations);
    RecordProperty("timer_thread_voice_calls", (int)timer_thread_calls.load());
    printf("%ld control calls, %ld voice calls from the timer thread\n", operations,
           timer_thread_calls.load());
}
