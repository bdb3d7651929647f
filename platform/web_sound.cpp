// Browser layer only: PlaySound over the page's sound output (Web Audio): one sound at a time, the WAV's own samples
// handed over whole and looped by the browser. The page decides when sound may start: browsers
// allow it only after a click or a key.
#include "platform/chime.h"
#include "platform/wav_reader.h"
#include "platform/web_layer.h"

#include <emscripten.h>

namespace platform {

namespace {

// The page provides Module.soundOutput with play(channels, rate, loop) and stop(); without one
// there is no sound device.
EM_JS(int, soundOutputPresent, (), { return Module['soundOutput'] ? 1 : 0; });

EM_JS(int, soundOutputRate, (), {
    var output = Module['soundOutput'];
    return output && output.sampleRate ? output.sampleRate : 44100;
});

EM_JS(void, startSoundOutput, (const int16_t *samples, int frames, int channels, int rate, int loop), {
    var planes = [];
    for (var c = 0; c < channels; ++c) {
        var plane = new Float32Array(frames);
        for (var i = 0; i < frames; ++i) plane[i] = HEAP16[(samples >> 1) + i * channels + c] / 32768;
        planes.push(plane);
    }
    Module['soundOutput'].play(planes, rate, loop != 0);
});

EM_JS(void, stopSoundOutput, (), {
    if (Module['soundOutput']) Module['soundOutput'].stop();
});

PcmSound chime()
{
    PcmSound sound;
    sound.channels = 1;
    sound.frequency = soundOutputRate();
    sound.samples = synthesiseChime(sound.frequency, 1);
    return sound;
}

// Without SND_ASYNC the call returns when the sound is over: the page goes on drawing meanwhile.
void waitOut(const PcmSound &sound)
{
    const double end = emscripten_get_now() + 1000.0 * static_cast<double>(sound.frames()) / sound.frequency;
    while (emscripten_get_now() < end) {
        waitForNextFrame();
    }
}

}  // namespace

}  // namespace platform

using namespace platform;

extern "C" {

BOOL WINAPI PlaySoundA(LPCSTR pszSound, HMODULE, DWORD fdwSound)
{
    if (pszSound == nullptr) {
        stopSoundOutput();
        return TRUE;
    }
    if (!soundOutputPresent()) {
        return FALSE;
    }
    // The name is always a file: there are no sound aliases here.
    bool looping = (fdwSound & SND_LOOP) != 0;
    PcmSound sound;
    if (!readWavFile(pszSound, sound)) {
        if ((fdwSound & SND_NODEFAULT) != 0 || (sound = chime()).samples.empty()) {
            stopSoundOutput();
            return FALSE;
        }
        looping = false;  // the stand-in sounds once, however the file was to play
    }
    startSoundOutput(sound.samples.data(), static_cast<int>(sound.frames()), sound.channels, sound.frequency,
                     looping ? 1 : 0);
    // A loop never ends, so it is always asynchronous.
    if ((fdwSound & SND_ASYNC) == 0 && !looping) {
        waitOut(sound);
    }
    return TRUE;
}

}  // extern "C"
