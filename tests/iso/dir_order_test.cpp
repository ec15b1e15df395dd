// The order of the directories: extents in creation order, path tables in
// path-table order, and the numbers path table records refer to.

#include <algorithm>
#include <map>
#include <random>

#include "engine/iso/dir_order.h"
#include "engine/rtl/endian.h"
#include "engine/rtl/format.h"
#include "tests/iso/iso_fixture.h"

namespace sorvane::test {
namespace {

class DirOrderTest : public IsoTest {
protected:
    std::vector<std::string> Paths(const std::vector<TDEntry*>& table) {
        std::vector<std::string> out;
        for (const TDEntry* d : table) out.push_back(d->Path);
        return out;
    }

    // Path-table order worked out independently: level by level, the
    // children of each directory in the order of their parents, sorted by
    // their recorded ISO names as unsigned bytes.
    std::vector<const TDEntry*> ExpectedOrder() {
        std::map<const TDEntry*, std::vector<const TDEntry*>> children;
        for (const auto& d : burner.Project().DirTable())
            if (d.get() != burner.Project().Root()) children[d->Parent].push_back(d.get());
        std::vector<const TDEntry*> order{burner.Project().Root()};
        for (std::size_t i = 0; i < order.size(); ++i) {
            auto kids = children[order[i]];
            std::sort(kids.begin(), kids.end(), [&](const TDEntry* a, const TDEntry* b) {
                return L().Names().Of(a).IsoName < L().Names().Of(b).IsoName;
            });
            order.insert(order.end(), kids.begin(), kids.end());
        }
        return order;
    }

    void ExpectPathTableOrder() {
        const auto expected = ExpectedOrder();
        const auto& iso = burner.Project().IsoDirOrder();
        const auto& joliet = burner.Project().JolietDirOrder();
        ASSERT_EQ(iso.size(), expected.size());
        for (std::size_t i = 0; i < iso.size(); ++i) {
            ASSERT_EQ(iso[i], expected[i]) << "position " << i;
            ASSERT_EQ(joliet[i], expected[i]) << "position " << i;
            ASSERT_EQ(iso[i]->Number, static_cast<int>(i) + 1);
        }
    }
};

TEST_F(DirOrderTest, ExtentsLieInCreationOrderWhilePathTablesListRootABC) {
    burner.CreateDir("\\B");
    burner.CreateDir("\\A");
    burner.CreateDir("\\A\\C");
    Build();
    const auto& table = burner.Project().DirTable();
    EXPECT_EQ(Paths({table[0].get(), table[1].get(), table[2].get(), table[3].get()}),
              (std::vector<std::string>{"\\", "\\B", "\\A", "\\A\\C"}));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(table[static_cast<std::size_t>(i)]->IsoSector, i);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(table[static_cast<std::size_t>(i)]->JolietSector, i);
    EXPECT_EQ(Paths(burner.Project().IsoDirOrder()), (std::vector<std::string>{"\\", "\\A", "\\B", "\\A\\C"}));
    EXPECT_EQ(Paths(burner.Project().JolietDirOrder()), Paths(burner.Project().IsoDirOrder()));
    EXPECT_EQ(burner.FindDir("\\A\\C")->Parent->Number, 2);

    // The L table as written: root, A, B, C with their extents and parents.
    const std::uint8_t* pt = At(L().PathTableL);
    const int dirArea = L().DirArea;
    struct Rec {
        int extent, parent;
        std::string name;
    } expected[] = {{dirArea, 1, std::string(1, '\0')}, {dirArea + 2, 1, "A"}, {dirArea + 1, 1, "B"}, {dirArea + 3, 2, "C"}};
    std::size_t at = 0;
    for (const Rec& r : expected) {
        ASSERT_EQ(pt[at], r.name.size());
        EXPECT_EQ(ReadLsb<std::uint32_t>(pt + at + 2), static_cast<std::uint32_t>(r.extent)) << r.name;
        EXPECT_EQ(ReadLsb<std::uint16_t>(pt + at + 6), r.parent) << r.name;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(pt + at + 8), r.name.size()), r.name);
        at += 8 + r.name.size() + r.name.size() % 2;
    }
    EXPECT_EQ(at, static_cast<std::size_t>(L().IsoPathTableSize));
    EXPECT_EQ(std::count(pt + at, pt + 2048, 0), static_cast<long>(2048 - at));
}

