// Makes the seed corpora of the drive reply and sense fuzz targets. The
// drive replies are what the emulated recorder answers to the questions of
// fuzz/drive_questions.h for each kind of disc, blank and recorded, stored
// as scripts (fuzz/scripted_drive.h); the sense seeds are the answers the
// engine's waits and retries react to.
//
// Usage: make_drive_corpus OUTPUT-FOLDER   (writes drive_reply/ and sense/)

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/device/transport.h"
#include "engine/orvo_burner.h"
#include "engine/rtl/endian.h"
#include "fuzz/drive_questions.h"
#include "fuzz/scripted_drive.h"
#include "vdrive/vdrive.h"

extern "C" std::uint32_t GetASPI32SupportInfo(void);
extern "C" std::uint32_t SendASPI32Command(void* request);

namespace sorvane::fuzz {
namespace {

namespace fs = std::filesystem;
using K = vdrive::TMediumKind;
using S = vdrive::TMediumState;

std::vector<std::uint8_t> g_script;

// The recorder's own entry point, with every answer of an execute request
// kept in the script.
std::uint32_t Recording(void* request) {
    const std::uint32_t status = SendASPI32Command(request);
    if (static_cast<std::uint8_t*>(request)[0] == SC_EXEC_SCSI_CMD)
        AppendReply(g_script, *static_cast<SRB_ExecSCSICmd*>(request));
    return status;
}

void Write(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A volume of `sectors` sectors: a primary and a Joliet descriptor, the
// terminator after them.
std::string MakeImage(const fs::path& folder, std::uint32_t sectors) {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(sectors) * 2048, 0);
    for (int n = 0; n < 2; ++n) {
        std::uint8_t* d = &image[(16 + n) * 2048];
        d[0] = static_cast<std::uint8_t>(1 + n);
        std::memcpy(d + 1, "CD001", 5);
        d[6] = 1;
        WriteBoth<std::uint32_t>(d + 80, sectors);
        if (n == 1) std::memcpy(d + 88, "%/@", 3);
    }
    image[18 * 2048] = 0xFF;
    std::memcpy(&image[18 * 2048 + 1], "CD001", 5);
    const fs::path path = folder / "volume.iso";
    Write(path, image);
    return path.string();
}

std::vector<std::uint8_t> Fixed(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    std::vector<std::uint8_t> sense(18, 0);
    sense[0] = 0x70;
    sense[2] = key;
    sense[7] = 10;
    sense[12] = asc;
    sense[13] = ascq;
    return sense;
}

}  // namespace
}  // namespace sorvane::fuzz

int main(int argc, char** argv) {
    using namespace sorvane;
    using namespace sorvane::fuzz;
    if (argc != 2) {
        std::fputs("usage: make_drive_corpus OUTPUT-FOLDER\n", stderr);
        return 2;
    }
    const fs::path out = argv[1];
    fs::create_directories(out / "drive_reply");
    fs::create_directories(out / "sense");
    const std::string image = MakeImage(out, 400);

    struct TSeed {
        const char* Name;
        vdrive::TMediumRequest Medium;
    };
    const TSeed seeds[] = {
        {"cd_r_blank", {K::CdR}},
        {"cd_r_appendable", {K::CdR, S::Closed, image}},
        {"cd_r_left_open", {K::CdR, S::Open, image}},
        {"cd_rw_finalized", {K::CdRw, S::Finalized, image}},
        {"cd_rom", {K::CdRom, S::Closed, image}},
        {"dvd_r_blank", {K::DvdR}},
        {"dvd_rw_sequential", {K::DvdRw, S::Closed, image}},
        {"dvd_r_left_open", {K::DvdR, S::Open, image}},
        {"dvd_rw_restricted", {K::DvdRwRestricted, S::Closed, image}},
        {"dvd_plus_r_dl", {K::DvdPlusRDl}},
        {"dvd_plus_rw", {K::DvdPlusRw, S::Closed, image}},
        {"dvd_ram", {K::DvdRam, S::Closed, image}},
        {"empty_tray", {K::None}},
    };
    vdrive::THost& host = vdrive::THost::Instance();
    for (const TSeed& seed : seeds) {
        host.UseMemory();
        host.SetCompletion(vdrive::TCompletion::Synchronous);
        const std::size_t drive = host.AddDrive(vdrive::MultiFormatWriter());
        std::string error;
        if (!host.Insert(drive, seed.Medium, &error)) {
            std::fprintf(stderr, "%s: %s\n", seed.Name, error.c_str());
            return 1;
        }
        TOrvoBurner burner;
        burner.Sleep = [&host](int ms) { host.AdvanceClock(ms / 1000.0); };
        TTransport::Instance().OpenEntryPoints("recorder", &GetASPI32SupportInfo, &Recording);
        g_script.clear();
        AskEverything(burner);
        TTransport::Instance().Close();
        Write(out / "drive_reply" / (std::string(seed.Name) + ".bin"), g_script);
    }
    fs::remove(image);

    struct TSense {
        const char* Name;
        std::vector<std::uint8_t> Bytes;
    };
    const TSense senses[] = {
        {"becoming_ready", Fixed(0x02, 0x04, 0x01)},
        {"long_write", Fixed(0x02, 0x04, 0x08)},
        {"format_in_progress", Fixed(0x02, 0x04, 0x04)},
        {"medium_changed", Fixed(0x06, 0x28, 0x00)},
        {"power_on", Fixed(0x06, 0x29, 0x00)},
        {"no_medium", Fixed(0x02, 0x3A, 0x01)},
        {"not_formatted", Fixed(0x03, 0x30, 0x10)},
        {"invalid_field", Fixed(0x05, 0x24, 0x00)},
        {"busy_response", {0xF0, 0x00, 0x02}},
        {"descriptor_format", {0x72, 0x02, 0x04, 0x07, 0, 0, 0, 0}},
        {"filemark", {0xF0, 0x00, 0xE0, 0, 0, 0, 0, 0}},
    };
    for (const TSense& sense : senses) Write(out / "sense" / (std::string(sense.Name) + ".bin"), sense.Bytes);
    return 0;
}
