#include "support/golden.h"

#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace {

// Where `end` lies in a JSON document, as keys and indices: "sample_info[1].tuning".
std::string json_path(const std::string &text, size_t end)
{
    std::vector<std::pair<long, std::string>> open;  // an array's index, or -1 and a key
    std::string last;
    for (size_t at = 0; at < end; at++) {
        char c = text[at];
        if (c == '"') {
            size_t close = at + 1;
            while (close < text.size() && text[close] != '"')
                close += text[close] == '\\' ? 2 : 1;
            last = text.substr(at + 1, close - at - 1);
            at = close;
        } else if (c == ':' && !open.empty()) {
            open.back().second = last;
        } else if (c == '{' || c == '[') {
            open.push_back({c == '[' ? 0 : -1, ""});
        } else if ((c == '}' || c == ']') && !open.empty()) {
            open.pop_back();
        } else if (c == ',' && !open.empty() && open.back().first >= 0) {
            open.back().first++;
        }
    }
    std::string path;
    for (const auto &level : open)
        path += level.first >= 0 ? "[" + std::to_string(level.first) + "]" : "." + level.second;
    return path.empty() ? path : path.substr(1);
}

// The line around offset `at`.
std::string line_at(const std::string &text, size_t at)
{
    size_t start = at == 0 ? 0 : text.rfind('\n', at - 1) + 1;  // npos + 1 is 0
    return text.substr(start, text.find('\n', start) - start);
}

// In a table under a tab-separated header, the fields that differ, by their names.
std::string fields_that_differ(const std::string &header, const std::string &expected,
                               const std::string &actual)
{
    std::istringstream names(header), want(expected), got(actual);
    std::string name, a, b, fields;
    while (std::getline(names, name, '\t') && std::getline(want, b, '\t')) {
        if (!std::getline(got, a, '\t'))
            a = "(none)";
        if (a != b)
            fields += " " + name + " " + a + " (expected " + b + ")";
    }
    return fields.empty() ? "" : ":" + fields;
}

}  // namespace

std::string first_difference(const std::string &expected, const std::string &actual)
{
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        at++;
    if (at == expected.size() && at == actual.size())
        return "";
    long line = 1 + std::count(expected.begin(), expected.begin() + at, '\n');
    std::string where = "line " + std::to_string(line);
    std::string header = line_at(expected, 0);
    if (!expected.empty() && expected[0] == '{')
        where += " at " + json_path(expected, at);
    else if (line > 1 && header.find('\t') != std::string::npos)
        where += fields_that_differ(header, line_at(expected, at), line_at(actual, at));
    return where + "\n  expected: " + line_at(expected, at) +
           "\n  actual:   " + line_at(actual, at);
}

testing::AssertionResult matches_golden(const std::string &file, const std::string &actual)
{
    const char *update = getenv("ZQ_UPDATE_GOLDEN");
    if (update != NULL && std::string(update) == "1") {
        std::ofstream out(file, std::ios::binary);
        if (!(out << actual).flush())
            return testing::AssertionFailure() << "cannot write " << file;
        return testing::AssertionSuccess();
    }
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return testing::AssertionFailure() << file << " is missing (ZQ_UPDATE_GOLDEN=1 writes it)";
    std::string expected((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string difference = first_difference(expected, actual);
    if (difference.empty())
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << file << ", " << difference;
}
