#include <gtest/gtest.h>

#include "engine/orvo_burner.h"

namespace sorvane {
namespace {

TEST(Burner, ConstructorDefaults) {
    TOrvoBurner burner;
    EXPECT_EQ(burner.Version(), "1.23");
    burner.SetVersion("9.99");
    EXPECT_EQ(burner.Version(), "1.23");
    EXPECT_EQ(burner.CacheSize(), 4194304u);
    EXPECT_TRUE(burner.JolietFileSystem);
    EXPECT_TRUE(burner.WritePostGap);
    EXPECT_TRUE(burner.FinalizeTrack);
    EXPECT_TRUE(burner.UnderrunProtection);
    EXPECT_FALSE(burner.ReplaceFile());
    EXPECT_FALSE(burner.DoDebug);
    EXPECT_FALSE(burner.Erasing());
    EXPECT_FALSE(burner.ASPIInitialized());
    EXPECT_EQ(burner.HaId, 254);
    EXPECT_EQ(burner.TargetId, 254);
    EXPECT_EQ(burner.Lun, 254);
    EXPECT_EQ(burner.DirCount(), 0);
}

TEST(Burner, CacheSizeIsRoundedToSectorsWithATwoMebibyteFloor) {
    TOrvoBurner burner;
    burner.SetCacheSize(1000000);
    EXPECT_EQ(burner.CacheSize(), 2097152u);
    burner.SetCacheSize(3000000);
    EXPECT_EQ(burner.CacheSize(), 2998272u);
    burner.SetCacheSize(33554432);
    EXPECT_EQ(burner.CacheSize(), 33554432u);
}

TEST(Burner, ProjectEventsAndMessagesComeFromTheComponent) {
    TOrvoBurner burner;
    std::vector<std::pair<std::string, int>> messages;
    TSCSIDevice* messageSender = nullptr;
    burner.OnDebugMessage = [&](TSCSIDevice& s, const std::string& m, int t) {
        messageSender = &s;
        messages.emplace_back(m, t);
    };
    TOrvoBurner* addSender = nullptr;
    burner.OnAddFile = [&](TObject& s, const std::string&, std::string&, std::string&, TDateTime&, int, std::int64_t,
                           bool&) { addSender = dynamic_cast<TOrvoBurner*>(&s); };
    TSearchRec sr;
    sr.Name = "a.txt";
    EXPECT_TRUE(burner.AddFile(burner.FindDir("\\"), sr, 0, "/a.txt"));
    EXPECT_EQ(addSender, &burner);
    EXPECT_FALSE(burner.InsertFile("\\nowhere", "/a.txt", false));
    EXPECT_EQ(messageSender, &burner);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first, "INVALID DESTINATION PATH");
    burner.ReplaceFile();
    burner.SetReplaceFile(true);
    EXPECT_TRUE(burner.ReplaceFile());
    EXPECT_TRUE(burner.ResetProject());
    EXPECT_EQ(burner.FindFile(burner.FindDir("\\"), "a.txt"), nullptr);
}

}  // namespace
}  // namespace sorvane
