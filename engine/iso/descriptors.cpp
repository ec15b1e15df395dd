#include "engine/iso/descriptors.h"

#include <cstring>
#include <string>

#include "engine/iso/iso_text.h"
#include "engine/rtl/text.h"

namespace sorvane {
namespace {

constexpr std::uint16_t kSectorSize = 2048;

template <std::size_t N>
void Put(std::uint8_t (&field)[N], const std::string& text) {
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

template <std::size_t N, std::size_t M>
void Put(std::uint8_t (&field)[N], const std::array<std::uint8_t, M>& bytes) {
    static_assert(M <= N);
    std::memcpy(field, bytes.data(), M);
}

// Everything the two descriptors share: numbers, addresses, the root record,
// the unset dates and the application use area.
TVolumeDescriptor CommonDescriptor(std::uint8_t type, const TTreeAddresses& tree) {
    TVolumeDescriptor d{};
    d.Type = type;
    std::memcpy(d.StandardId, kStandardId, sizeof kStandardId);
    d.Version = 1;
    d.VolumeSpaceSize = tree.VolumeSpaceSize;
    d.VolumeSetSize = 1;
    d.VolumeSequenceNumber = 1;
    d.LogicalBlockSize = kSectorSize;
    d.PathTableSize = tree.PathTableSize;
    d.PathTableL = tree.PathTableL;
    d.PathTableM = tree.PathTableM;

    // The root's record inside the descriptor carries no date.
    d.RootRecord.Length = IsoRecordLength(1);
    d.RootRecord.Extent = tree.RootExtent;
    d.RootRecord.DataLength = tree.RootSize;
    d.RootRecord.Flags = kFlagDirectory;
    d.RootRecord.VolumeSequenceNumber = 1;
    d.RootRecord.NameLength = 1;
    d.RootName = kSelfName;

    Put(d.ExpirationDate, UnsetDescriptorDate());
    Put(d.EffectiveDate, UnsetDescriptorDate());
    d.FileStructureVersion = 1;
    // Eight spaces at byte 1024 of the descriptor.
    std::memset(d.ApplicationUse + (1024 - offsetof(TVolumeDescriptor, ApplicationUse)), ' ', 8);
    return d;
}

}  // namespace

TVolumeDescriptor EncodePrimaryDescriptor(const TVolumeProperties& v, const TTreeAddresses& tree, TDateTime now) {
    TVolumeDescriptor d = CommonDescriptor(kPrimaryType, tree);
    Put(d.SystemId, StrToPadded(UpperCase(v.IdSystem), 32));
    Put(d.VolumeId, StrToPadded(UpperCase(v.IdVolume), 32));
    Put(d.VolumeSetId, StrToPadded(UpperCase(v.IdVolumeSet), 128));
    Put(d.PublisherId, StrToPadded(UpperCase(v.IdPublisher), 128));
    Put(d.PreparerId, StrToPadded(UpperCase(v.IdPreparer), 128));
    Put(d.ApplicationId, StrToPadded(UpperCase(v.IdApplication), 128));
    Put(d.CopyrightFileId, StrToPadded(UpperCase(v.FileCopyright), 37));
    Put(d.AbstractFileId, StrToPadded(UpperCase(v.FileAbstract), 37));
    Put(d.BibliographicFileId, StrToPadded(UpperCase(v.FileBibliographic), 37));
    Put(d.CreationDate, DescriptorDate(now));
    Put(d.ModificationDate, DescriptorDate(now));
    return d;
}

TVolumeDescriptor EncodeJolietDescriptor(const TVolumeProperties& v, const TTreeAddresses& tree) {
    TVolumeDescriptor d = CommonDescriptor(kSupplementaryType, tree);
    Put(d.SystemId, StrToUCS2BE(v.IdSystem, 32));
    Put(d.VolumeId, StrToUCS2BE(v.IdVolume, 32));
    std::memcpy(d.EscapeSequences, kJolietEscape, sizeof kJolietEscape);
    Put(d.VolumeSetId, StrToUCS2BE(v.IdVolumeSet, 128));
    Put(d.PublisherId, StrToUCS2BE(v.IdPublisher, 128));
    Put(d.PreparerId, StrToUCS2BE(v.IdPreparer, 128));
    Put(d.ApplicationId, StrToUCS2BE(v.IdApplication, 128));
    // 18 UCS-2 characters; the 37th byte stays zero.
    Put(d.CopyrightFileId, StrToUCS2BE(v.FileCopyright, 36));
    Put(d.AbstractFileId, StrToUCS2BE(v.FileAbstract, 36));
    Put(d.BibliographicFileId, StrToUCS2BE(v.FileBibliographic, 36));
    Put(d.CreationDate, DescriptorDate(v.DateCreation));
    Put(d.ModificationDate, DescriptorDate(v.DateModification));
    return d;
}

TVolumeDescriptorSetTerminator EncodeTerminatorDescriptor() {
    TVolumeDescriptorSetTerminator t{};
    t.Type = kTerminatorType;
    std::memcpy(t.StandardId, kStandardId, sizeof kStandardId);
    t.Version = 1;
    return t;
}

}  // namespace sorvane
