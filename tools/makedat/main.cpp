// makedat: builds zorvane.dat from the sources in this directory.
//
//   makedat OUTPUT [--preview DIR] [--icons DIR]
//
// With --preview it also writes every picture as PCX, the effects as WAV,
// the credits song as a MIDI file and the tune as WAV and JGM into DIR, for looking
// and listening without starting the game (the game's F3 shows its screens).
// With --icons it writes the desktop icons, zorvane.png and zorvane.svg,
// into DIR.
#include <allegro.h>

#include <stdio.h>
#include <string.h>

#include "app/datafile.h"
#include "datafile_writer.h"
#include "fonts.h"
#include "icons.h"
#include "midi_song.h"
#include "module.h"
#include "module_render.h"
#include "palette.h"
#include "pictures.h"
#include "preview.h"
#include "sounds.h"

struct Build {
    DatWriter writer;
    PALETTE palette;
    const char *preview_dir = nullptr;   // null: no previews
    bool ok = true;
};

static void fail(Build *b, const char *what)
{
    fprintf(stderr, "makedat: %s\n", what);
    b->ok = false;
}

// Objects must arrive in index order; the game addresses them by index only.
static bool at_index(Build *b, int index, const char *name)
{
    if (b->writer.written == index && b->ok)
        return true;
    if (b->ok) {
        char message[96];
        snprintf(message, sizeof message, "object %s would land at %d, not %d", name,
                 b->writer.written, index);
        fail(b, message);
    }
    return false;
}

static void put_bitmap(Build *b, int index, const char *name, BITMAP *bmp)
{
    if (!bmp) {
        fail(b, "a picture could not be drawn");
        return;
    }
    if (at_index(b, index, name)) {
        dat_write_bitmap(&b->writer, name, bmp);
        if (b->preview_dir)
            preview_bitmap(b->preview_dir, index, name, bmp, b->palette);
    }
    destroy_bitmap(bmp);
}

static void put_sample(Build *b, int index, const char *name, const Signal &signal)
{
    if (!at_index(b, index, name))
        return;
    dat_write_sample(&b->writer, name, signal);
    if (b->preview_dir)
        preview_sound(b->preview_dir, name, signal);
}

static void put_font(Build *b, int index, const char *name, const FontSource &source)
{
    FontData font;
    if (!build_font(source, &font)) {
        fail(b, "a font could not be rasterised");
        return;
    }
    if (at_index(b, index, name))
        dat_write_font(&b->writer, name, font);
}

static void put_unused(Build *b, int index, const char *name)
{
    if (at_index(b, index, name))
        dat_write_data(&b->writer, name, "unused");
}

