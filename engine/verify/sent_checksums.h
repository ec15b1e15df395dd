#pragma once
// What a recording sent, as the checksums of its sectors. The write thread
// feeds every block it has written to the drive, in stream order; after the
// recording a verification reads the same sectors back from the disc and
// compares their checksums piece by piece.
//
// The sectors are cut into pieces wherever a file (or anything else named
// by an owner) begins or ends, and a piece spans at most kPieceSectors, so
// a difference is put down to one file and placed within half a megabyte.
// Every piece is allocated before the recording starts: feeding a block
// costs its checksum and nothing else.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/verify/sector_checksum.h"

namespace sorvane {

// What a stretch of sectors holds, for the messages of a verification.
enum class TSectorUse : std::uint8_t {
    FileSystem,  // descriptors, path tables, directories, boot catalog
    File,        // a file's data
    BootImage,   // the El Torito boot image
    Image,       // sectors of an image file that holds no file system we read
};

struct TSectorOwner {
    std::uint32_t FirstSector = 0;  // absolute
    std::uint32_t Sectors = 0;
    TSectorUse Use = TSectorUse::File;
    std::string Name;  // a file's path in the volume: "photos/img_0042.jpg"
};

struct TSentPiece {
    std::uint32_t FirstSector = 0;  // absolute
    std::uint32_t Sectors = 0;
    int Owner = -1;               // index into Owners(); -1: what Unowned() says
    std::uint64_t Checksum = 0;
    bool Sent = false;            // every sector of it went to the drive
};

class TSentChecksums {
public:
    static constexpr std::uint32_t kSectorBytes = 2048;
    static constexpr std::uint32_t kPieceSectors = 256;

    // The stream's sectors [`firstSector`, `firstSector` + `sectors`), with
    // what lies where. Owners may overlap (one extent named twice) and may
    // reach past the stream, which clips them; sectors no owner claims hold
    // `unowned`. Bytes fed past the stream's last sector (the padding of a
    // short track) are not checksummed.
    TSentChecksums(std::uint32_t firstSector, std::uint32_t sectors, std::vector<TSectorOwner> owners,
                   TSectorUse unowned);

    // Sectors written apart from the stream (the volume descriptors a grown
    // file system repeats at sector 0): checksummed at once, as sent.
    void AddSent(std::uint32_t firstSector, const std::uint8_t* data, std::uint32_t sectors, TSectorOwner owner);

    // The next `bytes` of the stream, as written to the drive.
    void Feed(const std::uint8_t* data, std::size_t bytes);

    // Every sector of the stream was fed.
    bool Complete() const { return next_ == stream_.size(); }
    // Every piece, stream and apart, in sector order.
    std::vector<TSentPiece> Pieces() const;
    const std::vector<TSectorOwner>& Owners() const { return owners_; }
    TSectorUse Unowned() const { return unowned_; }
    // The sectors that Pieces() covers.
    std::uint64_t Sectors() const;

private:
    std::uint32_t firstSector_;
    TSectorUse unowned_;
    std::vector<TSectorOwner> owners_;
    std::vector<TSentPiece> stream_;
    std::vector<TSentPiece> apart_;
    // Feeding: the stream bytes seen so far and the piece they fill.
    std::uint64_t fed_ = 0;
    std::size_t next_ = 0;
    TSectorChecksum checksum_;
};

}  // namespace sorvane
