// The player's control calls: installing the player, starting, stopping,
// pausing and steering songs, and the "JGM " datafile object type.
//
// Every call that changes the song state or touches the voices brackets its
// work with jgmod_begin_change/jgmod_end_change, which raise forbid and wait
// for a tick already running on the timer thread to finish.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "jgmod_guard.h"
#include "jgmod_internal.h"
#include "jgmod_timer.h"

#define TIMER_UNITS_PER_MINUTE 71590860L  // 1193181 timer units a second, times 60
// The timer fires at most once a millisecond: a faster handler would only burn
// the timer thread, and no song asks for it (255 bpm at 400 % is 2924 units).
#define MIN_TICK_PERIOD 1193L

// The tick-rate rule. Its divisor is 0 for a bpm of 0 (a JGM file may carry
// one) or a very low bpm at a low speed ratio; it is kept at 1 or more, which
// makes such a song crawl at one tick a minute rather than divide by zero.
static long tick_period(int bpm)
{
    long long divisor = ((long long)mi.speed_ratio * 24 * bpm) / 100;
    if (divisor < 1)
        divisor = 1;
    long period = (long)(TIMER_UNITS_PER_MINUTE / divisor);
    return period < MIN_TICK_PERIOD ? MIN_TICK_PERIOD : period;
}

void install_mod_timer(int bpm)
{
    jgmod_timer->install_int_ex(mod_interrupt, tick_period(bpm));
}

static SAMPLE *make_fake_sample(void)
{
    SAMPLE *spl = (SAMPLE *)jgmod_calloc(sizeof(SAMPLE));
    if (spl == NULL) {
        jgmod_set_error("Unable to setup initialization sample");
        return NULL;
    }
    jgmod_init_sample(spl, 8, 0);
    spl->data = jgmod_calloc(0);
    if (spl->data == NULL) {
        jgmod_set_error("JGMOD : Not enough memory to setup initialization sample");
        free(spl);
        return NULL;
    }
    return spl;
}

// Reserves n voices on the silent sample; 0 when any could not be had, with
// every voice of this call released again. The voices are not started: the
// library's mixer reads a frame even of a sample that has none.
static int reserve_voices_for(int n)
{
    int failed = 0;
    forget_voice_loops();
    for (int channel = 0; channel < n; channel++) {
        voice_table[channel] = jgmod_voices->allocate_voice(fake_sample);
        if (voice_table[channel] == -1) {
            failed = 1;
            continue;
        }
        ci[channel].volume = 0;
        jgmod_voices->voice_set_volume(voice_table[channel], 0);
    }
    if (!failed)
        return 1;
    for (int channel = 0; channel < n; channel++) {
        if (voice_table[channel] != -1) {
            jgmod_voices->deallocate_voice(voice_table[channel]);
            voice_table[channel] = -1;
        }
    }
    return 0;
}

static void lock_player(void)
{
    lock_jgmod_player();
    lock_jgmod_player2();
    lock_jgmod_player3();
    lock_jgmod_player4();
    lock_jgmod_mod();
}

int install_mod(int voices)
{
    static int exit_hook_registered = 0;

    if (mod_init == -1)
        return 1;
    register_datafile_jgmod();
    if (voices < 1 || voices > MAX_ALLEG_VOICE)
        return -1;
    if (fake_sample == NULL) {
        fake_sample = make_fake_sample();
        if (fake_sample == NULL)
            return -1;
    }

    jgmod_begin_change();
    int reserved = reserve_voices_for(voices);
    if (reserved) {
        mi.voice_count = voices;
        jgmod_store_shared(&mi.playing, 0);
        mi.speed_ratio = 100;
        mi.pitch_ratio = 100;
        mod_init = -1;
    }
    jgmod_end_change();

    if (!reserved) {
        jgmod_set_error("JGMOD : Unable to allocate enough voices");
        return -1;
    }
    // One hook is enough however often the player is installed again.
    if (!exit_hook_registered) {
        exit_hook_registered = 1;
        atexit(remove_mod);
    }
    lock_player();
    return 1;
}

