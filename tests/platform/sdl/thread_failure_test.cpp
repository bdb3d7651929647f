// A process that can start no thread (a huge stack limit, a process limit): the sound is refused as on a machine
// without a sound device, and the rest of the layer runs on. Run in a process of its own (the refusal stays).
#include "platform/sdl/posix_thread_probe.h"
#include "platform/sdl/sdl_layer.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <pthread.h>

namespace {

// As `ulimit -s` with a size no memory holds does: every new thread's stack is refused.
struct NoNewThreads {
    NoNewThreads()
    {
        pthread_getattr_default_np(&saved);
        pthread_attr_t huge;
        pthread_attr_init(&huge);
        pthread_attr_setstacksize(&huge, size_t{1} << 46);
        pthread_setattr_default_np(&huge);
        pthread_attr_destroy(&huge);
    }
    ~NoNewThreads()
    {
        pthread_setattr_default_np(&saved);
        pthread_attr_destroy(&saved);
    }
    pthread_attr_t saved;
};

// The threads GL's software renderer is told to start when video starts: null when it is not told.
const char *glThreadsAfterVideoStarts(bool limited)
{
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (limited) {
        NoNewThreads limit;
        platform::ensureSdl(SDL_INIT_VIDEO);
    } else {
        platform::ensureSdl(SDL_INIT_VIDEO);
    }
    return std::getenv("LP_NUM_THREADS");
}

TEST(NoNewThreads, TheProbeSaysSo)
{
    {
        NoNewThreads limit;
        EXPECT_FALSE(platform::threadsCanStart());
    }
    EXPECT_TRUE(platform::threadsCanStart());
}

TEST(NoNewThreads, GlIsToldToDrawOnTheCallingThreadUnlessTheUserSaidOtherwise)
{
    unsetenv("LP_NUM_THREADS");
    EXPECT_EQ(glThreadsAfterVideoStarts(false), nullptr);
    const char *told = glThreadsAfterVideoStarts(true);
    EXPECT_STREQ(told, "0");
    setenv("LP_NUM_THREADS", "3", 1);
    told = glThreadsAfterVideoStarts(true);
    EXPECT_STREQ(told, "3");
    unsetenv("LP_NUM_THREADS");
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

TEST(NoNewThreads, PlayingFailsQuietlyAndTheExitStillWorks)
{
    {
        NoNewThreads limit;
        ASSERT_FALSE(platform::threadsCanStart()) << "the limit should refuse a thread here";
        const std::string path = testing::TempDir() + "frostel-unstarted.wav";
        EXPECT_FALSE(PlaySoundA(path.c_str(), nullptr, SND_ASYNC | SND_LOOP));
        EXPECT_TRUE(PlaySoundA(nullptr, nullptr, SND_ASYNC)) << "a stop has nothing to stop, and fails not";
        // Asked again, it stays refused.
        EXPECT_FALSE(PlaySoundA(path.c_str(), nullptr, SND_SYNC));
    }
    ASSERT_TRUE(platform::threadsCanStart());
    // The exit's stop finds no thread to end, and says it ended.
    EXPECT_TRUE(platform::stopSoundThread(100));
}

}  // namespace
