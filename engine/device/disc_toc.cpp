#include "engine/device/disc_toc.h"

#include <algorithm>
#include <array>

#include "engine/device/scsi_constants.h"
#include "engine/device/scsi_device.h"
#include "engine/rtl/endian.h"

namespace sorvane {
namespace {

// A reply holds its 4-byte header and up to 31 track descriptors of 8
// bytes: the length of a request is one byte.
constexpr int kReplyLength = 4 + 31 * 8;
constexpr std::size_t kDescriptorLength = 8;
constexpr std::uint8_t kLeadOutTrack = 0xAA;
// A disc holds at most 99 tracks; the walk ends there whatever a drive says.
constexpr int kLastTrack = 99;

}  // namespace

bool TDiscToc::Track(int number, std::uint32_t& start, std::uint32_t& size) const {
    for (std::size_t i = 0; i < Tracks.size(); ++i) {
        if (Tracks[i].Number != number) continue;
        const std::uint32_t end = i + 1 < Tracks.size() ? Tracks[i + 1].Start : LeadOut;
        start = Tracks[i].Start;
        size = end > start ? end - start : 0;
        return true;
    }
    return false;
}

bool ReadDiscToc(TSCSIDevice& device, TDiscToc& toc) {
    toc = TDiscToc{};
    alignas(8) std::array<std::uint8_t, kReplyLength> reply{};
    bool leadOut = false;
    for (int from = 1; !leadOut && from <= kLastTrack;) {
        reply.fill(0);
        if (!device.ReadTocPmaAtip(toc::kFormattedToc, reply.data(), 0, false, from, kReplyLength)) break;
        const std::size_t length = std::min<std::size_t>(2 + ReadMsb<std::uint16_t>(reply.data()), reply.size());
        int next = from;
        for (std::size_t at = 4; at + kDescriptorLength <= length; at += kDescriptorLength) {
            const std::uint8_t number = reply[at + 2];
            const std::uint32_t start = ReadMsb<std::uint32_t>(&reply[at + 4]);
            if (number == kLeadOutTrack) {
                toc.LeadOut = start;
                leadOut = true;
                break;
            }
            if (number < next || number > kLastTrack) continue;  // out of order: not believed
            toc.Tracks.push_back({number, start});
            next = number + 1;
        }
        if (next == from) break;  // nothing new: a drive that repeats itself
        from = next;
    }
    if (toc.Tracks.empty() || !leadOut) return false;
    alignas(8) std::array<std::uint8_t, 12> sessions{};
    if (device.ReadTocPmaAtip(toc::kSessionInfo, sessions.data(), 0, false, 0, static_cast<int>(sessions.size())))
        toc.LastSession = sessions[3];
    // A drive that gives no session information has at least the one
    // session its tracks are in.
    if (toc.LastSession == 0) toc.LastSession = 1;
    return true;
}

}  // namespace sorvane