void remove_mod(void)
{
    stop_mod();
    jgmod_begin_change();
    jgmod_timer->remove_int(mod_interrupt);
    for (int channel = 0; channel < MAX_ALLEG_VOICE; channel++) {
        if (voice_table[channel] >= 0)
            jgmod_voices->deallocate_voice(voice_table[channel]);
        voice_table[channel] = -1;
    }
    mod_init = 0;
    jgmod_end_change();
}

static void reset_channel(int channel, const JGMOD *j)
{
    CHANNEL_STATE *c = &ci[channel];
    // These two memories carry over from the previous song.
    int extra_fine_up = c->xm_extra_fine_up_memory;
    int extra_fine_down = c->xm_extra_fine_down_memory;
    memset(c, 0, sizeof(*c));
    c->xm_extra_fine_up_memory = extra_fine_up;
    c->xm_extra_fine_down_memory = extra_fine_down;
    c->fade_volume = 32768;
    c->volume_env.output = 64;
    c->pan_env.output = 32;
    c->tremolo_shift = 6;
    c->vibrato_shift = 5;
    c->tuning = (mi.flags & XM_MODE) ? 0 : REFERENCE_RATE;
    if (channel < mi.voice_count)
        c->pan = j->channel_pan[channel];
}

// What stop_mod does to the song and the voices; `of` and `playing` are left
// to the caller, so a restart never shows "nothing playing" in between.
// The caller holds a change.
static void halt_song(void)
{
    mi.order = 0;
    for (int channel = 0; channel < mi.voice_count; channel++) {
        if (voice_table[channel] < 0)
            continue;
        jgmod_voices->voice_stop(voice_table[channel]);
        jgmod_voices->voice_set_volume(voice_table[channel], 0);
    }
}

// Where each voice stood when the song was paused, plus 1; 0 for a voice that
// was silent. Only the control calls use it.
static int paused_at[MAX_ALLEG_VOICE];

static void forget_paused_voices(void)
{
    for (int &position : paused_at)
        position = 0;
}

// A jump requested for one song must not end the next one.
static void forget_jump(void)
{
    mi.jump_row = 0;
    mi.jump_order = 0;
}

void play_mod(JGMOD *j, int loop)
{
    if (j == NULL) {
        jgmod_set_error("Can't play a JGMOD pointer with null value");
        return;
    }
    jgmod_begin_change();
    if (of != NULL)
        halt_song();
    forget_paused_voices();
    forget_jump();
    mi.flags = j->flags;
    for (int channel = 0; channel < MAX_ALLEG_VOICE; channel++)
        reset_channel(channel, j);
    mi.channel_count = j->channel_count;
    mi.tick = -1;
    mi.row = 0;
    mi.pattern = j->order_table[0];
    mi.order = 0;
    mi.bpm = j->bpm;
    mi.tempo = j->tempo;
    mi.global_volume = j->global_volume;
    mi.break_row = 0;
    mi.break_order = 0;
    mi.pattern_delay = 0;
    jgmod_store_shared(&mi.paused, 0);
    mi.loop = loop ? -1 : 0;
    jgmod_store_shared(&mi.playing, -1);
    jgmod_set_current_module(j);
    install_mod_timer(mi.bpm);
    jgmod_end_change();
}

void stop_mod(void)
{
    jgmod_begin_change();
    forget_paused_voices();
    if (of != NULL) {
        jgmod_store_shared(&mi.playing, 0);
        halt_song();
        forget_jump();
        jgmod_set_current_module(NULL);
    }
    jgmod_end_change();
}

void stop_mod_if_current(JGMOD *j)
{
    jgmod_begin_change();
    if (j != NULL && of == j)
        stop_mod();
    jgmod_end_change();
}

int is_mod_playing(void)
{
    return jgmod_load_shared(&mi.playing);
}

