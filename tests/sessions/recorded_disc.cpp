#include "tests/sessions/recorded_disc.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "engine/device/scsi_constants.h"
#include "tests/iso/disc_images.h"

namespace sorvane::test {
namespace {

constexpr std::uint32_t kSector = 2048;
constexpr std::uint32_t kSectorsPerWrite = 32;
constexpr int kSynchronizeTimeoutMs = 60000;

void WriteText(const std::string& path, const std::string& text) {
    WriteAll(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Makes the image of session `number` (0-based) for `start`, merging the
// sessions already in `disc` (an image of the disc so far, every session at
// its own sectors). Empty on success.
std::string MakeImage(const std::string& work, int number, std::uint32_t previousStart, std::uint32_t start,
                      const std::string& image) {
    const std::string disc = work + "/disc.img";
    if (number == 0) {
        WriteAll(image, ThreeSessionDisc().Sessions[0]);
        return start == 0 ? std::string() : "the first session is made for sector 0";
    }
    const std::string tree = work + "/s" + std::to_string(number + 1);
    std::filesystem::create_directories(tree);
    if (number == 1) {
        WriteText(tree + "/second.txt", "second session\n");
        WriteText(tree + "/README", "readme of session two\n");
    } else {
        WriteText(tree + "/third.txt", "third session\n");
    }
    const std::string command = "genisoimage -quiet -input-charset utf-8 -J -r -C " + std::to_string(previousStart) +
                                "," + std::to_string(start) + " -M " + Quote(disc) + " -o " + Quote(image) + " " +
                                Quote(tree) + " 2>" + Quote(work + "/log");
    if (std::system(command.c_str()) != 0) return "genisoimage failed: " + command;
    return {};
}

// Puts `image` into the disc image at `start`.
void AddToDisc(const std::string& work, const std::vector<std::uint8_t>& image, std::uint32_t start) {
    const std::string disc = work + "/disc.img";
    std::vector<std::uint8_t> bytes = ReadAll(disc);
    const std::size_t at = std::size_t{start} * kSector;
    bytes.resize(std::max(bytes.size(), at + image.size()));
    std::copy(image.begin(), image.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    WriteAll(disc, bytes);
}

}  // namespace

std::string RecordSession(TOrvoBurner& burner, const std::vector<std::uint8_t>& image, std::uint32_t& start) {
    if (image.empty() || image.size() % kSector) return "the image is not whole sectors";
    if (!burner.SetWriteParameters(false, true, true, kind::kCdR)) return "MODE SELECT: " + burner.LastError;
    const int last = burner.GetLastSession();
    if (!burner.ReadTrackInformation(last + 1)) return "READ TRACK INFORMATION: " + burner.LastError;
    start = burner.TrackInfo.NextWritable;
    const std::uint32_t sectors = static_cast<std::uint32_t>(image.size() / kSector);
    for (std::uint32_t done = 0; done < sectors;) {
        const std::uint32_t count = std::min(kSectorsPerWrite, sectors - done);
        if (!burner.WriteSectors(start + done, static_cast<std::uint16_t>(count), 0, count * kSector,
                                 image.data() + std::size_t{done} * kSector))
            return "WRITE at " + std::to_string(start + done) + ": " + burner.LastError;
        done += count;
    }
    if (!burner.SynchronizeCache(kSynchronizeTimeoutMs, false)) return "SYNCHRONIZE CACHE: " + burner.LastError;
    if (!burner.CloseTrackOrSession(false, false, false)) return "CLOSE SESSION: " + burner.LastError;
    return {};
}

TRecordedSessions RecordThreeSessions(TOrvoBurner& burner, const std::string& work) {
    TRecordedSessions recorded;
    for (int s = 0; s < 3; ++s) {
        // Where the drive will put the session decides the image.
        if (!burner.ReadTrackInformation(burner.GetLastSession() + 1)) {
            recorded.Error = "READ TRACK INFORMATION: " + burner.LastError;
            return recorded;
        }
        const std::uint32_t next = burner.TrackInfo.NextWritable;
        const std::string image = work + "/session" + std::to_string(s + 1) + ".iso";
        recorded.Error = MakeImage(work, s, s ? recorded.Starts[s - 1] : 0, next, image);
        if (!recorded.Error.empty()) return recorded;
        const std::vector<std::uint8_t> bytes = ReadAll(image);
        recorded.Error = RecordSession(burner, bytes, recorded.Starts[s]);
        if (!recorded.Error.empty()) return recorded;
        if (recorded.Starts[s] != next) {
            recorded.Error = "session " + std::to_string(s + 1) + " went to " + std::to_string(recorded.Starts[s]) +
                             " instead of " + std::to_string(next);
            return recorded;
        }
        recorded.Sectors[s] = static_cast<std::uint32_t>(bytes.size() / kSector);
        if (!burner.ReadTrackInformation(s + 1)) {
            recorded.Error = "READ TRACK INFORMATION: " + burner.LastError;
            return recorded;
        }
        recorded.TrackSizes[s] = burner.TrackInfo.TrackSize;
        AddToDisc(work, bytes, next);
    }
    return recorded;
}

}  // namespace sorvane::test
