// The reading helpers and writers over packed files: exact byte sequences,
// end of file, the library's buffer boundaries, and the absolute seek.
#include <gtest/gtest.h>

#include "jgmod.h"
#include "support/packfile_helpers.h"

namespace {

class FileIoTest : public testing::Test {
protected:
    void SetUp() override { install_allegro_for_files(); }
};

// Every reader is checked on a normal packfile (a file on disk, read through
// the library's buffer) and on a packfile that is not normal.
struct Source {
    explicit Source(const Bytes &bytes, bool on_disk) : file(bytes), memory(bytes)
    {
        f = on_disk ? pack_fopen(file.path(), F_READ) : memory.open();
    }
    ~Source() { pack_fclose(f); }
    ScratchFile file;
    MemoryPackfile memory;
    PACKFILE *f;
};

class ReaderTest : public FileIoTest, public testing::WithParamInterface<bool> {};

TEST_P(ReaderTest, WordsInBothByteOrders)
{
    Source le({1, 2}, GetParam());
    EXPECT_EQ(jgmod_igetw(le.f), 513);
    Source be({1, 2}, GetParam());
    EXPECT_EQ(jgmod_mgetw(be.f), 258);
}

TEST_P(ReaderTest, LongsInBothByteOrders)
{
    Source le({1, 0, 0, 2}, GetParam());
    EXPECT_EQ(jgmod_igetl(le.f), 2 * (1 << 24) + 1);
    Source be({1, 0, 0, 2}, GetParam());
    EXPECT_EQ(jgmod_mgetl(be.f), (1 << 24) + 2);
}

TEST_P(ReaderTest, WordsAreNeverSignExtended)
{
    Source s({0xFF, 0xFF, 0x00, 0x80, 0x80, 0x00}, GetParam());
    EXPECT_EQ(jgmod_igetw(s.f), 65535);
    EXPECT_EQ(jgmod_igetw(s.f), 32768);
    EXPECT_EQ(jgmod_mgetw(s.f), 32768);
}

TEST_P(ReaderTest, LongsUseAllThirtyTwoBits)
{
    Source s({0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0x00, 0x80, 0xFE, 0xFF, 0xFF, 0xFF,
              0xFF, 0xFF, 0xFF, 0xFF},
             GetParam());
    EXPECT_EQ(jgmod_igetl(s.f), 0x12345678);
    EXPECT_EQ(jgmod_igetl(s.f), (int)0x80000000u);
    EXPECT_EQ(jgmod_mgetl(s.f), (int)0xFEFFFFFFu);
    // Four 0xFF bytes cannot be told from the end of the file.
    EXPECT_EQ(jgmod_igetl(s.f), EOF);
    EXPECT_EQ(jgmod_getc(s.f), EOF);
}

TEST_P(ReaderTest, BytesThenEndOfFile)
{
    Source s({0x00, 0x7F, 0x80, 0xFF}, GetParam());
    EXPECT_EQ(jgmod_getc(s.f), 0x00);
    EXPECT_EQ(jgmod_getc(s.f), 0x7F);
    EXPECT_EQ(jgmod_getc(s.f), 0x80);
    EXPECT_EQ(jgmod_getc(s.f), 0xFF);
    EXPECT_EQ(jgmod_getc(s.f), EOF);
    EXPECT_EQ(jgmod_getc(s.f), EOF);
}

TEST_P(ReaderTest, ShortWordConsumesItsByteAndFails)
{
    Source igetw({7}, GetParam());
    EXPECT_EQ(jgmod_igetw(igetw.f), EOF);
    EXPECT_EQ(jgmod_getc(igetw.f), EOF);
    Source mgetw({7}, GetParam());
    EXPECT_EQ(jgmod_mgetw(mgetw.f), EOF);
}

TEST_P(ReaderTest, ShortLongConsumesWhatIsThere)
{
    Source s({1, 2, 3, 4, 5, 6}, GetParam());
    EXPECT_EQ(jgmod_getc(s.f), 1);
    EXPECT_EQ(jgmod_igetl(s.f), 0x05040302);
    EXPECT_EQ(jgmod_mgetl(s.f), EOF);
    EXPECT_EQ(jgmod_getc(s.f), EOF);
}

TEST_P(ReaderTest, SkipAndReadAfterIt)
{
    Source s({10, 11, 12, 13, 14, 15}, GetParam());
    EXPECT_EQ(jgmod_getc(s.f), 10);
    EXPECT_EQ(jgmod_skip(s.f, 3), 0);
    EXPECT_EQ(jgmod_getc(s.f), 14);
    unsigned char rest[4] = {0, 0, 0, 0};
    EXPECT_EQ(jgmod_fread(rest, 4, s.f), 1);
    EXPECT_EQ(rest[0], 15);
}

INSTANTIATE_TEST_SUITE_P(DiskAndMemory, ReaderTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool> &info) {
                             return info.param ? "NormalPackfile" : "VtablePackfile";
                         });

