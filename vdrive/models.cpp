// The drive models shipped with the emulated recorder. Their identities are
// invented; their capabilities, speeds and quirks are those of typical drives
// of each class.

#include <array>

#include "vdrive/scsi.h"
#include "vdrive/vdrive.h"

namespace sorvane::vdrive {
namespace {

using K = TMediumKind;

// Every model answers INQUIRY with the same vendor; the name is the one the
// command line and the state file use.
TDriveModel Named(std::string name, std::string product, std::string revision) {
    TDriveModel m;
    m.Name = std::move(name);
    m.Vendor = "VIRTUAL";
    m.Product = std::move(product);
    m.Revision = std::move(revision);
    return m;
}

TDriveModel MakeMultiFormatWriter() {
    TDriveModel m = Named("dvd-multi", "DVD-RW VR-1650", "1.02");
    m.Reads = {K::CdRom, K::CdR, K::CdRw, K::DvdRom, K::DvdR, K::DvdRw, K::DvdRwRestricted,
               K::DvdPlusR, K::DvdPlusRDl, K::DvdPlusRw, K::DvdRam};
    m.Writes = {K::CdR, K::CdRw, K::DvdR, K::DvdRw, K::DvdRwRestricted, K::DvdPlusR, K::DvdPlusRDl, K::DvdPlusRw, K::DvdRam};
    m.BufferKB = 2048;
    m.MaxCdReadKBps = 8467;    // 48x
    m.MaxDvdReadKBps = 22160;  // 16x
    m.WriteSpeeds = {
        {K::CdR, {8467, 7056, 5645, 4234, 2822, 1411, 706}},
        {K::CdRw, {5645, 4234, 2822, 1764, 706}},
        {K::DvdR, {22160, 16620, 11080, 5540}},
        {K::DvdPlusR, {22160, 16620, 11080, 5540}},
        {K::DvdRw, {8310, 5540, 2770}},
        {K::DvdRwRestricted, {8310, 5540, 2770}},
        {K::DvdPlusRw, {11080, 5540, 3324}},
        {K::DvdPlusRDl, {11080, 5540, 3324}},
        {K::DvdRam, {6925, 4155, 2770}},
    };
    // An MMC-5 drive: the DVD-R/-RW write feature carries its DVD-RW bit.
    m.FeatureVersions = {{feature::Core, 2}, {feature::DvdMinusRWrite, 1}, {feature::RealTimeStreaming, 3}};
    return m;
}

TDriveModel MakeCdRwWriter() {
    TDriveModel m = Named("cd-rw", "CD-RW VR-5232", "2.10");
    m.Reads = {K::CdRom, K::CdR, K::CdRw, K::DvdRom};
    m.Writes = {K::CdR, K::CdRw};
    m.BufferKB = 2048;
    m.MaxCdReadKBps = 9172;   // 52x
    m.MaxDvdReadKBps = 11080;  // 8x
    m.WriteSpeeds = {
        {K::CdR, {9172, 7056, 5645, 4234, 2822, 1411}},
        {K::CdRw, {5645, 4234, 1764, 706}},
    };
    // An older MMC-3 combo drive: block descriptor in MODE SENSE replies and
    // its under-run protection announced in a vendor page.
    m.BlockDescriptor = true;
    m.VendorPage30 = true;
    return m;
}

TDriveModel MakeDvdRomReader() {
    TDriveModel m = Named("dvd-rom", "DVD-ROM VR-16", "0.98");
    m.Reads = {K::CdRom, K::CdR, K::CdRw, K::DvdRom, K::DvdR, K::DvdRw, K::DvdRwRestricted,
               K::DvdPlusR, K::DvdPlusRDl, K::DvdPlusRw};
    m.TestWrite = false;
    m.BufferUnderrunFree = false;
    m.BufferKB = 512;
    m.MaxCdReadKBps = 7056;
    m.MaxDvdReadKBps = 22160;
    m.BlockDescriptor = true;
    m.GetConfiguration = false;  // predates the command
    return m;
}

// A reading drive behind a USB bridge that passes on only what reading
// drives of old needed: no disc or track information, no format
// capacities, no buffer query.
TDriveModel MakeUsbBridgeReader() {
    TDriveModel m = MakeDvdRomReader();
    m.Name = "usb-reader";
    m.Product = "CD/DVD-ROM VR-8U";
    m.Revision = "1.00";
    m.GetConfiguration = true;
    m.ReadBufferCapacity = false;
    m.UnknownCommands = {op::ReadDiscInformation, op::ReadTrackInformation, op::ReadFormatCapacities};
    return m;
}

}  // namespace

const TDriveModel& MultiFormatWriter() {
    static const TDriveModel model = MakeMultiFormatWriter();
    return model;
}

const TDriveModel& CdRwWriter() {
    static const TDriveModel model = MakeCdRwWriter();
    return model;
}

const TDriveModel& DvdRomReader() {
    static const TDriveModel model = MakeDvdRomReader();
    return model;
}

const TDriveModel& UsbBridgeReader() {
    static const TDriveModel model = MakeUsbBridgeReader();
    return model;
}

const TDriveModel* FindModel(std::string_view name) {
    for (const TDriveModel* m : {&MultiFormatWriter(), &CdRwWriter(), &DvdRomReader(), &UsbBridgeReader()})
        if (m->Name == name) return m;
    return nullptr;
}

}  // namespace sorvane::vdrive
