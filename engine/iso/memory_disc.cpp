#include "engine/iso/memory_disc.h"

#include <algorithm>
#include <cstring>

namespace sorvane {

void TMemoryDisc::Load(std::uint32_t lba, std::span<const std::uint8_t> bytes) {
    for (std::size_t offset = 0; offset < bytes.size(); offset += kSectorBytes, ++lba)
        SetSector(lba, bytes.subspan(offset, std::min<std::size_t>(kSectorBytes, bytes.size() - offset)));
}

void TMemoryDisc::SetSector(std::uint32_t lba, std::span<const std::uint8_t> bytes) {
    TSector& sector = sectors_[lba];
    sector.fill(0);
    if (!bytes.empty()) std::memcpy(sector.data(), bytes.data(), std::min<std::size_t>(bytes.size(), kSectorBytes));
}

TMemoryDisc::TSector* TMemoryDisc::Sector(std::uint32_t lba) {
    auto it = sectors_.find(lba);
    return it == sectors_.end() ? nullptr : &it->second;
}

void TMemoryDisc::FailTrackInformation(int track) {
    if (track >= 1 && static_cast<std::size_t>(track) <= sessions_.size()) sessions_[track - 1].Answers = false;
}

bool TMemoryDisc::ReadSectors(std::uint32_t lba, std::uint32_t count, std::uint8_t* buffer) {
    ++ReadCount;
    if (RecordReads) Reads.emplace_back(lba, count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t address = std::uint64_t{lba} + i;
        if (address > UINT32_MAX || unreadable_.count(static_cast<std::uint32_t>(address))) return false;
        auto it = sectors_.find(static_cast<std::uint32_t>(address));
        if (it == sectors_.end()) return false;
        std::memcpy(buffer + std::size_t{i} * kSectorBytes, it->second.data(), kSectorBytes);
    }
    return true;
}

int TMemoryDisc::GetLastSession() {
    return reportedSessions_ >= 0 ? reportedSessions_ : static_cast<int>(sessions_.size());
}

bool TMemoryDisc::ReadTrackInformation(int track, TSessionTrack& info) {
    if (track < 1 || static_cast<std::size_t>(track) > sessions_.size() || !sessions_[track - 1].Answers) return false;
    info = sessions_[track - 1].Track;
    return true;
}

}  // namespace sorvane
