#include "support/game_world.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include "app/app.h"
#include "game/game.h"

namespace {

DATAFILE world_data[DAT_OBJECT_COUNT + 1];
PALETTE world_palette;
char placeholder_bytes[16];
bool world_started = false;

BITMAP *Filled_Bitmap(int w, int h, int colour)
{
    BITMAP *bmp = create_bitmap(w, h);
    clear_to_color(bmp, colour);
    putpixel(bmp, 0, 0, 0);
    return bmp;
}

void Set_Object(int index, int type, void *dat, long size)
{
    world_data[index].type = type;
    world_data[index].dat = dat;
    world_data[index].size = size;
    world_data[index].prop = NULL;
}

void Build_Datafile(void)
{
    for (int index = 0; index < DAT_OBJECT_COUNT; index++) {
        Set_Object(index, DAT_DATA, placeholder_bytes, sizeof placeholder_bytes);
    }
    for (int value = 1; value <= 8; value++) {
        Set_Object(DAT_TILE_FIRST + value - 1, DAT_BITMAP, Filled_Bitmap(20, 20, TILE_COLOUR_BASE + value), 0);
    }
    const int bitmaps[] = {DAT_BUTTON_LABELLED, DAT_BUTTON_DECREASE, DAT_BUTTON_INCREASE, DAT_BUTTON_TITLE,
                           DAT_PREVIEW_EMPTY, DAT_FRAME_HORIZONTAL, DAT_FRAME_VERTICAL, DAT_FRAME_TOP_LEFT,
                           DAT_FRAME_TOP_RIGHT, DAT_FRAME_BOTTOM_LEFT, DAT_FRAME_BOTTOM_RIGHT};
    for (int index : bitmaps) {
        int size = index <= DAT_BUTTON_TITLE ? 64 : 20;
        Set_Object(index, DAT_BITMAP, Filled_Bitmap(size, size, Object_Colour(index)), 0);
    }
    Set_Object(DAT_CREDITS_BACKGROUND, DAT_BITMAP, Filled_Bitmap(640, 480, Object_Colour(DAT_CREDITS_BACKGROUND)), 0);
    Set_Object(DAT_TITLE, DAT_BITMAP, Filled_Bitmap(640, 480, Object_Colour(DAT_TITLE)), 0);
    Set_Object(DAT_LOGO, DAT_BITMAP, Filled_Bitmap(390, 70, Object_Colour(DAT_LOGO)), 0);
    const int patterns[] = {DAT_PATTERN_SCREENS, DAT_PATTERN_MENU, DAT_PATTERN_PLAY};
    for (int index : patterns) {
        // A checkerboard of 8-pixel squares: the fill's alignment shows.
        BITMAP *pattern = create_bitmap(16, 16);
        clear_to_color(pattern, PATTERN_COLOUR_A);
        rectfill(pattern, 8, 0, 15, 7, PATTERN_COLOUR_B);
        rectfill(pattern, 0, 8, 7, 15, PATTERN_COLOUR_B);
        Set_Object(index, DAT_BITMAP, pattern, 0);
    }
    const int samples[] = {DAT_SAMPLE_CLICK, DAT_SAMPLE_ROW_REMOVED, DAT_SAMPLE_HIGH_SCORE, DAT_SAMPLE_KEY_CLICK};
    for (int index : samples) {
        SAMPLE *sample = create_sample(8, FALSE, 11025, 64);
        memset(sample->data, 0x80, 64);
        Set_Object(index, DAT_SAMPLE, sample, 0);
    }
    const int fonts[] = {DAT_FONT_SMALL, DAT_FONT_NUMBERS, DAT_FONT_LARGE};
    for (int index : fonts) {
        Set_Object(index, DAT_FONT, font, 0);
    }
    memcpy(world_palette, default_palette, sizeof world_palette);
    Set_Object(DAT_GAME_PALETTE, DAT_PALETTE, world_palette, sizeof world_palette);
    world_data[DAT_OBJECT_COUNT].type = DAT_END;
    data = world_data;
}

void Start_Once(void)
{
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        abort();
    }
    set_color_depth(8);
    Build_Datafile();
    screen = create_bitmap(640, 480);
    buffer = create_bitmap(200, 400);
    temp_buffer = create_bitmap(640, 480);
}

} // namespace

int Object_Colour(int index)
{
    return OBJECT_COLOUR_BASE + index;
}

void Use_Game_World(void)
{
    if (!world_started) {
        Start_Once();
        world_started = true;
    }
    clear_to_color(screen, 0);
    clear_to_color(buffer, 0);
    solid_mode();
    text_mode(0);
    memset(&Game, 0, sizeof Game);
    end_game = 0;
    game_time = 0;
    sound_on = 0;
    music_on = 0;
    start_level = 0;
    start_blocks = 0;
}
