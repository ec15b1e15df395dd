// Sector plans of whole volumes and the bytes the layout writes at the
// sectors it planned.

#include <algorithm>

#include "engine/iso/directory_record.h"
#include "engine/rtl/endian.h"
#include "engine/rtl/format.h"
#include "tests/iso/golden.h"
#include "tests/iso/iso_fixture.h"

namespace sorvane::test {
namespace {

class LayoutTest : public IsoTest {
protected:
    const TAreaPlan* Find(TArea area) const {
        for (const TAreaPlan& a : burner.Layout().Plan)
            if (a.Area == area) return &a;
        return nullptr;
    }
    std::int64_t First(TArea area) const { return Find(area) ? Find(area)->FirstSector : -1; }
    std::int64_t Count(TArea area) const { return Find(area) ? Find(area)->Sectors : -1; }

    // The record named `name` in the extent starting at `sector` of `bytes`
    // bytes, or nullptr.
    const std::uint8_t* Record(std::int64_t sector, std::int64_t bytes, const std::string& name) const {
        const std::uint8_t* p = At(sector);
        for (std::int64_t at = 0; at < bytes;) {
            const std::uint8_t length = p[at];
            if (length == 0) {
                at = (at / 2048 + 1) * 2048;
                continue;
            }
            if (std::string(reinterpret_cast<const char*>(p + at + 33), p[at + 32]) == name) return p + at;
            at += length;
        }
        return nullptr;
    }
    static std::uint32_t Extent(const std::uint8_t* record) { return ReadLsb<std::uint32_t>(record + 2); }
    static std::uint32_t Length(const std::uint8_t* record) { return ReadLsb<std::uint32_t>(record + 10); }

    std::string BootImage(std::size_t bytes) { return tmp.Write("boot.img", std::string(bytes, '\xB0')); }