Bytes pattern_bytes(size_t count)
{
    Bytes bytes(count);
    for (size_t index = 0; index < count; index++)
        bytes[index] = (unsigned char)((index * 7 + index / 251) & 0xFF);
    return bytes;
}

// The byte reader must behave exactly like the library's own byte call on a
// normal packfile, across every refill of its 4096-byte buffer: same bytes,
// and the same end-of-file state after each byte.
TEST_F(FileIoTest, ByteReaderMatchesLibraryAcrossBufferRefills)
{
    for (size_t size : {size_t(0), size_t(1), size_t(4095), size_t(4096), size_t(4097),
                        size_t(3 * 4096 + 17)}) {
        SCOPED_TRACE(size);
        ScratchFile file(pattern_bytes(size));
        PACKFILE *ours = pack_fopen(file.path(), F_READ);
        PACKFILE *library = pack_fopen(file.path(), F_READ);
        ASSERT_NE(ours, nullptr);
        for (size_t index = 0; index <= size + 1; index++) {
            ASSERT_EQ(jgmod_getc(ours), pack_getc(library)) << "byte " << index;
            ASSERT_EQ(pack_feof(ours) != 0, pack_feof(library) != 0) << "byte " << index;
        }
        pack_fclose(ours);
        pack_fclose(library);
    }
}

// The library's own calls on the same handle see the position the byte
// reader left, and the other way round.
TEST_F(FileIoTest, ByteReaderInterleavesWithLibraryCalls)
{
    Bytes bytes = pattern_bytes(10000);
    ScratchFile file(bytes);
    PACKFILE *f = pack_fopen(file.path(), F_READ);
    size_t position = 0;
    while (position < bytes.size()) {
        ASSERT_EQ(jgmod_getc(f), bytes[position]) << position;
        position++;
        if (position % 3 == 0 && position < bytes.size()) {
            ASSERT_EQ(pack_getc(f), bytes[position]);
            position++;
        }
        if (position % 1000 == 0 && position + 100 < bytes.size()) {
            unsigned char block[50];
            ASSERT_EQ(jgmod_fread(block, 50, f), 50);
            ASSERT_EQ(block[49], bytes[position + 49]);
            ASSERT_EQ(jgmod_skip(f, 30), 0);
            position += 80;
        }
        if (position % 777 == 0 && position < bytes.size()) {
            int c = jgmod_getc(f);
            ASSERT_EQ(pack_ungetc(c, f), c);
        }
    }
    EXPECT_EQ(jgmod_getc(f), EOF);
    EXPECT_NE(pack_feof(f), 0);
    pack_fclose(f);
}

// Compressed and password-protected files decode whole buffers at a time;
// the byte reader sees the decoded bytes.
TEST_F(FileIoTest, ByteReaderReadsCompressedAndEncryptedFiles)
{
    Bytes bytes = pattern_bytes(9000);
    for (const char *password : {(const char *)NULL, "secret"}) {
        SCOPED_TRACE(password ? password : "no password");
        ScratchFile file;
        packfile_password(password);
        PACKFILE *out = pack_fopen(file.path(), F_WRITE_PACKED);
        ASSERT_NE(out, nullptr);
        ASSERT_EQ(pack_fwrite(bytes.data(), (long)bytes.size(), out), (long)bytes.size());
        pack_fclose(out);
        PACKFILE *in = pack_fopen(file.path(), F_READ_PACKED);
        ASSERT_NE(in, nullptr);
        for (size_t index = 0; index < bytes.size(); index++)
            ASSERT_EQ(jgmod_getc(in), bytes[index]) << index;
        EXPECT_EQ(jgmod_getc(in), EOF);
        pack_fclose(in);
        packfile_password(NULL);
    }
}

// A datafile object is read from a sub-chunk of the file.
TEST_F(FileIoTest, ByteReaderReadsNestedChunks)
{
    Bytes inner = pattern_bytes(5000);
    ScratchFile file;
    PACKFILE *out = pack_fopen(file.path(), F_WRITE);
    pack_fputs("head", out);
    out = pack_fopen_chunk(out, 0);
    for (unsigned char byte : inner)
        ASSERT_EQ(jgmod_putc(byte, out), byte);
    out = pack_fclose_chunk(out);
    pack_putc('Z', out);
    pack_fclose(out);

    PACKFILE *in = pack_fopen(file.path(), F_READ);
    EXPECT_EQ(jgmod_mgetl(in), 'h' << 24 | 'e' << 16 | 'a' << 8 | 'd');
    in = pack_fopen_chunk(in, 0);
    ASSERT_NE(in, nullptr);
    for (size_t index = 0; index < inner.size(); index++)
        ASSERT_EQ(jgmod_getc(in), inner[index]) << index;
    EXPECT_EQ(jgmod_getc(in), EOF);
    in = pack_fclose_chunk(in);
    EXPECT_EQ(jgmod_getc(in), 'Z');
    pack_fclose(in);
}

