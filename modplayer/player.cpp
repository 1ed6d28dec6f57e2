// The tick engine: mod_interrupt advances the song by one tick, starts the
// row's notes, runs the active effects and pushes every channel's sample,
// frequency, volume and pan to its voice. Integer arithmetic only, and no
// allocation: it runs on the library's timer thread.
#include "jgmod_guard.h"
#include "jgmod_internal.h"

// What a missing cell reads as: a pattern without rows, a pattern number
// outside the module, or a row outside the pattern play as silence.
static const NOTE_INFO empty_cell = {0, 0, 0, 0, 0};

static int min_of(int a, int b)
{
    return a < b ? a : b;
}

// Channels that have both cells and a voice.
static int sounding_channels(void)
{
    return jgmod_clamp(min_of(mi.channel_count, mi.voice_count), 0, MAX_ALLEG_VOICE);
}

static int pattern_at(int order)
{
    if (order < 0 || order >= MAX_ORDER)
        return -1;
    return of->order_table[order];
}

static const PATTERN_INFO *current_pattern(void)
{
    if (of->pattern_info == NULL || mi.pattern < 0 || mi.pattern >= of->pattern_count)
        return NULL;
    return &of->pattern_info[mi.pattern];
}

static int current_row_count(void)
{
    const PATTERN_INFO *pattern = current_pattern();
    return pattern == NULL ? 0 : pattern->row_count;
}

static const NOTE_INFO *cell_at(int channel)
{
    const PATTERN_INFO *pattern = current_pattern();
    if (pattern == NULL || pattern->notes == NULL || mi.row < 0 || mi.row >= pattern->row_count ||
        channel < 0 || channel >= of->channel_count)
        return &empty_cell;
    return get_note(of, mi.pattern, mi.row, channel);
}

// A break or jump to a row the pattern does not have starts the pattern at
// its top, as a musician breaking "too far" would expect.
static void bring_row_into_range(void)
{
    if (mi.row < 0 || mi.row >= current_row_count())
        mi.row = 0;
}

static int valid_sample(int sample)
{
    return sample >= 0 && sample < of->sample_count && of->sample_info != NULL &&
           of->samples != NULL;
}

/* ---- Notes, periods and frequencies ---- */

// Entry i of logtab, where entry 104, one past the end, is the note that
// entry 8 names an octave higher (period 428, C without finetune).
static int logtab_entry(int index)
{
    if (index >= 104)
        return logtab[8] / 2;
    return logtab[index];
}

static int amiga_period(int note, int tuning)
{
    int n = jgmod_clamp(note, 0, 118);
    int octave = n / 12;
    int step = n % 12;
    int index = (unsigned short)(step * 8 + (tuning >> 4));
    if (index > 103)
        index = 103;  // a finetune outside 0..255 gets the table's last step
    int f = tuning / 16;
    int a = logtab_entry(index);
    int b = logtab_entry(index + 1);
    return (a + f * (b - a) / 15) >> octave;
}

int note2period(int note, int tuning)
{
    if (mi.flags & LINEAR_MODE) {
        int n = jgmod_clamp(note, 0, 118);
        return 7680 - 64 * n - tuning / 2 + 64;
    }
    if (mi.flags & PERIOD_MODE)
        return amiga_period(note, tuning);
    if (tuning == 0)
        tuning = DEFAULT_TUNING;
    // A value so low that (v * t) / 8363 is below 1 gets the lowest pitch
    // there is rather than a division by zero.
    long long divisor = ((long long)note * tuning) / REFERENCE_RATE;
    if (divisor < 1)
        divisor = 1;
    return (int)(PERIOD_CLOCK / divisor);
}

