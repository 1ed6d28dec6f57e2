// Sound effects, the MIDI songs and the in-game module.
#include "app/app.h"

#include "modplayer/jgmod.h"

namespace {
const int SAMPLE_PAN = 125;
const int SAMPLE_PITCH = 1000; // unchanged pitch
const int MODULE_VOLUME = 60;
} // namespace

void PlaySoundA(int index)
{
    play_sample(Datafile_Sample(index), sound_volume, SAMPLE_PAN, SAMPLE_PITCH, 0);
}

void PlaySong(int index)
{
    if (music_on) {
        play_midi(Datafile_Midi(index), 0);
    }
}

void Music(void)
{
    set_mod_volume(MODULE_VOLUME);
    // Only a module the player itself loaded may be played; anything else in
    // that slot would be read as a module and run wild in the timer thread.
    if (data[DAT_MODULE].type == DAT_JGM) {
        play_mod((JGMOD *)data[DAT_MODULE].dat, TRUE);
    }
}
