// The reading helpers over packfiles. Their words, longs and writers are what the
// JGM writer and the legacy packfile entry points use, and the round trips of
// those check them; here, the byte reader's shortcut into the library's buffer.
#include <gtest/gtest.h>

#include "jgmod_internal.h"
#include "support/packfile_helpers.h"

namespace {

// Same bytes and end of file as the library's byte call across refills of its
// 4096-byte buffer, with the library's calls on the same handle in between.
TEST(FileIo, ByteReaderMatchesLibraryAcrossRefillsAndInterleaves)
{
    install_allegro_for_files();
    for (size_t size : {0, 1, 4095, 4096, 4097, 3 * 4096 + 17}) {
        Bytes bytes(size);
        for (size_t index = 0; index < size; index++)
            bytes[index] = (unsigned char)(index * 7 + index / 251);
        ScratchFile file(bytes);
        PACKFILE *ours = pack_fopen(file.path(), F_READ);
        PACKFILE *library = pack_fopen(file.path(), F_READ);
        for (size_t index = 0; index <= size + 1; index++) {
            SCOPED_TRACE(testing::Message() << size << " byte " << index);
            ASSERT_EQ(index % 3 ? jgmod_getc(ours) : pack_getc(ours), pack_getc(library));
            ASSERT_EQ(pack_feof(ours) != 0, pack_feof(library) != 0);
        }
        pack_fclose(ours);
        pack_fclose(library);
    }
}

}  // namespace
