// GET CONFIGURATION (MMC-5 6.6): the profile list and the features of the
// model, each marked current when the medium in the tray uses it.

#include <algorithm>
#include <map>

#include "engine/rtl/endian.h"
#include "vdrive/drive.h"

namespace sorvane::vdrive {
namespace {

struct TFeature {
    std::uint16_t Code;
    bool Persistent;
    bool Current;
    std::vector<std::uint8_t> Data;  // additional data after the 4-byte header
};

}  // namespace

TReply TDrive::GetConfiguration(const TCommand& c) {
    if (!model_.GetConfiguration) return TReply::Check(sense::InvalidOpcode);
    int requestType = c.Cdb[1] & 0x03;
    std::uint16_t startingFeature = ReadMsb<std::uint16_t>(&c.Cdb[2]);
    std::size_t allocation = ReadMsb<std::uint16_t>(&c.Cdb[7]);
    if (requestType == 3) return TReply::Check(sense::InvalidFieldInCdb);

    using K = TMediumKind;
    auto in = [](const std::vector<K>& list, K k) { return std::find(list.begin(), list.end(), k) != list.end(); };
    auto reads = [&](K k) { return in(model_.Reads, k) || in(model_.Writes, k); };
    auto writes = [&](K k) { return in(model_.Writes, k); };
    bool loaded = medium_.Present() && !trayOpen_ && ReadsMedium();
    K kind = loaded ? medium_.Kind : K::None;
    auto is = [&](std::initializer_list<K> kinds) { return std::find(kinds.begin(), kinds.end(), kind) != kinds.end(); };
    bool cd = loaded && medium_.Traits().Cd;
    bool dvd = loaded && !medium_.Traits().Cd;
    std::uint8_t buf = model_.BufferUnderrunFree ? 0x40 : 0;
    std::uint8_t test = model_.TestWrite ? 0x04 : 0;

    std::vector<TFeature> features;
    // Profiles, newest first as drives list them.
    std::vector<std::uint8_t> profiles;
    static constexpr K kProfileOrder[] = {K::DvdPlusRDl, K::DvdPlusR, K::DvdPlusRw, K::DvdRw, K::DvdRwRestricted,
                                          K::DvdRam,     K::DvdR,     K::DvdRom,    K::CdRw,  K::CdR, K::CdRom};
    for (K k : kProfileOrder) {
        bool known = reads(k) || (k == K::DvdRwRestricted && reads(K::DvdRw)) || (k == K::DvdRw && reads(K::DvdRwRestricted));
        if (!known) continue;
        std::uint8_t d[4] = {0, 0, std::uint8_t(kind == k ? 1 : 0), 0};
        WriteMsb<std::uint16_t>(d, Traits(k).Profile);
        profiles.insert(profiles.end(), d, d + 4);
    }
    features.push_back({feature::ProfileList, true, true, profiles});
    features.push_back({feature::Core, true, true, {0, 0, 0, 2, 0x01, 0, 0, 0}});  // ATAPI, DBE
    features.push_back({feature::Morphing, true, true, {0x02, 0, 0, 0}});          // OCEvent
    features.push_back({feature::RemovableMedium, true, true, {0x29, 0, 0, 0}});   // tray, eject, lock
    {
        std::vector<std::uint8_t> d(8, 0);
        WriteMsb<std::uint32_t>(&d[0], kSectorSize);
        WriteMsb<std::uint16_t>(&d[4], dvd ? kEccBlock : 1);
        d[6] = 0x01;
        features.push_back({feature::RandomReadable, false, loaded, d});
    }
    if (reads(K::CdRw)) features.push_back({feature::MultiRead, false, cd, {}});
    if (reads(K::CdRom)) features.push_back({feature::CdRead, false, cd, {0, 0, 0, 0}});
    if (reads(K::DvdRom)) features.push_back({feature::DvdRead, false, dvd, {}});
    if (writes(K::DvdRam)) {
        std::vector<std::uint8_t> d(12, 0);
        WriteMsb<std::uint32_t>(&d[0], is({K::DvdRam}) ? medium_.Capacity - 1 : 0);
        WriteMsb<std::uint32_t>(&d[4], kSectorSize);
        WriteMsb<std::uint16_t>(&d[8], kEccBlock);
        d[10] = 0x01;
        features.push_back({feature::RandomWritable, false, is({K::DvdRam}), d});
    }
    if (writes(K::CdR) || writes(K::DvdR)) {
        bool dashCurrent = is({K::DvdR}) || (is({K::DvdRw}) && !medium_.MinimallyBlanked);
        bool current = is({K::CdR, K::CdRw}) || dashCurrent;
        std::vector<std::uint8_t> d(4, 0);
        WriteMsb<std::uint16_t>(&d[0], cd || !loaded ? 0x2501 : 0x0100);  // data block types 0, 8, 10, 13 or 8
        d[2] = buf ? 0x01 : 0;
        d[3] = 1;  // one link size
        d.push_back(dvd ? kEccBlock : 7);
        d.resize(8, 0);
        features.push_back({feature::IncrementalStreaming, false, current, d});
    }
    if (writes(K::DvdPlusRw) || writes(K::DvdRw) || writes(K::DvdRam) || writes(K::CdRw))
        features.push_back(
            {feature::Formattable, false, is({K::DvdPlusRw, K::DvdRw, K::DvdRwRestricted, K::DvdRam, K::CdRw}), {}});
    if (writes(K::DvdRam)) features.push_back({feature::DefectManagement, false, is({K::DvdRam}), {}});
    if (writes(K::DvdRwRestricted)) features.push_back({feature::RestrictedOverwrite, false, is({K::DvdRwRestricted}), {}});
    if (writes(K::CdRw)) features.push_back({feature::CdRwCavWrite, false, is({K::CdRw}), {0, 0, 0, 0}});
    if (reads(K::DvdPlusRw))
        features.push_back({feature::DvdPlusRw, false, is({K::DvdPlusRw}),
                            {std::uint8_t(writes(K::DvdPlusRw) ? 1 : 0), 0x02, 0, 0}});  // write, quick start
    if (reads(K::DvdPlusR))
        features.push_back({feature::DvdPlusR, false, is({K::DvdPlusR}), {std::uint8_t(writes(K::DvdPlusR) ? 1 : 0), 0, 0, 0}});
    if (writes(K::CdR)) {
        std::uint8_t cdrw = writes(K::CdRw) ? 0x02 : 0;
        features.push_back({feature::CdTrackAtOnce, false, is({K::CdR, K::CdRw}),
                            {std::uint8_t(buf | test | cdrw), 0, 0, 0}});
        features.push_back({feature::CdMastering, false, is({K::CdR, K::CdRw}),
                            {std::uint8_t(buf | 0x20 | test | cdrw), 0x00, 0x0F, 0x00}});
    }
    if (writes(K::DvdR))
        features.push_back({feature::DvdMinusRWrite, false, is({K::DvdR, K::DvdRw}),
                            {std::uint8_t(buf | test | (writes(K::DvdRw) ? 0x02 : 0)), 0, 0, 0}});
    if (reads(K::DvdPlusRDl))
        features.push_back(
            {feature::DvdPlusRDl, false, is({K::DvdPlusRDl}), {std::uint8_t(writes(K::DvdPlusRDl) ? 1 : 0), 0, 0, 0}});
    features.push_back({feature::PowerManagement, true, true, {}});
    features.push_back({feature::Timeout, true, true, {}});
    if (writes(K::DvdR) || writes(K::DvdPlusR) || writes(K::DvdRam))
        features.push_back({feature::RealTimeStreaming, false, dvd, {0x1F, 0, 0, 0}});

    std::map<std::uint16_t, std::uint8_t> versions(model_.FeatureVersions.begin(), model_.FeatureVersions.end());
    std::vector<std::uint8_t> d(8, 0);
    WriteMsb<std::uint16_t>(&d[6], loaded ? medium_.Traits().Profile : profile::None);
    for (const TFeature& f : features) {
        if (f.Code < startingFeature) continue;
        if (requestType == 1 && !f.Current) continue;
        if (requestType == 2 && f.Code != startingFeature) continue;
        std::uint8_t header[4] = {0, 0, 0, std::uint8_t(f.Data.size())};
        WriteMsb<std::uint16_t>(header, f.Code);
        header[2] = std::uint8_t((versions.count(f.Code) ? versions[f.Code] << 2 : 0) | (f.Persistent ? 0x02 : 0) |
                                 (f.Current ? 0x01 : 0));
        d.insert(d.end(), header, header + 4);
        d.insert(d.end(), f.Data.begin(), f.Data.end());
    }
    WriteMsb<std::uint32_t>(&d[0], std::uint32_t(d.size() - 4));
    return DataReply(std::move(d), allocation);
}

}  // namespace sorvane::vdrive
