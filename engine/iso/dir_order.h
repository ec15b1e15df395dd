#pragma once
// Puts the directories into path-table order (ECMA-119 6.9.1): the root,
// then its subdirectories, then theirs, the children of a lower-numbered
// directory before those of a higher-numbered one and the children of one
// parent in ascending byte order of their ISO names. Every directory's
// Number is its 1-based position in that order; path table records refer to
// their parent by it, so a reader that walks the table relies on it.

#include <functional>
#include <string>
#include <vector>

#include "engine/project/project_tree.h"
#include "engine/rtl/component.h"

namespace sorvane {

enum class TDirSortKey {
    Number,         // Number
    Parent,         // Parent->Number
    LevelAndName,   // Level as four digits, a space, the name
    ParentAndName,  // Parent->Number as four digits, a space, the name
};

// The name bytes a directory is sorted by in one table.
using TSortName = std::function<const std::string&(const TDEntry*)>;

// Shell sort over indexes 1 .. size-1 (the root at index 0 never moves):
// halving gaps, and passes over each gap until one makes no swap. Then every
// directory's Number becomes its index + 1.
void SortDirs(std::vector<TDEntry*>& table, TDirSortKey key, const TSortName& name);

// True when the parents' numbers never decrease from index `from` on.
bool InParentOrder(const std::vector<TDEntry*>& table, std::size_t from);

// Sorts both tables of the project into path-table order, posting the
// progress lines through `debug`. Both tables end in the same order.
void OrderDirectories(TProjectTree& project, const TSortName& isoName, const TSortName& jolietName,
                      const TDebugSink& debug);

}  // namespace sorvane
