#include "engine/iso/dir_order.h"

#include <algorithm>
#include <utility>


namespace sorvane {
namespace {

template <typename Key>
void ShellSort(std::vector<TDEntry*>& table, std::vector<Key>& keys) {
    if (table.size() < 2) return;
    const std::size_t last = table.size() - 1;
    std::size_t gap = last;
    while (gap > 1) {
        gap /= 2;
        bool swapped;
        do {
            swapped = false;
            for (std::size_t j = 1; j + gap <= last; ++j)
                if (keys[j] > keys[j + gap]) {
                    std::swap(keys[j], keys[j + gap]);
                    std::swap(table[j], table[j + gap]);
                    swapped = true;
                }
        } while (swapped);
    }
}

// The text key "NNNN name": a number written with leading zeros to a fixed
// width, a space, then the name, compared byte by byte. At a fixed width the
// digits order as the numbers do, and the space is common to all keys, so
// comparing the number and then the name bytes gives the same order without
// building the text. (Four digits hold every number of a project of the
// default size; a larger project would widen the field for all keys alike,
// which the integer comparison does by itself.)
struct TTextKey {
    int Prefix;
    const std::string* Name;
    bool operator>(const TTextKey& other) const {
        if (Prefix != other.Prefix) return Prefix > other.Prefix;
        return Name->compare(*other.Name) > 0;  // unsigned bytes
    }
};

}  // namespace

void SortDirs(std::vector<TDEntry*>& table, TDirSortKey key, const TSortName& name) {
    if (key == TDirSortKey::Number || key == TDirSortKey::Parent) {
        std::vector<int> keys(table.size());
        for (std::size_t i = 0; i < table.size(); ++i)
            keys[i] = key == TDirSortKey::Number ? table[i]->Number : table[i]->Parent->Number;
        ShellSort(table, keys);
    } else {
        std::vector<TTextKey> keys(table.size());
        for (std::size_t i = 0; i < table.size(); ++i) {
            const TDEntry* d = table[i];
            keys[i] = {key == TDirSortKey::LevelAndName ? d->Level : d->Parent->Number, &name(d)};
        }
        ShellSort(table, keys);
    }
    for (std::size_t i = 0; i < table.size(); ++i) table[i]->Number = static_cast<int>(i) + 1;
}

bool InParentOrder(const std::vector<TDEntry*>& table, std::size_t from) {
    int previous = 0;
    for (std::size_t i = from; i < table.size(); ++i) {
        if (table[i]->Parent->Number < previous) return false;
        previous = table[i]->Parent->Number;
    }
    return true;
}

void OrderDirectories(TProjectTree& project, const TSortName& isoName, const TSortName& jolietName,
                      const TDebugSink& debug) {
    const auto say = [&](const std::string& text) {
        if (debug) debug(text, mtInfo);
    };
    auto& iso = project.IsoDirOrder();
    auto& joliet = project.JolietDirOrder();

    // Both tables start sorted by name within their parents; the numbers
    // left behind by the Joliet sort seed the loop below.
    say(std::to_string(project.FileCount()) + " Files Added to CD, now sorting");
    say("Sorting .... ISO9660 LN-PN");
    SortDirs(iso, TDirSortKey::LevelAndName, isoName);
    SortDirs(iso, TDirSortKey::ParentAndName, isoName);
    say("Sorting .... Joliet  LN-PN");
    SortDirs(joliet, TDirSortKey::LevelAndName, jolietName);
    SortDirs(joliet, TDirSortKey::ParentAndName, jolietName);

    // Each round regroups the ISO table under the parents' current numbers
    // and renumbers; it settles when every directory follows all directories
    // of lower-numbered parents. The Joliet table then takes the same order.
    for (;;) {
        say("Sorting .... ISO9660");
        SortDirs(iso, TDirSortKey::Number, isoName);
        SortDirs(iso, TDirSortKey::Parent, isoName);
        SortDirs(iso, TDirSortKey::Number, isoName);
        SortDirs(iso, TDirSortKey::ParentAndName, isoName);
        if (!InParentOrder(iso, 1)) continue;
        say("Sorting .... Joliet");
        SortDirs(joliet, TDirSortKey::Number, jolietName);
        SortDirs(joliet, TDirSortKey::Parent, jolietName);
        if (InParentOrder(joliet, 0)) break;
    }
    say("Sorting .... Done");
}

}  // namespace sorvane
