// The effect family of 16- and 32-channel tracker songs, where one command
// byte has several forms told apart by its nibbles and a zero parameter
// repeats the last slide; also the volume column, the note commands and the
// global-volume, ticks-per-row and bpm commands that every module kind shares.
#include "jgmod_internal.h"

// Bpm slides stay within what the set-bpm form can reach (0x20..0xFF), and a
// slide that starts outside that range is never pushed further out.
#define BPM_SLIDE_MIN 32
#define BPM_SLIDE_MAX 255

// The fine forms are tested first, so 0xFF is a fine slide down and 0x0F a
// normal slide down.
void parse_s3m_volume_slide(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    int x = jgmod_high_nibble(extcommand);
    int y = jgmod_low_nibble(extcommand);
    if (x == 0xF && y != 0) {
        c->s3m_fine_volume_slide = -y;
        c->s3m_volume_slide = 0;
    } else if (y == 0xF && x != 0) {
        c->s3m_fine_volume_slide = x;
        c->s3m_volume_slide = 0;
    } else if (y == 0 && x != 0) {
        c->s3m_fine_volume_slide = 0;
        c->s3m_volume_slide = x;
    } else if (x == 0 && y != 0) {
        c->s3m_fine_volume_slide = 0;
        c->s3m_volume_slide = -y;
    } else if (extcommand != 0) {
        return;  // both nibbles set and neither fine: not a slide
    }
    c->s3m_volume_slide_on = -1;
}

void do_s3m_volume_slide(int chan)
{
    CHANNEL_STATE *c = &ci[chan];
    int step = mi.tick == 0 ? c->s3m_fine_volume_slide : c->s3m_volume_slide;
    c->volume += step;
    c->tick_volume += step;
}

// Sets the downward (period-raising) amounts; the caller negates for up.
static void s3m_portamento_amounts(CHANNEL_STATE *c, int extcommand)
{
    if (extcommand == 0) {
        c->s3m_slide = jgmod_magnitude(c->s3m_slide);
        c->s3m_fine_slide = jgmod_magnitude(c->s3m_fine_slide);
    } else if (extcommand > 0 && extcommand < 0xE0) {
        c->s3m_slide = 4 * extcommand;
        c->s3m_fine_slide = 0;
    } else if (extcommand >= 0xE0 && extcommand <= 0xEF) {  // extra fine
        c->s3m_slide = 0;
        c->s3m_fine_slide = jgmod_low_nibble(extcommand);
    } else if (extcommand >= 0xF0 && extcommand <= 0xFF) {  // fine
        c->s3m_slide = 0;
        c->s3m_fine_slide = 4 * jgmod_low_nibble(extcommand);
    }
    // Anything else keeps the amounts unchanged.
}

void parse_s3m_portamento_down(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    if (c->period == 0)
        return;
    s3m_portamento_amounts(c, extcommand);
    c->s3m_slide_on = -1;
}

// Both directions share the amounts, so a zero parameter repeats the last
// slide in this command's direction.
void parse_s3m_portamento_up(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    if (c->period == 0)
        return;
    s3m_portamento_amounts(c, extcommand);
    c->s3m_slide = -jgmod_magnitude(c->s3m_slide);
    c->s3m_fine_slide = -jgmod_magnitude(c->s3m_fine_slide);
    c->s3m_slide_on = -1;
}

void do_s3m_portamento(int chan)
{
    CHANNEL_STATE *c = &ci[chan];
    int step = mi.tick == 0 ? c->s3m_fine_slide : c->s3m_slide;
    c->period = jgmod_slide_period(c->period, step);
    c->tick_period = jgmod_slide_period(c->tick_period, step);
}

void parse_tremor(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    c->tremor_param = (jgmod_high_nibble(extcommand) + 1) * 256 + (jgmod_low_nibble(extcommand) + 1);
    c->tremor_on = -1;
}

// tremor_count runs on across rows, so a repeated command continues the
// cycle where the previous row left it.
void do_tremor(int chan)
{
    CHANNEL_STATE *c = &ci[chan];
    int on = (c->tremor_param >> 8) & 31;
    int total = (c->tremor_param & 31) + on;
    if (total < 1)
        return;  // no cycle was ever set up
    c->tremor_count %= total;
    c->tick_volume = c->tremor_count < on ? c->volume : 0;
    c->tremor_count++;
}

void parse_s3m_retrig(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    if (extcommand != 0) {
        c->s3m_retrig_interval = jgmod_low_nibble(extcommand);
        c->s3m_retrig_volume = jgmod_high_nibble(extcommand);
    }
    c->s3m_retrig_on = -1;
}