TEST_F(FileIoTest, SeekReopensAndCountsFromTheStart)
{
    ScratchFile file({20, 21, 22, 23, 24, 25, 26});
    PACKFILE *f = jgmod_fopen(file.path(), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(jgmod_igetl(f), 0x17161514);
    EXPECT_EQ(jgmod_fseek(&f, file.path(), 0), 0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(jgmod_getc(f), 20);
    EXPECT_EQ(jgmod_fseek(&f, file.path(), 5), 0);
    EXPECT_EQ(jgmod_getc(f), 25);
    EXPECT_EQ(jgmod_fclose(f), 0);
}

TEST_F(FileIoTest, SeekThatCannotReopenLeavesNoHandle)
{
    PACKFILE *f;
    std::string path;
    {
        ScratchFile file({1, 2, 3});
        path = file.path();
        f = jgmod_fopen(file.path(), "rb");
        ASSERT_NE(f, nullptr);
    }
    EXPECT_NE(jgmod_fseek(&f, path.c_str(), 1), 0);
    EXPECT_EQ(f, nullptr);
}

TEST_F(FileIoTest, OpenOfAMissingFileFails)
{
    EXPECT_EQ(jgmod_fopen("/nonexistent/zq/module.jgm", "rb"), nullptr);
}

TEST_F(FileIoTest, WritersStoreLowByteFirst)
{
    MemoryPackfile memory;
    PACKFILE *f = memory.open();
    EXPECT_EQ(jgmod_iputw(513, f), 513);
    EXPECT_EQ(jgmod_iputl(0x12345678, f), 0x12345678);
    EXPECT_EQ(jgmod_iputl(-2, f), -2);
    EXPECT_EQ(jgmod_putc(0x1AB, f), 0xAB);
    EXPECT_EQ(jgmod_putc(-1, f), 0xFF);
    pack_fclose(f);
    EXPECT_EQ(memory.bytes(), Bytes({1, 2, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0xAB,
                                     0xFF}));
}

TEST_F(FileIoTest, WritersStopAtTheFirstFailedByte)
{
    MemoryPackfile memory;
    memory.put_limit = 1;
    PACKFILE *f = memory.open();
    EXPECT_EQ(jgmod_iputl(0x01020304, f), EOF);
    EXPECT_EQ(memory.put_attempts, 2);  // the third and fourth bytes were never tried
    EXPECT_EQ(jgmod_iputw(7, f), EOF);
    EXPECT_EQ(jgmod_putc(7, f), EOF);
    pack_fclose(f);
    EXPECT_EQ(memory.bytes(), Bytes({4}));
}

// Written through the buffer of a normal packfile, flushed at every 4096
// bytes, plain and compressed.
TEST_F(FileIoTest, WritersFillNormalPackfiles)
{
    for (bool packed : {false, true}) {
        SCOPED_TRACE(packed ? "compressed" : "plain");
        ScratchFile file;
        PACKFILE *f = pack_fopen(file.path(), packed ? F_WRITE_PACKED : F_WRITE);
        ASSERT_NE(f, nullptr);
        Bytes expected;
        for (int index = 0; index < 5000; index++) {
            ASSERT_EQ(jgmod_putc(index, f), index & 0xFF);
            ASSERT_EQ(jgmod_iputw(index * 3, f), index * 3);
            ASSERT_EQ(jgmod_iputl(index * 100003, f), index * 100003);
            unsigned int l = (unsigned int)(index * 100003);
            Bytes cell = {(unsigned char)index, (unsigned char)(index * 3),
                          (unsigned char)((index * 3) >> 8), (unsigned char)l,
                          (unsigned char)(l >> 8), (unsigned char)(l >> 16),
                          (unsigned char)(l >> 24)};
            expected.insert(expected.end(), cell.begin(), cell.end());
        }
        ASSERT_EQ(pack_fclose(f), 0);
        Bytes read_back;
        PACKFILE *in = pack_fopen(file.path(), packed ? F_READ_PACKED : F_READ);
        int c;
        while ((c = pack_getc(in)) != EOF)
            read_back.push_back((unsigned char)c);
        pack_fclose(in);
        EXPECT_EQ(read_back, expected);
        if (!packed) {
            EXPECT_EQ(file.read(), expected);
        }
    }
}

}  // namespace
