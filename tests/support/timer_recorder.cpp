// The recording timer.
#include "support/timer_recorder.h"

static RecordedTimer timer_state;

static int rec_install_int_ex(void (*)(void), long speed)
{
    timer_state.installed = 1;
    timer_state.period = speed;
    timer_state.install_calls++;
    return 0;
}

static void rec_remove_int(void (*)(void))
{
    timer_state.installed = 0;
    timer_state.remove_calls++;
}

static const JGMOD_TIMER_DRIVER recorder = {rec_install_int_ex, rec_remove_int};

void timer_recorder_install()
{
    timer_state = RecordedTimer{};
    jgmod_timer = &recorder;
}

void timer_recorder_remove()
{
    jgmod_timer = &jgmod_allegro_timer;
}

const RecordedTimer &recorded_timer()
{
    return timer_state;
}
