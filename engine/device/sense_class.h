#pragma once
// What a drive's answer means for the one who sent the command: wait and
// send it again, wait for the disc, send it again at once, or give up.
// Every wait and every retry of the engine and of the front ends asks this
// classification, never the raw codes, so that the rules live in one table
// (sense_class.cpp).

#include <cstdint>
#include <span>

#include "engine/device/sense.h"

namespace sorvane {

enum class TSenseClass {
    // No failure, or one without an additional sense code (a request the
    // adapter timed out, a sense key alone).
    None,
    // The drive works on something it was asked to do: TARGET BUSY, or NOT
    // READY with an operation, a long write or a format in progress. The
    // command is worth sending again after a pause.
    RetryAfterPause,
    // NOT READY while the drive spins a disc up, or without saying why.
    BecomingReady,
    // UNIT ATTENTION for a medium change (28h) or a power-on or reset (29h):
    // the drive did not run the command and reports the condition only
    // once, so the command is sent again at once.
    MediumChanged,
    // MEDIUM NOT PRESENT (3Ah): there is nothing to wait for.
    NoMedium,
    // INCOMPATIBLE MEDIUM INSTALLED and its kin (30h): the disc cannot be
    // used as it is; an unformatted DVD+RW answers its first write so.
    IncompatibleMedium,
    // Anything else: waiting does not help.
    Fatal,
};

// Sense data as ParseSense decoded it.
TSenseClass ClassifySense(const TSense& sense);

// A failed request: its target status (BUSY) first, then its sense bytes.
TSenseClass ClassifyFailure(bool targetBusy, std::span<const std::uint8_t> sense);

// The data of a REQUEST SENSE command. Some drives answer F0h in byte 0 while
// they are busy, which counts as an operation in progress.
TSenseClass ClassifySenseReply(std::span<const std::uint8_t> reply);

// The drive is busy or not ready yet, and will take commands again.
constexpr bool MeansNotReady(TSenseClass sense) {
    return sense == TSenseClass::RetryAfterPause || sense == TSenseClass::BecomingReady;
}

// Whether a failure with this sense deserves the executor's error report. A
// drive writing its buffer out answers every command NOT READY, LONG WRITE
// IN PROGRESS, which is no fault of anybody's.
bool IsWorthReporting(const TSense& sense);

}  // namespace sorvane
