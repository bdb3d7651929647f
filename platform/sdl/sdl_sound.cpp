// SDL layer only: The sound output behind PlaySoundA (whose choices are in window_table.cpp) over SDL audio: one
// sound at a time, read from its file a block at a time and converted to the device format as it plays. A thread of its
// own opens and drives the device, so that a sound system that hangs never holds up the caller, nor the exit.
#include "platform/chime.h"
#include "platform/sdl/sdl_layer.h"
#include "platform/sdl/sdl_sound_loop.h"
#include "platform/wav_format.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <system_error>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

// The device format; SDL adapts it to the hardware itself.
const int deviceRate = 44100;
const Uint8 deviceChannels = 2;
const size_t deviceFrameBytes = 2 * deviceChannels;
// Frames read from the file at a time: a few callbacks' worth at the usual rates.
const size_t blockFrames = 4096;
// SDL's converter gives nothing for a put shorter than twice its resampler's reach (512 frames of the slower
// rate): every put is at least that long.
const size_t resamplerReach = 1024;
// A bound on the puts of one callback, so that a converter that gives nothing cannot hold the audio thread.
const int mostPuts = 64;
// How long the first PlaySoundA waits to learn whether there is a device at all: a missing driver says so at
// once, a sound server that does not answer is not waited for.
const auto openingWait = std::chrono::milliseconds(200);

// One sound with where it comes from; the file stays open while it plays.
struct Sound {
    std::FILE *file = nullptr;
    std::vector<int16_t> memory;  // the chime, which has no file
    MemoryBytes memorySource;
    WavLayout layout;
    bool looping = false;
    uint64_t serial = 0;
    // The audio thread's, once installed.
    SoundCursor cursor;
    SDL_AudioStream *stream = nullptr;
    std::vector<Uint8> block;
    bool drained = false;

    ~Sound()
    {
        if (stream != nullptr) {
            SDL_FreeAudioStream(stream);
        }
        if (file != nullptr) {
            std::fclose(file);
        }
    }
};

enum class DeviceState { notStarted, opening, open, failed };

// Shared by the caller's thread, the sound thread and SDL's audio thread. Never freed: the sound thread may
// still be stuck in the sound system while the process exits.
struct Output {
    std::mutex lock;
    std::condition_variable changed;
    DeviceState state = DeviceState::notStarted;
    std::unique_ptr<Sound> request;  // the next sound to play, taken by the sound thread
    bool stopRequested = false;
    bool quitRequested = false;
    bool finished = false;  // the sound thread has closed the device and ended
    std::thread thread;
    uint64_t lastSerial = 0;
    double lastSeconds = 0;                // how long the latest sound plays
    std::atomic<uint64_t> endedSerial{0};  // the latest sound the device has played to its end
    // The sound thread's alone.
    SDL_AudioDeviceID device = 0;
    Sound *playing = nullptr;  // read by SDL's audio thread under the device lock
};

Output &output()
{
    static Output *shared = new Output;
    return *shared;
}

// What PlaySoundA readies before it plays it.
std::unique_ptr<Sound> prepared;

size_t leastPut(uint32_t rate) { return resamplerReach * ((rate + deviceRate - 1) / deviceRate); }

// Tops the stream up from the file until it holds `length` bytes or the sound has ended; returns what it gives.
int convertedSound(Sound &sound, Uint8 *out, int length)
{
    const uint32_t rate = sound.layout.frequency;
    const size_t least = leastPut(rate);
    for (int put = 0; put < mostPuts && !sound.drained && SDL_AudioStreamAvailable(sound.stream) < length; ++put) {
        const size_t missing = static_cast<size_t>(length - SDL_AudioStreamAvailable(sound.stream));
        const size_t frames = inputFramesFor(missing / deviceFrameBytes + 1, rate, deviceRate, least, blockFrames);
        const size_t wanted = frames * sound.layout.frameBytes();
        const size_t got = readSound(sound.cursor, sound.block.data(), wanted);
        if (got > 0 && SDL_AudioStreamPut(sound.stream, sound.block.data(), static_cast<int>(got)) != 0) {
            sound.drained = true;
        }
        if (got < wanted) {
            // SDL 2.26's flush keeps back the frames its resampler holds for reach: silence pushes them out.
            std::fill(sound.block.begin(), sound.block.end(), sound.layout.bits == 8 ? 0x80 : 0);
            SDL_AudioStreamPut(sound.stream, sound.block.data(), static_cast<int>(sound.block.size()));
            SDL_AudioStreamFlush(sound.stream);
            sound.drained = true;
        }
    }
    const int given = SDL_AudioStreamGet(sound.stream, out, length);
    return given > 0 ? given : 0;
}

