// The command wrappers of TSCSIDevice: one per SCSI command, each building
// its command, running it and decoding the reply into host order.

#include <cstring>
#include <vector>

#include "engine/device/mmc_commands.h"
#include "engine/device/scsi_device.h"
#include "engine/device/transport.h"
#include "engine/rtl/format.h"

namespace sorvane {
namespace {

constexpr const char* kRangeError = "RANGE CHECK ERROR";

// Sets the built-in layer's release-handle setting for one command and puts
// the previous setting back afterwards.
class TReleaseHandleScope {
public:
    TReleaseHandleScope() : previous_(TTransport::Instance().ReleaseHandle()) {
        TTransport::Instance().SetReleaseHandle(true);
    }
    ~TReleaseHandleScope() { TTransport::Instance().SetReleaseHandle(previous_); }
    TReleaseHandleScope(const TReleaseHandleScope&) = delete;
    TReleaseHandleScope& operator=(const TReleaseHandleScope&) = delete;

private:
    bool previous_;
};

}  // namespace

bool TSCSIDevice::TestUnitReady(int TimeoutMs) { return Run(mmc::TestUnitReady(TimeoutMs)); }

void TSCSIDevice::RezeroUnit() { Run(mmc::RezeroUnit()); }

bool TSCSIDevice::RequestSense(void* Buf, std::uint8_t Len) { return Run(mmc::RequestSense(Buf, Len)); }

bool TSCSIDevice::FormatUnit(std::uint8_t FormatFlags, const void* Data, std::uint32_t Len) {
    return Run(mmc::FormatUnit(FormatFlags, Data, Len));
}

bool TSCSIDevice::Inquiry() { return Run(mmc::Inquiry(InquiryData.data())); }

bool TSCSIDevice::LoadUnload(bool Eject) {
    // The tray moves: the drive's handle must not stay open across it.
    TReleaseHandleScope releaseHandle;
    return Run(mmc::StartStopUnit(Eject));
}

bool TSCSIDevice::AllowMediumRemoval(bool Allow) {
    if (!Allow) return Run(mmc::PreventAllowMediumRemoval(false));
    TReleaseHandleScope releaseHandle;
    return Run(mmc::PreventAllowMediumRemoval(true));
}

bool TSCSIDevice::ReadFormatCapacities(std::uint32_t& Blocks, std::uint32_t& BlockLen) {
    alignas(8) std::array<std::uint8_t, mmc::kFormatCapacitiesLength> reply{};
    const bool ok = Run(mmc::ReadFormatCapacities(reply.data()));
    Blocks = ok ? SelectFormatCapacity(reply) : 0;
    BlockLen = kSectorSize;
    return ok;
}

bool TSCSIDevice::ReadCapacity(std::uint32_t& LastLba, std::uint32_t& BlockLen) {
    alignas(8) std::array<std::uint8_t, mmc::kReadCapacityLength> reply{};
    const bool ok = Run(mmc::ReadCapacity(reply.data()));
    const TReadCapacity capacity = DecodeReadCapacity(reply);
    LastLba = capacity.LastLba;
    BlockLen = capacity.BlockLength;
    return ok;
}

bool TSCSIDevice::ReadSectors(std::uint32_t Lba, std::uint16_t Count, std::uint32_t BufLen, void* Buf) {
    return Run(mmc::Read10(Lba, Count, BufLen, Buf));
}

bool TSCSIDevice::WriteSectors(std::uint32_t Lba, std::uint16_t Count, std::uint8_t Flags, std::uint32_t BufLen,
                               const void* Buf) {
    return Run(mmc::Write10(Lba, Count, Flags, BufLen, Buf));
}

bool TSCSIDevice::SynchronizeCache(int TimeoutMs, bool Immediate) {
    return Run(mmc::SynchronizeCache(TimeoutMs, Immediate));
}

bool TSCSIDevice::ReadTocPmaAtip(std::uint8_t Format, void* Buf, std::uint8_t Control, bool Msf, int TrackSession,
                                 int Len) {
    if (Len < 0 || Len > 255 || TrackSession < 0 || TrackSession > 255) {
        LastError = kRangeError;
        return false;
    }
    return Run(mmc::ReadTocPmaAtip(Format, Buf, Control, Msf, static_cast<std::uint8_t>(TrackSession),
                                   static_cast<std::uint8_t>(Len)));
}

bool TSCSIDevice::GetConfiguration(std::uint8_t RequestType, std::uint16_t StartFeature, std::uint16_t Len,
                                   void* Buf) {
    return Run(mmc::GetConfiguration(RequestType, StartFeature, Len, Buf));
}

bool TSCSIDevice::ReadDiscInformation(void* Buf, std::uint8_t Len) { return Run(mmc::ReadDiscInformation(Buf, Len)); }

bool TSCSIDevice::ReadTrackInformation(int Track) {
    if (Track < 0 || Track > 255) {
        LastError = kRangeError;
        return false;
    }
    alignas(8) std::array<std::uint8_t, mmc::kTrackInformationLength> reply{};
    const bool ok = Run(mmc::ReadTrackInformation(static_cast<std::uint8_t>(Track), reply.data()));
    TrackInfo = DecodeTrackInfo(reply);
    return ok;
}

bool TSCSIDevice::ReserveTrack(std::uint32_t Size) { return Run(mmc::ReserveTrack(Size)); }

bool TSCSIDevice::PerformOpcCommand() { return Run(mmc::SendOpcInformation()); }

bool TSCSIDevice::ModeSelect(const void* Data, std::uint16_t Len) { return Run(mmc::ModeSelect10(Data, Len)); }

bool TSCSIDevice::ModeSense(std::uint8_t Page, void* Buf, bool DefaultValues, std::uint16_t Len,
                            std::uint16_t ClearLen) {
    std::memset(Buf, 0, static_cast<std::size_t>(ClearLen) + 1);
    std::vector<std::uint8_t> reply(Len);
    const std::uint8_t pageByte = DefaultValues ? static_cast<std::uint8_t>(Page | page::kDefaultValues) : Page;
    if (!Run(mmc::ModeSense10(pageByte, reply.data(), Len))) return false;
    std::memcpy(Buf, reply.data(), Len);
    return true;
}

bool TSCSIDevice::CloseTrackOrSession(bool CloseTrack, bool Immediate, bool Finalize) {
    const std::uint8_t function = Finalize     ? close_fn::kCloseSessionFinalize
                                  : CloseTrack ? close_fn::kCloseTrack
                                               : close_fn::kCloseSession;
    return CloseTrackSession(Immediate, function, 0, 0,
                             CloseTrack ? static_cast<std::uint8_t>(close_fn::kIncompleteTrack) : 0x00);
}

bool TSCSIDevice::CloseTrackSession(bool Immediate, std::uint8_t CloseFunction, std::uint8_t B3, std::uint8_t B4,
                                    std::uint8_t B5) {
    return Run(mmc::CloseTrackSession(Immediate, CloseFunction, B3, B4, B5));
}

bool TSCSIDevice::ReadBufferCapacity(std::uint32_t& Size, std::uint32_t& Free) {
    alignas(8) std::array<std::uint8_t, mmc::kBufferCapacityLength> reply{};
    if (!Run(mmc::ReadBufferCapacity(reply.data()))) {
        deviceFreeBufferSize_ = 0;
        return false;
    }
    const TBufferCapacity capacity = DecodeBufferCapacity(reply);
    Size = capacity.Size;
    Free = capacity.Free;
    deviceBufferSize_ = Size;
    // Some drives cannot tell their blank length and send all ones.
    deviceFreeBufferSize_ = Free == 0xFFFFFFFF ? Size : Free;
    return true;
}

bool TSCSIDevice::Blank(std::uint8_t BlankType) { return Run(mmc::Blank(BlankType)); }

bool TSCSIDevice::SetStreaming(const void* Data, std::uint16_t Len) { return Run(mmc::SetStreaming(Data, Len)); }

bool TSCSIDevice::SetSpeed(std::uint16_t ReadKBps, std::uint16_t WriteKBps) {
    return Run(mmc::SetCdSpeed(ReadKBps, WriteKBps));
}

bool TSCSIDevice::SendDvdStructure(std::uint8_t Format, const void* Data, std::uint16_t Len) {
    return Run(mmc::SendDvdStructure(Format, Data, Len));
}

bool TSCSIDevice::SetStreamingSpeed(std::int32_t StartLba, std::int32_t EndLba, std::int32_t ReadSize,
                                    std::int32_t WriteSize, std::int32_t ReadTime, std::int32_t WriteTime) {
    // Performance descriptor of SET STREAMING (MMC-5 6.39.2.1); byte 0 with
    // WRC, RDD, Exact and RA all zero.
    alignas(8) std::array<std::uint8_t, 28> descriptor{};
    WriteMsb(&descriptor[4], StartLba);
    WriteMsb(&descriptor[8], EndLba);
    WriteMsb(&descriptor[12], ReadSize);
    WriteMsb(&descriptor[16], ReadTime);
    WriteMsb(&descriptor[20], WriteSize);
    WriteMsb(&descriptor[24], WriteTime);
    return SetStreaming(descriptor.data(), descriptor.size());
}

bool TSCSIDevice::SendTimeStamp(TDateTime When) {
    // Time stamp structure of SEND DVD STRUCTURE, format 0Fh (MMC-5
    // 6.38.3.6): length, four reserved bytes, then yyyymmddhhnnss.
    constexpr std::uint8_t kTimeStampFormat = 0x0F;
    const std::string stamp = FormatDateTime("yyyymmddhhnnss", When);
    alignas(8) std::array<std::uint8_t, 22> parameters{};
    WriteMsb<std::uint16_t>(&parameters[0], 0x0014);
    std::memcpy(&parameters[8], stamp.data(), std::min<std::size_t>(stamp.size(), 14));
    return SendDvdStructure(kTimeStampFormat, parameters.data(), parameters.size());
}

bool TSCSIDevice::HasVendorPage30() {
    alignas(8) std::array<std::uint8_t, 128> reply{};
    if (!ModeSense(page::kVendor30, reply.data(), false, reply.size(), reply.size() - 1)) return false;
    auto holds = [&](std::size_t at) { return (reply[at] & page::kPageCodeMask) == page::kVendor30; };
    return holds(16) || holds(8) || holds(7);
}

}  // namespace sorvane
