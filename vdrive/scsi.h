#pragma once
// Names for the numbers of SPC-3 and MMC-5 that the emulated drive answers:
// operation codes, sense keys with their additional sense codes, profiles,
// features and mode pages. Logic uses these names, never the bare values.

#include <array>
#include <cstdint>

namespace sorvane::vdrive {

namespace op {
constexpr std::uint8_t TestUnitReady = 0x00;
constexpr std::uint8_t RezeroUnit = 0x01;
constexpr std::uint8_t RequestSense = 0x03;
constexpr std::uint8_t FormatUnit = 0x04;
constexpr std::uint8_t Inquiry = 0x12;
constexpr std::uint8_t StartStopUnit = 0x1B;
constexpr std::uint8_t PreventAllowRemoval = 0x1E;
constexpr std::uint8_t ReadFormatCapacities = 0x23;
constexpr std::uint8_t ReadCapacity = 0x25;
constexpr std::uint8_t Read10 = 0x28;
constexpr std::uint8_t Write10 = 0x2A;
constexpr std::uint8_t SynchronizeCache = 0x35;
constexpr std::uint8_t ReadTocPmaAtip = 0x43;
constexpr std::uint8_t GetConfiguration = 0x46;
constexpr std::uint8_t GetEventStatus = 0x4A;
constexpr std::uint8_t ReadDiscInformation = 0x51;
constexpr std::uint8_t ReadTrackInformation = 0x52;
constexpr std::uint8_t ReserveTrack = 0x53;
constexpr std::uint8_t SendOpcInformation = 0x54;
constexpr std::uint8_t ModeSelect10 = 0x55;
constexpr std::uint8_t ModeSense10 = 0x5A;
constexpr std::uint8_t CloseTrackSession = 0x5B;
constexpr std::uint8_t ReadBufferCapacity = 0x5C;
constexpr std::uint8_t Blank = 0xA1;
constexpr std::uint8_t SetStreaming = 0xB6;
constexpr std::uint8_t SetCdSpeed = 0xBB;
constexpr std::uint8_t SendDvdStructure = 0xBF;
}  // namespace op

// SPC-3 4.5.6 sense keys.
enum class TSenseKey : std::uint8_t {
    NoSense = 0x0,
    NotReady = 0x2,
    MediumError = 0x3,
    HardwareError = 0x4,
    IllegalRequest = 0x5,
    UnitAttention = 0x6,
};

// One CHECK CONDITION: key, additional sense code and qualifier, and the
// progress indication (0..65535) that NOT READY answers carry while a long
// operation runs (SPC-3 4.5.2.4.4).
struct TSense {
    TSenseKey Key = TSenseKey::NoSense;
    std::uint8_t Asc = 0;
    std::uint8_t Ascq = 0;
    int Progress = -1;  // -1: no sense-key specific data