void SDLCALL feedDevice(void *userdata, Uint8 *stream, int length)
{
    auto *shared = static_cast<Output *>(userdata);
    Sound *sound = shared->playing;
    const int given = sound != nullptr ? convertedSound(*sound, stream, length) : 0;
    SDL_memset(stream + given, 0, static_cast<size_t>(length - given));
    if (sound != nullptr && given == 0 && sound->drained) {
        shared->endedSerial.store(sound->serial);
    }
}

bool openDevice(Output &shared)
{
    // SDL may pick a driver (ALSA without a card) that then cannot open: no sound, no crash.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec wanted{};
    wanted.freq = deviceRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = deviceChannels;
    wanted.samples = 2048;
    wanted.callback = feedDevice;
    wanted.userdata = &shared;
    // No changes allowed: SDL adapts to the hardware itself, and our streams keep one format.
    SDL_AudioSpec obtained{};
    shared.device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    return shared.device != 0;
}

// Readies a sound for the audio thread; false (the sound is then not played) when SDL cannot convert it.
bool readyForDevice(Sound &sound)
{
    const SDL_AudioFormat format = sound.layout.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    sound.stream =
        SDL_NewAudioStream(format, static_cast<Uint8>(sound.layout.channels), static_cast<int>(sound.layout.frequency),
                           AUDIO_S16SYS, deviceChannels, deviceRate);
    if (sound.stream == nullptr) return false;
    sound.cursor.start = sound.layout.dataOffset;
    sound.cursor.size = sound.layout.frames * sound.layout.frameBytes();
    sound.cursor.looping = sound.looping;
    if (sound.file != nullptr) {
        sound.cursor.read = readFileAt;
        sound.cursor.source = sound.file;
    } else {
        sound.memorySource =
            MemoryBytes{reinterpret_cast<const uint8_t *>(sound.memory.data()), sound.memory.size() * sizeof(int16_t)};
        sound.cursor.read = readMemoryAt;
        sound.cursor.source = &sound.memorySource;
    }
    sound.block.resize(std::max(blockFrames, leastPut(sound.layout.frequency)) * sound.layout.frameBytes());
    return true;
}

// Puts `next` (or silence) on the device; the sound it replaces is freed outside the device lock.
void install(Output &shared, std::unique_ptr<Sound> next)
{
    const uint64_t serial = next != nullptr ? next->serial : 0;
    if (next != nullptr && !readyForDevice(*next)) {
        shared.endedSerial.store(serial);
        next.reset();
    }
    SDL_LockAudioDevice(shared.device);
    std::unique_ptr<Sound> previous(shared.playing);
    shared.playing = next.release();
    SDL_UnlockAudioDevice(shared.device);
    SDL_PauseAudioDevice(shared.device, shared.playing != nullptr ? 0 : 1);
}

void runSoundThread(Output &shared)
{
    const bool opened = openDevice(shared);
    std::unique_lock<std::mutex> hold(shared.lock);
    shared.state = opened ? DeviceState::open : DeviceState::failed;
    shared.changed.notify_all();
    while (opened && !shared.quitRequested) {
        shared.changed.wait(hold, [&] { return shared.quitRequested || shared.stopRequested || shared.request; });
        if (shared.quitRequested) {
            break;
        }
        std::unique_ptr<Sound> next = std::move(shared.request);
        shared.stopRequested = false;
        hold.unlock();
        install(shared, std::move(next));
        hold.lock();
    }
    hold.unlock();
    if (opened) {
        // Joins SDL's audio thread, which a sound server that hangs can hold for ever: the caller waits for
        // this only so long.
        SDL_CloseAudioDevice(shared.device);
        delete shared.playing;
        shared.playing = nullptr;
    }
    hold.lock();
    shared.finished = true;
    shared.changed.notify_all();
}

