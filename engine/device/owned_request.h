#pragma once
// Sending an execute request so that a late completion can never write into
// memory that is gone. The library gets a copy of the request block, a data
// buffer and a completion event that the executor owns; the caller's block
// and buffer receive the outcome only once the request has completed. When
// the caller stops waiting first, the copy lives on until the library
// signals, and only then is it released.

#include <chrono>
#include <cstddef>

#include "engine/device/aspi.h"

namespace sorvane {

// Sends `srb` through `send` and waits up to `wait` for a request the
// library leaves pending. True when the request completed: its status,
// adapter and target status, sense bytes and incoming data are then in `srb`
// and the caller's buffer. False when the wait ran out: `srb` and its buffer
// are left as they were, SRB_Status still SS_PENDING.
bool SendOwnedRequest(SRB_ExecSCSICmd& srb, SendASPI32CommandFn send, std::chrono::milliseconds wait);

// Copies still held for a library that has not signalled their completion.
std::size_t OutstandingRequestCount();

}  // namespace sorvane