TEST_F(DirOrderTest, TheLoopSettlesOnPathTableOrderForRandomTrees) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        burner.ResetProject();
        std::mt19937 rng(seed);
        std::vector<std::string> paths{""};
        const int count = seed == 12 ? 3000 : 60 + static_cast<int>(seed) * 37;
        for (int i = 0; i < count; ++i) {
            const std::string& parent = paths[rng() % paths.size()];
            // Few distinct names, so that siblings compare on later bytes.
            const std::string name = std::string(1, static_cast<char>('a' + rng() % 4)) + std::to_string(rng() % 50);
            paths.push_back(parent + "\\" + name);
            burner.CreateDir(paths.back());
        }
        burner.LayoutFileSystem(true, nullptr);
        SCOPED_TRACE(seed);
        ExpectPathTableOrder();
    }
}

TEST_F(DirOrderTest, DeepChainsAndWideLevelsKeepEveryChildAfterItsParent) {
    std::string path;
    for (int depth = 0; depth < 150; ++depth) {
        path += Format("\\L%03d", 149 - depth);  // names falling as depth grows
        burner.CreateDir(path);
        burner.CreateDir(path + "\\zz");
    }
    burner.LayoutFileSystem(true, nullptr);
    ExpectPathTableOrder();
    EXPECT_EQ(messages.front().first, std::to_string(burner.Project().FileCount()) + " Files Added to CD, now sorting");
    EXPECT_EQ(messages.back().first, "Sorting .... Done");
}

TEST_F(DirOrderTest, NumbersBeyondFourDigitsStillOrderNumerically) {
    burner.ClearProject(65535, 20000);
    // 11,000 folders, then children under the last of them, whose parent
    // number has five digits.
    for (int i = 0; i < 11000; ++i) burner.CreateDir(Format("\\d%05d", i));
    burner.CreateDir("\\d10999\\b");
    burner.CreateDir("\\d00001\\a");
    burner.LayoutFileSystem(true, nullptr);
    ExpectPathTableOrder();
    const auto& order = burner.Project().IsoDirOrder();
    EXPECT_EQ(order.back()->Path, "\\D10999\\B");
}

TEST(DirOrder, SortsKeepTheRootFirstCompareUnsignedBytesAndLeaveSortedTablesAlone) {
    TDEntry root, a, b, c;
    root.Parent = &root;
    root.Level = 1;
    for (TDEntry* d : {&a, &b, &c}) d->Parent = &root;
    std::map<const TDEntry*, std::string> names{{&root, ""}, {&a, "\xC3\xA9"}, {&b, "Z"}, {&c, "A"}};
    const TSortName name = [&](const TDEntry* d) -> const std::string& { return names.at(d); };

    std::vector<TDEntry*> table{&root, &a, &b, &c};
    SortDirs(table, TDirSortKey::LevelAndName, name);
    EXPECT_EQ(table, (std::vector<TDEntry*>{&root, &c, &b, &a})) << "0xC3 sorts after 'Z'";
    EXPECT_EQ(a.Number, 4);
    EXPECT_EQ(root.Number, 1);

    // Equal keys in a table already in order: no swap, so the Joliet table
    // that just took the ISO order keeps it.
    std::vector<TDEntry*> same{&root, &a, &b, &c};
    SortDirs(same, TDirSortKey::Parent, name);
    EXPECT_EQ(same, (std::vector<TDEntry*>{&root, &a, &b, &c}));
    EXPECT_TRUE(InParentOrder(same, 0));

    std::vector<TDEntry*> one{&root, &b};
    SortDirs(one, TDirSortKey::ParentAndName, name);
    EXPECT_EQ(b.Number, 2);
}

}  // namespace
}  // namespace sorvane::test
