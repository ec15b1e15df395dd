#pragma once
// The image-file target: the stream's sectors written one after the other
// from sector 0 into a new file, which replaces any file of that name once
// it is complete (and only then: see TImageFile).
//
// One block goes out per write call, as to a drive. Longer writes would save
// system calls, but they make the system allocate the file's cache in large
// pieces, and where the host takes free memory back from the system (virtual
// machines) those pieces are slow to come by: 64 KiB writes measured several
// times faster there and no slower elsewhere.

#include <cstdint>
#include <string>

#include "engine/iso/image_file.h"
#include "engine/record/write_target.h"

namespace sorvane {

class TImageFileTarget final : public TWriteTarget {
public:
    // `expectedBytes` is the image's full length, reserved on the disk at
    // Open so that a disk too small fails at once rather than near the end.
    TImageFileTarget(std::string fileName, std::int64_t expectedBytes);

    std::string Open() override;
    std::string Write(std::int64_t sector, const std::uint8_t* data, std::uint32_t count,
                      const std::atomic<bool>& abortFlag) override;
    std::string Close(const std::string& error) override;

    std::int64_t BytesWritten() const { return file_.Position(); }

private:
    std::string fileName_;
    std::int64_t expectedBytes_;
    TImageFile file_;
};

}  // namespace sorvane