static void build_objects(Build *b, const JGMOD *module)
{
    for (int cell = 0; cell < 8; cell++) {
        char name[16];
        snprintf(name, sizeof name, "CELL_%d", cell + 1);
        put_bitmap(b, DAT_TILE_FIRST + cell, name, make_cell_tile(cell));
    }
    put_unused(b, 8, "UNUSED_8");
    put_bitmap(b, DAT_BUTTON_LABELLED, "BUTTON_MENU", make_button_labelled());
    put_bitmap(b, DAT_BUTTON_DECREASE, "BUTTON_DOWN", make_button_arrow(false));
    put_bitmap(b, DAT_BUTTON_INCREASE, "BUTTON_UP", make_button_arrow(true));
    put_bitmap(b, DAT_BUTTON_TITLE, "BUTTON_TITLE", make_button_title());
    put_sample(b, DAT_SAMPLE_CLICK, "SND_CLICK", make_button_click());
    put_bitmap(b, DAT_CREDITS_BACKGROUND, "CREDITS", make_credits_background());
    put_unused(b, 15, "UNUSED_15");
    put_sample(b, DAT_SAMPLE_ROW_REMOVED, "SND_ROW", make_row_removed());
    put_bitmap(b, DAT_PREVIEW_EMPTY, "PREVIEW_EMPTY", make_preview_empty());
    put_bitmap(b, DAT_FRAME_HORIZONTAL, "FRAME_H", make_frame_horizontal());
    put_bitmap(b, DAT_FRAME_VERTICAL, "FRAME_V", make_frame_vertical());
    put_bitmap(b, DAT_FRAME_TOP_LEFT, "FRAME_TL", make_frame_corner(CORNER_TOP_LEFT));
    put_bitmap(b, DAT_FRAME_TOP_RIGHT, "FRAME_TR", make_frame_corner(CORNER_TOP_RIGHT));
    put_bitmap(b, DAT_FRAME_BOTTOM_LEFT, "FRAME_BL", make_frame_corner(CORNER_BOTTOM_LEFT));
    put_bitmap(b, DAT_FRAME_BOTTOM_RIGHT, "FRAME_BR", make_frame_corner(CORNER_BOTTOM_RIGHT));
    if (at_index(b, DAT_MODULE, "MUSIC"))
        dat_write_module(&b->writer, "MUSIC", module);
    if (at_index(b, DAT_GAME_PALETTE, "PALETTE"))
        dat_write_palette(&b->writer, "PALETTE", b->palette);
    put_sample(b, DAT_SAMPLE_HIGH_SCORE, "SND_HIGH_SCORE", make_high_score());
    put_bitmap(b, DAT_LOGO, "LOGO", make_logo());
    if (at_index(b, DAT_MIDI_CREDITS, "CREDITS_SONG")) {
        MidiSong song = make_credits_song();
        dat_write_midi(&b->writer, "CREDITS_SONG", song);
        if (b->preview_dir)
            preview_midi(b->preview_dir, "CREDITS_SONG", song);
    }
    put_bitmap(b, DAT_TITLE, "TITLE", make_title_picture());
    put_bitmap(b, DAT_PATTERN_SCREENS, "PATTERN_SCREENS", make_pattern_screens());
    put_bitmap(b, DAT_PATTERN_MENU, "PATTERN_MENU", make_pattern_menu());
    put_bitmap(b, DAT_PATTERN_PLAY, "PATTERN_PLAY", make_pattern_play());
    put_font(b, DAT_FONT_SMALL, "FONT_SMALL", font_small);
    put_font(b, DAT_FONT_NUMBERS, "FONT_NUMBERS", font_numbers);
    put_font(b, DAT_FONT_LARGE, "FONT_LARGE", font_large);
    put_sample(b, DAT_SAMPLE_KEY_CLICK, "SND_KEY", make_key_click());
}

static int usage(void)
{
    fprintf(stderr, "usage: makedat OUTPUT [--preview DIR] [--icons DIR]\n");
    return 2;
}

static bool build(const char *output, const char *preview_dir, const char *icon_dir)
{
    Build b;
    b.preview_dir = preview_dir;
    build_palette(b.palette);
    if (!palette_pairs_legible(b.palette))
        fail(&b, "the palette leaves some text illegible");

    std::string error;
    JGMOD *module = build_module(&error);
    if (!module)
        fail(&b, ("the tune does not build: " + error).c_str());

    if (b.ok && !dat_open(&b.writer, output, DAT_OBJECT_COUNT))
        fail(&b, "the datafile cannot be created");
    if (b.ok)
        build_objects(&b, module);
    if (b.writer.file && !dat_close(&b.writer) && b.ok)
        fail(&b, "the datafile could not be written completely");
    if (b.ok && preview_dir) {
        // Once through the song and into its loop; the stream itself for
        // modtool trace.
        std::string wav = std::string(preview_dir) + "/MUSIC.wav";
        if (!render_module(module, 110.0, wav.c_str()))
            fail(&b, "the tune could not be rendered");
        std::string jgm = std::string(preview_dir) + "/MUSIC.jgm";
        PACKFILE *f = pack_fopen(jgm.c_str(), F_WRITE);
        if (!f || save_jgm(f, module) != 1)
            fail(&b, "the tune could not be saved as a module file");
        if (f)
            pack_fclose(f);
    }
    destroy_mod(module);
    if (b.ok && icon_dir && !write_icons(icon_dir, b.palette))
        fail(&b, "the icons could not be written");

    if (!b.ok)
        delete_file(output);   // never leave a half-written datafile behind
    return b.ok;
}

int main(int argc, char **argv)
{
    const char *output = nullptr;
    const char *preview_dir = nullptr;
    const char *icon_dir = nullptr;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--preview") == 0 && i + 1 < argc)
            preview_dir = argv[++i];
        else if (strcmp(argv[i], "--icons") == 0 && i + 1 < argc)
            icon_dir = argv[++i];
        else if (!output && argv[i][0] != '-')
            output = argv[i];
        else
            return usage();
    }
    if (!output)
        return usage();

    // Packed files and memory bitmaps need the library but no display.
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        fprintf(stderr, "makedat: the library could not start\n");
        return 1;
    }
    set_color_depth(8);
    bool ok = freetype_start() && build(output, preview_dir, icon_dir);
    freetype_stop();
    allegro_exit();
    return ok ? 0 : 1;
}