// The volume after one retrigger with the given change code.
static int retrig_volume(int volume, int code)
{
    switch (code) {
    case 1: return volume - 1;
    case 2: return volume - 2;
    case 3: return volume - 4;
    case 4: return volume - 8;
    case 5: return volume - 16;
    case 6: return volume * 2 / 3;
    case 7: return volume >> 1;
    case 9: return volume + 1;
    case 10: return volume + 2;
    case 11: return volume + 4;
    case 12: return volume + 8;
    case 13: return volume + 16;
    case 14: return volume * 3 / 2;
    case 15: return volume * 2;
    default: return volume;  // 0 and 8: no change
    }
}

void do_s3m_retrig(int chan)
{
    CHANNEL_STATE *c = &ci[chan];
    if (c->s3m_retrig_interval < 1 || mi.tick % c->s3m_retrig_interval != 0)
        return;
    c->trigger = -1;
    c->volume = retrig_volume(c->volume, c->s3m_retrig_volume);
    c->tick_volume = retrig_volume(c->tick_volume, c->s3m_retrig_volume);
}

// Unlike command 0x00, a zero parameter repeats the last arpeggio.
void parse_s3m_arpeggio(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    if (c->period == 0)
        return;
    c->arpeggio_on = -1;
    if (extcommand != 0)
        c->arpeggio = extcommand;
}

void parse_s3m_panning(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    if (extcommand == 0)
        c->pan = 0;
    else if (extcommand > 0 && extcommand <= 0x80)
        c->pan = 2 * extcommand - 1;
}

// The volume column runs before the cell's command, so a set-volume command
// in the same cell wins.
void parse_volume_command(int chan, int volume, int note)
{
    CHANNEL_STATE *c = &ci[chan];
    int y = jgmod_low_nibble(volume);
    if (volume >= VOLUME_COLUMN_SET && volume <= VOLUME_COLUMN_SET + 64)
        c->volume = volume - VOLUME_COLUMN_SET;
    switch (volume >> 4) {
    case VOL_SLIDE_DOWN: c->volume_slide = -y; break;
    case VOL_SLIDE_UP: c->volume_slide = y; break;
    case VOL_FINE_SLIDE_DOWN: c->volume -= y; break;
    case VOL_FINE_SLIDE_UP: c->volume += y; break;
    case VOL_VIBRATO_SPEED: c->vibrato_speed = 4 * y; break;
    case VOL_VIBRATO: parse_vibrato(chan, y, 5); break;
    case VOL_SET_PAN: c->pan = 17 * y; break;
    case VOL_PAN_SLIDE_LEFT:
        if (y != 0)
            c->vc_pan_left_memory = -y;
        c->pan_slide = c->vc_pan_left_memory;
        break;
    case VOL_PAN_SLIDE_RIGHT:
        if (y != 0)
            c->vc_pan_right_memory = y;
        c->pan_slide = c->vc_pan_right_memory;
        break;
    case VOL_TONE_PORTAMENTO:
        // Speed 0 keeps the previous speed; no note keeps the previous target.
        parse_slide2period(chan, 16 * y, note <= 0 ? 0 : c->transpose + note);
        break;
    default:
        break;
    }
    c->volume = jgmod_clamp(c->volume, 0, 64);
}

void parse_note_command(int chan, int note)
{
    CHANNEL_STATE *c = &ci[chan];
    if (note == NOTE_CUT) {
        c->volume = 0;
    } else if (note == NOTE_KEY_OFF) {
        // With a volume envelope the note fades through it instead.
        c->key_off = -1;
        if (!(c->volume_env.flags & 1))
            c->volume = 0;
    }
}

void do_global_volume(int extcommand)
{
    mi.global_volume = jgmod_clamp(extcommand, 0, 64);
}

void do_s3m_set_tempo(int extcommand)
{
    if (extcommand > 0)
        mi.tempo = extcommand;
}

void do_s3m_set_bpm(int extcommand)
{
    if (extcommand >= 0x20) {
        mi.bpm = extcommand;
    } else if (extcommand >= 0x10) {
        int floor = mi.bpm < BPM_SLIDE_MIN ? mi.bpm : BPM_SLIDE_MIN;
        int lowered = mi.bpm - (extcommand - 16);
        mi.bpm = lowered < floor ? floor : lowered;
    } else if (extcommand >= 0) {
        int ceiling = mi.bpm > BPM_SLIDE_MAX ? mi.bpm : BPM_SLIDE_MAX;
        int raised = mi.bpm + extcommand;
        mi.bpm = raised > ceiling ? ceiling : raised;
    } else {
        return;
    }
    install_mod_timer(mi.bpm);
}

void lock_jgmod_player3(void)
{
}
