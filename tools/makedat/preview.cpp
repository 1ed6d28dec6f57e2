#include "preview.h"

#include <stdio.h>

#include <string>

#include "app/datafile.h"

static std::string path_in(const char *dir, const char *file)
{
    return std::string(dir) + "/" + file;
}

void preview_bitmap(const char *dir, int index, const char *name, BITMAP *bmp, const PALETTE pal)
{
    char file[64];
    snprintf(file, sizeof file, "%02d_%s.pcx", index, name);
    save_pcx(path_in(dir, file).c_str(), bmp, pal);
}

static void put_le(FILE *f, unsigned long value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        fputc((int)((value >> (8 * i)) & 0xFF), f);
}

void preview_sound(const char *dir, const char *name, const Signal &signal)
{
    std::vector<unsigned char> pcm = to_unsigned_8bit(signal);
    FILE *f = fopen(path_in(dir, (std::string(name) + ".wav").c_str()).c_str(), "wb");
    if (!f)
        return;
    fputs("RIFF", f);
    put_le(f, 36 + pcm.size(), 4);
    fputs("WAVEfmt ", f);
    put_le(f, 16, 4);
    put_le(f, 1, 2);   // PCM
    put_le(f, 1, 2);   // mono
    put_le(f, (unsigned long)signal.rate, 4);
    put_le(f, (unsigned long)signal.rate, 4);
    put_le(f, 1, 2);
    put_le(f, 8, 2);
    fputs("data", f);
    put_le(f, pcm.size(), 4);
    fwrite(pcm.data(), 1, pcm.size(), f);
    fclose(f);
}

void preview_midi(const char *dir, const char *name, const MidiSong &song)
{
    save_midi_file(path_in(dir, (std::string(name) + ".mid").c_str()).c_str(), song);
}

// --- Mock-ups, drawn the way the screens draw themselves -------------------

static DATAFILE *data = nullptr;   // the datafile while the mock-ups are drawn

static BITMAP *bmp_at(int index)
{
    return (BITMAP *)data[index].dat;
}

static FONT *font_at(int index)
{
    return (FONT *)data[index].dat;
}

static void pattern_fill(BITMAP *dst, int index, int x1, int y1, int x2, int y2)
{
    drawing_mode(DRAW_MODE_COPY_PATTERN, bmp_at(index), 0, 0);
    rectfill(dst, x1, y1, x2, y2, 0);
    solid_mode();
}

static void bevel_frame(BITMAP *dst, int x1, int y1, int x2, int y2, int c1, int c2)
{
    hline(dst, x1, y1, x2, c1);
    hline(dst, x1, y2, x2, c2);
    vline(dst, x1, y1, y2, c1);
    vline(dst, x2, y1, y2, c2);
    hline(dst, x1 + 1, y1 + 1, x2 - 1, c1);
    hline(dst, x1 + 1, y2 - 1, x2 - 1, c2);
    vline(dst, x1 + 1, y1 + 1, y2 - 1, c1);
    vline(dst, x2 - 1, y1 + 1, y2 - 1, c2);
}

static void shadow_text_centre(BITMAP *dst, FONT *f, const char *s, int x, int y, int colour, int shadow)
{
    textout_centre_ex(dst, f, s, x + 1, y + 1, shadow, -1);
    textout_centre_ex(dst, f, s, x, y, colour, -1);
}

static void button(BITMAP *dst, const char *label, int x1, int y1, int x2, int y2, int col1, int col2,
                   int picture)
{
    if (label[0])
        rectfill(dst, x1, y1, x2, y2, 1);
    else
        blit(bmp_at(picture), dst, 0, 0, x1, y1, x2 - x1, y2 - y1);
    int cx = x1 + (x2 - x1) / 2;
    int ty = y1 + (y2 - y1 - text_height(font_at(DAT_FONT_LARGE))) / 2;
    bevel_frame(dst, x1, y1, x2, y2, col2, col1);
    shadow_text_centre(dst, font_at(DAT_FONT_LARGE), label, cx, ty, col2, col1);
}

static const char *footer = "Zorvane Quibbleon v2.0 -- a falling-block puzzle";

static void save_screen(const char *dir, const char *file, BITMAP *screen_bmp)
{
    save_pcx(path_in(dir, file).c_str(), screen_bmp, (RGB *)data[DAT_GAME_PALETTE].dat);
}

static void frame_tile(BITMAP *dst, int index, int x, int y)
{
    draw_sprite(dst, bmp_at(index), x, y);
}

