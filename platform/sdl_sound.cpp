// SDL layer only: The sound output behind PlaySoundA (whose choices are in window_table.cpp) over SDL audio: one sound
// at a time, converted to the device format up front and fed to the device by readSound, once or looping.
#include "platform/chime.h"
#include "platform/sdl_layer.h"
#include "platform/sound_loop.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

struct Playback {
    SDL_AudioDeviceID device = 0;
    SDL_AudioSpec audio{};
    // The audio thread reads these under the device lock.
    std::vector<Uint8> buffer;
    SoundCursor cursor;
    bool playing = false;
};

Playback playback;
// What PlaySoundA is about to play, already in the device format.
std::vector<Uint8> prepared;

void SDLCALL feedDevice(void *userdata, Uint8 *stream, int length)
{
    auto *state = static_cast<Playback *>(userdata);
    state->playing = readSound(state->cursor, stream, static_cast<size_t>(length), state->audio.silence);
}

}  // namespace

bool openSoundOutput()
{
    if (playback.device != 0) {
        return true;
    }
    // SDL may pick a driver (ALSA without a card) that then cannot open: no sound, no crash.
    if (!ensureSdl(SDL_INIT_AUDIO)) {
        return false;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = 44100;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 2048;
    wanted.callback = feedDevice;
    wanted.userdata = &playback;
    // No changes allowed: SDL adapts to the hardware itself, and our buffers keep one format.
    SDL_AudioSpec obtained{};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) {
        return false;
    }
    playback.audio = obtained;
    playback.device = device;
    return true;
}

namespace {

size_t frameBytes(const SDL_AudioSpec &audio) { return SDL_AUDIO_BITSIZE(audio.format) / 8u * audio.channels; }

bool convertToDevice(SDL_AudioFormat format, Uint8 channels, int frequency, const Uint8 *data, Uint32 length,
                     std::vector<Uint8> &out)
{
    SDL_AudioCVT conversion;
    const int needed = SDL_BuildAudioCVT(&conversion, format, channels, frequency, playback.audio.format,
                                         playback.audio.channels, playback.audio.freq);
    if (needed < 0) {
        return false;
    }
    out.assign(static_cast<size_t>(length) * static_cast<size_t>(needed > 0 ? conversion.len_mult : 1), 0);
    std::memcpy(out.data(), data, length);
    if (needed > 0) {
        conversion.buf = out.data();
        conversion.len = static_cast<int>(length);
        if (SDL_ConvertAudio(&conversion) != 0) {
            return false;
        }
        out.resize(static_cast<size_t>(conversion.len_cvt));
    } else {
        out.resize(length);
    }
    out.resize(out.size() - out.size() % frameBytes(playback.audio));
    return !out.empty();
}

// A FIFO would block the opening read for ever and a directory reads as nothing: only a
// regular file is a sound, checked on the descriptor that is then read.
SDL_RWops *openRegularFile(const char *name)
{
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat status { };
    std::FILE *stream = nullptr;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || (stream = fdopen(fd, "rb")) == nullptr) {
        close(fd);
        return nullptr;
    }
    SDL_RWops *file = SDL_RWFromFP(stream, SDL_TRUE);
    if (file == nullptr) {
        std::fclose(stream);
    }
    return file;
}

bool loadWav(const char *name, std::vector<Uint8> &out)
{
    SDL_AudioSpec audio{};
    Uint8 *data = nullptr;
    Uint32 length = 0;
    SDL_RWops *file = openRegularFile(name);
    if (file == nullptr || SDL_LoadWAV_RW(file, 1, &audio, &data, &length) == nullptr) {
        return false;
    }
    const bool converted = convertToDevice(audio.format, audio.channels, audio.freq, data, length, out);
    SDL_FreeWAV(data);
    return converted;
}

bool makeChime(std::vector<Uint8> &out)
{
    const std::vector<int16_t> chime = synthesiseChime(playback.audio.freq, 1);
    return !chime.empty() &&
           convertToDevice(AUDIO_S16SYS, 1, playback.audio.freq, reinterpret_cast<const Uint8 *>(chime.data()),
                           static_cast<Uint32>(chime.size() * sizeof(int16_t)), out);
}

// Swaps the new sound in; the old buffer leaves in `sound`, to be freed outside the lock.
void install(std::vector<Uint8> &sound, bool looping)
{
    SDL_LockAudioDevice(playback.device);
    playback.buffer.swap(sound);
    playback.cursor = SoundCursor{playback.buffer.data(), playback.buffer.size(), 0, looping};
    playback.playing = !playback.buffer.empty();
    SDL_UnlockAudioDevice(playback.device);
    SDL_PauseAudioDevice(playback.device, playback.playing ? 0 : 1);
}

bool stillPlaying()
{
    SDL_LockAudioDevice(playback.device);
    const bool playing = playback.playing;
    SDL_UnlockAudioDevice(playback.device);
    return playing;
}

}  // namespace

bool prepareSound(const char *file)
{
    if (file != nullptr ? loadWav(file, prepared) : makeChime(prepared)) {
        return true;
    }
    prepared.clear();  // a conversion cut short leaves nothing worth keeping
    return false;
}

void playPreparedSound(bool looping)
{
    install(prepared, looping);
    // The sound that played before is freed here, outside the device lock.
    std::vector<Uint8>().swap(prepared);
}

void waitForSoundEnd()
{
    while (stillPlaying()) {
        SDL_Delay(5);
    }
}

void stopSound()
{
    if (playback.device == 0) {
        return;
    }
    std::vector<Uint8> nothing;
    install(nothing, false);
}

}  // namespace platform
