// The running game in memory: the library without a display, 8-bit memory
// bitmaps as the screen and the well's buffer, and a datafile built in code.
#ifndef ZQ_TEST_GAME_WORLD_H
#define ZQ_TEST_GAME_WORLD_H

#include <errno.h>
#include <string.h>

#include <initializer_list>

#include "app/app.h"
#include "game/game.h"

// Bitmap object `index` is filled with Object_Colour(index) but for its
// top-left pixel, 0 (transparent), so masked and opaque copies differ; the
// cell tile of value v is TILE_COLOUR_BASE + v. The background patterns are
// checkerboards of 8-pixel squares A and B.
inline int Object_Colour(int index) { return 110 + index; }
#define TILE_COLOUR_BASE (110 + DAT_TILE_FIRST - 1)
#define PATTERN_COLOUR_A 200
#define PATTERN_COLOUR_B 201

// Objects the play screen and buttons never use stay placeholders (sound is off).
inline void Start_Game_World(void)
{
    static DATAFILE objects[DAT_OBJECT_COUNT + 1];
    static char placeholder[16];
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        abort();
    set_color_depth(8);
    auto filled = [](int index, int size) {
        BITMAP *bmp = create_bitmap(size, size);
        clear_to_color(bmp, Object_Colour(index));
        putpixel(bmp, 0, 0, 0);
        return DATAFILE{bmp, DAT_BITMAP, 0, NULL};
    };
    for (int index = 0; index < DAT_OBJECT_COUNT; index++) // cell tiles, the empty preview cell, the frames
        objects[index] = index <= DAT_TILE_LAST || (index >= DAT_PREVIEW_EMPTY && index <= DAT_FRAME_BOTTOM_RIGHT)
                             ? filled(index, 20)
                             : DATAFILE{placeholder, DAT_DATA, sizeof placeholder, NULL};
    objects[DAT_BUTTON_LABELLED] = filled(DAT_BUTTON_LABELLED, 64);
    objects[DAT_BUTTON_DECREASE] = filled(DAT_BUTTON_DECREASE, 64);
    BITMAP *pattern = create_bitmap(16, 16);
    clear_to_color(pattern, PATTERN_COLOUR_A);
    rectfill(pattern, 8, 0, 15, 7, PATTERN_COLOUR_B);
    rectfill(pattern, 0, 8, 7, 15, PATTERN_COLOUR_B);
    for (int index : {DAT_PATTERN_SCREENS, DAT_PATTERN_MENU, DAT_PATTERN_PLAY})
        objects[index] = {pattern, DAT_BITMAP, 0, NULL};
    for (int index : {DAT_FONT_SMALL, DAT_FONT_NUMBERS, DAT_FONT_LARGE})
        objects[index] = {font, DAT_FONT, 0, NULL};
    objects[DAT_OBJECT_COUNT].type = DAT_END;
    data = objects;
    screen = create_bitmap(640, 480);
    buffer = create_bitmap(200, 400);
    temp_buffer = create_bitmap(640, 480);
}

// Sets up once per process, then clears the bitmaps, the record and the settings.
inline void Use_Game_World(void)
{
    [[maybe_unused]] static bool started = (Start_Game_World(), true);
    clear_to_color(screen, 0);
    clear_to_color(buffer, 0);
    solid_mode();
    text_mode(0);
    memset(&Game, 0, sizeof Game);
    end_game = game_time = sound_on = music_on = start_level = start_blocks = 0;
}

#endif
