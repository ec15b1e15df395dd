#pragma once
// Drives the emulated recorder the way the engine does: request blocks
// through SendASPI32Command, with replies and sense decoded once here.

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "engine/device/aspi.h"
#include "engine/rtl/endian.h"
#include "tests/vdrive/cdb.h"
#include "vdrive/vdrive.h"

namespace sorvane::vdrive::test {

struct TSenseCode {
    std::uint8_t Key = 0, Asc = 0, Ascq = 0;
    bool operator==(const TSenseCode&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const TSenseCode& s) {
    char text[16];
    std::snprintf(text, sizeof text, "%X/%02X/%02X", s.Key, s.Asc, s.Ascq);
    return out << text;
}
constexpr TSenseCode kGood{};
constexpr TSenseCode kInvalidOpcode{5, 0x20, 0x00};
constexpr TSenseCode kLbaOutOfRange{5, 0x21, 0x00};
constexpr TSenseCode kInvalidAddressForWrite{5, 0x21, 0x02};
constexpr TSenseCode kInvalidFieldInCdb{5, 0x24, 0x00};
constexpr TSenseCode kInvalidFieldInList{5, 0x26, 0x00};
constexpr TSenseCode kSequenceError{5, 0x2C, 0x00};
constexpr TSenseCode kIncompatibleMedium{5, 0x30, 0x00};
constexpr TSenseCode kCannotWriteMedium{5, 0x30, 0x05};
constexpr TSenseCode kNotFormatted{5, 0x30, 0x10};
constexpr TSenseCode kRemovalPrevented{5, 0x53, 0x02};
constexpr TSenseCode kIllegalMode{5, 0x64, 0x00};
constexpr TSenseCode kPcaFull{5, 0x73, 0x02};
constexpr TSenseCode kFormatting{2, 0x04, 0x04};
constexpr TSenseCode kOperationInProgress{2, 0x04, 0x07};
constexpr TSenseCode kLongWrite{2, 0x04, 0x08};
constexpr TSenseCode kNoMediumTrayClosed{2, 0x3A, 0x01};
constexpr TSenseCode kNoMediumTrayOpen{2, 0x3A, 0x02};
constexpr TSenseCode kMediumChanged{6, 0x28, 0x00};
constexpr TSenseCode kWriteError{3, 0x0C, 0x00};
constexpr TSenseCode kReadError{3, 0x11, 0x00};
constexpr TSenseCode kPcaError{3, 0x73, 0x03};

struct TResult {
    std::uint8_t Status = 0;      // SRB_Status
    std::uint8_t TargetStatus = 0;
    std::uint8_t HostStatus = 0;
    std::vector<std::uint8_t> Data;
    std::array<std::uint8_t, ASPI_SENSE_LEN> SenseArea{};

    bool Good() const { return Status == SS_COMP; }
    TSenseCode Sense() const {
        if (TargetStatus != STATUS_CHKCOND) return {};
        return {std::uint8_t(SenseArea[2] & 0x0F), SenseArea[12], SenseArea[13]};
    }
    // Progress indication of a NOT READY answer, 0..65535, or -1.
    int Progress() const { return (SenseArea[15] & 0x80) ? ReadMsb<std::uint16_t>(&SenseArea[16]) : -1; }
    std::uint32_t Be32(std::size_t at) const { return ReadMsb<std::uint32_t>(&Data.at(at)); }
    std::uint16_t Be16(std::size_t at) const { return ReadMsb<std::uint16_t>(&Data.at(at)); }
};

struct TDiscInfo {
    int Status = -1, LastSessionState = -1, Sessions = 0, FirstTrackInLast = 0, LastTrackInLast = 0;
    bool Erasable = false;
    int BackgroundFormat = 0;
    std::uint32_t LeadInStart = 0, LastLeadOut = 0;
};

struct TTrackInfo {
    int Number = 0, Session = 0;
    bool Blank = false, Reserved = false, NwaValid = false, Damaged = false;
    std::uint32_t Start = 0, Nwa = 0, Free = 0, PacketSize = 0, Size = 0;
};

// Parameter lists the engine sends.
std::vector<std::uint8_t> WriteParametersList(std::uint8_t writeType, std::uint8_t multiSession, bool testWrite = false,
                                              std::uint8_t trackMode = 4, bool fixedPacket = false,
                                              std::uint32_t packetSize = 0, std::uint8_t linkSize = 0);
std::vector<std::uint8_t> FormatList(std::uint32_t blocks, std::uint8_t formatType, std::uint32_t parameter,
                                     bool immediate = true);
std::vector<std::uint8_t> StreamingDescriptor(std::uint32_t endLba, std::uint32_t readKB, std::uint32_t writeKB);
std::vector<std::uint8_t> Sectors(std::uint32_t count, std::uint8_t fill);

class VDriveTest : public testing::Test {
protected:
    explicit VDriveTest(const TDriveModel& model = MultiFormatWriter());
    ~VDriveTest() override;

    THost& host;
    std::size_t drive = 0;

    TResult Send(const TCdb& cdb, const std::vector<std::uint8_t>& dataOut = {});
    // Inserts a disc and consumes the unit attention that follows.
    void Load(TMediumKind kind, TMediumState state = TMediumState::Blank, const std::string& image = {});

    TDiscInfo DiscInfo();
    TTrackInfo TrackInfo(cdb::TAddress type, std::uint32_t value);
    std::uint32_t Nwa();  // of the invisible/incomplete track
    TSenseCode Write(std::uint32_t lba, std::uint32_t count, std::uint8_t fill = 0xA5);
    TSenseCode Write(std::uint32_t lba, const std::vector<std::uint8_t>& data);
    std::vector<std::uint8_t> ReadBack(std::uint32_t lba, std::uint16_t count, TSenseCode* sense = nullptr);
    TSenseCode SelectWriteParameters(const std::vector<std::uint8_t>& list);
    TSenseCode Check(const TCdb& cdb, const std::vector<std::uint8_t>& dataOut = {}) { return Send(cdb, dataOut).Sense(); }
    // Polls REQUEST SENSE while the drive reports NOT READY with progress,
    // advancing the clock `step` seconds each time; returns the progress seen.
    std::vector<int> WaitWhileBusy(double step, TSenseCode expected);
};

}  // namespace sorvane::vdrive::test
