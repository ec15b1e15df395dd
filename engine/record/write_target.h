#pragma once
// Where a recording's sectors go. The write thread owns one target for the
// length of a recording and drives it through the same four steps whatever
// it is: Open before the first block, Write for every block, Close
// after the last one (also after an error or an abort). An image file is one
// target; a drive is another, whose Open prepares the drive, whose Write
// sends one block per write command with its busy retries, and whose Close
// synchronises the drive's cache and closes the track or session.
//
// Every step answers the empty text on success, or the upper-case text that
// ends the recording and reaches OnWriteDone.

#include <atomic>
#include <cstdint>
#include <string>

namespace sorvane {

class TWriteTarget {
public:
    virtual ~TWriteTarget() = default;

    // Readies the target; runs on the write thread before the first block.
    virtual std::string Open() = 0;

    // The sector the first block is written at. An image always starts at 0.
    virtual std::int64_t StartSector() const { return 0; }

    // The length a write of `count` bytes must have on this target, at most
    // `capacity`. A drive that records in fixed units rounds the last, short
    // block up; the write thread zero-fills the added tail and counts it as
    // written.
    virtual std::uint32_t WriteLength(std::uint32_t count, std::uint32_t capacity) const {
        (void)capacity;
        return count;
    }

    // Writes `count` bytes (whole sectors) at `sector`. `abortFlag` is the
    // user's stop request; a target that retries polls it between attempts
    // and answers "OPERATION ABORTED BY USER" when it is set.
    virtual std::string Write(std::int64_t sector, const std::uint8_t* data, std::uint32_t count,
                              const std::atomic<bool>& abortFlag) = 0;

    // Ends the recording. `error` is the text that ends it so far (empty when
    // every block was written); a target may skip its closing steps when it
    // is not empty. Answers a text of its own when closing fails.
    virtual std::string Close(const std::string& error) = 0;
};

}  // namespace sorvane
