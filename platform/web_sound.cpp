// Browser layer only: The sound output behind PlaySoundA (whose choices are in window_table.cpp) over the page's Web
// Audio: one sound at a time, the WAV's own samples handed over whole and looped by the browser. The page decides
// when sound may start: browsers allow it only after a click or a key.
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

// What PlaySoundA is about to play, and when what plays now is over.
PcmSound prepared;
double soundEnd = 0.0;

}  // namespace

bool openSoundOutput() { return soundOutputPresent() != 0; }

bool prepareSound(const char *file)
{
    if (file != nullptr) {
        if (readWavFile(file, prepared)) {
            return true;
        }
        prepared = PcmSound();
        return false;
    }
    prepared.channels = 1;
    prepared.frequency = soundOutputRate();
    prepared.samples = synthesiseChime(prepared.frequency, 1);
    return !prepared.samples.empty();
}

void playPreparedSound(bool looping)
{
    startSoundOutput(prepared.samples.data(), static_cast<int>(prepared.frames()), prepared.channels,
                     prepared.frequency, looping ? 1 : 0);
    soundEnd = emscripten_get_now() + 1000.0 * static_cast<double>(prepared.frames()) / prepared.frequency;
    prepared = PcmSound();  // the page has its own copy of the samples
}

// The page goes on drawing meanwhile.
void waitForSoundEnd()
{
    while (emscripten_get_now() < soundEnd) {
        waitForNextFrame();
    }
}

void stopSound() { stopSoundOutput(); }

}  // namespace platform
