// Browser layer only: The sound output behind PlaySoundA (whose choices are in window_table.cpp) over the page's Web
// Audio (web_sound.js): one sound at a time, looped by the browser.
// A file the page did not pack (the music) is fetched from the site when it is asked for, the scene's files being
// in by then: its compressed copy first, decoded by the browser, the WAV if that fails. The page decides when sound may
// start: browsers allow it only after a click or a key.
#include "platform/chime.h"
#include "platform/web/web_wav_reader.h"
#include "platform/web/web_layer.h"

#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Defined in web_sound.js.
extern "C" {
int soundOutputPresent();
int soundOutputRate();
void startSoundOutput(const int16_t *samples, int frames, int channels, int rate, int loop);
void stopSoundOutput();
int siteFetchPresent();
void fetchSound(const char *wavName, const char *compressedName, int loop);
int fetchedSoundOutcome();
void takeFetchedSound(uint8_t *into);
int fetchedSoundPending();
}

namespace platform {

namespace {

// What PlaySoundA is about to play, and when what plays now is over.
PcmSound prepared;
std::string preparedFetch;  // a file to fetch from the site, instead of samples
bool fetchedLooping = false;
double soundEnd = 0.0;

// The page packs only the scene's files: a sound file it does not hold comes from the site beside the page.
bool inPagePackage(const char *file)
{
    FILE *f = std::fopen(file, "rb");
    if (f == nullptr) return false;
    std::fclose(f);
    return true;
}

// The page build keeps "name.mp3" beside "name.wav".
std::string compressedName(const std::string &wav)
{
    const size_t dot = wav.size() >= 4 ? wav.size() - 4 : std::string::npos;
    if (dot == std::string::npos || (wav.compare(dot, 4, ".wav") != 0 && wav.compare(dot, 4, ".WAV") != 0))
        return std::string();
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
    if (inPagePackage(file)) return readWavFile(file, prepared);
    // Whether the site has it is known only once it has been fetched.
    if (!siteFetchPresent()) return false;
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
    if (outcome == 0) return;
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
