// JSON text and the final check of standard output.
#include "output.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

#include "modtool.h"

void json_string(FILE *out, const char *bytes, size_t size)
{
    fputc('"', out);
    for (size_t index = 0; index < size; index++) {
        unsigned char c = (unsigned char)bytes[index];
        switch (c) {
        case '"':
            fputs("\\\"", out);
            break;
        case '\\':
            fputs("\\\\", out);
            break;
        case '\b':
            fputs("\\b", out);
            break;
        case '\f':
            fputs("\\f", out);
            break;
        case '\n':
            fputs("\\n", out);
            break;
        case '\r':
            fputs("\\r", out);
            break;
        case '\t':
            fputs("\\t", out);
            break;
        default:
            if (c < 0x20 || c >= 0x7F)
                fprintf(out, "\\u%04x", c);
            else
                fputc(c, out);
        }
    }
    fputc('"', out);
}

void json_int_array(FILE *out, const char *key, const int *values, int count)
{
    fprintf(out, "\"%s\": [", key);
    for (int index = 0; index < count; index++)
        fprintf(out, index ? ", %d" : "%d", values[index]);
    fputc(']', out);
}

int finish_stdout(void)
{
    if (fflush(stdout) != 0 || ferror(stdout))
        return modtool_fail("Unable to write to standard output");
    return 0;
}

std::string temporary_path(const char *path)
{
    return std::string(path) + ".modtool-" + std::to_string(getpid());
}

int put_in_place(const std::string &temporary, const char *path)
{
    if (rename(temporary.c_str(), path) == 0)
        return 0;
    int error = errno;
    remove(temporary.c_str());
    return fail_on_file("Unable to write", path, strerror(error));
}

int fail_on_file(const char *what, const char *path, const char *reason)
{
    std::string message = std::string(what) + " " + path;
    if (reason != NULL)
        message += std::string(": ") + reason;
    return modtool_fail(message.c_str());
}
