#include "tests/device/fake_kernel.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

namespace sorvane::test {

TFakeKernel::TFakeKernel() { PassThroughLayer().SetSystem(this); }

TFakeKernel::~TFakeKernel() { PassThroughLayer().SetSystem(nullptr); }

TFakeNode& TFakeKernel::AddDrive(int index, const std::string& product) {
    TFakeNode& node = Nodes[index];
    node.Inquiry[0] = 0x05;
    node.Inquiry[4] = 91;
    const std::string identity = "FAKEVEND" + (product + std::string(16, ' ')).substr(0, 16) + "1.00";
    std::memcpy(&node.Inquiry[8], identity.data(), identity.size());
    node.Inquiry[36] = 0xEE;  // beyond what the layer hands out
    return node;
}

int TFakeKernel::Open(const std::string& path, int flags) {
    Opens.emplace_back(path, flags);
    for (auto& [index, node] : Nodes) {
        if (DevicePath(index) != path) continue;
        if (!node.MayOpen || ((flags & O_ACCMODE) != O_RDONLY && !node.ReadWrite)) return -EACCES;
        handles_[nextFd_] = index;
        return nextFd_++;
    }
    return -ENOENT;
}

void TFakeKernel::Close(int fd) { handles_.erase(fd); }

int TFakeKernel::SgIo(int fd, sg_io_hdr_t& request) {
    auto handle = handles_.find(fd);
    if (handle == handles_.end()) return -1;
    TFakeNode& node = Nodes[handle->second];
    TSgRequest logged{handle->second,
                      request.dxfer_direction,
                      std::vector<std::uint8_t>(request.cmdp, request.cmdp + request.cmd_len),
                      request.dxfer_len,
                      request.mx_sb_len,
                      request.timeout,
                      {}};
    if (request.dxfer_direction == SG_DXFER_TO_DEV && request.dxferp) {
        auto* data = static_cast<std::uint8_t*>(request.dxferp);
        logged.DataOut.assign(data, data + request.dxfer_len);
    }
    Requests.push_back(logged);
    if (request.cmdp[0] == 0x12) {
        std::memcpy(request.dxferp, node.Inquiry.data(), std::min<std::size_t>(request.dxfer_len, 96));
        return 0;
    }
    return node.Answer ? node.Answer(request) : 0;
}

bool TFakeKernel::GetScsiAddress(int fd, TKernelScsiAddress& address) {
    const TFakeNode& node = Nodes[handles_.at(fd)];
    if (!node.HasAddress) return false;
    address = node.Address;
    return true;
}

std::string TFakeKernel::OwnerGroup(const std::string& path) {
    for (const auto& [index, node] : Nodes)
        if (DevicePath(index) == path) return node.Group;
    return {};
}

}  // namespace sorvane::test
