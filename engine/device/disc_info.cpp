// What disc the selected drive holds: its kind, status, sessions, used and
// total sectors, and the record the sessions page shows. Every answer comes
// from the drive each time; nothing is cached between calls.

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/device/disc_kind.h"
#include "engine/device/scsi_device.h"
#include "engine/rtl/endian.h"

namespace sorvane {
namespace {

constexpr std::uint8_t kAtipLength = 26;
constexpr std::uint8_t kTocLength = 114;
constexpr std::uint8_t kSessionInfoLength = 4;

// ATIP byte 2 (reply byte 6): bit 7 set on recordable discs, bit 6 on
// rewritable ones (the disc type bits, MMC-5 6.26.3.6).
constexpr std::size_t kAtipDiscTypeByte = 6;
constexpr std::uint8_t kAtipRecordable = 0x80;
constexpr std::uint8_t kAtipRewritable = 0x40;

// READ CAPACITY answers this or more when the drive does not know the end of
// a CD; the format capacity is asked instead.
constexpr std::uint32_t kMostPlausibleLastLba = 0x7F000000;
// READ FORMAT CAPACITIES of a CD-R without a valid capacity.
constexpr std::uint32_t kNoFormatCapacity = 0xFFFD0001;
constexpr std::uint32_t kUnknownSize = 0xFFFFFFFF;
// An ATIP lead-out below this belongs to no real disc.
constexpr std::uint32_t kSmallestAtipCapacity = 20000;

constexpr std::uint32_t kFirstVolumeDescriptor = 16;
constexpr std::uint32_t kLastVolumeDescriptor = 32;
constexpr std::size_t kVolumeSpaceSizeOffset = 80;

}  // namespace

TDiscKind TSCSIDevice::GetDiscType() {
    TDiscKind found = kind::kUnknown;
    alignas(8) std::array<std::uint8_t, kFeatureReplyLength> features{};
    if (GetConfiguration(rt::kOne, feature::kProfileList, kFeatureReplyLength, features.data()))
        found = DiscKindOfProfile(DecodeFeatureReply(features).CurrentProfile);
    if (found == kind::kUnknown) {
        // Drives older than GET CONFIGURATION: a CD with an ATIP is
        // recordable, and its ATIP tells whether it is rewritable.
        alignas(8) std::array<std::uint8_t, kAtipLength> atip{};
        if (ReadTocPmaAtip(toc::kAtip, atip.data(), 0, true, 0, kAtipLength)) {
            const std::uint8_t type = atip[kAtipDiscTypeByte];
            found = !(type & kAtipRecordable) ? kind::kCdRom : (type & kAtipRewritable) ? kind::kCdRw : kind::kCdR;
        }
    }
    if (found == kind::kUnknown && RefreshDiscInformation())
        found = (DiscInfoBlock[discinfo::kStatusByte] & discinfo::kErasable) ? kind::kCdRw : kind::kCdR;
    if (found == kind::kUnknown && TestUnitReady(timeout::kTestUnitReadyMs)) found = kind::kCdRom;
    return found;
}

bool TSCSIDevice::RefreshDiscInformation() {
    return ReadDiscInformation(DiscInfoBlock.data(), static_cast<std::uint8_t>(DiscInfoBlock.size()));
}

int TSCSIDevice::GetDiscStatus() {
    if (!RefreshDiscInformation()) return -1;
    return DiscInfoBlock[discinfo::kStatusByte] & discinfo::kDiscStatusMask;
}

int TSCSIDevice::GetLastSession() {
    if (!RefreshDiscInformation()) return 0;
    std::uint8_t& status = DiscInfoBlock[discinfo::kStatusByte];
    if ((status & discinfo::kDiscStatusMask) == discinfo::kStatusEmpty) return 0;
    int sessions = DiscInfoBlock[discinfo::kSessionCount];
    const std::uint8_t lastState = (status & discinfo::kLastSessionStateMask) >> discinfo::kLastSessionStateShift;
    status = lastState;
    // The count includes the empty session an appendable disc offers next.
    if (lastState == discinfo::kSessionEmpty && sessions > 0) --sessions;
    return sessions;
}

bool TSCSIDevice::IsDiscErasable() {
    if (RefreshDiscInformation()) return (DiscInfoBlock[discinfo::kStatusByte] & discinfo::kErasable) != 0;
    const TDiscKind found = GetDiscType();
    CurrentDiscKind = found;
    return found == kind::kDvdRam || found == kind::kDvdRwRestrictedOverwrite || found == kind::kDvdRwSequential ||
           found == kind::kDvdPlusRw;
}

void TSCSIDevice::PrepareSizeQuery() {
    // Some drives report the free space only once the write parameters
    // match the disc; they are set as for a session left open.
    const bool finalize = FinalizeDisc;
    FinalizeDisc = true;
    SetWriteParameters(false, UnderrunProtection, true, CurrentDiscKind);
    FinalizeDisc = finalize;
    DiscInfoBlock[discinfo::kLastTrackInLastSession] = 0;
    RefreshDiscInformation();
}

std::uint32_t TSCSIDevice::GetUsedSectors() {
    const TDiscKind found = GetDiscType();
    PrepareSizeQuery();
    const std::uint32_t used = IsCdKind(found) ? UsedSectorsOfCd() : UsedSectorsOfDvd(found);
    return used != 0 ? used : SectorsOfReadingDrive();
}

std::uint32_t TSCSIDevice::SectorsOfReadingDrive() {
    // A drive that knows no disc information (reading drives of old, some
    // USB bridges) answers none of the queries above; what it can read is
    // all it tells of the disc, and all a disc in it is worth.
    if (RefreshDiscInformation()) return 0;
    std::uint32_t lastLba = 0, blockLength = 0;
    return ReadCapacity(lastLba, blockLength) && lastLba <= kMostPlausibleLastLba ? lastLba + 1 : 0;
}

std::uint32_t TSCSIDevice::UsedSectorsOfCd() {
    const int lastSession = GetLastSession();
    std::uint32_t used = 0;
    if (ReadTrackInformation(lastSession + 1))
        used = TrackInfo.NextWritable == kUnknownSize ? TrackInfo.TrackSize : TrackInfo.NextWritable;
    if (lastSession == 0 || used != 0) return used;

    // A closed disc has no writable track after its last session: its size
    // is where its data ends.
    std::uint32_t lastLba = 0, blockLength = 0;
    if (ReadCapacity(lastLba, blockLength)) {
        if (lastLba <= kMostPlausibleLastLba) return lastLba;
        std::uint32_t blocks = 0;
        return ReadFormatCapacities(blocks, blockLength) ? blocks : 0;
    }
    return ReadTrackInformation(GetLastSession() + 1) ? TrackInfo.FreeBlocks : 0;
}

std::uint32_t TSCSIDevice::UsedSectorsOfDvd(TDiscKind found) {
    if (!ReadTrackInformation(DiscInfoBlock[discinfo::kLastTrackInLastSession])) return 0;
    if (TrackInfo.TrackSize == kUnknownSize) return 0;
    switch (found) {
        case kind::kDvdRwRestrictedOverwrite:
        case kind::kDvdRwSequential: {
            std::uint32_t blocks = 0, blockLength = 0;
            if (!ReadFormatCapacities(blocks, blockLength)) return TrackInfo.NextWritable;
            // A track as large as its free space has nothing written in it.
            return TrackInfo.TrackSize == TrackInfo.FreeBlocks ? 0 : TrackInfo.TrackSize;
        }
        case kind::kDvdRam:
        case kind::kDvdPlusRw:
            // Overwritable media are one formatted track from start to end;
            // only the file system knows how much of it is in use.
            return FindVolumeSpaceSize();
        default: return TrackInfo.NextWritable;
    }
}

std::uint32_t TSCSIDevice::GetDiscCapacity() {
    const TDiscKind found = GetDiscType();
    PrepareSizeQuery();
    std::uint32_t capacity = IsCdKind(found) ? CapacityOfCd() : CapacityOfDvd(found);
    if (IsCdKind(found) && capacity == kUnknownSize) capacity = GetUsedSectors();
    return capacity != 0 ? capacity : SectorsOfReadingDrive();
}

std::uint32_t TSCSIDevice::CapacityOfCd() {
    const int lastSession = GetLastSession();
    std::uint32_t capacity = 0;
    std::uint32_t blocks = 0, blockLength = 0;
    alignas(8) std::array<std::uint8_t, kAtipLength> atip{};
    if (ReadTocPmaAtip(toc::kAtip, atip.data(), 0, true, 0, kAtipLength)) {
        // The lead-out start is taken as it stands, without the 150-sector
        // offset of MSF addresses.
        capacity = AtipLeadOutStart(atip);
        std::uint32_t lastLba = 0;
        if (capacity < kSmallestAtipCapacity && ReadCapacity(lastLba, blockLength) && lastLba > capacity)
            capacity = lastLba;
    } else if (ReadFormatCapacities(blocks, blockLength)) {
        if (blocks != kNoFormatCapacity) {
            capacity = blocks;
        } else if (ReadTrackInformation(lastSession + 1) || ReadTrackInformation(lastSession)) {
            capacity = TrackInfo.FreeBlocks + TrackInfo.TrackStart;
        }
    } else if (ReadTrackInformation(lastSession)) {
        capacity = TrackInfo.FreeBlocks + TrackInfo.TrackStart;
    } else if (ReadFormatCapacities(blocks, blockLength)) {
        capacity = blocks;
    }
    return capacity;
}

std::uint32_t TSCSIDevice::CapacityOfDvd(TDiscKind found) {
    if (!ReadTrackInformation(DiscInfoBlock[discinfo::kLastTrackInLastSession])) return 0;
    if (found == kind::kDvdRam || found == kind::kDvdRwRestrictedOverwrite || found == kind::kDvdPlusRw) {
        std::uint32_t blocks = 0, blockLength = 0;
        if (ReadFormatCapacities(blocks, blockLength)) return blocks;
    }
    return TrackInfo.FreeBlocks + TrackInfo.NextWritable;
}

std::uint32_t TSCSIDevice::FindVolumeSpaceSize(TDescriptorSearch search) {
    // ECMA-119 8.4: a primary (type 1) or supplementary (type 2) volume
    // descriptor carries the volume space size at byte 80, both-endian.
    alignas(8) std::array<std::uint8_t, kSectorSize> sector{};
    const bool fromLast = search == TDescriptorSearch::FromLast;
    for (std::uint32_t i = 0; i <= kLastVolumeDescriptor - kFirstVolumeDescriptor; ++i) {
        const std::uint32_t lba = fromLast ? kLastVolumeDescriptor - i : kFirstVolumeDescriptor + i;
        sector.fill(0);
        if (!ReadSectors(lba, 1, kSectorSize, sector.data())) continue;
        if ((sector[0] == 1 || sector[0] == 2) && std::memcmp(&sector[1], "CD001", 5) == 0)
            return ReadLsb<std::uint32_t>(&sector[kVolumeSpaceSizeOffset]);
    }
    return 0;
}

void TSCSIDevice::GetDiscInfo(TDisc& Disc) {
    TDisc disc;
    if (!TestUnitReady(timeout::kTestUnitReadyMs)) {
        WaitUntilReady(3000, 5000);
        if (!TestUnitReady(timeout::kTestUnitReadyMs)) {
            Disc = disc;
            return;
        }
    }
    disc.Ready = 1;

    alignas(8) std::array<std::uint8_t, kTocLength> tocReply{};
    if (ReadTocPmaAtip(toc::kFormattedToc, tocReply.data(), 0, false, 0, kTocLength)) {
        // Read again from the last track on, which keeps the lead-out in the
        // reply on discs with many tracks.
        ReadTocPmaAtip(toc::kFormattedToc, tocReply.data(), 0, false, tocReply[3], kTocLength);
        alignas(8) std::array<std::uint8_t, kSessionInfoLength> sessions{};
        ReadTocPmaAtip(toc::kSessionInfo, sessions.data(), 0, false, 0, kSessionInfoLength);
        disc.FirstSession = sessions[2];
        disc.LastSession = sessions[3];
        alignas(8) std::array<std::uint8_t, kAtipLength> atip{};
        if (ReadTocPmaAtip(toc::kAtip, atip.data(), 0, true, 0, kAtipLength))
            disc.Capacity = static_cast<std::int32_t>(AtipLeadOutStart(atip));
        disc.TypeText = "CD-ROM";
    }

    alignas(8) std::array<std::uint8_t, kFeatureReplyLength> features{};
    if (GetConfiguration(rt::kOne, feature::kProfileList, kFeatureReplyLength, features.data())) {
        const std::uint16_t current = DecodeFeatureReply(features).CurrentProfile;
        const TProfileText text = ProfileText(current);
        disc.TypeText = text.Text;
        disc.Erasable = text.Erasable;
        disc.Profile = current;
        const int track = IsCdKind(DiscKindOfProfile(current)) ? 255 : 1;
        if (ReadTrackInformation(track)) {
            std::uint32_t blocks = 0, blockLength = 0;
            ReadFormatCapacities(blocks, blockLength);
            disc.SectorCount = static_cast<std::int32_t>(blocks);
            disc.SectorSize = static_cast<std::int32_t>(blockLength);
            disc.Capacity = std::max(disc.Capacity, disc.SectorCount);
        } else {
            disc.SectorCount = static_cast<std::int32_t>(TrackInfo.NextWritable);
            disc.Capacity = static_cast<std::int32_t>(TrackInfo.NextWritable + TrackInfo.FreeBlocks);
            disc.SectorSize = kSectorSize;
            RefreshDiscInformation();
        }
    }

    if (RefreshDiscInformation()) {
        const std::uint8_t status = DiscInfoBlock[discinfo::kStatusByte];
        disc.DiscStatus = status & discinfo::kDiscStatusMask;
        disc.LastSessionState = (status & discinfo::kLastSessionStateMask) >> discinfo::kLastSessionStateShift;
        disc.Erasable = (status & discinfo::kErasable) != 0;
    } else {
        std::uint32_t lastLba = 0, blockLength = 0;
        if (ReadCapacity(lastLba, blockLength)) {
            disc.SectorCount = static_cast<std::int32_t>(lastLba);
            disc.SectorSize = static_cast<std::int32_t>(blockLength);
        }
        if (ReadTrackInformation(0)) disc.TypeText = "CD-ROM";
    }
    disc.Capacity = std::max(disc.Capacity, disc.SectorCount);
    Disc = disc;
}

}  // namespace sorvane