    TTempDir tmp;
};

TEST_F(LayoutTest, EmptyFirstSessionWithJolietTakes150Sectors) {
    Build();
    EXPECT_EQ(First(TArea::PrimaryDescriptor), 16);
    EXPECT_EQ(First(TArea::JolietDescriptor), 17);
    EXPECT_EQ(First(TArea::Terminator), 18);
    EXPECT_EQ(L().PathTableL, 19);
    EXPECT_EQ(L().PathTableM, 20);
    EXPECT_EQ(L().JolietPathTableL, 21);
    EXPECT_EQ(L().JolietPathTableM, 22);
    EXPECT_EQ(L().DirArea, 23);
    EXPECT_EQ(L().JolietDirArea, 24);
    EXPECT_EQ(First(TArea::Pad), 25);
    EXPECT_EQ(L().PadSectors, 125);
    EXPECT_EQ(L().FirstFileSector, 150);
    EXPECT_EQ(L().EndAddress, 150);
    EXPECT_EQ(burner.ImageSectors(), 150);
    EXPECT_EQ(burner.GetImageSize(), 300);
    burner.WritePostGap = false;
    EXPECT_EQ(burner.GetImageSize(), 150);

    // Without a boot image the pad is part of the header stream.
    EXPECT_EQ(burner.HeaderStream().Size(), 150u * 2048);
    EXPECT_EQ(L().HeaderBufferLength, 19 * 2048);
    ASSERT_EQ(L().HeaderBuffer.size(), 65537u);
    EXPECT_TRUE(std::equal(L().HeaderBuffer.begin(), L().HeaderBuffer.begin() + 19 * 2048, burner.HeaderStream().Data()));
    EXPECT_TRUE(std::all_of(L().HeaderBuffer.begin() + 19 * 2048, L().HeaderBuffer.end(), [](auto b) { return b == 0xFF; }));
    EXPECT_EQ(Sector(17)[0], 2);
    EXPECT_EQ(Sector(18)[0], 255);
    EXPECT_TRUE(burner.DoDebug) << "the build turns the debug switch back on";
}

TEST_F(LayoutTest, EmptyVolumeWithoutJolietHasNoSupplementaryDescriptor) {
    burner.JolietFileSystem = false;
    Build();
    EXPECT_EQ(First(TArea::Terminator), 17);
    EXPECT_EQ(L().PathTableL, 18);
    EXPECT_EQ(L().PathTableM, 19);
    EXPECT_EQ(L().DirArea, 20);
    EXPECT_EQ(Find(TArea::JolietDescriptor), nullptr);
    EXPECT_EQ(Find(TArea::JolietDirectories), nullptr);
    EXPECT_EQ(L().PadSectors, 129);
    EXPECT_EQ(Sector(17)[0], 255);
    const auto pvd = Sector(16);
    EXPECT_EQ(pvd[88] | pvd[89] | pvd[90], 0);
    EXPECT_EQ(L().HeaderBufferLength, 18 * 2048);
}

TEST_F(LayoutTest, EmptyDirectoryExtentHoldsOnlyDotAndDotDot) {
    burner.CreateDir("\\Empty");
    Build();
    const TDEntry* empty = burner.FindDir("\\Empty");
    EXPECT_EQ(empty->IsoSize, 2048);
    const auto extent = Sector(L().DirArea + empty->IsoSector);
    EXPECT_EQ(extent[0], 34);
    EXPECT_EQ(extent[34], 34);
    EXPECT_TRUE(std::all_of(extent.begin() + 68, extent.end(), [](auto b) { return b == 0; }));
    // "." is this extent, ".." the root's.
    EXPECT_EQ(Extent(extent.data()), static_cast<std::uint32_t>(L().DirArea + empty->IsoSector));
    EXPECT_EQ(Extent(extent.data() + 34), static_cast<std::uint32_t>(L().DirArea));
    EXPECT_EQ(extent[33], 0x00);
    EXPECT_EQ(extent[34 + 33], 0x01);
    // The root is its own parent.
    const auto root = Sector(L().DirArea);
    EXPECT_EQ(Extent(root.data() + 34), static_cast<std::uint32_t>(L().DirArea));
}

TEST_F(LayoutTest, RecordLengthsAndFileSectorsAsWritten) {
    AddFile("\\", "readme.txt", 5000);
    AddFile("\\", "empty.dat", 0);
    AddFile("\\Docs", "b.bin", 4097, "/nonexistent", faArchive | faHidden);
    Build();
    const TDEntry* root = burner.Project().Root();
    const std::uint8_t* iso = Record(L().DirArea, root->IsoSize, "README.TXT;1");
    const std::uint8_t* joliet = Record(L().JolietDirArea, root->JolietSize, Ucs2("readme.txt;1"));
    ASSERT_TRUE(iso && joliet);
    EXPECT_EQ(iso[0], 46);
    EXPECT_EQ(joliet[0], 58);
    EXPECT_EQ(Extent(iso), 150u);
    EXPECT_EQ(Extent(joliet), 150u);
    EXPECT_EQ(Length(iso), 5000u);

    // A zero-length file takes no sector and is recorded at sector 0.
    const std::uint8_t* empty = Record(L().DirArea, root->IsoSize, "EMPTY.DAT;1");
    const std::uint8_t* emptyJ = Record(L().JolietDirArea, root->JolietSize, Ucs2("empty.dat;1"));
    ASSERT_TRUE(empty && emptyJ);
    EXPECT_EQ(Extent(empty) | Length(empty) | Extent(emptyJ) | Length(emptyJ), 0u);

    const std::uint8_t* docs = Record(L().DirArea, root->IsoSize, "DOCS");
    ASSERT_TRUE(docs);
    EXPECT_EQ(docs[0], 38);
    EXPECT_EQ(docs[25], kFlagDirectory);
    const TDEntry* d = burner.FindDir("\\Docs");
    const std::uint8_t* bin = Record(L().DirArea + d->IsoSector, d->IsoSize, "B.BIN;1");
    ASSERT_TRUE(bin);
    EXPECT_EQ(Extent(bin), 150u + 3) << "after readme.txt's three sectors";
    EXPECT_EQ(bin[25], kFlagHidden);
    EXPECT_EQ(L().EndAddress, 150 + 3 + 3);
    // The record's date carries the time-zone offset: one hour east, 4 units.
    EXPECT_EQ(bin[24], 4);
    EXPECT_EQ(At(L().DirArea)[24], 4);
}

TEST_F(LayoutTest, PathTablesHoldTheRootFirstInBothByteOrders) {
    burner.CreateDir("\\Docs");
    burner.CreateDir("\\ABC");
    Build();
    // One directory below the root is 12 bytes: DOCS (8 + 4), ABC (8 + 3 + pad).
    EXPECT_EQ(L().IsoPathTableSize, 10 + 12 + 12);
    EXPECT_EQ(L().JolietPathTableSize, 10 + 16 + 14);
    const std::uint8_t* m = At(L().PathTableM);
    EXPECT_EQ(std::vector<std::uint8_t>(m, m + 10),
              (std::vector<std::uint8_t>{1, 0, 0, 0, 0, static_cast<std::uint8_t>(L().DirArea), 0, 1, 0, 0}));
    const std::uint8_t* jm = At(L().JolietPathTableM);
    EXPECT_EQ(ReadMsb<std::uint32_t>(jm + 2), static_cast<std::uint32_t>(L().JolietDirArea));
    // "ABC" sorts first; its extent is the second of the creation order.
    EXPECT_EQ(ReadMsb<std::uint32_t>(m + 12), static_cast<std::uint32_t>(L().DirArea + 2));
    EXPECT_EQ(ReadMsb<std::uint16_t>(m + 16), 1);
}

TEST_F(LayoutTest, ARenamedFolderCarriesItsNewNameInPathTablesAndRecordsAlike) {
    burner.CreateDir("\\Old");
    ASSERT_TRUE(burner.RenameEntry("\\", "Old", "New name", "NEW"));
    Build();
    const std::uint8_t* l = At(L().PathTableL) + 10;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l + 8), l[0]), "NEW");
    const std::uint8_t* jl = At(L().JolietPathTableL) + 10;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(jl + 8), jl[0]), Ucs2("New name"));
    const TDEntry* root = burner.Project().Root();
    EXPECT_TRUE(Record(L().DirArea, root->IsoSize, "NEW"));
    EXPECT_TRUE(Record(L().JolietDirArea, root->JolietSize, Ucs2("New name")));
}

