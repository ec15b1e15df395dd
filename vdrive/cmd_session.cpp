// CLOSE TRACK/SESSION (MMC-5 6.3), RESERVE TRACK (6.31) and SEND DVD
// STRUCTURE (6.34): how tracks, sessions and borders end and begin.

#include <algorithm>
#include <cctype>

#include "engine/rtl/endian.h"
#include "vdrive/drive.h"

namespace sorvane::vdrive {
namespace {

constexpr double kCloseTrackSeconds = 2;

bool PlausibleTimestamp(const std::uint8_t* t) {
    for (int i = 0; i < 14; ++i)
        if (!std::isdigit(t[i])) return false;
    auto field = [&](int at, int n) {
        int v = 0;
        for (int i = 0; i < n; ++i) v = v * 10 + (t[at + i] - '0');
        return v;
    };
    int month = field(4, 2), day = field(6, 2), hour = field(8, 2), minute = field(10, 2), second = field(12, 2);
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour < 24 && minute < 60 && second < 60;
}

}  // namespace

TReply TDrive::CloseTrackSession(const TCommand& c) {
    if (auto s = NeedWriter()) return TReply::Check(*s);
    if (!WritesMedium() || medium_.Traits().Rom) return TReply::Check(sense::IncompatibleMedium);
    bool immediate = c.Cdb[1] & 0x01;
    auto function = TCloseFunction(c.Cdb[2] & 0x07);
    int track = ReadMsb<std::uint16_t>(&c.Cdb[4]);
    TMedium& m = medium_;
    const TKindTraits& t = m.Traits();
    double now = clock_.Now();
    TSense result = sense::Good;
    double seconds = kCloseTrackSeconds;

    // What the closing writes: lead-in and lead-out (CD), a border zone
    // (DVD-R/-RW) or the session's closure (DVD+R).
    auto closingSeconds = [&](std::uint32_t endBefore) {
        std::uint32_t next = m.Finalized ? endBefore + kCdFirstSessionGap : m.NextSessionStart;
        return kCloseTrackSeconds + SecondsToWrite(next > endBefore ? next - endBefore : 0);
    };

    if (TestWriteOn() && (t.Cd || m.Kind == TMediumKind::DvdR || m.Kind == TMediumKind::DvdRw)) {
        // A simulated recording closes nothing.
    } else if (t.Sequential) {
        bool plus = m.Kind == TMediumKind::DvdPlusR || m.Kind == TMediumKind::DvdPlusRDl;
        switch (function) {
            case TCloseFunction::Track: result = m.CloseTrack(track); break;
            case TCloseFunction::Session: {
                std::uint32_t end = m.RecordedEnd();
                bool wasOpen = !m.Sessions.empty() && !m.Sessions.back().Closed;
                // DVD+R keeps the disc appendable unless told to finalize;
                // CD and DVD-R/-RW follow the multi-session field of page 05h.
                result = m.CloseSession(plus ? true : NextSessionAllowed());
                if (wasOpen) seconds = closingSeconds(end);
                break;
            }
            case TCloseFunction::FinalizeMinimalRadius:
            case TCloseFunction::Finalize: {
                if (!plus) return TReply::Check(sense::InvalidFieldInCdb);
                std::uint32_t end = m.RecordedEnd();
                result = m.FinalizeDisc();
                seconds = closingSeconds(end);
                break;
            }
            default: return TReply::Check(sense::InvalidFieldInCdb);
        }
    } else {
        switch (m.Kind) {
            case TMediumKind::DvdPlusRw:
                if (function == TCloseFunction::Track) break;
                if (function != TCloseFunction::StopBackgroundFormatQuick && function != TCloseFunction::Session &&
                    function != TCloseFunction::StopBackgroundFormat)
                    return TReply::Check(sense::InvalidFieldInCdb);
                // Stopping the background format leaves the formatted part
                // readable by any drive; the rest is formatted on a restart.
                if (m.BackgroundAt(now) == TBackgroundFormat::Running) {
                    m.BackgroundExtent = m.BackgroundExtentAt(now);
                    m.Background = TBackgroundFormat::Stopped;
                } else if (m.BackgroundAt(now) == TBackgroundFormat::Complete) {
                    m.Background = TBackgroundFormat::Complete;
                }
                m.NoteGrownVolume(*backing_);
                break;
            case TMediumKind::DvdRwRestricted:
                if (function == TCloseFunction::Session)
                    m.Intermediate = false;  // the intermediate session becomes overwritable
                else if (function != TCloseFunction::Track)
                    return TReply::Check(sense::InvalidFieldInCdb);
                break;
            default:
                if (function != TCloseFunction::Track && function != TCloseFunction::Session)
                    return TReply::Check(sense::InvalidFieldInCdb);
                break;
        }
    }
    if (result != sense::Good) return TReply::Check(result);
    dirty_ = true;
    return LongOperation(immediate, sense::NotReadyLongWrite, seconds);
}

TReply TDrive::ReserveTrack(const TCommand& c) {
    if (auto s = NeedWriter()) return TReply::Check(*s);
    if (!WritesMedium() || !medium_.Traits().Sequential) return TReply::Check(sense::IncompatibleMedium);
    if (c.Cdb[1] & 0x01) return TReply::Check(sense::InvalidFieldInCdb);  // reservation by address is not offered
    std::uint32_t size = ReadMsb<std::uint32_t>(&c.Cdb[5]);
    TSense result = medium_.ReserveTrack(size);
    if (result != sense::Good) return TReply::Check(result);
    dirty_ = true;
    return {};
}

// Format 0Fh records the time stamp a DVD-R/-RW carries in its recording
// management data (MMC-5 6.34.2.6).
TReply TDrive::SendDvdStructure(const TCommand& c) {
    if (auto s = NeedWriter()) return TReply::Check(*s);
    std::uint8_t format = c.Cdb[7];
    std::size_t length = std::min<std::size_t>(ReadMsb<std::uint16_t>(&c.Cdb[8]), c.DataOut.size());
    if (format != 0x0F || (medium_.Kind != TMediumKind::DvdR && medium_.Kind != TMediumKind::DvdRw) || !WritesMedium())
        return TReply::Check(sense::InvalidFieldInCdb);
    if (length < 22) return TReply::Check(sense::ParameterListLengthError);
    const std::uint8_t* d = c.DataOut.data();
    if (ReadMsb<std::uint16_t>(d) != 0x14 || !PlausibleTimestamp(d + 8))
        return TReply::Check(sense::InvalidFieldInParameterList);
    medium_.DvdTimestamp.assign(reinterpret_cast<const char*>(d + 8), 14);
    dirty_ = true;
    return {};
}

}  // namespace sorvane::vdrive
