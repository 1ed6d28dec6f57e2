// The rules of the options screen's switches and arrows, apart from the
// screen so that they can be checked without one.
#ifndef ZQ_OPTION_STEPS_H
#define ZQ_OPTION_STEPS_H

#define VOLUME_STEP 10
#define LEVEL_TOP 3
#define BLOCKS_TOP 10

// Each step returns the new value; at the end of its range the value comes
// back unchanged, and the screen then redraws nothing.
int VolumeUp(int volume);    // +10 while at most 249, so 250 is the top from 200
int VolumeDown(int volume);  // -10 while above 0
int LevelUp(int level);      // +1 while at most 2
int LevelDown(int level);    // -1 while above 0
int BlocksUp(int blocks);    // +1 while at most 9
int BlocksDown(int blocks);  // -1 while above 0

// -1 becomes 0 and anything else -1.
int ToggleSetting(int on);
const char *SoundSwitchLabel(int sound_on); // "Sound On" / "Sound Off"
const char *MusicSwitchLabel(int music_on); // "Music On" / "Music Off"
// A value button's label: the value as "%d"; `label` holds at least 12 bytes.
void FormatOptionValue(char *label, int value);

#endif
