#pragma once
// The progress line of an erase on stderr (caption, estimated percentage,
// elapsed time), redrawn in place while stderr is a terminal. Shared by the
// erase command and by the recordings that erase the disc first.

#include <cstddef>
#include <string>

namespace sorvane::cli {

class TEraseProgress {
public:
    explicit TEraseProgress(std::string caption);
    void Draw(int percent, long long elapsedSeconds);
    // Ends the line, leaving its last state visible; nothing when none was
    // drawn.
    void Finish();

private:
    std::string caption_;
    const bool enabled_;
    std::size_t shown_ = 0;
};

}  // namespace sorvane::cli
