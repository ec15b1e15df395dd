#pragma once
// A drive whose every answer comes from the fuzz input, opened as the
// process-wide transport: what a faulty drive or a hostile USB bridge could
// send back, carried to the component's real command code.
//
// A script is a run of replies, one per request, in the order the requests
// come:
//   byte 0        the outcome: 0-3 the request completed; 4 CHECK CONDITION
//                 with sense; 5 TARGET BUSY; 6 an adapter error, its status
//                 in the next byte; 7 another request status, picked by the
//                 next byte
//   with sense    one byte n (taken modulo 34), then n sense bytes
//   then          two bytes, little-endian: the length of the data sent
//                 back, then that many bytes, copied to the start of the
//                 caller's buffer as far as it reaches
// Once the script is used up every request ends NOT READY, MEDIUM NOT
// PRESENT, as a drive that lost its disc would answer.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/device/aspi.h"

namespace sorvane::fuzz {

// The outcomes of byte 0 of a reply.
enum class TOutcome : std::uint8_t { Complete = 0, CheckCondition = 4, Busy = 5, AdapterError = 6, OtherStatus = 7 };

class TScriptedDrive {
public:
    // Opens the transport on the drive, which answers from `script`; the
    // transport is closed again when the drive goes.
    explicit TScriptedDrive(std::span<const std::uint8_t> script);
    // A drive that answers every request with CHECK CONDITION and `sense`,
    // and every REQUEST SENSE with `sense` as its data.
    static TScriptedDrive AlwaysSense(std::span<const std::uint8_t> sense);
    ~TScriptedDrive();
    TScriptedDrive(TScriptedDrive&&) = delete;

    // Requests answered so far.
    std::size_t Requests() const { return requests_; }

private:
    TScriptedDrive(std::span<const std::uint8_t> script, bool alwaysSense);
    static std::uint32_t SupportInfo();
    static std::uint32_t Send(void* request);
    std::uint32_t Answer(SRB_ExecSCSICmd& srb);
    std::uint8_t Next();
    bool AtEnd() const { return at_ >= script_.size(); }

    std::span<const std::uint8_t> script_;
    std::size_t at_ = 0;
    bool alwaysSense_ = false;
    std::size_t requests_ = 0;
};

// One reply of a script, for the programs that make the seed corpora.
void AppendReply(std::vector<std::uint8_t>& script, const SRB_ExecSCSICmd& answered);

}  // namespace sorvane::fuzz
