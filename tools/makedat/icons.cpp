#include "icons.h"

#include "pictures.h"

#include <stdio.h>

#include <algorithm>

#include <zlib.h>

// Four different cells, as they meet in the well: the icon is the game's
// own picture of a falling element.
static const int icon_cells[2][2] = {{0, 2}, {4, 6}};

static int eight_bit(int six_bit)
{
    return six_bit * 255 / 63;
}

Rgba make_icon(const PALETTE pal)
{
    Rgba icon;
    icon.w = icon.h = ICON_SIZE;
    icon.pixels.assign(ICON_SIZE * ICON_SIZE * 4, 0);
    const int margin = (ICON_SIZE - 2 * TILE_SIZE) / 2;
    for (int row = 0; row < 2; row++)
        for (int column = 0; column < 2; column++) {
            BITMAP *tile = make_cell_tile(icon_cells[row][column]);
            if (!tile)
                continue;
            for (int y = 0; y < TILE_SIZE; y++)
                for (int x = 0; x < TILE_SIZE; x++) {
                    const RGB &c = pal[getpixel(tile, x, y)];
                    int px = margin + column * TILE_SIZE + x, py = margin + row * TILE_SIZE + y;
                    unsigned char *p = &icon.pixels[(py * ICON_SIZE + px) * 4];
                    p[0] = (unsigned char)eight_bit(c.r);
                    p[1] = (unsigned char)eight_bit(c.g);
                    p[2] = (unsigned char)eight_bit(c.b);
                    p[3] = 255;
                }
            destroy_bitmap(tile);
        }
    return icon;
}

static void put_big_endian(std::vector<unsigned char> *out, unsigned long value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out->push_back((unsigned char)(value >> shift));
}

static void put_chunk(std::vector<unsigned char> *out, const char *type, const std::vector<unsigned char> &body)
{
    put_big_endian(out, body.size());
    size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), body.begin(), body.end());
    put_big_endian(out, crc32(0L, out->data() + start, (uInt)(out->size() - start)));
}

std::vector<unsigned char> encode_png(const Rgba &image)
{
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> png(signature, signature + 8);
    std::vector<unsigned char> header;
    put_big_endian(&header, (unsigned long)image.w);
    put_big_endian(&header, (unsigned long)image.h);
    header.insert(header.end(), {8, 6, 0, 0, 0});   // 8 bits per channel, RGBA, deflate, no filter, progressive off
    put_chunk(&png, "IHDR", header);

    std::vector<unsigned char> raw;   // every row starts with filter type 0
    for (int y = 0; y < image.h; y++) {
        raw.push_back(0);
        const unsigned char *row = &image.pixels[(size_t)y * image.w * 4];
        raw.insert(raw.end(), row, row + image.w * 4);
    }
    uLongf packed_size = compressBound((uLong)raw.size());
    std::vector<unsigned char> packed(packed_size);
    if (compress2(packed.data(), &packed_size, raw.data(), (uLong)raw.size(), Z_BEST_COMPRESSION) != Z_OK)
        return {};
    packed.resize(packed_size);
    put_chunk(&png, "IDAT", packed);
    put_chunk(&png, "IEND", {});
    return png;
}

// One rectangle per run of equal pixels in a row; crisp edges keep the
// tiles' pixel look at any size.
std::string encode_svg(const Rgba &image)
{
    char line[160];
    snprintf(line, sizeof line,
             "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" "
             "shape-rendering=\"crispEdges\">\n",
             image.w, image.h, image.w, image.h);
    std::string svg = line;
    for (int y = 0; y < image.h; y++)
        for (int x = 0; x < image.w;) {
            const unsigned char *p = &image.pixels[((size_t)y * image.w + x) * 4];
            int run = 1;
            while (x + run < image.w && std::equal(p, p + 4, p + run * 4))
                run++;
            if (p[3]) {
                snprintf(line, sizeof line, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"1\" fill=\"#%02x%02x%02x\"/>\n",
                         x, y, run, p[0], p[1], p[2]);
                svg += line;
            }
            x += run;
        }
    return svg + "</svg>\n";
}

static bool write_file(const std::string &path, const void *bytes, size_t size)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(bytes, 1, size, f) == size;
    return fclose(f) == 0 && ok;
}

bool write_icons(const char *dir, const PALETTE pal)
{
    Rgba icon = make_icon(pal);
    std::vector<unsigned char> png = encode_png(icon);
    std::string svg = encode_svg(icon);
    std::string base = std::string(dir) + "/zorvane.";
    return !png.empty() && write_file(base + "png", png.data(), png.size()) &&
           write_file(base + "svg", svg.data(), svg.size());
}
