#include "support/persist_files.h"

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <stdexcept>
#include <string>

ScratchDir::ScratchDir()
{
    char pattern[] = "/tmp/zq-persist-XXXXXX";
    if (!mkdtemp(pattern)) {
        throw std::runtime_error("mkdtemp failed");
    }
    root_ = pattern;
}

ScratchDir::~ScratchDir()
{
    std::string command = "rm -rf '" + root_ + "'";
    if (system(command.c_str()) != 0) {
        fprintf(stderr, "could not remove %s\n", root_.c_str());
    }
}

std::string ScratchDir::Path(const std::string &name) const
{
    return root_ + "/" + name;
}

std::vector<std::string> ScratchDir::Entries() const
{
    std::vector<std::string> names;
    DIR *dir = opendir(root_.c_str());
    if (!dir) {
        return names;
    }
    while (dirent *entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<unsigned char> ReadBytes(const std::string &path)
{
    std::vector<unsigned char> bytes;
    FILE *file = fopen(path.c_str(), "rb");
    if (!file) {
        throw std::runtime_error("cannot open " + path);
    }
    int c;
    while ((c = fgetc(file)) != EOF) {
        bytes.push_back((unsigned char)c);
    }
    fclose(file);
    return bytes;
}

void WriteBytes(const std::string &path, const std::vector<unsigned char> &bytes)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (!file) {
        throw std::runtime_error("cannot create " + path);
    }
    if (!bytes.empty() && fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        fclose(file);
        throw std::runtime_error("cannot write " + path);
    }
    fclose(file);
}
