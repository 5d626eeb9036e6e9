#pragma once
// A call into the host that may run its event loop (a dialog, a progress poll). The depth of such
// calls under way, across all archives, tells an operation's own steps from calls that came in
// through a pump of it; each call also starts a new epoch of the shared buffers.

namespace quorvane {

class HostCall {
public:
    HostCall();
    ~HostCall();
    HostCall(const HostCall&) = delete;
    HostCall& operator=(const HostCall&) = delete;

    // Calls under way now.
    static int Depth();
};

} // namespace quorvane
