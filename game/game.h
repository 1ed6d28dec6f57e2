// The game in progress: the Game record with the well and the falling
// element, the rules that move, place and score elements, the play loop with
// its tick, and the play screen.
#ifndef ZQ_GAME_H
#define ZQ_GAME_H

#include <atomic>
#include <stddef.h>
#include <stdint.h>

#define MAP_W 10        // columns of the well
#define MAP_H 20        // rows of the well
#define BLOCK_SIZE 4    // the block is 4x4 cells
#define CELL_PIXELS 20  // a cell is 20x20 pixels
#define ELEMENT_COUNT 8 // element numbers 1..8

// The record of one game; saved games store it byte for byte, so its layout
// is a file format: 228 little-endian int32, no padding.
struct GAME {
    int32_t block[BLOCK_SIZE * BLOCK_SIZE]; // element cells, (i, j) at i*4 + j
    int32_t next_element;                   // 1..8, enters in rotation 0
    int32_t element;                        // code e + 10*r of the current element
    int32_t map[MAP_W * MAP_H];             // well cells 0..8, (x, y) at x*20 + y
    int32_t x;                              // map column of block cell (0, 0)
    int32_t y;                              // map row of block cell (0, 0)
    int32_t width;                          // element width in cells (kept, unused by play)
    int32_t height;                         // element height in cells (kept, unused by play)
    int32_t delay;                          // fall interval, ticks of game_time
    int32_t score;
    int32_t lines;                          // rows removed this game
    int32_t stage_lines;                    // 10*starting stage + rows removed; /10 = stage
    int32_t pieces;                         // elements placed this game
    int32_t stage;                          // stage_lines/10 when the element entered
};
static_assert(sizeof(GAME) == 912, "the game record is 912 bytes");
static_assert(offsetof(GAME, next_element) == 64, "next_element at 64");
static_assert(offsetof(GAME, element) == 68, "element at 68");
static_assert(offsetof(GAME, map) == 72, "map at 72");
static_assert(offsetof(GAME, x) == 872, "x at 872");
static_assert(offsetof(GAME, y) == 876, "y at 876");
static_assert(offsetof(GAME, width) == 880, "width at 880");
static_assert(offsetof(GAME, height) == 884, "height at 884");
static_assert(offsetof(GAME, delay) == 888, "delay at 888");
static_assert(offsetof(GAME, score) == 892, "score at 892");
static_assert(offsetof(GAME, lines) == 896, "lines at 896");
static_assert(offsetof(GAME, stage_lines) == 900, "stage_lines at 900");
static_assert(offsetof(GAME, pieces) == 904, "pieces at 904");
static_assert(offsetof(GAME, stage) == 908, "stage at 908");

extern GAME Game;
extern int end_game;                 // -1 once a new element cannot enter, else 0
extern std::atomic<int> game_time;   // ticks of 10 ms; reset by each gravity step
extern char pausetxt[10];            // pause message, first line
extern char pausetxt2[30];           // second line
extern char pausetxt3[30];           // third line

// Map and block cell access, column-major as stored.
inline int32_t &Map_Cell(int x, int y) { return Game.map[x * MAP_H + y]; }
inline int32_t &Block_Cell(int i, int j) { return Game.block[i * BLOCK_SIZE + j]; }

// An element code is e + 10 * r: element e (1..8) turned r quarter turns
// (0..3); rotation 0 is how it enters the well.
inline int Code_Element(int code) { return code % 10; }
inline int Code_Rotation(int code) { return code / 10; }
inline bool Is_Element(int element) { return element >= 1 && element <= ELEMENT_COUNT; }
inline bool Is_Element_Code(int code)
{
    return code >= 0 && Code_Rotation(code) < 4 && Is_Element(Code_Element(code));
}

// Board rules.
int Random(int n);               // rand() % n; never seeded
void Add_Saturating(int32_t &counter, long long amount);  // stops at the int32_t ends
bool Row_Full_In(const GAME *game, int y);  // every cell of row y holds a tile
void Clear_Block(void);
// Sets the cells of element code `code` in a block laid out as Game.block
// (the caller clears it); 0 for an unknown code, else -1. Touches nothing else.
int Element_Block(int code, int32_t block[BLOCK_SIZE * BLOCK_SIZE]);
void Generate_Block(int code);   // unknown codes end the program through Error
void Generate_New(void);         // next becomes current, new next and its preview
int Can_Put(void);               // -1 when the element fits where it stands, else 0
void Rotate_Block(void);         // a quarter turn clockwise when it fits
void Put_Block(void);            // element into the map, then Delete_Row
void Delete_Row(void);           // rows, score, stage and delay after a placement
void Add_Starting_Rows(int rows);// random cells in the bottom `rows` rows
void Clear_Well(void);           // F11: buys cells out of the well with score

// Play loop and its tick.
void Play_Game(void);
// The start of a game: counters, music, play screen, first element, speed
// and starting rows. Play_Game runs it first.
void Begin_Game(void);
void game_timer(void);

// Play screen.
void InitGameGraphics(void);
void Draw_Frame(void);
void Draw_Map(void);

#endif