TEST_F(LayoutTest, RecordsThatFillASectorExactlyStayAndOneMoreMovesToTheNextSector) {
    // 18 records of 110 bytes fill the 1980 bytes after "." and "..": ISO
    // names of 77 bytes ("F00" + 70 + ".TXT;1" less the version: 75 + 2).
    for (int i = 0; i < 18; ++i) AddFile("\\Iso", Format("F%02d", i) + std::string(68, 'x') + ".txt", 1);
    // Joliet records of 110 bytes: 38 units with ";1".
    for (int i = 0; i < 18; ++i) AddFile("\\Joliet", Format("j%02d", i) + std::string(29, 'y') + ".txt", 1);
    Build();
    EXPECT_EQ(burner.FindDir("\\Iso")->IsoSize, 2048);
    EXPECT_EQ(burner.FindDir("\\Joliet")->JolietSize, 2048);

    burner.ResetProject();
    for (int i = 0; i < 17; ++i) AddFile("\\Iso", Format("F%02d", i) + std::string(68, 'x') + ".txt", 1);
    AddFile("\\Iso", "F17" + std::string(70, 'x') + ".txt", 1);  // two bytes more
    Build();
    const TDEntry* iso = burner.FindDir("\\Iso");
    EXPECT_EQ(iso->IsoSize, 4096);
    const std::uint8_t* second = At(L().DirArea + iso->IsoSector + 1);
    EXPECT_EQ(second[0], 112) << "the last record opens the second sector";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(second + 33), 3), "F17");
    const std::uint8_t* first = At(L().DirArea + iso->IsoSector);
    EXPECT_TRUE(std::all_of(first + 68 + 17 * 110, first + 2048, [](auto b) { return b == 0; }));
}

