// Raw keys on standard input and their undoing.
#include "terminal.h"

#include <errno.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

volatile sig_atomic_t stop_signal = 0;

static struct termios saved_terminal;
static bool keys_on = false;

static void note_stop(int signal_number)
{
    stop_signal = signal_number;
}

void catch_stop_signals(void)
{
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = note_stop;
    sigemptyset(&action.sa_mask);
    const int stop_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    for (int signal_number : stop_signals)
        sigaction(signal_number, &action, NULL);
}

void terminal_restore(void)
{
    if (!keys_on)
        return;
    keys_on = false;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_terminal);
    fputs("\033[?25h", stdout);  // the cursor back
    fflush(stdout);
}

bool terminal_keys_on(void)
{
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved_terminal) != 0)
        return false;
    struct termios raw = saved_terminal;
    // Signals stay on, so Ctrl-C ends the program through the normal path.
    raw.c_lflag &= ~(ICANON | ECHO);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw) != 0)
        return false;
    keys_on = true;
    atexit(terminal_restore);
    fputs("\033[?25l", stdout);
    fflush(stdout);
    return true;
}

// Arrow keys arrive as ESC [ A..D (or ESC O A..D); a lone ESC is Escape.
static int decode_key(const unsigned char *bytes, ssize_t count)
{
    if (count >= 3 && bytes[0] == 27 && (bytes[1] == '[' || bytes[1] == 'O')) {
        switch (bytes[2]) {
        case 'A': return TERM_KEY_UP;
        case 'B': return TERM_KEY_DOWN;
        case 'C': return TERM_KEY_RIGHT;
        case 'D': return TERM_KEY_LEFT;
        default: return 0;
        }
    }
    return count >= 1 ? bytes[0] : 0;
}

int terminal_read_key(int timeout_ms)
{
    struct pollfd input = {STDIN_FILENO, POLLIN, 0};
    int ready = poll(&input, keys_on ? 1 : 0, timeout_ms);
    if (ready <= 0 || !keys_on)
        return 0;
    unsigned char bytes[16];
    ssize_t count = read(STDIN_FILENO, bytes, sizeof bytes);
    return count > 0 ? decode_key(bytes, count) : 0;
}

int terminal_columns(void)
{
    struct winsize size;
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}
