// The count of empty polls in a row.
#include "platform/idle_polls.h"

namespace platform {

bool IdlePolls::emptyPoll()
{
    if (empty_ <= threshold) {
        ++empty_;
    }
    return empty_ > threshold;
}

}  // namespace platform