TEST_F(LayoutTest, BootableVolumeWithADisketteImageNeedsNoPad) {
    L().BootImageFile = BootImage(1474560);
    L().MakeBootable = true;
    Build();
    EXPECT_EQ(First(TArea::BootRecordDescriptor), 17);
    EXPECT_EQ(First(TArea::JolietDescriptor), 18);
    EXPECT_EQ(L().DirArea, 24);
    EXPECT_EQ(L().BootCatalogSector, 26);
    EXPECT_EQ(L().BootImageSector, 27);
    EXPECT_EQ(L().BootImageSectors, 720);
    EXPECT_EQ(Find(TArea::Pad), nullptr);
    EXPECT_LE(L().PadSectors, 0);
    EXPECT_EQ(L().FirstFileSector, 747);
    // The header stream ends with the catalog; image, pad and files follow it.
    EXPECT_EQ(burner.HeaderStream().Size(), 27u * 2048);
    EXPECT_EQ(ReadLsb<std::uint32_t>(At(17) + 71), 26u);
    const std::uint8_t* catalog = At(26);
    EXPECT_EQ(catalog[33], 2);
    EXPECT_EQ(ReadLsb<std::uint32_t>(catalog + 40), 27u);
}

TEST_F(LayoutTest, BootableVolumeWithASmallImagePadsAfterTheImage) {
    L().BootImageFile = BootImage(4 * 2048 - 100);
    L().MakeBootable = true;
    AddFile("\\", "a.txt", 1);
    Build();
    EXPECT_EQ(L().BootImageSectors, 4);
    EXPECT_EQ(First(TArea::BootImage), 27);
    EXPECT_EQ(First(TArea::Pad), 31);
    EXPECT_EQ(L().PadSectors, 119);
    EXPECT_EQ(L().FirstFileSector, 150);
    EXPECT_EQ(At(26)[33], 4) << "an odd-sized image boots as a hard disk";
}

TEST_F(LayoutTest, AMissingBootImageMakesAPlainVolume) {
    L().BootImageFile = tmp / "missing.img";
    L().MakeBootable = true;
    Build();
    EXPECT_FALSE(L().MakeBootable);
    EXPECT_EQ(First(TArea::JolietDescriptor), 17);
    EXPECT_EQ(Find(TArea::BootCatalog), nullptr);
    L().BootImageFile = "";
    L().MakeBootable = true;
    Build();
    EXPECT_FALSE(L().MakeBootable);
}

TEST_F(LayoutTest, ASessionAtSector20000StartsItsDescriptorsThereAndKeepsImportedFiles) {
    L().Building = true;
    L().ImportSessionNumber = 0xFFFF;
    int importedNumber = 0;
    L().DiscHooks.DiscKind = [] { return std::int16_t{2}; };
    L().DiscHooks.GetNextWritableAddress = [](int& start) {
        start = 20000;
        return true;
    };
    L().DiscHooks.ImportSession = [&](int number, TDEntry* into) {
        importedNumber = number;
        TSearchRec sr;
        sr.Name = "old.txt";
        sr.Size = 3000;
        sr.Time = 1100000000;
        burner.AddFile(into ? into : burner.Project().Root(), sr, 500, "");
    };
    AddFile("\\", "new.txt", 3000);
    burner.LayoutFileSystem(false, nullptr);
    burner.BuildFileSystemStream(false, nullptr);
    EXPECT_EQ(importedNumber, 255);
    EXPECT_EQ(L().DiscKind, 2);
    EXPECT_EQ(L().StartAddress, 20000);
    EXPECT_EQ(First(TArea::PrimaryDescriptor), 20016);
    EXPECT_EQ(Find(TArea::Pad), nullptr);
    EXPECT_EQ(L().FirstFileSector, L().JolietDirArea + 1);
    EXPECT_EQ(L().EndAddress, L().FirstFileSector + 2);
    EXPECT_EQ(L().ImageSectors, L().EndAddress - 20000);
    const TDEntry* root = burner.Project().Root();
    const std::uint8_t* old = Record(L().DirArea, root->IsoSize, "OLD.TXT;1");
    const std::uint8_t* added = Record(L().DirArea, root->IsoSize, "NEW.TXT;1");
    ASSERT_TRUE(old && added);
    EXPECT_EQ(Extent(old), 500u);
    EXPECT_EQ(Extent(added), static_cast<std::uint32_t>(L().FirstFileSector));
    EXPECT_EQ(ReadLsb<std::uint32_t>(At(20016) + 80), static_cast<std::uint32_t>(L().EndAddress));
}

