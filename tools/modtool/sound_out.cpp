// ALSA behind modtool play; the only file that knows the sound system.
#include "sound_out.h"

#include <errno.h>

#include <alsa/asoundlib.h>

#include "modtool.h"

#define DEVICE_LATENCY_US 100000  // what the device may hold queued

// The library's own messages would break the status line; ours say enough.
static void quiet(const char *, int, const char *, int, const char *, ...)
{
}

static int device_failure(const char *what, const std::string &device, int error)
{
    std::string message = std::string(what) + " " + device + ": " + snd_strerror(error);
    return modtool_fail(message.c_str());
}

int sound_open(SoundOut *out, const char *device, int rate, int channels)
{
    *out = SoundOut{NULL, device, channels};
    snd_lib_error_set_handler(quiet);
    snd_pcm_t *pcm = NULL;
    int error = snd_pcm_open(&pcm, device, SND_PCM_STREAM_PLAYBACK, 0);
    if (error == 0) {
        error = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED,
                                   channels, rate, 1, DEVICE_LATENCY_US);
        if (error < 0)
            snd_pcm_close(pcm);
    }
    if (error < 0)
        return device_failure("cannot open sound device", out->device, error);
    out->pcm = pcm;
    return 0;
}

int sound_write(SoundOut *out, const short *values, int frames)
{
    snd_pcm_t *pcm = (snd_pcm_t *)out->pcm;
    while (frames > 0) {
        snd_pcm_sframes_t written = snd_pcm_writei(pcm, values, frames);
        if (written < 0) {
            // An underrun or a signal: the device starts again.
            int error = snd_pcm_recover(pcm, (int)written, 1);
            if (error < 0)
                return device_failure("cannot play on sound device", out->device, error);
            if (written == -EINTR)
                return 0;
            continue;
        }
        frames -= (int)written;
        values += written * out->channels;
    }
    return 0;
}

void sound_close(SoundOut *out, bool drain)
{
    if (out->pcm == NULL)
        return;
    snd_pcm_t *pcm = (snd_pcm_t *)out->pcm;
    if (drain)
        snd_pcm_drain(pcm);
    else
        snd_pcm_drop(pcm);
    snd_pcm_close(pcm);
    out->pcm = NULL;
}
