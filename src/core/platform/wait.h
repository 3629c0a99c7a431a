// How long work waits on the calling thread. The program has one thread:
// the converter and the upload run inside the command that started them, and
// whoever started them hands a Wait to the call that waits (the request
// layer, the converter's run). The call comes back to it every few tens of
// milliseconds: the window uses that to paint and move its bar, to drop the
// user's input, and to ask whether Esc or the close button asked to stop; a
// caller without a window passes none and just waits. A long moment inside
// idle() (a question to the user) counts against no limit of the waiting
// call.
#pragma once

#include <chrono>
#include <cstdint>

class Wait
{
public:
    virtual ~Wait() = default;

    // Lets the caller live for a moment (paint, answer the user).
    virtual void idle() {}
    // Once true, the waiting call ends at once and reports that it stopped.
    virtual bool stopRequested() const { return false; }
    // Bytes of a body the server has acknowledged so far, of `total`.
    virtual void sent(std::uint64_t done, std::uint64_t total)
    {
        (void)done;
        (void)total;
    }

    // How often a waiting call comes back to idle(): often enough for a
    // smooth bar, seldom enough to cost nothing measurable.
    static constexpr std::chrono::milliseconds kIdleInterval{40};
};
