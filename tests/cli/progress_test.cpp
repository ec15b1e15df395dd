// How the progress line of a recording, an image save and a copy from a
// disc reads.

#include <gtest/gtest.h>

#include "cli/progress.h"

namespace sorvane::cli {
namespace {

TEST(CliProgress, LineShowsSizesPercentFillAndTimes) {
    EXPECT_EQ(FormatProgress(0, 734003200, 0, 0), "    0.0 / 700.0 Mb    0%  read buffer   0%  elapsed 0:00  remaining -:--");
    EXPECT_EQ(FormatProgress(183500800, 734003200, 98, 12),
              "  175.0 / 700.0 Mb   25%  read buffer  98%  elapsed 0:12  remaining 0:36");
    EXPECT_EQ(FormatDuration(3723), "1:02:03");
    EXPECT_EQ(FormatProgress(734003200, 734003200, 0, 4000),
              "  700.0 / 700.0 Mb  100%  read buffer   0%  elapsed 1:06:40  remaining 0:00");
}

TEST(ExtractProgress, LineOfACopyFromADiscHasNoReadBufferColumn) {
    EXPECT_EQ(FormatProgress(1048576, 4 * 1048576, kNoReadBuffer, 3),
              "    1.0 / 4.0 Mb   25%  elapsed 0:03  remaining 0:09");
}

}  // namespace
}  // namespace sorvane::cli
