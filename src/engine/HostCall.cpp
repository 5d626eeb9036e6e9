#include "HostCall.h"

#include "SharedBuffers.h"

namespace quorvane {

namespace {

int hostCallDepth = 0;

} // namespace

HostCall::HostCall() {
    ++hostCallDepth;
    ++SharedBuffers().epoch;
}

HostCall::~HostCall() {
    --hostCallDepth;
}

int HostCall::Depth() {
    return hostCallDepth;
}

} // namespace quorvane