int period2pitch(int period)
{
    int flags = of != NULL ? of->flags : mi.flags;
    if ((flags & (XM_MODE | LINEAR_MODE)) == (XM_MODE | LINEAR_MODE)) {
        if (period < 0)
            period = 0;
        int shift = period / 768;
        if (shift >= 32)
            return 0;
        return (int)(lintab[period % 768] >> shift);
    }
    if (period < 1)
        period = 1;
    if ((flags & (XM_MODE | PERIOD_MODE)) == (XM_MODE | PERIOD_MODE))
        return AMIGA_TABLE_CLOCK / period;
    return PERIOD_CLOCK / period;
}

int get_jgmod_sample_no(int instrument, int note)
{
    if (of == NULL || !(mi.flags & XM_MODE))
        return instrument;
    int last = of->sample_count - 1;
    if (note < 0 || note >= NOTES_PER_INSTRUMENT || instrument < 0 ||
        instrument >= of->instrument_count || of->instrument_info == NULL)
        return last;
    int sample = of->instrument_info[instrument].note_sample[note];
    return (sample < 0 || sample > last) ? last : sample;
}

int calc_volume(int channel)
{
    const CHANNEL_STATE *c = &ci[channel];
    long long level = ((long long)c->tick_volume * mi.global_volume * c->fade_volume) >> 19;
    long long volume = (level * ((long long)mod_volume * c->volume_env.output)) >> 14;
    return (int)(volume < 0 ? 0 : (volume > 255 ? 255 : volume));
}

int calc_pan(int channel)
{
    const CHANNEL_STATE *c = &ci[channel];
    int e = c->pan_env.output - 32;
    int p = c->tick_pan;
    int pan = p < 128 ? p + (p * e) / 32 : p + ((256 - p) * e) / 32;
    return jgmod_clamp(pan, 0, 255);
}

/* ---- Starting notes ---- */

static void select_sample(CHANNEL_STATE *c, int sample)
{
    c->sample = sample;
    c->volume = of->sample_info[sample].volume;
    c->tuning = of->sample_info[sample].tuning;
}

void parse_old_note(int channel, int note, int sample_no)
{
    CHANNEL_STATE *c = &ci[channel];
    if (!valid_sample(sample_no))
        sample_no = -1;
    if (note <= 0) {
        if (sample_no < 0)
            return;
        // A new sample without a note starts at the old pitch.
        if (sample_no != c->sample && c->period > 0)
            c->trigger = -1;
        select_sample(c, sample_no);
        return;
    }
    if (sample_no >= 0)
        select_sample(c, sample_no);
    c->period = note2period(note, c->tuning);
    c->trigger = -1;
}

static void reset_envelope(ENVELOPE_STATE *es, int output)
{
    es->flags = 0;
    es->points = 0;
    es->index = 0;
    es->next = 0;
    es->position = 0;
    es->output = output;
}

static void start_instrument(CHANNEL_STATE *c)
{
    const INSTRUMENT_INFO *ii = &of->instrument_info[c->instrument];
    c->fade_rate = ii->fadeout;
    start_envelope(&c->volume_env, ii->volume_env_value, ii->volume_env_tick,
                   ii->volume_env_flags, ii->volume_env_points, ii->volume_env_loop_start,
                   ii->volume_env_loop_end, ii->volume_env_sustain_start,
                   ii->volume_env_sustain_end);
    start_envelope(&c->pan_env, ii->pan_env_value, ii->pan_env_tick, ii->pan_env_flags,
                   ii->pan_env_points, ii->pan_env_loop_start, ii->pan_env_loop_end,
                   ii->pan_env_sustain_start, ii->pan_env_sustain_end);
}

void parse_new_note(int channel, int note, int instrument_no)
{
    CHANNEL_STATE *c = &ci[channel];
    c->key_off = 0;
    c->fade_volume = 32768;
    c->fade_rate = 0;
    reset_envelope(&c->volume_env, 64);
    reset_envelope(&c->pan_env, 32);

    if (note >= 1) {
        int n = note - 1;
        if (instrument_no >= 0)
            c->instrument = instrument_no;
        c->note = n;
        int sample = get_jgmod_sample_no(c->instrument, n);
        // A module without samples has nothing to play: the note is ignored.
        if (valid_sample(sample)) {
            const SAMPLE_INFO *si = &of->sample_info[sample];
            c->sample = sample;
            c->transpose = si->transpose;
            c->tuning = si->tuning;
            c->period = note2period(n + c->transpose, c->tuning);
            c->trigger = -1;
            if (instrument_no >= 0) {
                c->volume = si->volume;
                c->pan = si->pan;
            }
        }
    }
    if (c->instrument >= 0 && c->instrument < of->instrument_count && of->instrument_info != NULL)
        start_instrument(c);
}

