// modtool: the module player's command-line companion. Options that apply
// to every verb come before the verb; the verb's own arguments follow it.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <allegro.h>

#include "jgmod.h"
#include "modtool.h"

int modtool_fail(const char *message)
{
    fprintf(stderr, "modtool: %s\n", message);
    return 1;
}

static void print_usage(FILE *out)
{
    fputs("usage: modtool [--help] [--version] VERB ARGUMENTS\n"
          "\n"
          "verbs:\n"
          "  info FILE        print the type, type name and name of a module file\n"
          "  dump FILE        print the loaded module as one JSON document\n"
          "  convert IN OUT   write the module loaded from IN to OUT as a JGM stream\n"
          "  trace FILE [--ticks N] [--voices V] [--speed S] [--pitch P] [--volume M] "
          "[--no-loop]\n"
          "                   print what the player does with the voices, tick by tick\n"
          "  render FILE OUT.wav [--seconds N] [--rate HZ] [--mono] [--loop] "
          "[--interpolation none|linear|cubic]\n"
          "                   play the song once into a 16-bit WAV file, faster than real time\n"
          "  play FILE... [--seconds N] [--loop] [--device NAME]\n"
          "                   play the songs on an ALSA device; on a terminal, h lists the keys\n"
          "\n"
          "options:\n"
          "  --help, -h       print this text\n"
          "  --version        print the version\n"
          "  --m15            also recognise 15-sample MOD files (they have no signature)\n"
          "\n"
          "Errors are printed as \"modtool: MESSAGE\" and end with exit status 1.\n",
          out);
}

// Packed files need the library, but no display and no sound device.
static int install_file_library(void)
{
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        return modtool_fail("Unable to initialise the game library");
    return 0;
}

struct VERB {
    const char *name;
    int (*run)(int argc, char **argv);
    bool needs_files;  // installs the library for packed files first
};

static const VERB verbs[] = {
    {"info", modtool_info, true},
    {"dump", modtool_dump, true},
    {"convert", modtool_convert, true},
    {"trace", modtool_trace, false},  // sets up what it needs itself
    {"render", modtool_render, true},
    {"play", modtool_play, true},
};

static bool is_help(const char *arg)
{
    return strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0;
}

// Reads the options before the verb. Returns -1 to go on to the verb, or the
// exit status to end with.
static int parse_options(int argc, char **argv, int *index)
{
    char message[256];
    for (; *index < argc && argv[*index][0] == '-'; (*index)++) {
        const char *arg = argv[*index];
        if (is_help(arg)) {
            print_usage(stdout);
            return 0;
        }
        if (strcmp(arg, "--version") == 0) {
            printf("modtool %s\n", MODTOOL_VERSION);
            return 0;
        }
        if (strcmp(arg, "--m15") == 0) {
            enable_m15 = -1;
            continue;
        }
        snprintf(message, sizeof message, "unknown option %s (try modtool --help)", arg);
        return modtool_fail(message);
    }
    return -1;
}

static int run_verb(const char *name, int argc, char **argv)
{
    for (const VERB &verb : verbs) {
        if (strcmp(verb.name, name) != 0)
            continue;
        if (verb.needs_files && install_file_library() != 0)
            return 1;
        return verb.run(argc, argv);
    }
    char message[256];
    snprintf(message, sizeof message, "unknown verb %s (try modtool --help)", name);
    return modtool_fail(message);
}

int main(int argc, char **argv)
{
    int index = 1;
    int status = parse_options(argc, argv, &index);
    if (status >= 0)
        return status;
    if (index >= argc)
        return modtool_fail("no verb given (try modtool --help)");
    return run_verb(argv[index], argc - index - 1, argv + index + 1);
}
END_OF_MAIN()
