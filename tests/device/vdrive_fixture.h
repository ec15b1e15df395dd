#pragma once
// Tests against the emulated recorder: the in-memory host of the library the
// test program links, opened as the component's transport through the very
// same shared object, so that the component's real command code runs and the
// host's command log shows what the drive received.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "engine/orvo_burner.h"
#include "vdrive/vdrive.h"

namespace sorvane::vdrive {
// A disc kind as a test parameter is shown by its name ("dvd+r"), not as
// raw bytes.
inline void PrintTo(TMediumKind kind, std::ostream* out) { *out << MediumKindName(kind); }
}  // namespace sorvane::vdrive

namespace sorvane::test {

// The path of the loaded emulated recorder library.
std::string VdriveLibraryPath();

class VdriveTest : public ::testing::Test {
public:
    // An image file of `sectors` sectors holding an ISO 9660 primary volume
    // descriptor at sector 16 that states this volume space size.
    static std::string MakeImage(std::uint32_t sectors, const std::string& name = "image.iso");

protected:
    VdriveTest();
    ~VdriveTest() override;

    // Adds a drive (index = its target) holding a medium.
    std::size_t AddDrive(const vdrive::TDriveModel& model, const vdrive::TMediumRequest& medium = {});
    // Opens the transport on the emulated recorder and selects drive 0;
    // clears the host's log and lets the first UNIT ATTENTION pass.
    void OpenAndSelect(std::size_t drive = 0);
    // A model with one field changed from the multi-format writer.
    static vdrive::TDriveModel Model(const std::string& product);

    // CDBs of the commands logged since the last ClearLog, or of one opcode.
    std::vector<vdrive::TLogEntry> Logged(int opcode = -1) const;
    const vdrive::TLogEntry& LastLogged() const;
    void ClearLog() { host.ClearLog(); }

    vdrive::THost& host;
    TOrvoBurner burner;
    std::vector<std::pair<std::string, int>> messages;
};

}  // namespace sorvane::test
