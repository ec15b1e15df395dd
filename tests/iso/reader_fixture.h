#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/iso/memory_disc.h"
#include "engine/iso/session_reader.h"
#include "engine/project/project_tree.h"

namespace sorvane::test {

// A project, a disc and a reader between them, with the messages kept.
class ReaderTest : public testing::Test {
protected:
    ReaderTest() : tree(sender, Sink()) {}

    TDebugSink Sink() {
        return [this](const std::string& message, int mType) { messages.emplace_back(message, mType); };
    }
    TSessionReader Reader(TDiscSource& source) { return TSessionReader(source, tree, Sink()); }

    bool Posted(const std::string& text, int mType) const {
        for (const auto& [message, type] : messages)
            if (type == mType && message.find(text) != std::string::npos) return true;
        return false;
    }
    int CountPosted(const std::string& text) const {
        int n = 0;
        for (const auto& m : messages) n += m.first.find(text) != std::string::npos;
        return n;
    }
    std::vector<std::string> Names(const TDEntry* dir) const {
        std::vector<std::string> names;
        for (const TFEntry* e = dir->FirstEntry; e; e = e->Next) names.push_back(e->LongName);
        return names;
    }
    TFEntry* File(const std::string& dirPath, const std::string& name) const {
        return tree.FindFile(tree.FindDir(dirPath), name);
    }

    TObject sender;
    std::vector<std::pair<std::string, int>> messages;
    TProjectTree tree;
};

}  // namespace sorvane::test
