// Scratch directories and whole-file helpers for the tests of the
// high-score table and saved games.
#ifndef ZQ_TEST_PERSIST_FILES_H
#define ZQ_TEST_PERSIST_FILES_H

#include <string>
#include <vector>

// A fresh directory under /tmp, removed with everything in it at the end.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;
    std::string Path(const std::string &name) const;
    // Names of the entries in the directory, sorted.
    std::vector<std::string> Entries() const;
    const std::string &Root() const { return root_; }

private:
    std::string root_;
};

std::vector<unsigned char> ReadBytes(const std::string &path);
void WriteBytes(const std::string &path, const std::vector<unsigned char> &bytes);

#endif