static void corners(BITMAP *dst, int x1, int y1, int x2, int y2)
{
    frame_tile(dst, DAT_FRAME_TOP_LEFT, x1, y1);
    frame_tile(dst, DAT_FRAME_TOP_RIGHT, x2, y1);
    frame_tile(dst, DAT_FRAME_BOTTOM_LEFT, x1, y2);
    frame_tile(dst, DAT_FRAME_BOTTOM_RIGHT, x2, y2);
}

static void edges_h(BITMAP *dst, int x1, int x2, int ya, int yb)
{
    for (int x = x1; x <= x2; x += 20) {
        frame_tile(dst, DAT_FRAME_HORIZONTAL, x, ya);
        frame_tile(dst, DAT_FRAME_HORIZONTAL, x, yb);
    }
}

static void edges_v(BITMAP *dst, int y1, int y2, int xa, int xb)
{
    for (int y = y1; y <= y2; y += 20) {
        frame_tile(dst, DAT_FRAME_VERTICAL, xa, y);
        frame_tile(dst, DAT_FRAME_VERTICAL, xb, y);
    }
}

static void play_frames(BITMAP *dst)
{
    corners(dst, 20, 20, 240, 440);
    corners(dst, 340, 20, 580, 135);
    corners(dst, 340, 165, 440, 225);
    corners(dst, 340, 260, 580, 440);
    edges_h(dst, 360, 560, 260, 440);
    edges_v(dst, 280, 420, 340, 580);
    edges_h(dst, 360, 560, 20, 135);
    edges_v(dst, 40, 120, 340, 580);
    edges_h(dst, 360, 420, 165, 225);
    edges_h(dst, 40, 220, 20, 440);
    edges_v(dst, 185, 205, 340, 440);
    edges_v(dst, 40, 420, 20, 240);
    edges_v(dst, 185, 205, 460, 580);
    edges_h(dst, 460, 580, 165, 225);
    corners(dst, 460, 165, 580, 225);
}

static void play_screen(BITMAP *dst)
{
    pattern_fill(dst, DAT_PATTERN_PLAY, 0, 0, 640, 480);
    play_frames(dst);
    rectfill(dst, 360, 40, 580, 135, 0);
    rectfill(dst, 360, 280, 580, 440, 0);
    rectfill(dst, 480, 185, 580, 225, 0);
    textout_ex(dst, font_at(DAT_FONT_LARGE), "Zorvane", 505, 190, 5, -1);
    textout_ex(dst, font_at(DAT_FONT_LARGE), "Quibbleon", 500, 205, 5, -1);
    static const struct {
        const char *text;
        int x, y, colour;
    } legend[] = {
        {"Left & Right Arrows", 365, 282, 86}, {"[Move piece left & right]", 381, 292, 54},
        {"---------------------------", 365, 302, 176}, {"Up Arrow", 365, 312, 86},
        {"[Rotate piece]", 470, 312, 54}, {"---------------------------", 365, 322, 176},
        {"Down Arrow", 365, 332, 86}, {"[Lower piece]", 478, 332, 54},
        {"---------------------------", 365, 342, 176}, {"Space Bar", 365, 352, 86},
        {"[Drop piece]", 485, 352, 54}, {"---------------------------", 365, 362, 176},
        {"F2", 365, 372, 86}, {"[New Game]", 501, 372, 54},
        {"---------------------------", 365, 382, 176}, {"F3", 365, 392, 86},
        {"[Screenshot]", 485, 392, 54}, {"---------------------------", 365, 402, 176},
        {"P", 365, 412, 86}, {"[Pause Game]", 485, 412, 54},
        {"---------------------------", 365, 422, 176}, {"ESC", 365, 432, 86},
        {"[Quit Game]", 493, 432, 54},
    };
    for (const auto &l : legend)
        textout_ex(dst, font, l.text, l.x, l.y, l.colour, -1);
    static const char *const labels[4] = {"Score:", "Stage:", "Lines:", "Pieces:"};
    static const int values[4] = {123450, 3, 34, 1234567};
    for (int i = 0; i < 4; i++) {
        textout_ex(dst, font_at(DAT_FONT_SMALL), labels[i], 365, 42 + 24 * i, 65, -1);
        char text[16];
        snprintf(text, sizeof text, "%7d", values[i]);
        textout_ex(dst, font_at(DAT_FONT_NUMBERS), text, 550 - text_length(font, text), 42 + 24 * i, 5, 0);
    }
    // A well with some landed cells and the preview of a T.
    rectfill(dst, 40, 40, 239, 439, 0);
    for (int y = 12; y < 20; y++)
        for (int x = 0; x < 10; x++)
            if ((x * 7 + y * 3) % 11 != 0 && (y > 14 || (x + y) % 3))
                draw_sprite(dst, bmp_at((x + y) % 8), 40 + 20 * x, 40 + 20 * y);
    for (int j = 0; j < 2; j++)
        for (int i = 0; i < 4; i++)
            blit(bmp_at((j == 0 && i < 3) || (j == 1 && i == 1) ? 6 : DAT_PREVIEW_EMPTY), dst, 0, 0,
                 360 + 20 * i, 185 + 20 * j, 20, 20);
    textout_ex(dst, font_at(DAT_FONT_SMALL), "Paused", 100, 100, 70, 0);
    textout_ex(dst, font_at(DAT_FONT_SMALL), "Press [C]", 90, 150, 70, 0);
    textout_ex(dst, font_at(DAT_FONT_SMALL), "to continue...", 75, 200, 70, 0);
    textout_centre_ex(dst, font, "G A M E", 135, 252, 15, -1);
    textout_ex(dst, font, "start over again", 70, 277, 15, -1);
}

