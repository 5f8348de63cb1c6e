#include "PortAudioSession.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <portaudio.h>

#include <cstdlib>

namespace {

// ALSA and JACK describe every probe of an absent card or server on standard error while
// PortAudio looks for devices. The operator only needs our own message when a sound fails.
void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}
void IgnoreJackMessage(const char*) {}

}  // namespace

PortAudioSession& PortAudioSession::Instance()
{
    static PortAudioSession session;
    return session;
}

PortAudioSession::PortAudioSession()
{
    // Playing a stimulus must never start a sound server behind the operator's back.
    setenv("JACK_NO_START_SERVER", "1", 0);
    snd_lib_error_set_handler(IgnoreAlsaMessage);
    jack_set_error_function(IgnoreJackMessage);
    jack_set_info_function(IgnoreJackMessage);
    Initialised = Pa_Initialize() == paNoError;
}

PortAudioSession::~PortAudioSession()
{
    if (Initialised) {
        Pa_Terminate();
    }
}