// A stopped voice reports no position, so where each sounding voice stands is
// noted before it stops; a second pause keeps what the first one noted.
void pause_mod(void)
{
    jgmod_begin_change();
    int already_paused = mi.paused == -1;
    jgmod_store_shared(&mi.paused, -1);
    for (int channel = 0; channel < mi.voice_count; channel++) {
        int voice = voice_table[channel];
        if (voice < 0)
            continue;
        if (!already_paused)
            paused_at[channel] = jgmod_voices->voice_get_position(voice) + 1;
        jgmod_voices->voice_stop(voice);
    }
    jgmod_end_change();
}

// Voices whose sample had run out before the pause stay silent.
void resume_mod(void)
{
    jgmod_begin_change();
    jgmod_store_shared(&mi.paused, 0);
    for (int channel = 0; channel < mi.voice_count; channel++) {
        int voice = voice_table[channel];
        if (voice < 0 || paused_at[channel] <= 0)
            continue;
        jgmod_voices->voice_set_position(voice, paused_at[channel] - 1);
        jgmod_voices->voice_start(voice);
    }
    forget_paused_voices();
    jgmod_end_change();
}

void toggle_pause_mode(void)
{
    if (is_mod_playing() == -1 && jgmod_load_shared(&mi.paused) == -1)
        resume_mod();
    else
        pause_mod();
}

int is_mod_paused(void)
{
    return is_mod_playing() ? jgmod_load_shared(&mi.paused) : 0;
}

// The target is worked out inside the change, since the tick moves `order`.
enum JumpTarget { JUMP_NEXT, JUMP_PREVIOUS, JUMP_TO };

static void request_jump(JumpTarget target, int new_track)
{
    jgmod_begin_change();
    int order_plus_one = new_track + 1;
    if (target == JUMP_NEXT)
        order_plus_one = mi.order + 2;
    else if (target == JUMP_PREVIOUS)
        order_plus_one = mi.order;
    mi.jump_row = 1;
    mi.jump_order = order_plus_one > 1 ? order_plus_one : 1;
    jgmod_end_change();
}

void next_mod_track(void)
{
    request_jump(JUMP_NEXT, 0);
}

void prev_mod_track(void)
{
    request_jump(JUMP_PREVIOUS, 0);
}

void goto_mod_track(int new_track)
{
    // Every position past the order table ends the song alike; keeping the
    // request within one past it keeps n + 1 from overflowing.
    if (new_track > MAX_ORDER)
        new_track = MAX_ORDER;
    request_jump(JUMP_TO, new_track);
}

void set_mod_volume(int volume)
{
    volume = jgmod_clamp(volume, 0, 255);
    jgmod_begin_change();
    mod_volume = volume;
    for (int channel = 0; channel < mi.voice_count; channel++) {
        if (voice_table[channel] >= 0)
            jgmod_voices->voice_set_volume(voice_table[channel], calc_volume(channel));
    }
    jgmod_end_change();
}

int get_mod_volume(void)
{
    return mod_volume;
}

void set_mod_speed(int speed)
{
    speed = jgmod_clamp(speed, 1, 400);
    jgmod_begin_change();
    mi.speed_ratio = speed;
    if (mi.playing == -1)
        install_mod_timer(mi.bpm);
    jgmod_end_change();
}

void set_mod_pitch(int pitch)
{
    pitch = jgmod_clamp(pitch, 1, 400);
    // One word the next tick reads: no change bracket needed.
    jgmod_store_shared(&mi.pitch_ratio, pitch);
}

SAMPLE *get_jgmod_sample(JGMOD *j, int sample_no)
{
    if (j == NULL) {
        jgmod_set_error("JGMOD pointer passed in is a NULL value");
        return NULL;
    }
    if (sample_no < 0 || sample_no >= j->sample_count) {
        jgmod_set_error("Incorrect value of no sample found");
        return NULL;
    }
    return &j->samples[sample_no];
}

void register_datafile_jgmod(void)
{
    static int registered = 0;
    if (registered)
        return;
    registered = 1;
    register_datafile_object(DAT_JGM, load_jgm_datafile, destroy_mod_datafile);
}

void destroy_mod_datafile(void *j)
{
    destroy_mod((JGMOD *)j);
}

void lock_jgmod_mod(void)
{
}