TEST_F(LayoutTest, DiscLayoutFallsBackToSectorZeroWhenTheDriveCannotTell) {
    L().Building = true;
    L().DiscHooks.GetNextWritableAddress = [](int& start) {
        start = 1234;
        return false;
    };
    burner.LayoutFileSystem(false, nullptr);
    EXPECT_EQ(L().StartAddress, 0);
    EXPECT_TRUE(std::count(messages.begin(), messages.end(),
                           std::make_pair(std::string(">>> ERROR GETTING NEXT WRITABLE ADDRESS"), 0)));

    L().DiscHooks.GetNextWritableAddress = [](int& start) {
        start = static_cast<int>(0xFF000001u);
        return true;
    };
    burner.LayoutFileSystem(false, nullptr);
    EXPECT_EQ(L().StartAddress, 0) << "an implausible address is taken as 0";

    // Not building (the wizard's size check), and an image file: no drive.
    L().Building = false;
    bool asked = false;
    L().DiscHooks.GetNextWritableAddress = [&](int&) { return asked = true; };
    burner.LayoutFileSystem(false, nullptr);
    L().Building = true;
    burner.LayoutFileSystem(true, nullptr);
    EXPECT_FALSE(asked);
}

TEST_F(LayoutTest, AreaListingNamesEverySectorWhenDebugIsOnDuringThePlan) {
    // The listing shows when the debug switch is on while the areas are
    // planned, which the layout itself turns off first; a disc step may
    // turn it on again.
    L().ImportSessionNumber = 1;
    L().DiscHooks.ImportSession = [&](int, TDEntry*) { burner.DoDebug = true; };
    burner.LayoutFileSystem(false, nullptr);
    EXPECT_TRUE(Said(" Primary Volume Descriptor Location   :00000016"));
    EXPECT_TRUE(Said(" Path Table Records Location (Most)  J:00000022"));
    EXPECT_TRUE(Said(" File and Directory Record Location  J:00000024"));
    EXPECT_TRUE(Said(" First File Location                  :00000150"));
    messages.clear();
    L().DiscHooks.ImportSession = nullptr;
    burner.LayoutFileSystem(false, nullptr);
    EXPECT_FALSE(Said("Location"));
}