    bool operator==(const TSense&) const = default;
    // Fixed-format sense data, 18 bytes (SPC-3 4.5.3).
    std::array<std::uint8_t, 18> Fixed() const;
};

namespace sense {
// The conditions the drive reports, by the name SPC/MMC give them.
constexpr TSense Good{};
constexpr TSense InvalidOpcode{TSenseKey::IllegalRequest, 0x20, 0x00};
constexpr TSense LbaOutOfRange{TSenseKey::IllegalRequest, 0x21, 0x00};
constexpr TSense InvalidAddressForWrite{TSenseKey::IllegalRequest, 0x21, 0x02};
constexpr TSense InvalidFieldInCdb{TSenseKey::IllegalRequest, 0x24, 0x00};
constexpr TSense InvalidFieldInParameterList{TSenseKey::IllegalRequest, 0x26, 0x00};
constexpr TSense ParameterListLengthError{TSenseKey::IllegalRequest, 0x1A, 0x00};
constexpr TSense CommandSequenceError{TSenseKey::IllegalRequest, 0x2C, 0x00};
constexpr TSense IncompatibleMedium{TSenseKey::IllegalRequest, 0x30, 0x00};
constexpr TSense CannotWriteIncompatibleFormat{TSenseKey::IllegalRequest, 0x30, 0x05};
constexpr TSense CannotFormatIncompatibleMedium{TSenseKey::IllegalRequest, 0x30, 0x06};
constexpr TSense MediumNotFormatted{TSenseKey::IllegalRequest, 0x30, 0x10};
constexpr TSense SavingNotSupported{TSenseKey::IllegalRequest, 0x39, 0x00};
constexpr TSense RemovalPrevented{TSenseKey::IllegalRequest, 0x53, 0x02};
constexpr TSense IllegalModeForTrack{TSenseKey::IllegalRequest, 0x64, 0x00};
constexpr TSense PcaFull{TSenseKey::IllegalRequest, 0x73, 0x02};
constexpr TSense NotReadyBecoming{TSenseKey::NotReady, 0x04, 0x01};
constexpr TSense NotReadyFormatting{TSenseKey::NotReady, 0x04, 0x04};
constexpr TSense NotReadyOperation{TSenseKey::NotReady, 0x04, 0x07};
constexpr TSense NotReadyLongWrite{TSenseKey::NotReady, 0x04, 0x08};
constexpr TSense NotReadyIncompatible{TSenseKey::NotReady, 0x30, 0x00};
constexpr TSense NoMediumTrayClosed{TSenseKey::NotReady, 0x3A, 0x01};
constexpr TSense NoMediumTrayOpen{TSenseKey::NotReady, 0x3A, 0x02};
constexpr TSense MediumChanged{TSenseKey::UnitAttention, 0x28, 0x00};
constexpr TSense WriteError{TSenseKey::MediumError, 0x0C, 0x00};
constexpr TSense UnrecoveredReadError{TSenseKey::MediumError, 0x11, 0x00};
constexpr TSense PcaError{TSenseKey::MediumError, 0x73, 0x03};
}  // namespace sense

// MMC-5 5.3.1 profiles.
namespace profile {
constexpr std::uint16_t None = 0x0000;
constexpr std::uint16_t CdRom = 0x0008;
constexpr std::uint16_t CdR = 0x0009;
constexpr std::uint16_t CdRw = 0x000A;
constexpr std::uint16_t DvdRom = 0x0010;
constexpr std::uint16_t DvdR = 0x0011;
constexpr std::uint16_t DvdRam = 0x0012;
constexpr std::uint16_t DvdRwRestricted = 0x0013;
constexpr std::uint16_t DvdRwSequential = 0x0014;
constexpr std::uint16_t DvdPlusRw = 0x001A;
constexpr std::uint16_t DvdPlusR = 0x001B;
constexpr std::uint16_t DvdPlusRDl = 0x002B;
}  // namespace profile

// MMC-5 5.3 feature codes.
namespace feature {
constexpr std::uint16_t ProfileList = 0x0000;
constexpr std::uint16_t Core = 0x0001;
constexpr std::uint16_t Morphing = 0x0002;
constexpr std::uint16_t RemovableMedium = 0x0003;
constexpr std::uint16_t RandomReadable = 0x0010;
constexpr std::uint16_t MultiRead = 0x001D;
constexpr std::uint16_t CdRead = 0x001E;
constexpr std::uint16_t DvdRead = 0x001F;
constexpr std::uint16_t RandomWritable = 0x0020;
constexpr std::uint16_t IncrementalStreaming = 0x0021;
constexpr std::uint16_t Formattable = 0x0023;
constexpr std::uint16_t DefectManagement = 0x0024;
constexpr std::uint16_t RestrictedOverwrite = 0x0026;
constexpr std::uint16_t CdRwCavWrite = 0x0027;
constexpr std::uint16_t DvdPlusRw = 0x002A;
constexpr std::uint16_t DvdPlusR = 0x002B;
constexpr std::uint16_t CdTrackAtOnce = 0x002D;
constexpr std::uint16_t CdMastering = 0x002E;
constexpr std::uint16_t DvdMinusRWrite = 0x002F;
constexpr std::uint16_t DvdPlusRDl = 0x003B;
constexpr std::uint16_t PowerManagement = 0x0100;
constexpr std::uint16_t Timeout = 0x0105;
constexpr std::uint16_t RealTimeStreaming = 0x0107;
}  // namespace feature

// Mode pages (SPC-3 7.4, MMC-5 7).
namespace page {
constexpr std::uint8_t ErrorRecovery = 0x01;
constexpr std::uint8_t WriteParameters = 0x05;
constexpr std::uint8_t Capabilities = 0x2A;
constexpr std::uint8_t Vendor30 = 0x30;
constexpr std::uint8_t All = 0x3F;
}  // namespace page

// Write types of mode page 05h (MMC-5 7.5.4.9).
enum class TWriteType : std::uint8_t { Packet = 0, TrackAtOnce = 1, SessionAtOnce = 2, Raw = 3 };

// Blanking types of BLANK (MMC-5 6.2.3).
enum class TBlankType : std::uint8_t { Full = 0, Minimal = 1 };

// Close functions of CLOSE TRACK/SESSION (MMC-5 6.3.3).
enum class TCloseFunction : std::uint8_t {
    StopBackgroundFormatQuick = 0,
    Track = 1,
    Session = 2,
    StopBackgroundFormat = 3,
    FinalizeMinimalRadius = 5,
    Finalize = 6,
};

constexpr std::uint32_t kSectorSize = 2048;
constexpr std::uint32_t kEccBlock = 16;  // DVD error-correction block: 16 sectors, 32 KiB

}  // namespace sorvane::vdrive
