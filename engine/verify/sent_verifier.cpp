// The verification of a recording: the sectors it sent, read back and
// compared with the checksums taken as they went to the drive.

#include <set>

#include "engine/verify/disc_verifier.h"
#include "engine/verify/sector_reader.h"

namespace sorvane {
namespace {

TVerifyProblem ProblemIn(const TSentChecksums& sent, const TSentPiece& piece, TVerifyFault fault,
                         std::uint32_t first, std::uint32_t last) {
    TVerifyProblem problem;
    problem.Fault = fault;
    problem.Use = sent.Unowned();
    if (piece.Owner >= 0) {
        const TSectorOwner& owner = sent.Owners()[static_cast<std::size_t>(piece.Owner)];
        problem.Use = owner.Use;
        problem.Name = owner.Name;
    }
    problem.FirstSector = first;
    problem.LastSector = last;
    return problem;
}

}  // namespace

TVerifyReport VerifySent(TDiscSource& disc, const TSentChecksums& sent, const TVerifyHooks& hooks) {
    TVerifyReport report;
    std::vector<TSentPiece> pieces = sent.Pieces();
    std::set<int> files;
    for (const TSentPiece& piece : pieces) {
        report.SectorsToRead += piece.Sectors;
        if (piece.Owner >= 0 && sent.Owners()[static_cast<std::size_t>(piece.Owner)].Use == TSectorUse::File)
            files.insert(piece.Owner);
    }
    // A piece that never went out whole has nothing to be compared with; it
    // stays unread, so the report cannot confirm the disc.
    std::erase_if(pieces, [](const TSentPiece& piece) { return !piece.Sent; });
    if (hooks.Planned) hooks.Planned(report.SectorsToRead);

    TSectorReader reader(disc, hooks.Cancel, hooks.Progress);
    TSectorChecksum checksum;
    std::size_t current = 0;  // the piece the sectors read go into
    std::uint32_t inPiece = 0;
    bool unreadable = false;
    const auto sink = [&](std::uint32_t lba, const std::uint8_t* data, std::uint32_t count) {
        while (count > 0) {
            const TSentPiece& piece = pieces[current];
            const std::uint32_t take = std::min(count, piece.Sectors - inPiece);
            if (inPiece == 0) checksum.Reset();
            if (data) {
                checksum.Update(data, std::size_t{take} * TDiscSource::kSectorBytes);
                data += std::size_t{take} * TDiscSource::kSectorBytes;
            } else {
                unreadable = true;
                report.Add(ProblemIn(sent, piece, TVerifyFault::Unreadable, lba, lba + take - 1));
            }
            lba += take;
            count -= take;
            inPiece += take;
            if (inPiece < piece.Sectors) continue;
            // A piece with sectors that could not be read has no checksum to
            // compare; those sectors are reported already.
            if (!unreadable && checksum.Digest() != piece.Checksum)
                report.Add(ProblemIn(sent, piece, TVerifyFault::Differs, piece.FirstSector,
                                     piece.FirstSector + piece.Sectors - 1));
            ++current;
            inPiece = 0;
            unreadable = false;
        }
    };
    // Pieces that follow each other on the disc are read as one run.
    for (std::size_t first = 0; first < pieces.size();) {
        std::size_t last = first;
        std::uint64_t end = std::uint64_t{pieces[first].FirstSector} + pieces[first].Sectors;
        while (last + 1 < pieces.size() && pieces[last + 1].FirstSector == end) {
            ++last;
            end += pieces[last].Sectors;
        }
        current = first;
        inPiece = 0;
        unreadable = false;
        const auto sectors = static_cast<std::uint32_t>(end - pieces[first].FirstSector);
        if (!reader.Read(pieces[first].FirstSector, sectors, sink)) {
            report.Cancelled = true;
            break;
        }
        first = last + 1;
    }
    report.SectorsRead = reader.SectorsDone();
    report.Files = static_cast<int>(files.size());
    return report;
}

}  // namespace sorvane