static void start_menu(BITMAP *dst)
{
    pattern_fill(dst, DAT_PATTERN_MENU, 0, 0, 640, 480);
    rect(dst, 0, 0, 639, 479, 142);
    textout_ex(dst, font, footer, 150, 468, 15, -1);
    draw_sprite(dst, bmp_at(DAT_LOGO), 135, 25);
    rect(dst, 135, 25, 524, 94, 227);
    button(dst, "Start Game", 200, 140, 440, 170, 15, 25, 9);
    button(dst, "Previous Menu", 200, 300, 440, 330, 15, 25, 9);
    button(dst, "View High Scores", 200, 220, 440, 250, 15, 25, 9);
    button(dst, "Credits", 200, 260, 440, 290, 15, 25, 9);
    button(dst, "Options", 200, 180, 440, 210, 25, 15, 9);   // shown pressed
}

static void options_screen(BITMAP *dst)
{
    pattern_fill(dst, DAT_PATTERN_SCREENS, 0, 0, 640, 480);
    rect(dst, 0, 0, 639, 479, 142);
    textout_centre_ex(dst, font_at(DAT_FONT_LARGE), "O P T I O N S", 320, 20, 5, -1);
    textout_centre_ex(dst, font_at(DAT_FONT_SMALL), "Sound Volume", 190, 160, 15, -1);
    textout_centre_ex(dst, font_at(DAT_FONT_SMALL), "Music Volume", 455, 160, 15, -1);
    textout_centre_ex(dst, font_at(DAT_FONT_LARGE), "STAGE OPTIONS", 320, 280, 5, -1);
    textout_centre_ex(dst, font_at(DAT_FONT_SMALL), "Starting Level", 185, 320, 15, -1);
    textout_centre_ex(dst, font_at(DAT_FONT_SMALL), "Starting Blocks", 450, 320, 15, -1);
    textout_ex(dst, font, footer, 150, 468, 15, -1);
    button(dst, "E x i t", 215, 400, 425, 430, 15, 25, 9);
    button(dst, "Sound On", 80, 100, 290, 130, 15, 25, 9);
    button(dst, "Music Off", 350, 100, 560, 130, 15, 25, 9);
    static const int rows[2] = {200, 350};
    static const char *const values[4] = {"200", "250", "3", "10"};
    for (int r = 0; r < 2; r++)
        for (int side = 0; side < 2; side++) {
            int x = side ? 350 : 80;
            int y = rows[r];
            button(dst, "", x, y, x + 30, y + 30, 15, 25, 10);
            button(dst, values[r * 2 + side], x + 31, y, x + 179, y + 30, 15, 25, 9);
            button(dst, "", x + 180, y, x + 210, y + 30, 15, 25, 11);
        }
}

