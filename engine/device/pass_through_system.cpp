#include "engine/device/pass_through_system.h"

#include <fcntl.h>
#include <grp.h>
#include <scsi/scsi.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace sorvane {
namespace {

class TLinuxSystem final : public TPassThroughSystem {
public:
    std::string DevicePath(int index) const override { return "/dev/sr" + std::to_string(index); }

    int Open(const std::string& path, int flags) override {
        int fd;
        do fd = ::open(path.c_str(), flags | O_CLOEXEC);
        while (fd < 0 && errno == EINTR);
        return fd < 0 ? -errno : fd;
    }

    void Close(int fd) override { ::close(fd); }

    int SgIo(int fd, sg_io_hdr_t& request) override {
        int result;
        do result = ::ioctl(fd, SG_IO, &request);
        while (result < 0 && errno == EINTR);
        return result;
    }

    bool GetScsiAddress(int fd, TKernelScsiAddress& address) override {
        // The midlayer packs id, lun, channel and host number into one word,
        // a byte each from the lowest (scsi_ioctl.c, SCSI_IOCTL_GET_IDLUN).
        struct {
            int DevId;
            int HostUniqueId;
        } idlun{};
        if (::ioctl(fd, SCSI_IOCTL_GET_IDLUN, &idlun) == 0) {
            const auto word = static_cast<unsigned>(idlun.DevId);
            address.Id = static_cast<std::uint8_t>(word);
            address.Lun = static_cast<std::uint8_t>(word >> 8);
            address.Channel = static_cast<std::uint8_t>(word >> 16);
            address.Host = static_cast<std::uint8_t>(word >> 24);
            return true;
        }
        // Generic SCSI nodes answer the sg driver's own query instead.
        sg_scsi_id id{};
        if (::ioctl(fd, SG_GET_SCSI_ID, &id) == 0) {
            address.Host = static_cast<std::uint8_t>(id.host_no);
            address.Channel = static_cast<std::uint8_t>(id.channel);
            address.Id = static_cast<std::uint8_t>(id.scsi_id);
            address.Lun = static_cast<std::uint8_t>(id.lun);
            return true;
        }
        return false;
    }

    std::string OwnerGroup(const std::string& path) override {
        struct stat node {};
        if (::stat(path.c_str(), &node) != 0) return {};
        std::vector<char> buffer(4096);
        group entry{};
        group* found = nullptr;
        while (::getgrgid_r(node.st_gid, &entry, buffer.data(), buffer.size(), &found) == ERANGE)
            buffer.resize(buffer.size() * 2);
        return found ? std::string(found->gr_name) : std::to_string(node.st_gid);
    }
};

}  // namespace

TPassThroughSystem& LinuxPassThroughSystem() {
    // Never destroyed: the process-wide layer closes its handles through it
    // while static objects are being torn down.
    static auto* system = new TLinuxSystem;
    return *system;
}

}  // namespace sorvane