/* ---- The row's first tick ---- */

// Row-level commands act for every channel of the module, voice or not.
static void run_row_commands(void)
{
    for (int channel = 0; channel < mi.channel_count; channel++) {
        const NOTE_INFO *cell = cell_at(channel);
        int parameter = cell->parameter;
        int has_state = channel < MAX_ALLEG_VOICE;
        if (has_state) {
            ci[channel].global_slide_on = 0;
            ci[channel].loop_pending = 0;
        }
        switch (cell->command) {
        case CMD_POSITION_JUMP: do_position_jump(parameter); break;
        case CMD_PATTERN_BREAK: do_pattern_break(parameter); break;
        case CMD_SPEED_BPM: do_pro_tempo_bpm(parameter); break;
        case CMD_SET_TEMPO: do_s3m_set_tempo(parameter); break;
        case CMD_SET_BPM: do_s3m_set_bpm(parameter); break;
        case CMD_GLOBAL_VOLUME: do_global_volume(parameter); break;
        case CMD_GLOBAL_VOLUME_SLIDE:
            if (has_state)
                parse_global_volume_slide(channel, parameter);
            break;
        case CMD_EXTENDED:
            if (jgmod_high_nibble(parameter) == EXT_PATTERN_LOOP && has_state)
                do_pattern_loop(channel, parameter);
            else if (jgmod_high_nibble(parameter) == EXT_PATTERN_DELAY)
                mi.pattern_delay = mi.tempo * jgmod_low_nibble(parameter);
            break;
        default: break;
        }
    }
}

static void clear_row_effects(CHANNEL_STATE *c)
{
    c->pan_slide = 0;
    c->pitch_slide_on = 0;
    c->s3m_volume_slide_on = 0;
    c->xm_volume_slide_on = 0;
    c->xm_slide_down_on = 0;
    c->xm_slide_up_on = 0;
    c->s3m_slide_on = 0;
    c->offset_pending = 0;
    c->porta_on = 0;
    c->s3m_retrig_on = 0;
    c->arpeggio_on = 0;
    c->vibrato_on = 0;
    c->tremolo_on = 0;
    c->tremor_on = 0;
    c->trigger = 0;
    c->note_delay = 0;
    c->note_cut = 0;
    c->volume_slide = 0;
    c->retrig_interval = 0;
}

static int cell_slides(const NOTE_INFO *cell)
{
    return cell->command == CMD_TONE_PORTAMENTO || cell->command == CMD_PORTAMENTO_VOLUME_SLIDE ||
           cell->command == CMD_PORTAMENTO_XM_VOLUME_SLIDE || cell->volume >= VOLUME_COLUMN_PORTAMENTO;
}

static int porta_target_note(const CHANNEL_STATE *c, const NOTE_INFO *cell)
{
    return cell->note <= 0 ? 0 : c->transpose + cell->note;
}