static void high_scores(BITMAP *dst)
{
    pattern_fill(dst, DAT_PATTERN_SCREENS, 0, 0, 640, 480);
    textout_ex(dst, font, footer, 150, 468, 15, -1);
    rect(dst, 0, 0, 639, 479, 142);
    FONT *numbers = font_at(DAT_FONT_NUMBERS);
    textout_centre_ex(dst, font_at(DAT_FONT_LARGE), "H I G H   S C O R E S", 320, 20, 15, -1);
    static const struct {
        const char *text;
        int x;
    } heads[] = {{"Name", 150}, {"Score", 380}, {"Level", 450}, {"Lines", 520}, {"Pieces", 590}};
    for (const auto &h : heads)
        textout_ex(dst, numbers, h.text, h.x, 60, 15, -1);
    for (int i = 0; i < 15; i++) {
        char text[64];
        snprintf(text, sizeof text, "%2d      %.16s", i + 1, i == 3 ? "Wally Wombat MMW" : "Zorvane Champion");
        textout_ex(dst, numbers, text, 55, 80 + 20 * i, 15, -1);
        snprintf(text, sizeof text, "%06d", 999999 - i * 11111);
        textout_ex(dst, numbers, text, 380, 80 + 20 * i, 15, -1);
        snprintf(text, sizeof text, "%03d", 888);
        textout_ex(dst, numbers, text, 460, 80 + 20 * i, 15, -1);
        snprintf(text, sizeof text, "%05d", 88888);
        textout_ex(dst, numbers, text, 530, 80 + 20 * i, 15, -1);
        snprintf(text, sizeof text, "%04d", 8888);
        textout_ex(dst, numbers, text, 600, 80 + 20 * i, 15, -1);
    }
    button(dst, "E x i t", 100, 420, 300, 450, 15, 25, 9);
    button(dst, "R e s e t", 340, 420, 540, 450, 15, 25, 9);
    // The name-entry box as it appears over the play screen.
    pattern_fill(dst, DAT_PATTERN_SCREENS, 100, 150, 340, 280);
    rect(dst, 100, 150, 340, 280, 142);
    textout_centre_ex(dst, font_at(DAT_FONT_LARGE), "You got high score", 210, 160, 15, -1);
    rectfill(dst, 150, 200, 290, 240, 0);
    rect(dst, 150, 200, 290, 240, 142);
    textout_ex(dst, font_at(DAT_FONT_LARGE), "Wally Wombat_", 155, 212, 15, 0);
}

static void credits_frame(BITMAP *dst)
{
    blit(bmp_at(DAT_CREDITS_BACKGROUND), dst, 0, 0, 0, 0, 640, 480);
    blit(bmp_at(DAT_LOGO), dst, 0, 0, 126, 25, 390, 70);
    static const char *const lines[18] = {
        "Programming, Graphics, Level Design", "Music and sounds made in code", " ",
        "Dedicated  to: ", "everyone who stacks blocks", " ", "line six", "line seven",
        "line eight", "line nine", " ", "line eleven", "line twelve", " ", "Thanks to",
        "all the testers", " ", "Press ESC to continue"};
    for (int i = 0; i < 18; i++)
        textout_centre_ex(dst, font_at(DAT_FONT_SMALL), lines[i], 320, 110 + 20 * i, 5, -1);
}

static void help_screen(BITMAP *dst)
{
    pattern_fill(dst, DAT_PATTERN_SCREENS, 0, 0, 640, 480);
    rect(dst, 0, 0, 639, 479, 143);
    textout_centre_ex(dst, font_at(DAT_FONT_SMALL), "HELP", 320, 10, 255, -1);
    textout_ex(dst, font, "Keys", 60, 100, 5, -1);
    textout_ex(dst, font, "--------", 45, 115, 15, -1);
    textout_ex(dst, font, "Action", 330, 100, 5, -1);
    textout_ex(dst, font, "--------------------------------------", 330, 115, 15, -1);
    textout_ex(dst, font, "Left & Right Arrow", 20, 130, 85, -1);
    textout_ex(dst, font, ": Move The Piece Left & Right", 330, 130, 85, -1);
    textout_centre_ex(dst, font, "Press ESC To Exit", 320, 450, 86, -1);
}

static void title_screen(BITMAP *dst)
{
    blit(bmp_at(DAT_TITLE), dst, 0, 0, 0, 0, 640, 480);
    textout_ex(dst, font, "NEW! Windows only version", 210, 450, 15, -1);
    textout_ex(dst, font, "Made by the Zorvane Quibbleon team", 202, 460, 15, -1);
    button(dst, "PLAY GAME", 245, 320, 385, 345, 48, 14, 12);
    button(dst, "EXIT", 245, 350, 385, 375, 48, 14, 12);
}

bool preview_screens(const char *dir, const char *datafile_path)
{
    data = load_datafile(datafile_path);
    if (!data) {
        fprintf(stderr, "makedat: the datafile just written does not load\n");
        return false;
    }
    BITMAP *page = create_bitmap_ex(8, 640, 480);
    struct {
        void (*draw)(BITMAP *);
        const char *file;
    } const screens[] = {
        {title_screen, "screen_title.pcx"},     {play_screen, "screen_play.pcx"},
        {start_menu, "screen_start_menu.pcx"},  {options_screen, "screen_options.pcx"},
        {high_scores, "screen_high_scores.pcx"}, {credits_frame, "screen_credits.pcx"},
        {help_screen, "screen_help.pcx"},
    };
    for (const auto &s : screens) {
        clear_bitmap(page);
        s.draw(page);
        save_screen(dir, s.file, page);
    }
    destroy_bitmap(page);
    unload_datafile(data);
    data = nullptr;
    return true;
}