// An open file that is a regular file: a FIFO would block the opening read for ever and a directory reads
// as nothing. Checked on the descriptor that is then read.
std::FILE *openRegularFile(const char *name)
{
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat status = {};
    std::FILE *stream = nullptr;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || (stream = fdopen(fd, "rb")) == nullptr) {
        close(fd);
        return nullptr;
    }
    return stream;
}

}  // namespace

bool openSoundOutput()
{
    Output &shared = output();
    std::unique_lock<std::mutex> hold(shared.lock);
    if (shared.state == DeviceState::notStarted) {
        registerSdlShutdown();
        shared.state = DeviceState::opening;
        try {
            shared.thread = std::thread(runSoundThread, std::ref(shared));
        } catch (const std::system_error &) {
            // No thread can be made (a process or stack limit): the scene goes on silent, as with no device.
            shared.state = DeviceState::failed;
            shared.finished = true;
            return false;
        }
        shared.changed.wait_for(hold, openingWait, [&] { return shared.state != DeviceState::opening; });
    }
    // Still opening: the sound plays once the device is there.
    return shared.state != DeviceState::failed;
}

bool prepareSound(const char *file)
{
    auto sound = std::make_unique<Sound>();
    if (file == nullptr) {
        sound->memory = synthesiseChime(deviceRate, 1);
        sound->layout = WavLayout{1, deviceRate, 16, 0, sound->memory.size()};
    } else {
        std::string reason;
        sound->file = openRegularFile(file);
        if (sound->file == nullptr || !examineWavFile(sound->file, sound->layout, reason)) {
            prepared.reset();
            return false;
        }
    }
    if (sound->layout.frames == 0) {
        prepared.reset();
        return false;
    }
    prepared = std::move(sound);
    return true;
}

void playPreparedSound(bool looping)
{
    Output &shared = output();
    std::unique_ptr<Sound> displaced;
    {
        std::lock_guard<std::mutex> hold(shared.lock);
        prepared->looping = looping;
        prepared->serial = ++shared.lastSerial;
        shared.lastSeconds = prepared->layout.seconds();
        displaced = std::move(shared.request);
        shared.request = std::move(prepared);
        shared.changed.notify_all();
    }
}

void waitForSoundEnd()
{
    Output &shared = output();
    uint64_t serial = 0;
    double seconds = 0;
    {
        std::lock_guard<std::mutex> hold(shared.lock);
        serial = shared.lastSerial;
        seconds = shared.lastSeconds;
    }
    // A device that stops playing (or never opened) must not hold the caller past the sound's own length.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(2000) +
                          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::duration<double>(seconds));
    while (shared.endedSerial.load() < serial && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void stopSound()
{
    Output &shared = output();
    std::unique_ptr<Sound> displaced;
    std::lock_guard<std::mutex> hold(shared.lock);
    if (shared.state == DeviceState::notStarted) return;
    displaced = std::move(shared.request);
    shared.stopRequested = true;
    shared.changed.notify_all();
}

bool stopSoundThread(unsigned milliseconds)
{
    Output &shared = output();
    std::unique_lock<std::mutex> hold(shared.lock);
    if (shared.state == DeviceState::notStarted) return true;
    shared.quitRequested = true;
    shared.changed.notify_all();
    if (!shared.changed.wait_for(hold, std::chrono::milliseconds(milliseconds), [&] { return shared.finished; })) {
        shared.thread.detach();
        return false;
    }
    hold.unlock();
    if (shared.thread.joinable()) {
        shared.thread.join();
    }
    return true;
}

}  // namespace platform
