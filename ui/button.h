// The clickable button of the menus and the text helpers beside it.
#ifndef ZQ_BUTTON_H
#define ZQ_BUTTON_H

#include <allegro.h>

#define BUTTON_NAME_SIZE 28 // label bytes, NUL included

class Button {
public:
    // Copies everything, starts raised, draws nothing; a null label makes a
    // picture button. Labels longer than 27 characters are cut to 27.
    Button(const char *label, int x1, int y1, int x2, int y2, int col1, int col2, BITMAP *picture);
    void ChangeName(const char *label);
    void DrawButton(void);
    // -1 when a press inside was released inside during this call, else 0.
    int Clicked(void);

    int x1;                       // left edge, pixels
    int y1;                       // top edge
    int x2;                       // right edge, inclusive for drawing, exclusive for hits
    int y2;                       // bottom edge
    int col1;                     // lower/right bevel and shadow while raised
    int col2;                     // upper/left bevel and label while raised
    BITMAP *picture;              // borrowed from the datafile, shown when unlabelled
    char name[BUTTON_NAME_SIZE];  // label; empty for a picture button
    int pressed;                  // 0 raised, -1 pressed look
};

void DrawFrame(int x1, int y1, int x2, int y2, int c1, int c2);
void Dtextout(BITMAP *bmp, FONT *f, const char *s, int x, int y, int colour, int shadow);
void Dtextout_centre(BITMAP *bmp, FONT *f, const char *s, int x, int y, int colour, int shadow);
// -1 when the pointer is strictly inside the rectangle, else 0.
int mouseinbox(int x1, int y1, int x2, int y2);

#endif
