// Scratch directories and whole-file helpers for the tests of stored files.
#ifndef ZQ_TEST_PERSIST_FILES_H
#define ZQ_TEST_PERSIST_FILES_H

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// A fresh directory under /tmp, removed with everything in it at the end.
struct ScratchDir {
    char pattern[32] = "/tmp/zq-persist-XXXXXX";
    const std::string root = mkdtemp(pattern);
    ~ScratchDir() { std::filesystem::remove_all(root); }
    std::string Path(const std::string &name) const { return root + "/" + name; }
    std::vector<std::string> Entries() const // sorted names
    {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(root))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

inline std::vector<unsigned char> ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string &path, const std::vector<unsigned char> &bytes)
{
    std::ofstream(path, std::ios::binary).write((const char *)bytes.data(), (std::streamsize)bytes.size());
}

#endif
