#include "ui/option_steps.h"

#include <stdio.h>

int VolumeUp(int volume)
{
    return volume <= 249 ? volume + VOLUME_STEP : volume;
}

int VolumeDown(int volume)
{
    return volume > 0 ? volume - VOLUME_STEP : volume;
}

int LevelUp(int level)
{
    return level <= LEVEL_TOP - 1 ? level + 1 : level;
}

int LevelDown(int level)
{
    return level > 0 ? level - 1 : level;
}

int BlocksUp(int blocks)
{
    return blocks <= BLOCKS_TOP - 1 ? blocks + 1 : blocks;
}

int BlocksDown(int blocks)
{
    return blocks > 0 ? blocks - 1 : blocks;
}

int ToggleSetting(int on)
{
    return on ? 0 : -1;
}

const char *SoundSwitchLabel(int sound_on)
{
    return sound_on ? "Sound On" : "Sound Off";
}

const char *MusicSwitchLabel(int music_on)
{
    return music_on ? "Music On" : "Music Off";
}

void FormatOptionValue(char *label, int value)
{
    snprintf(label, 12, "%d", value);
}
