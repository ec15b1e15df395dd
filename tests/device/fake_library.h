#pragma once
// A request library defined by the test itself, opened as the process-wide
// transport for as long as the object lives. Each test decides how the
// library answers an execute request; the library logs every request it
// receives. Used where the emulated recorder cannot be made to misbehave in
// the way a test needs (requests completing late or never).

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/device/aspi.h"

namespace sorvane::test {

struct TLoggedRequest {
    SRB_ExecSCSICmd Srb;
    std::vector<std::uint8_t> DataOut;
};

class TFakeLibrary {
public:
    TFakeLibrary();
    ~TFakeLibrary();
    TFakeLibrary(const TFakeLibrary&) = delete;
    TFakeLibrary& operator=(const TFakeLibrary&) = delete;

    // Answers an execute request and returns the status it leaves; by
    // default every request completes at once.
    std::function<std::uint32_t(SRB_ExecSCSICmd&)> Execute;
    std::uint8_t Adapters = 1;
    std::vector<TLoggedRequest> Log;

private:
    static std::uint32_t SupportInfo();
    static std::uint32_t Send(void* srb);
    static TFakeLibrary* current_;
};

// Fills a fixed-format sense area.
void SetSense(SRB_ExecSCSICmd& srb, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);

}  // namespace sorvane::test
