// BLANK (MMC-5 6.2) and FORMAT UNIT (6.5): making rewritable media blank
// again and formatting the overwritable ones. Both are long operations; with
// the immediate bit the drive answers at once and reports NOT READY with
// progress until the simulated clock has passed their duration.

#include <algorithm>

#include "engine/rtl/endian.h"
#include "vdrive/drive.h"

namespace sorvane::vdrive {
namespace {

constexpr double kMinimalBlankCdSeconds = 60;
constexpr double kMinimalBlankDvdSeconds = 90;
constexpr double kPlusRwFormatStartSeconds = 4;  // lead-in written, background format begins
constexpr double kQuickFormatSeconds = 60;
constexpr double kQuickGrowSeconds = 10;
constexpr double kDvdRamQuickFormatSeconds = 60;

std::uint32_t RoundUp(std::uint32_t value, std::uint32_t unit) { return (value + unit - 1) / unit * unit; }

}  // namespace

TReply TDrive::Blank(const TCommand& c) {
    if (auto s = NeedWriter()) return TReply::Check(*s);
    TMediumKind kind = medium_.Kind;
    bool rewritable = kind == TMediumKind::CdRw || kind == TMediumKind::DvdRw || kind == TMediumKind::DvdRwRestricted;
    if (!rewritable || !WritesMedium()) return TReply::Check(sense::IncompatibleMedium);
    bool immediate = c.Cdb[1] & 0x10;
    auto type = TBlankType(c.Cdb[1] & 0x07);
    if (type != TBlankType::Full && type != TBlankType::Minimal) return TReply::Check(sense::InvalidFieldInCdb);
    bool cd = medium_.Traits().Cd;
    double seconds = type == TBlankType::Full ? SecondsToWrite(medium_.Capacity)
                                              : (cd ? kMinimalBlankCdSeconds : kMinimalBlankDvdSeconds);
    if (!backing_->Clear()) return TReply::Check(sense::WriteError);
    // A blanked DVD-RW is sequential again; after a minimal blank it is
    // recordable only disc at once.
    TMedium blank = TMedium::Blank(cd ? TMediumKind::CdRw : TMediumKind::DvdRw);
    blank.MinimallyBlanked = !cd && type == TBlankType::Minimal;
    medium_ = std::move(blank);
    dirty_ = true;
    return LongOperation(immediate, sense::NotReadyOperation, seconds);
}

TReply TDrive::FormatUnit(const TCommand& c) {
    if (auto s = NeedWriter()) return TReply::Check(*s);
    TMediumKind kind = medium_.Kind;
    bool formattable = kind == TMediumKind::DvdPlusRw || kind == TMediumKind::DvdRam || kind == TMediumKind::DvdRw ||
                       kind == TMediumKind::DvdRwRestricted;
    if (!formattable || !WritesMedium()) return TReply::Check(sense::CannotFormatIncompatibleMedium);
    bool formatData = c.Cdb[1] & 0x10;
    if (!formatData || (c.Cdb[1] & 0x07) != 1) return TReply::Check(sense::InvalidFieldInCdb);
    if (c.DataOut.size() < 12) return TReply::Check(sense::ParameterListLengthError);

    // Format list header and one format descriptor (MMC-5 6.5.3).
    const std::uint8_t* d = c.DataOut.data();
    bool immediate = d[1] & 0x02;
    bool noCertification = d[1] & 0x20;
    if (ReadMsb<std::uint16_t>(d + 2) != 8) return TReply::Check(sense::InvalidFieldInParameterList);
    std::uint32_t blocks = ReadMsb<std::uint32_t>(d + 4);
    std::uint8_t type = d[8] >> 2;
    std::uint32_t parameter = std::uint32_t(ReadMsbN(d + 9, 3));
    TMedium& m = medium_;
    double now = clock_.Now();
    double seconds = 0;
    TSense busy = sense::NotReadyFormatting;
    bool clearData = true;

    switch (kind) {
        case TMediumKind::DvdPlusRw: {
            if (type != 0x26 || (blocks != m.Capacity && blocks != 0xFFFFFFFF))
                return TReply::Check(sense::InvalidFieldInParameterList);
            bool restart = parameter & 0x01;
            seconds = kPlusRwFormatStartSeconds;
            if (restart && m.Background == TBackgroundFormat::Stopped) {
                // Resume de-icing where it stopped; the data stays.
                m.BackgroundBase = m.BackgroundExtent;
                clearData = false;
            } else {
                m.BackgroundBase = 0;
                m.Grown.clear();
            }
            m.Formatted = true;
            m.Background = TBackgroundFormat::Running;
            m.BackgroundStart = now + seconds;
            break;
        }
        case TMediumKind::DvdRam:
            if ((type != 0x00 || blocks != m.Capacity) && (type != 0x01 || blocks > m.Capacity))
                return TReply::Check(sense::InvalidFieldInParameterList);
            // Certification reads every sector back after writing it.
            seconds = noCertification ? kDvdRamQuickFormatSeconds : 2 * SecondsToWrite(m.Capacity);
            m.Grown.clear();
            break;
        case TMediumKind::DvdRw:
        case TMediumKind::DvdRwRestricted: {
            bool restricted = kind == TMediumKind::DvdRwRestricted;
            std::uint32_t room = m.Capacity - std::min(m.Capacity, m.FormattedBlocks);
            TMedium next = TMedium::Blank(TMediumKind::DvdRwRestricted);
            switch (type) {
                case 0x00:
                case 0x10:  // full format
                    if (blocks != m.Capacity) return TReply::Check(sense::InvalidFieldInParameterList);
                    seconds = SecondsToWrite(m.Capacity);
                    break;
                case 0x15:  // quick: a small formatted area that grows as it is written
                    if (blocks > m.Capacity) return TReply::Check(sense::InvalidFieldInParameterList);
                    next.FormattedBlocks = RoundUp(blocks, kEccBlock);
                    next.Intermediate = true;
                    seconds = kQuickFormatSeconds;
                    break;
                case 0x13:  // quick grow of the last session; not offered when formatted to the end
                    if (!restricted || m.Intermediate || room == 0 || blocks > room)
                        return TReply::Check(sense::InvalidFieldInParameterList);
                    next = m;
                    next.Intermediate = true;
                    clearData = false;
                    seconds = kQuickGrowSeconds;
                    break;
                case 0x11:  // expand by a fixed size
                    if (!restricted || m.Intermediate || blocks == 0 || blocks > room)
                        return TReply::Check(sense::InvalidFieldInParameterList);
                    next = m;
                    next.FormattedBlocks += RoundUp(blocks, kEccBlock);
                    clearData = false;
                    seconds = SecondsToWrite(blocks);
                    break;
                default: return TReply::Check(sense::InvalidFieldInParameterList);
            }
            next.Grown = clearData ? std::vector<TGrownVolume>{} : m.Grown;
            m = std::move(next);
            break;
        }
        default: return TReply::Check(sense::CannotFormatIncompatibleMedium);
    }
    if (clearData && !backing_->Clear()) return TReply::Check(sense::WriteError);
    m.RunLow = UINT32_MAX;
    m.RunHigh = 0;
    dirty_ = true;
    return LongOperation(immediate, busy, seconds);
}

}  // namespace sorvane::vdrive
