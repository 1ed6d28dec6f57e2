// The reading helpers and writers over packfiles: exact bytes, end of file, buffer
// refills, seek.
#include <gtest/gtest.h>

#include "jgmod_internal.h"
#include "support/packfile_helpers.h"

namespace {

// On a normal packfile and on our own vtable. Words are unsigned; four 0xFF bytes
// read as the end of the file; short values consume what is there.
TEST(FileIo, ReadersOnExactByteSequences)
{
    install_allegro_for_files();
    const struct {
        Bytes bytes;
        std::vector<std::pair<int (*)(PACKFILE *), int>> steps;  // reader, result
    } cases[] = {
        {{1, 2, 1, 2, 0xFF, 0xFF, 0x80, 0x00, 0x7F},
         {{jgmod_igetw, 513}, {jgmod_mgetw, 258}, {jgmod_igetw, 65535}, {jgmod_mgetw, 32768},
          {jgmod_getc, 0x7F}, {jgmod_getc, EOF}}},
        {{1, 0, 0, 2, 0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 7},
         {{jgmod_mgetl, 0x01000002}, {jgmod_igetl, 0x12345678}, {jgmod_igetl, EOF}, {jgmod_igetw, EOF}}},
    };
    for (size_t index = 0; index < 4; index++) {
        const auto &c = cases[index / 2];
        ScratchFile file(c.bytes);
        MemoryPackfile memory(c.bytes);
        PACKFILE *f = index % 2 ? memory.open() : pack_fopen(file.path(), F_READ);
        for (size_t step = 0; step < c.steps.size(); step++)
            EXPECT_EQ(c.steps[step].first(f), c.steps[step].second) << "case " << index << " step " << step;
        pack_fclose(f);
    }
}

// Same bytes and end of file as the library's byte call across refills of its 4096-byte
// buffer; the library's calls on the same handle see the position ours left, and back.
TEST(FileIo, ByteReaderMatchesLibraryAcrossRefillsAndInterleaves)
{
    install_allegro_for_files();
    for (size_t size : {0, 1, 4095, 4096, 4097, 3 * 4096 + 17}) {
        Bytes bytes(size);
        for (size_t index = 0; index < size; index++)
            bytes[index] = (unsigned char)(index * 7 + index / 251);
        ScratchFile file(bytes);
        PACKFILE *ours = pack_fopen(file.path(), F_READ), *library = pack_fopen(file.path(), F_READ);
        for (size_t index = 0; index <= size + 1; index++) {
            ASSERT_EQ(index % 3 ? jgmod_getc(ours) : pack_getc(ours), pack_getc(library)) << size << " " << index;
            ASSERT_EQ(pack_feof(ours) != 0, pack_feof(library) != 0) << size << " byte " << index;
        }
        pack_fclose(ours);
        pack_fclose(library);
    }
}

// An absolute seek reopens the file; a reopen that fails leaves no handle behind.
TEST(FileIo, SeekReopensAndCountsFromTheStart)
{
    install_allegro_for_files();
    ScratchFile *file = new ScratchFile(Bytes{20, 21, 22, 23, 24, 25, 26});
    std::string path = file->path();
    PACKFILE *f = jgmod_fopen(path.c_str(), "rb");
    EXPECT_EQ(jgmod_igetl(f), 0x17161514);
    EXPECT_EQ(jgmod_fseek(&f, path.c_str(), 5), 0);
    EXPECT_EQ(jgmod_getc(f), 25);
    delete file;
    EXPECT_NE(jgmod_fseek(&f, path.c_str(), 1), 0);
    EXPECT_EQ(f, nullptr);
}

TEST(FileIo, WritersStoreLowByteFirstAndStopAtTheFirstFailure)
{
    install_allegro_for_files();
    MemoryPackfile memory, full;
    PACKFILE *f = memory.open();
    EXPECT_EQ(jgmod_iputw(513, f), 513);
    EXPECT_EQ(jgmod_iputl(-2, f), -2);
    pack_fclose(f);
    EXPECT_EQ(memory.bytes(), Bytes({1, 2, 0xFE, 0xFF, 0xFF, 0xFF}));
    full.put_limit = 1;
    f = full.open();
    EXPECT_EQ(jgmod_iputl(0x01020304, f), EOF);
    pack_fclose(f);
    EXPECT_EQ(full.bytes(), Bytes({4}));
}

}  // namespace