// The sectors every structure claims in the plan are exactly the bytes its
// writer produces, and the built stream holds each at its planned sector.
TEST_F(LayoutTest, EveryWriterFillsExactlyTheSectorsThePlanGaveIt) {
    struct Case {
        const char* what;
        bool joliet;
        bool bootable;
        int dirs;
        int files;
    } cases[] = {
        {"empty", true, false, 0, 0},
        {"no Joliet", false, false, 40, 300},
        {"bootable", true, true, 10, 50},
        {"large", true, false, 900, 4000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        burner.ResetProject();
        burner.JolietFileSystem = c.joliet;
        L().BootImageFile = BootImage(5000);
        L().MakeBootable = c.bootable;
        for (int d = 0; d < c.dirs; ++d) burner.CreateDir(Format("\\Group %d\\Folder with a longer name %d", d % 7, d));
        for (int f = 0; f < c.files; ++f)
            AddFile(c.dirs ? Format("\\Group %d\\Folder with a longer name %d", f % 7, f % c.dirs) : "\\",
                    Format("file number %d.txt", f), f % 5 == 0 ? 0 : 1000 * f);
        Build();
        const std::vector<std::uint8_t> built(burner.HeaderStream().Data(),
                                              burner.HeaderStream().Data() + burner.HeaderStream().Size());

        const auto writerOf = [&](TArea area) -> std::function<void()> {
            switch (area) {
                case TArea::PrimaryDescriptor: return [&] { burner.WritePrimaryDescriptor(); };
                case TArea::BootRecordDescriptor: return [&] { burner.WriteBootRecordDescriptor(); };
                case TArea::JolietDescriptor: return [&] { burner.WriteJolietDescriptor(); };
                case TArea::Terminator: return [&] { burner.WriteTerminatorDescriptor(); };
                case TArea::IsoPathTableL: return [&] { burner.WriteIsoPathTable(L().DirArea, false); };
                case TArea::IsoPathTableM: return [&] { burner.WriteIsoPathTable(L().DirArea, true); };
                case TArea::JolietPathTableL: return [&] { burner.WriteJolietPathTable(L().JolietDirArea, false); };
                case TArea::JolietPathTableM: return [&] { burner.WriteJolietPathTable(L().JolietDirArea, true); };
                case TArea::IsoDirectories: return [&] { burner.WriteIsoDirectories(L().DirArea, L().FirstFileSector); };
                case TArea::JolietDirectories:
                    return [&] { burner.WriteJolietDirectories(L().JolietDirArea, L().FirstFileSector); };
                case TArea::BootCatalog: return [&] { burner.WriteBootCatalog(); };
                default: return nullptr;  // data that is not part of the header
            }
        };
        std::int64_t headerEnd = 16;
        for (const TAreaPlan& area : L().Plan) {
            const auto write = writerOf(area.Area);
            if (!write) continue;
            burner.HeaderStream().Clear();
            write();
            const std::size_t size = burner.HeaderStream().Size();
            EXPECT_EQ(size, static_cast<std::size_t>(area.Sectors) * 2048) << "area " << static_cast<int>(area.Area);
            const std::size_t offset = static_cast<std::size_t>(area.FirstSector - L().StartAddress) * 2048;
            ASSERT_LE(offset + size, built.size());
            EXPECT_TRUE(std::equal(built.begin() + static_cast<long>(offset), built.begin() + static_cast<long>(offset + size),
                                   burner.HeaderStream().Data()))
                << "area " << static_cast<int>(area.Area);
            headerEnd = std::max(headerEnd, area.FirstSector + area.Sectors);
        }
        // The pad ends the header only when there is no boot image.
        const std::int64_t end = c.bootable ? headerEnd : L().FirstFileSector;
        EXPECT_EQ(built.size(), static_cast<std::size_t>(end - L().StartAddress) * 2048);
        // Each directory's extent is as long as the layout sized it.
        for (const auto& d : burner.Project().DirTable()) {
            burner.HeaderStream().Clear();
            burner.Layout().WriteIsoDirectory(d.get(), L().DirArea, L().FirstFileSector);
            EXPECT_EQ(static_cast<std::int64_t>(burner.HeaderStream().Size()), d->IsoSize);
        }
        // Files follow each other from the first file sector without gaps.
        std::int64_t next = 0;
        for (const auto& e : burner.Project().FileTable()) {
            if (e->IsDirectory() || e->IsoSize == 0) continue;
            EXPECT_EQ(e->IsoSector, next);
            next += (e->IsoSize + 2047) / 2048;
        }
        EXPECT_EQ(L().EndAddress, L().FirstFileSector + next);
    }
}

}  // namespace
}  // namespace sorvane::test