// The per-channel commands of the row's first tick. Row-level commands were
// handled by run_row_commands and do nothing here.
static void set_up_command(int channel, const NOTE_INFO *cell, int sample)
{
    CHANNEL_STATE *c = &ci[channel];
    int p = cell->parameter;
    switch (cell->command) {
    case CMD_ARPEGGIO: parse_pro_arpeggio(channel, p); break;
    case CMD_PITCH_SLIDE_UP: parse_pro_pitch_slide_up(channel, p); break;
    case CMD_PITCH_SLIDE_DOWN: parse_pro_pitch_slide_down(channel, p); break;
    case CMD_TONE_PORTAMENTO: parse_slide2period(channel, p, porta_target_note(c, cell)); break;
    case CMD_VIBRATO: parse_vibrato(channel, p, 5); break;
    case CMD_PORTAMENTO_VOLUME_SLIDE:
        parse_slide2period(channel, 0, cell->note);
        parse_pro_volume_slide(channel, p);
        break;
    case CMD_VIBRATO_VOLUME_SLIDE:
        parse_vibrato(channel, 0, 5);
        parse_pro_volume_slide(channel, p);
        break;
    case CMD_TREMOLO: parse_tremolo(channel, p, 6); break;
    case CMD_SET_PAN: c->pan = p; break;
    case CMD_SAMPLE_OFFSET:
        if (cell->note > 0 || sample >= 0) {
            c->offset_pending = -1;
            c->trigger = -1;
            if (p != 0)
                c->offset = p * 256;  // 0 plays from the previous offset again
        }
        break;
    case CMD_VOLUME_SLIDE: parse_pro_volume_slide(channel, p); break;
    case CMD_SET_VOLUME: c->volume = p; break;
    case CMD_EXTENDED:
        if (jgmod_high_nibble(p) != EXT_PATTERN_LOOP && jgmod_high_nibble(p) != EXT_PATTERN_DELAY)
            parse_extended_command(channel, p);
        break;
    case CMD_S3M_VOLUME_SLIDE: parse_s3m_volume_slide(channel, p); break;
    case CMD_S3M_PORTAMENTO_DOWN: parse_s3m_portamento_down(channel, p); break;
    case CMD_S3M_PORTAMENTO_UP: parse_s3m_portamento_up(channel, p); break;
    case CMD_TREMOR: parse_tremor(channel, p); break;
    case CMD_S3M_ARPEGGIO: parse_s3m_arpeggio(channel, p); break;
    case CMD_VIBRATO_S3M_VOLUME_SLIDE:
        parse_vibrato(channel, 0, 5);
        parse_s3m_volume_slide(channel, p);
        break;
    case CMD_PORTAMENTO_S3M_VOLUME_SLIDE:
        parse_slide2period(channel, 0, cell->note);
        parse_s3m_volume_slide(channel, p);
        break;
    case CMD_S3M_RETRIG: parse_s3m_retrig(channel, p); break;
    case CMD_S3M_TREMOLO: parse_tremolo(channel, p, 7); break;
    case CMD_FINE_VIBRATO: parse_vibrato(channel, p, 7); break;
    case CMD_S3M_PANNING: parse_s3m_panning(channel, p); break;
    case CMD_XM_PITCH_SLIDE_UP: parse_xm_pitch_slide_up(channel, p); break;
    case CMD_XM_PITCH_SLIDE_DOWN: parse_xm_pitch_slide_down(channel, p); break;
    case CMD_PORTAMENTO_XM_VOLUME_SLIDE:
        parse_slide2period(channel, 0, porta_target_note(c, cell));
        parse_xm_volume_slide(channel, p);
        break;
    case CMD_VIBRATO_XM_VOLUME_SLIDE:
        parse_vibrato(channel, 0, 5);
        parse_xm_volume_slide(channel, p);
        break;
    case CMD_XM_VOLUME_SLIDE: parse_xm_volume_slide(channel, p); break;
    case CMD_KEY_OFF:
        c->key_off = -1;
        if (!(c->volume_env.flags & 1))
            c->volume = 0;
        break;
    case CMD_SET_ENVELOPE_POSITION: parse_xm_set_envelop_position(&c->volume_env, p); break;
    case CMD_XM_PAN_SLIDE: parse_xm_pan_slide(channel, p); break;
    case CMD_XM_EXTRA_FINE_PORTAMENTO: do_xm_x(channel, p); break;
    default: break;  // row-level commands and unknown codes
    }
}

