// The queries of the disc's structure: READ DISC INFORMATION (MMC-5 6.22),
// READ TRACK INFORMATION (6.27), READ TOC/PMA/ATIP formats 0, 1 and 4
// (6.26), READ CAPACITY (6.23) and READ FORMAT CAPACITIES (6.24).

#include <algorithm>

#include "engine/rtl/endian.h"
#include "vdrive/drive.h"

namespace sorvane::vdrive {
namespace {

// A track as the drive describes it, including the invisible one.
struct TTrackView {
    int Number = 1;
    int Session = 1;
    std::uint32_t Start = 0;
    std::uint32_t Size = 0;
    std::uint32_t Nwa = 0;
    std::uint32_t Free = 0;
    std::uint32_t Recorded = 0;
    bool NwaValid = false;
    bool Blank = false;
    bool Reserved = false;
    bool Packet = false;
    bool Damaged = false;
    bool Complete = false;  // belongs to a closed session (listed in the TOC)
    std::uint32_t PacketSize = 0;
};

std::vector<TTrackView> Views(const TMedium& m) {
    std::vector<TTrackView> views;
    const TKindTraits& t = m.Traits();
    if (t.Rom) {
        TTrackView v;
        v.Size = v.Recorded = m.Capacity;
        v.Complete = true;
        views.push_back(v);
        return views;
    }
    if (t.Overwrite) {
        TTrackView v;
        v.Packet = m.Kind == TMediumKind::DvdRwRestricted;
        v.PacketSize = kEccBlock;
        if (m.Kind == TMediumKind::DvdPlusRw && !m.Formatted) {
            v.Size = v.Free = m.Capacity;
            v.NwaValid = v.Blank = true;
        } else if (m.Kind == TMediumKind::DvdRwRestricted) {
            v.Size = v.Recorded = m.FormattedBlocks;
            v.Complete = true;
            if (m.Intermediate) {
                v.Nwa = m.FormattedBlocks;
                v.Free = m.Capacity - m.FormattedBlocks;
                v.NwaValid = true;
            }
        } else {
            v.Size = v.Recorded = m.Capacity;
            v.Complete = true;
        }
        views.push_back(v);
        return views;
    }
    int number = 0;
    for (std::size_t s = 0; s < m.Sessions.size(); ++s)
        for (const TTrack& track : m.Sessions[s].Tracks) {
            TTrackView v;
            v.Number = ++number;
            v.Session = int(s) + 1;
            v.Start = track.Start;
            v.Recorded = track.Recorded;
            v.Packet = track.Packet;
            v.PacketSize = t.Cd ? 0 : kEccBlock;
            v.Damaged = track.Damaged;
            v.Reserved = track.Reserved != 0;
            v.Complete = m.Sessions[s].Closed;
            if (track.Closed) {
                v.Size = track.Size();
            } else if (track.Reserved) {
                v.Size = track.Reserved;
                v.Nwa = track.Nwa();
                v.Free = track.Reserved - track.Recorded;
                v.NwaValid = !track.Damaged;
            } else {
                // The incomplete track runs to the end of the disc.
                v.Size = m.Capacity - track.Start;
                v.Nwa = track.Nwa();
                v.Free = m.Capacity - track.Nwa();
                v.NwaValid = !track.Damaged;
            }
            views.push_back(v);
        }
    if (auto start = m.InvisibleStart(); start && !m.IncompleteTrack()) {
        TTrackView v;
        v.Number = number + 1;
        v.Session = (m.Sessions.empty() || m.Sessions.back().Closed) ? int(m.Sessions.size()) + 1 : int(m.Sessions.size());
        v.Start = v.Nwa = *start;
        v.Size = v.Free = m.Capacity - *start;
        v.NwaValid = v.Blank = true;
        v.Packet = !t.Cd;
        v.PacketSize = t.Cd ? 0 : kEccBlock;
        views.push_back(v);
    }
    return views;
}

void PutAddress(std::uint8_t* out, std::int64_t lba, bool msf) {
    if (!msf) {
        WriteMsb<std::uint32_t>(out, std::uint32_t(lba));
        return;
    }
    std::int64_t frames = lba + 150;
    if (frames < 0) frames += 450000;
    out[0] = 0;
    out[1] = std::uint8_t(frames / 4500);
    out[2] = std::uint8_t(frames / 75 % 60);
    out[3] = std::uint8_t(frames % 75);
}

}  // namespace

TReply TDrive::ReadDiscInformation(const TCommand& c) {
    if (auto s = NeedMedium()) return TReply::Check(*s);
    if (c.Cdb[1] & 0x07) return TReply::Check(sense::InvalidFieldInCdb);  // only standard disc information
    const TMedium& m = medium_;
    const TKindTraits& t = m.Traits();
    std::vector<std::uint8_t> d(34, 0);
    WriteMsb<std::uint16_t>(&d[0], 32);
    d[2] = std::uint8_t((t.Erasable ? 0x10 : 0) | m.LastSessionState() << 2 | m.DiscStatus());
    d[3] = 1;
    int sessions = 1, firstInLast = 1, lastInLast = 1;
    if (t.Sequential && !m.Blank()) {
        int count = int(m.Sessions.size());
        bool lastClosed = m.Sessions.back().Closed;
        if (m.Finalized) {
            sessions = count;
            firstInLast = m.FirstTrackOfSession(count - 1);
            lastInLast = m.TrackCount();
        } else {
            sessions = lastClosed ? count + 1 : count;
            firstInLast = lastClosed ? m.TrackCount() + 1 : m.FirstTrackOfSession(count - 1);
            lastInLast = std::max(m.InvisibleTrackNumber(), m.TrackCount());
            firstInLast = std::min(firstInLast, lastInLast);
        }
    }
    d[4] = std::uint8_t(sessions);
    d[5] = std::uint8_t(firstInLast);
    d[6] = std::uint8_t(lastInLast);
    d[9] = std::uint8_t(sessions >> 8);
    d[10] = std::uint8_t(firstInLast >> 8);
    d[11] = std::uint8_t(lastInLast >> 8);
    d[7] = 0x20;  // URU: unrestricted use
    if (m.Kind == TMediumKind::DvdPlusRw) d[7] |= std::uint8_t(m.BackgroundAt(clock_.Now()));
    d[8] = 0x00;  // CD-DA or CD-ROM disc
    // Where the next session's lead-in would start and the last possible
    // lead-out: MSF for CD (from the ATIP), sector numbers for DVD; FFh when
    // nothing more can be written.
    if (t.Rom || m.Finalized || t.Overwrite) {
        std::fill(&d[16], &d[24], t.Overwrite ? 0x00 : 0xFF);
        if (t.Overwrite) WriteMsb<std::uint32_t>(&d[20], m.Capacity);
    } else if (t.Cd) {
        if (m.Blank()) {
            d[17] = m.Atip.LeadInM, d[18] = m.Atip.LeadInS, d[19] = m.Atip.LeadInF;
        } else if (auto start = m.InvisibleStart()) {
            PutAddress(&d[16], std::int64_t(*start) - 4650, true);
        }
        d[21] = m.Atip.LeadOutM, d[22] = m.Atip.LeadOutS, d[23] = m.Atip.LeadOutF;
    } else {
        if (auto start = m.InvisibleStart()) WriteMsb<std::uint32_t>(&d[16], *start);
        WriteMsb<std::uint32_t>(&d[20], m.Capacity);
    }
    return DataReply(std::move(d), ReadMsb<std::uint16_t>(&c.Cdb[7]));
}

TReply TDrive::ReadTrackInformation(const TCommand& c) {
    if (auto s = NeedMedium()) return TReply::Check(*s);
    int addressType = c.Cdb[1] & 0x03;
    std::uint32_t address = ReadMsb<std::uint32_t>(&c.Cdb[2]);
    auto views = Views(medium_);
    const TTrackView* found = nullptr;
    switch (addressType) {
        case 0:
            for (const auto& v : views)
                if (address >= v.Start && address < v.Start + v.Size) found = &v;
            break;
        case 1:
            if (address == 0xFF) {
                // The invisible or incomplete track; overwritable media have
                // only their one track.
                if (medium_.Traits().Overwrite)
                    found = &views.front();
                else if (!views.empty() && views.back().NwaValid && !views.back().Reserved && !views.back().Complete)
                    found = &views.back();
            } else {
                for (const auto& v : views)
                    if (std::uint32_t(v.Number) == address) found = &v;
            }
            break;
        case 2:
            for (const auto& v : views)
                if (std::uint32_t(v.Session) == address) {
                    found = &v;
                    break;
                }
            break;
        default: break;
    }
    if (!found) return TReply::Check(sense::InvalidFieldInCdb);
    const TTrackView& v = *found;
    std::vector<std::uint8_t> d(48, 0);
    WriteMsb<std::uint16_t>(&d[0], 46);
    d[2] = std::uint8_t(v.Number);
    d[3] = std::uint8_t(v.Session);
    d[5] = std::uint8_t((v.Damaged ? 0x20 : 0) | (v.Packet ? 0x05 : 0x04));  // data track, incremental or not
    d[6] = std::uint8_t((v.Reserved ? 0x80 : 0) | (v.Blank ? 0x40 : 0) | (v.Packet ? 0x30 : 0) | (v.Blank ? 0x0F : 0x01));
    d[7] = std::uint8_t((v.Recorded ? 0x02 : 0) | (v.NwaValid ? 0x01 : 0));
    WriteMsb<std::uint32_t>(&d[8], v.Start);
    WriteMsb<std::uint32_t>(&d[12], v.NwaValid ? v.Nwa : 0);
    WriteMsb<std::uint32_t>(&d[16], v.Free);
    WriteMsb<std::uint32_t>(&d[20], v.PacketSize);
    WriteMsb<std::uint32_t>(&d[24], v.Size);
    WriteMsb<std::uint32_t>(&d[28], v.Recorded ? v.Start + v.Recorded - 1 : 0);
    d[32] = std::uint8_t(v.Number >> 8);
    d[33] = std::uint8_t(v.Session >> 8);
    return DataReply(std::move(d), ReadMsb<std::uint16_t>(&c.Cdb[7]));
}

TReply TDrive::ReadToc(const TCommand& c) {
    if (auto s = NeedMedium()) return TReply::Check(*s);
    bool msf = c.Cdb[1] & 0x02;
    int format = c.Cdb[2] & 0x0F;
    if (format == 0 && (c.Cdb[9] >> 6)) format = c.Cdb[9] >> 6;  // the older place of the format field
    std::uint8_t trackSession = c.Cdb[6];
    std::size_t allocation = ReadMsb<std::uint16_t>(&c.Cdb[7]);
    const TMedium& m = medium_;

    if (format == 4) {
        // ATIP (MMC-5 6.26.3.6): only recordable CDs carry one.
        if (m.Kind != TMediumKind::CdR && m.Kind != TMediumKind::CdRw) return TReply::Check(sense::InvalidFieldInCdb);
        std::vector<std::uint8_t> d(28, 0);
        WriteMsb<std::uint16_t>(&d[0], 26);
        d[4] = 0xD4;  // indicative target writing power, reference speed
        d[6] = std::uint8_t(0x80 | (m.Kind == TMediumKind::CdRw ? 0x40 : 0));  // disc type: 1 = CD-RW
        d[8] = m.Atip.LeadInM, d[9] = m.Atip.LeadInS, d[10] = m.Atip.LeadInF;
        d[12] = m.Atip.LeadOutM, d[13] = m.Atip.LeadOutS, d[14] = m.Atip.LeadOutF;
        return DataReply(std::move(d), allocation);
    }
    if (format != 0 && format != 1) return TReply::Check(sense::InvalidFieldInCdb);

    std::vector<TTrackView> complete;
    for (const auto& v : Views(m))
        if (v.Complete) complete.push_back(v);
    if (complete.empty()) return TReply::Check(sense::InvalidFieldInCdb);  // no complete session yet
    const TTrackView& lastTrack = complete.back();
    std::uint32_t leadOut = lastTrack.Start + lastTrack.Size;
    auto control = [](const TTrackView& v) { return std::uint8_t(0x10 | (v.Packet ? 0x05 : 0x04)); };

    std::vector<std::uint8_t> d(4, 0);
    d[2] = 1;
    if (format == 0) {
        d[3] = std::uint8_t(lastTrack.Number);
        int from = trackSession == 0 ? 1 : trackSession;
        if (from != 0xAA && from > lastTrack.Number) return TReply::Check(sense::InvalidFieldInCdb);
        auto descriptor = [&](std::uint8_t adrControl, std::uint8_t number, std::uint32_t lba) {
            std::uint8_t e[8] = {0, adrControl, number, 0, 0, 0, 0, 0};
            PutAddress(&e[4], lba, msf);
            d.insert(d.end(), e, e + 8);
        };
        if (from != 0xAA)
            for (const auto& v : complete)
                if (v.Number >= from) descriptor(control(v), std::uint8_t(v.Number), v.Start);
        descriptor(control(lastTrack), 0xAA, leadOut);
    } else {
        d[3] = std::uint8_t(lastTrack.Session);
        const TTrackView* first = &lastTrack;
        for (const auto& v : complete)
            if (v.Session == lastTrack.Session) {
                first = &v;
                break;
            }
        std::uint8_t e[8] = {0, control(*first), std::uint8_t(first->Number), 0, 0, 0, 0, 0};
        PutAddress(&e[4], first->Start, msf);
        d.insert(d.end(), e, e + 8);
    }
    WriteMsb<std::uint16_t>(&d[0], std::uint16_t(d.size() - 2));
    return DataReply(std::move(d), allocation);
}

TReply TDrive::ReadCapacity() {
    if (auto s = NeedMedium()) return TReply::Check(*s);
    std::uint32_t end = medium_.RecordedEnd();
    std::vector<std::uint8_t> d(8, 0);
    WriteMsb<std::uint32_t>(&d[0], end ? end - 1 : 0);
    WriteMsb<std::uint32_t>(&d[4], kSectorSize);
    return TReply::Data(std::move(d));
}

TReply TDrive::ReadFormatCapacities(const TCommand& c) {
    if (auto s = NeedMedium()) return TReply::Check(*s);
    enum : std::uint8_t { kUnformatted = 1, kFormatted = 2, kUnknown = 3 };
    const TMedium& m = medium_;
    std::vector<std::uint8_t> d(4, 0);
    auto descriptor = [&](std::uint32_t blocks, std::uint8_t byte4, std::uint32_t parameter) {
        std::uint8_t e[8] = {};
        WriteMsb<std::uint32_t>(e, blocks);
        e[4] = byte4;
        WriteMsbN(&e[5], parameter, 3);
        d.insert(d.end(), e, e + 8);
    };
    auto format = [&](std::uint8_t type, std::uint32_t blocks, std::uint32_t parameter) {
        descriptor(blocks, std::uint8_t(type << 2), parameter);
    };
    switch (m.Kind) {
        case TMediumKind::DvdPlusRw:
            descriptor(m.Capacity, m.Formatted ? kFormatted : kUnformatted, kSectorSize);
            format(0x26, m.Capacity, 0);
            break;
        case TMediumKind::DvdRam:
            descriptor(m.Capacity, kFormatted, kSectorSize);
            format(0x00, m.Capacity, kSectorSize);
            break;
        case TMediumKind::DvdRw:
            descriptor(m.Capacity, kUnformatted, kSectorSize);
            format(0x00, m.Capacity, kSectorSize);
            format(0x10, m.Capacity, kEccBlock);
            format(0x15, m.Capacity, kEccBlock);
            break;
        case TMediumKind::DvdRwRestricted: {
            descriptor(m.FormattedBlocks, m.Intermediate ? kUnknown : kFormatted, kSectorSize);
            format(0x00, m.Capacity, kSectorSize);
            format(0x10, m.Capacity, kEccBlock);
            std::uint32_t room = m.Capacity - std::min(m.Capacity, m.FormattedBlocks);
            if (room && !m.Intermediate) {
                format(0x11, room, kEccBlock);
                format(0x13, room, kEccBlock);
            }
            format(0x15, m.Capacity, kEccBlock);
            break;
        }
        default:
            descriptor(m.Capacity, m.Traits().Rom ? kFormatted : kUnformatted, kSectorSize);
            break;
    }
    d[3] = std::uint8_t(d.size() - 4);
    return DataReply(std::move(d), ReadMsb<std::uint16_t>(&c.Cdb[7]));
}

}  // namespace sorvane::vdrive
