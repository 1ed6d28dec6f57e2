// JSON text and the final check of standard output.
#include "output.h"

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

unsigned int fnv1a(const void *bytes, size_t size)
{
    unsigned int hash = 2166136261u;
    for (size_t index = 0; index < size; index++) {
        hash ^= ((const unsigned char *)bytes)[index];
        hash *= 16777619u;
    }
    return hash;
}

int finish_stdout(void)
{
    if (fflush(stdout) != 0 || ferror(stdout))
        return modtool_fail("Unable to write to standard output");
    return 0;
}