// The sample a sliding cell takes its volume from, or -1.
static int slide_volume_sample(int channel, int sample)
{
    if (mi.flags & XM_MODE)
        sample = get_jgmod_sample_no(sample, ci[channel].note);
    return valid_sample(sample) ? sample : -1;
}

static void start_cell_note(int channel, const NOTE_INFO *cell, int sample)
{
    CHANNEL_STATE *c = &ci[channel];
    c->tremor_count = 0;
    c->porta_target = 0;
    if (c->vibrato_wave < 3)
        c->vibrato_pos = 0;
    if (c->tremolo_wave < 3)
        c->tremolo_pos = 0;
    if (mi.flags & XM_MODE)
        parse_new_note(channel, cell->note, sample);
    else
        parse_old_note(channel, cell->note, sample);
}

static void run_note(int channel)
{
    CHANNEL_STATE *c = &ci[channel];
    const NOTE_INFO *cell = cell_at(channel);
    clear_row_effects(c);

    int sample = cell->sample - 1;
    // A sample number the module does not have is ignored, as if none were given.
    if (!(mi.flags & XM_MODE) && !valid_sample(sample))
        sample = -1;
    int slides = cell_slides(cell);
    if (sample >= 0 && slides) {
        int source = slide_volume_sample(channel, sample);
        if (source >= 0)
            c->volume = of->sample_info[source].volume;
    }
    if ((cell->note > 0 || sample >= 0) && !slides)
        start_cell_note(channel, cell, sample);
    if (cell->note < 0)
        parse_note_command(channel, cell->note);
    if (cell->volume >= VOLUME_COLUMN_SET)
        parse_volume_command(channel, cell->volume, cell->note);
    set_up_command(channel, cell, sample);

    c->tick_pan = c->pan;
    c->tick_volume = c->volume;
    c->tick_period = c->period;
}

/* ---- Effects of the later ticks ---- */

static void run_tick_effects(int channel)
{
    CHANNEL_STATE *c = &ci[channel];
    if (c->s3m_retrig_on)
        do_s3m_retrig(channel);
    if (c->arpeggio_on)
        do_arpeggio(channel);
    if (c->pitch_slide_on) {
        c->period = jgmod_slide_period(c->period, c->pitch_slide);
        c->tick_period = jgmod_slide_period(c->tick_period, c->pitch_slide);
    }
    if (c->volume_slide != 0) {
        c->volume += c->volume_slide;
        c->tick_volume += c->volume_slide;
    }
    if (c->retrig_interval != 0 && mi.tick % c->retrig_interval == 0)
        c->trigger = -1;
    if (c->note_cut != 0 && mi.tick == c->note_cut) {
        c->volume = 0;
        c->tick_volume = 0;
    }
    if (c->porta_on)
        do_slide2period(channel);
    if (c->note_delay != 0)
        do_delay_sample(channel);
    if (c->tremor_on)
        do_tremor(channel);
    if (c->xm_volume_slide_on)
        do_xm_volume_slide(channel);
    if (c->xm_slide_up_on)
        do_xm_pitch_slide_up(channel);
    if (c->xm_slide_down_on)
        do_xm_pitch_slide_down(channel);
    if (c->pan_slide != 0)
        do_xm_pan_slide(channel);
    if (c->global_slide_on)
        do_global_volume_slide(channel);
}

static void run_every_tick_effects(int channel)
{
    const CHANNEL_STATE *c = &ci[channel];
    if (c->vibrato_on)
        do_vibrato(channel);
    if (c->tremolo_on)
        do_tremolo(channel);
    if (c->s3m_volume_slide_on)
        do_s3m_volume_slide(channel);
    if (c->s3m_slide_on)
        do_s3m_portamento(channel);
}

/* ---- The voices ---- */

