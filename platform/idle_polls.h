// Tells a message loop that draws nothing when it may wait: after many polls in a row that found no message
// and with no frame drawn since. Portable: a counter, so the rule can be tested on its own.
#pragma once

namespace platform {

class IdlePolls {
public:
    // Polls that find nothing while frames are drawn are the loop's normal pace and never wait.
    static const unsigned threshold = 64;

    // Counts a poll that found no message; true from the one after `threshold` such polls in a row on, when
    // the caller may wait a little for the next event.
    bool emptyPoll();
    // A message was taken or a frame presented: the loop is busy again.
    void reset() { empty_ = 0; }

private:
    unsigned empty_ = 0;
};

}  // namespace platform
