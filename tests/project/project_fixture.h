#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/project/project_tree.h"

namespace sorvane::test {

// A tree with a recording debug channel and a sender to check events by.
class ProjectTreeTest : public testing::Test {
protected:
    ProjectTreeTest()
        : tree(sender, [this](const std::string& message, int mType) { messages.emplace_back(message, mType); }) {}

    static TSearchRec FileRec(const std::string& name, std::int64_t size = 100, std::int64_t time = 1100000000) {
        TSearchRec sr;
        sr.Name = name;
        sr.Size = size;
        sr.Time = time;
        sr.Attr = 0x20;
        return sr;
    }

    static TSearchRec DirRec(const std::string& name) {
        TSearchRec sr;
        sr.Name = name;
        sr.Attr = faDirectory;
        sr.Time = 1100000000;
        return sr;
    }

    std::vector<std::string> ListNames(const TDEntry* dir) const {
        std::vector<std::string> names;
        for (const TFEntry* e = dir->FirstEntry; e; e = e->Next) names.push_back(e->LongName);
        return names;
    }

    TObject sender;
    std::vector<std::pair<std::string, int>> messages;
    TProjectTree tree;
};

}  // namespace sorvane::test