static void clamp_channel(CHANNEL_STATE *c)
{
    if (c->tick_period < 4)
        c->tick_period = 4;
    c->volume = jgmod_clamp(c->volume, 0, 64);
    c->tick_volume = jgmod_clamp(c->tick_volume, 0, 64);
    c->pan = jgmod_clamp(c->pan, 0, 255);
    c->tick_pan = jgmod_clamp(c->tick_pan, 0, 255);
}

// The loop length in frames of the sample each channel's voice last took;
// 0 while it plays its sample once.
static int voice_loop_frames[MAX_ALLEG_VOICE];

void forget_voice_loops(void)
{
    for (int &frames : voice_loop_frames)
        frames = 0;
}

// The library's mixer reads a voice's first frame even when it has none.
static int sample_has_frames(int sample)
{
    return valid_sample(sample) && of->samples[sample].len > 0 && of->samples[sample].data != NULL;
}

// The library's mixer wraps a looping voice by the loop's length and reads up
// to its end: an empty or inverted loop would spin the mixer forever, and one
// past the data would read outside it. Such a sample plays once instead.
static int loop_is_playable(const SAMPLE *s)
{
    return s->loop_start < s->loop_end && s->loop_end <= s->len;
}

static void load_sample(int channel, int voice, const CHANNEL_STATE *c)
{
    const SAMPLE *s = &of->samples[c->sample];
    jgmod_voices->reallocate_voice(voice, s);
    voice_loop_frames[channel] = 0;
    int loop_type = of->sample_info[c->sample].loop_type;
    if (!loop_is_playable(s) || !(loop_type & (LOOP_FORWARD | LOOP_PINGPONG)))
        return;
    voice_loop_frames[channel] = (int)(s->loop_end - s->loop_start);
    if (loop_type & LOOP_FORWARD)
        jgmod_voices->voice_set_playmode(voice, PLAYMODE_LOOP);
    if (loop_type & LOOP_PINGPONG)
        jgmod_voices->voice_set_playmode(voice, PLAYMODE_LOOP | PLAYMODE_BIDIR);
}

// What the library can play. Past the end of a loop its mixer steps back one
// loop length per output frame, so a voice that moves a whole loop or more
// per output frame runs off the loop and out of the sample data.
static int playable_frequency(int channel, long long frequency, long long mixer_frequency)
{
    long long limit = JGMOD_FREQUENCY_LIMIT - 1;
    long long loop_limit = voice_loop_frames[channel] * mixer_frequency - 1;
    if (voice_loop_frames[channel] > 0 && mixer_frequency > 0 && loop_limit < limit)
        limit = loop_limit;
    return (int)(frequency < 0 ? 0 : (frequency > limit ? limit : frequency));
}

static void update_voice(int channel, int mixer_frequency)
{
    CHANNEL_STATE *c = &ci[channel];
    int voice = voice_table[channel];
    if (c->note_delay != 0 || voice < 0)
        return;
    clamp_channel(c);
    // A trigger without a sample the module has, or of an empty one, starts nothing.
    if (c->trigger == -1 && !sample_has_frames(c->sample))
        c->trigger = 0;
    if (c->trigger == -1)
        load_sample(channel, voice, c);
    if (c->offset_pending == -1) {
        jgmod_voices->voice_set_position(voice, c->offset);
        c->offset_pending = 0;
    }
    if (c->period > 0) {
        int pitch_ratio = jgmod_load_shared(&mi.pitch_ratio);
        long long frequency = (long long)period2pitch(c->tick_period) * pitch_ratio / 100;
        jgmod_voices->voice_set_frequency(voice, playable_frequency(channel, frequency, mixer_frequency));
    }
    process_envelope(&c->volume_env, 64, c->key_off);
    process_envelope(&c->pan_env, 32, c->key_off);
    jgmod_voices->voice_set_volume(voice, calc_volume(channel));
    jgmod_voices->voice_set_pan(voice, calc_pan(channel));
    if (c->key_off == -1) {
        c->fade_volume -= c->fade_rate;
        if (c->fade_volume < 0)
            c->fade_volume = 0;
    }
    if (c->trigger == -1) {
        jgmod_voices->voice_start(voice);
        c->trigger = 0;
    }
}

