#pragma once
// Made-up kernel answers for the built-in pass-through layer: optical drive
// nodes that exist or not, open read-write, only read-only or not at all
// for this user, know their SCSI address or not, and answer SG_IO as each
// test tells them. Every open, close and SG_IO request is logged.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/device/pass_through.h"

namespace sorvane::test {

struct TFakeNode {
    bool ReadWrite = true;  // false: only O_RDONLY opens
    bool MayOpen = true;    // false: every open is refused, as for a user outside the node's group
    std::string Group = "cdrom";  // the node's owner group
    std::array<std::uint8_t, 96> Inquiry{};
    bool HasAddress = true;
    TKernelScsiAddress Address;
    // Answers a request other than the scan's INQUIRY; by default GOOD.
    std::function<int(sg_io_hdr_t&)> Answer;
};

struct TSgRequest {
    int Node;
    int Direction;
    std::vector<std::uint8_t> Cdb;
    unsigned DataLength;
    unsigned char SenseLength;
    unsigned Timeout;
    std::vector<std::uint8_t> DataOut;
};

class TFakeKernel final : public TPassThroughSystem {
public:
    TFakeKernel();
    ~TFakeKernel() override;
    TFakeKernel(const TFakeKernel&) = delete;
    TFakeKernel& operator=(const TFakeKernel&) = delete;

    // A CD/DVD drive at /dev/sr<index> with an INQUIRY answer of its own.
    TFakeNode& AddDrive(int index, const std::string& product = "FAKE RECORDER");

    std::string DevicePath(int index) const override { return "/fake/sr" + std::to_string(index); }
    int Open(const std::string& path, int flags) override;
    void Close(int fd) override;
    int SgIo(int fd, sg_io_hdr_t& request) override;
    bool GetScsiAddress(int fd, TKernelScsiAddress& address) override;
    std::string OwnerGroup(const std::string& path) override;

    std::map<int, TFakeNode> Nodes;
    std::vector<std::pair<std::string, int>> Opens;  // path, flags
    std::vector<TSgRequest> Requests;
    int OpenHandles() const { return static_cast<int>(handles_.size()); }

private:
    std::map<int, int> handles_;  // fd -> node
    int nextFd_ = 100;
};

}  // namespace sorvane::test
