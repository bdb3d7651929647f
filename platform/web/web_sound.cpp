// Browser layer only: The sound output behind PlaySoundA (whose choices are in window_table.cpp) over the page's Web
// Audio: one sound at a time, looped by the browser.
// A file the page did not pack (the music) is fetched from the site when it is asked for, the scene's files being
// in by then: its compressed copy first, decoded by the browser, the WAV if that fails. The page decides when sound may
// start: browsers allow it only after a click or a key.
#include "platform/chime.h"
#include "platform/web/web_wav_reader.h"
#include "platform/web/web_layer.h"

#include <emscripten.h>

#include <cstdio>
#include <string>
#include <vector>

namespace platform {

namespace {

// The page provides Module.soundOutput with play(channels, rate, loop), stop(), and, for compressed files,
// decode(bytes) and playDecoded(decoded, loop); without one there is no sound device.
// clang-format off
EM_JS(int, soundOutputPresent, (), { return Module['soundOutput'] ? 1 : 0; });

EM_JS(int, soundOutputRate, (), {
    var output = Module['soundOutput'];
    return output && output.sampleRate ? output.sampleRate : 44100;
});

EM_JS(void, startSoundOutput, (const int16_t *samples, int frames, int channels, int rate, int loop), {
    delete Module['frostelFetchedSound'];  // a sound being fetched is superseded
    var planes = [];
    for (var c = 0; c < channels; ++c) {
        var plane = new Float32Array(frames);
        for (var i = 0; i < frames; ++i) plane[i] = HEAP16[(samples >> 1) + i * channels + c] / 32768;
        planes.push(plane);
    }
    Module['soundOutput'].play(planes, rate, loop != 0);
});

EM_JS(void, stopSoundOutput, (), {
    delete Module['frostelFetchedSound'];
    if (Module['soundOutput']) Module['soundOutput'].stop();
});

EM_JS(int, siteFetchPresent, (), { return typeof fetch === 'function' ? 1 : 0; });

// The compressed copy (when there is one) is decoded and played by the page; failing that, the WAV's bytes wait
// for the layer to read them. A later sound, or a stop, makes the fetch's outcome moot.
EM_JS(void, fetchSound, (const char *wavName, const char *compressedName, int loop), {
    var output = Module['soundOutput'];
    var wavUrl = UTF8ToString(wavName);
    var compressedUrl = compressedName ? UTF8ToString(compressedName) : "";
    var request = {outcome: 'fetching', bytes: null};
    Module['frostelFetchedSound'] = request;
    output.stop();
    function current() { return Module['frostelFetchedSound'] === request; }
    function bytesOf(url) {
        return fetch(url).then(function(response) {
            if (!response.ok) throw new Error('HTTP ' + response.status + ' ' + response.statusText);
            return response.arrayBuffer();
        });
    }
    function wav() {
        bytesOf(wavUrl).then(function(bytes) {
            if (!current()) return;
            request.bytes = new Uint8Array(bytes);
            request.outcome = 'wav';
        }).catch(function(error) {
            if (!current()) return;
            console.warn('Frostel: ' + wavUrl + ': ' + error);
            request.outcome = 'failed';
        });
    }
    if (!compressedUrl || !output.decode) {
        wav();
        return;
    }
    bytesOf(compressedUrl).then(function(bytes) {
        if (!current()) return null;
        request.outcome = 'decoding';  // once the visitor has let sound start
        return output.decode(bytes);
    }).then(function(decoded) {
        if (!current() || !decoded) return;
        request.outcome = 'playing';
        output.playDecoded(decoded, loop != 0);
    }).catch(function(error) {
        if (!current()) return;
        console.warn('Frostel: ' + compressedUrl + ': ' + error + '; the WAV instead');
        wav();
    });
});

// 0 while the fetch goes on (or once the page plays it), the WAV's size once its bytes are in, -1 when
// neither file could be had.
EM_JS(int, fetchedSoundOutcome, (), {
    var request = Module['frostelFetchedSound'];
    if (!request) return 0;
    if (request.outcome === 'failed') return -1;
    return request.outcome === 'wav' ? request.bytes.length : 0;
});

EM_JS(void, takeFetchedSound, (uint8_t *into), {
    var request = Module['frostelFetchedSound'];
    HEAPU8.set(request.bytes, into);
    request.bytes = null;
    request.outcome = 'taken';
});

EM_JS(int, fetchedSoundPending, (), {
    var request = Module['frostelFetchedSound'];
    return request && (request.outcome === 'fetching' || request.outcome === 'wav') ? 1 : 0;
});
// clang-format on

// What PlaySoundA is about to play, and when what plays now is over.
PcmSound prepared;
std::string preparedFetch;  // a file to fetch from the site, instead of samples
bool fetchedLooping = false;
double soundEnd = 0.0;

// The page packs only the scene's files: a sound file it does not hold comes from the site beside the page.
bool inPagePackage(const char *file)
{
    FILE *f = std::fopen(file, "rb");
    if (f == nullptr) {
        return false;
    }
    std::fclose(f);
    return true;
}

// The page build keeps "name.mp3" beside "name.wav".
std::string compressedName(const std::string &wav)
{
    const size_t dot = wav.size() >= 4 ? wav.size() - 4 : std::string::npos;
    if (dot == std::string::npos || (wav.compare(dot, 4, ".wav") != 0 && wav.compare(dot, 4, ".WAV") != 0)) {
        return std::string();
    }
    return wav.substr(0, dot) + ".mp3";
}

void playSamples(const PcmSound &sound, bool looping)
{
    startSoundOutput(sound.samples.data(), static_cast<int>(sound.frames()), sound.channels, sound.frequency,
                     looping ? 1 : 0);
    soundEnd = emscripten_get_now() + 1000.0 * static_cast<double>(sound.frames()) / sound.frequency;
}

}  // namespace

bool openSoundOutput() { return soundOutputPresent() != 0; }

bool prepareSound(const char *file)
{
    prepared = PcmSound();
    preparedFetch.clear();
    if (file == nullptr) {
        prepared.channels = 1;
        prepared.frequency = soundOutputRate();
        prepared.samples = synthesiseChime(prepared.frequency, 1);
        return !prepared.samples.empty();
    }
    if (inPagePackage(file)) {
        return readWavFile(file, prepared);
    }
    // Whether the site has it is known only once it has been fetched.
    if (!siteFetchPresent()) {
        return false;
    }
    preparedFetch = file;
    return true;
}

void playPreparedSound(bool looping)
{
    if (!preparedFetch.empty()) {
        const std::string compressed = compressedName(preparedFetch);
        fetchedLooping = looping;
        soundEnd = 0.0;
        fetchSound(preparedFetch.c_str(), compressed.empty() ? nullptr : compressed.c_str(), looping ? 1 : 0);
        preparedFetch.clear();
        return;
    }
    playSamples(prepared, looping);
    prepared = PcmSound();  // the page has its own copy of the samples
}

void stopSound() { stopSoundOutput(); }

// A fetched file is waited for until it is in; the page goes on drawing meanwhile.
void waitForSoundEnd()
{
    while (fetchedSoundPending()) {
        waitForNextFrame();
        pumpSound();
    }
    while (emscripten_get_now() < soundEnd) {
        waitForNextFrame();
    }
}

void pumpSound()
{
    const int outcome = fetchedSoundOutcome();
    if (outcome == 0) {
        return;
    }
    if (outcome > 0) {
        std::vector<uint8_t> bytes(static_cast<size_t>(outcome));
        takeFetchedSound(bytes.data());
        PcmSound sound;
        if (parseWav(bytes.data(), bytes.size(), sound)) {
            playSamples(sound, fetchedLooping);
            return;
        }
    }
    soundFileUnavailable();
}

}  // namespace platform