/* ---- One tick ---- */

// Carries out a jump requested by a control call. Returns 0 when the song was
// restarted from the beginning and the tick is over.
static int take_pending_jump(void)
{
    mi.row = mi.jump_row - 1;
    mi.order = mi.jump_order - 1;
    mi.pattern = pattern_at(mi.order);
    mi.tick = -1;
    mi.jump_row = 0;
    mi.jump_order = 0;
    mi.break_row = 0;
    mi.break_order = 0;
    for (int channel = 0; channel < mi.voice_count; channel++) {
        ci[channel].porta_target = 0;
        ci[channel].loop_row = 0;
        ci[channel].loop_count = 0;
    }
    for (int channel = 0; channel < mi.voice_count; channel++) {
        ci[channel].volume = 0;
        if (voice_table[channel] < 0)
            continue;
        jgmod_voices->voice_set_volume(voice_table[channel], 0);
        jgmod_voices->voice_stop(voice_table[channel]);
    }
    if (mi.order == 0) {
        play_mod(of, mi.loop);
        return 0;
    }
    bring_row_into_range();
    return 1;
}

static void clear_loops(void)
{
    for (int channel = 0; channel < mi.voice_count; channel++) {
        ci[channel].loop_row = 0;
        ci[channel].loop_count = 0;
    }
}

static void end_row(void)
{
    mi.tick = 0;
    for (int channel = 0; channel < sounding_channels(); channel++) {
        if (ci[channel].loop_pending && ci[channel].loop_count > 0) {
            mi.break_row = ci[channel].loop_row + 1;
            mi.break_order = mi.order + 1;
        }
    }
    if (mi.break_row == 0) {
        mi.row++;
        if (mi.row >= current_row_count()) {
            mi.row = 0;
            mi.order++;
            mi.pattern = pattern_at(mi.order);
            clear_loops();
        }
        return;
    }
    mi.row = mi.break_row - 1;
    mi.order = mi.break_order - 1;
    mi.pattern = pattern_at(mi.order);
    mi.break_row = 0;
    mi.break_order = 0;
    bring_row_into_range();
}

static int song_has_ended(void)
{
    return mi.order < 0 || mi.order >= of->order_count || mi.order >= MAX_ORDER;
}

static void end_song(void)
{
    for (int channel = 0; channel < mi.voice_count; channel++) {
        if (voice_table[channel] >= 0)
            jgmod_voices->voice_stop(voice_table[channel]);
    }
    if (mi.loop == 0) {
        jgmod_store_shared(&mi.playing, 0);
        jgmod_set_current_module(NULL);
        return;
    }
    JGMOD *song = of;
    play_mod(song, 1);
    goto_mod_track(song->restart_order);
}

static void run_tick(void)
{
    if (mi.jump_row != 0 && !take_pending_jump())
        return;
    mi.tick++;
    if (mi.tick >= mi.tempo && mi.pattern_delay > 0) {
        mi.pattern_delay--;
        return;
    }
    if (mi.tick >= mi.tempo)
        end_row();
    if (song_has_ended()) {
        end_song();
        return;
    }
    int channels = sounding_channels();
    if (mi.tick == 0) {
        run_row_commands();
        for (int channel = 0; channel < channels; channel++)
            run_note(channel);
    } else {
        for (int channel = 0; channel < channels; channel++)
            run_tick_effects(channel);
    }
    for (int channel = 0; channel < channels; channel++)
        run_every_tick_effects(channel);
    int mixer_frequency = jgmod_mixer_frequency();
    for (int channel = 0; channel < channels; channel++)
        update_voice(channel, mixer_frequency);
}

void mod_interrupt(void)
{
    if (!jgmod_enter_tick())
        return;
    if (of != NULL && mi.paused != -1)
        run_tick();
    jgmod_leave_tick();
}

void lock_jgmod_player(void)
{
}
