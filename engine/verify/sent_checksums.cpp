#include "engine/verify/sent_checksums.h"

#include <algorithm>

namespace sorvane {

TSentChecksums::TSentChecksums(std::uint32_t firstSector, std::uint32_t sectors, std::vector<TSectorOwner> owners,
                               TSectorUse unowned)
    : firstSector_(firstSector), unowned_(unowned) {
    const std::uint64_t end = std::uint64_t{firstSector} + sectors;
    for (TSectorOwner& owner : owners) {
        const std::uint64_t first = std::max<std::uint64_t>(owner.FirstSector, firstSector);
        const std::uint64_t last = std::min<std::uint64_t>(std::uint64_t{owner.FirstSector} + owner.Sectors, end);
        if (first >= last) continue;
        owner.FirstSector = static_cast<std::uint32_t>(first);
        owner.Sectors = static_cast<std::uint32_t>(last - first);
        owners_.push_back(std::move(owner));
    }
    std::stable_sort(owners_.begin(), owners_.end(),
                     [](const TSectorOwner& a, const TSectorOwner& b) { return a.FirstSector < b.FirstSector; });

    std::vector<std::uint64_t> cuts = {firstSector, end};
    for (const TSectorOwner& owner : owners_) {
        cuts.push_back(owner.FirstSector);
        cuts.push_back(std::uint64_t{owner.FirstSector} + owner.Sectors);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

    // Between two cuts the owners do not change. Of those that cover a
    // stretch, the one that begins last is the most specific.
    std::vector<std::size_t> open;
    std::size_t nextOwner = 0;
    for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
        const std::uint64_t from = cuts[c], to = cuts[c + 1];
        while (nextOwner < owners_.size() && owners_[nextOwner].FirstSector <= from) open.push_back(nextOwner++);
        std::erase_if(open, [&](std::size_t o) {
            return std::uint64_t{owners_[o].FirstSector} + owners_[o].Sectors <= from;
        });
        const int owner = open.empty() ? -1 : static_cast<int>(open.back());
        for (std::uint64_t piece = from; piece < to; piece += kPieceSectors) {
            TSentPiece sent;
            sent.FirstSector = static_cast<std::uint32_t>(piece);
            sent.Sectors = static_cast<std::uint32_t>(std::min<std::uint64_t>(kPieceSectors, to - piece));
            sent.Owner = owner;
            stream_.push_back(sent);
        }
    }
}

void TSentChecksums::AddSent(std::uint32_t firstSector, const std::uint8_t* data, std::uint32_t sectors,
                             TSectorOwner owner) {
    owner.FirstSector = firstSector;
    owner.Sectors = sectors;
    const int index = static_cast<int>(owners_.size());
    owners_.push_back(std::move(owner));
    for (std::uint32_t done = 0; done < sectors; done += kPieceSectors) {
        TSentPiece sent;
        sent.FirstSector = firstSector + done;
        sent.Sectors = std::min(kPieceSectors, sectors - done);
        sent.Owner = index;
        sent.Checksum = TSectorChecksum::Of(data + std::size_t{done} * kSectorBytes,
                                            std::size_t{sent.Sectors} * kSectorBytes);
        sent.Sent = true;
        apart_.push_back(sent);
    }
}

void TSentChecksums::Feed(const std::uint8_t* data, std::size_t bytes) {
    while (bytes > 0 && next_ < stream_.size()) {
        TSentPiece& piece = stream_[next_];
        const std::uint64_t start = std::uint64_t{piece.FirstSector - firstSector_} * kSectorBytes;
        const std::uint64_t end = start + std::uint64_t{piece.Sectors} * kSectorBytes;
        if (fed_ == start) checksum_.Reset();
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, end - fed_));
        checksum_.Update(data, n);
        fed_ += n;
        data += n;
        bytes -= n;
        if (fed_ == end) {
            piece.Checksum = checksum_.Digest();
            piece.Sent = true;
            ++next_;
        }
    }
}

std::vector<TSentPiece> TSentChecksums::Pieces() const {
    std::vector<TSentPiece> pieces = apart_;
    pieces.insert(pieces.end(), stream_.begin(), stream_.end());
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const TSentPiece& a, const TSentPiece& b) { return a.FirstSector < b.FirstSector; });
    return pieces;
}

std::uint64_t TSentChecksums::Sectors() const {
    std::uint64_t sectors = 0;
    for (const TSentPiece& piece : stream_) sectors += piece.Sectors;
    for (const TSentPiece& piece : apart_) sectors += piece.Sectors;
    return sectors;
}

}  // namespace sorvane
