#include "tests/device/vdrive_fixture.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "engine/device/transport.h"
#include "engine/rtl/endian.h"

extern "C" std::uint32_t SendASPI32Command(void* srb);

namespace sorvane::test {

std::string VdriveLibraryPath() {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&SendASPI32Command), &info) || !info.dli_fname) return {};
    return info.dli_fname;
}

VdriveTest::VdriveTest() : host(vdrive::THost::Instance()) {
    host.UseMemory();
    burner.OnDebugMessage = [this](TSCSIDevice&, const std::string& message, int type) {
        messages.emplace_back(message, type);
    };
}

VdriveTest::~VdriveTest() {
    TTransport::Instance().Close();
    host.UseMemory();
}

std::size_t VdriveTest::AddDrive(const vdrive::TDriveModel& model, const vdrive::TMediumRequest& medium) {
    const std::size_t drive = host.AddDrive(model);
    std::string error;
    EXPECT_TRUE(host.Insert(drive, medium, &error)) << error;
    return drive;
}

void VdriveTest::OpenAndSelect(std::size_t drive) {
    ASSERT_TRUE(burner.InitializeTransport(false, VdriveLibraryPath()));
    ASSERT_GT(burner.Devices.size(), drive);
    // Inserting a disc leaves a UNIT ATTENTION for the next command, which
    // on a desktop the system's media polling takes long before we come.
    burner.HaId = 0;
    burner.TargetId = static_cast<std::uint8_t>(drive);
    burner.Lun = 0;
    burner.TestUnitReady(5000);
    burner.SelectDevice(burner.Devices[drive]);
    ASSERT_EQ(burner.PeripheralType, 5);
    host.ClearLog();
    messages.clear();
}

std::string VdriveTest::MakeImage(std::uint32_t sectors, const std::string& name) {
    // Test processes run side by side: each writes images of its own.
    const std::string path = ::testing::TempDir() + "/" + std::to_string(::getpid()) + "_" + name;
    std::vector<char> image(static_cast<std::size_t>(sectors) * 2048, 0);
    char* pvd = &image[16 * 2048];
    pvd[0] = 1;
    std::memcpy(pvd + 1, "CD001", 5);
    pvd[6] = 1;
    std::memset(pvd + 40, ' ', 32);
    std::memcpy(pvd + 40, "TEST_VOLUME", 11);
    WriteBoth(reinterpret_cast<std::uint8_t*>(pvd + 80), sectors);
    std::memset(pvd + 574, ' ', 128);
    std::memcpy(pvd + 574, "SORVANE", 7);
    std::memcpy(pvd + 813, "2024030114050900", 16);
    image[17 * 2048] = static_cast<char>(255);
    std::memcpy(&image[17 * 2048 + 1], "CD001", 5);
    std::ofstream(path, std::ios::binary).write(image.data(), static_cast<std::streamsize>(image.size()));
    return path;
}

vdrive::TDriveModel VdriveTest::Model(const std::string& product) {
    vdrive::TDriveModel model = vdrive::MultiFormatWriter();
    model.Name = "test";
    model.Product = product;
    return model;
}

std::vector<vdrive::TLogEntry> VdriveTest::Logged(int opcode) const {
    std::vector<vdrive::TLogEntry> entries;
    for (const vdrive::TLogEntry& entry : host.Log())
        if (opcode < 0 || (!entry.Cdb.empty() && entry.Cdb[0] == opcode)) entries.push_back(entry);
    return entries;
}

const vdrive::TLogEntry& VdriveTest::LastLogged() const {
    static thread_local std::vector<vdrive::TLogEntry> log;
    log = host.Log();
    if (log.empty()) {
        static const vdrive::TLogEntry none;
        ADD_FAILURE() << "nothing logged";
        return none;
    }
    return log.back();
}

}  // namespace sorvane::test
