#pragma once
// The kernel boundary of the built-in pass-through layer: opening the optical
// drives' device nodes, the SG_IO request and the SCSI address query. The
// layer talks to the kernel only through this interface, so that its request
// building and status mapping can be exercised with made-up kernel answers.

#include <scsi/sg.h>

#include <cstdint>
#include <string>

namespace sorvane {

// A drive's address as the kernel's SCSI midlayer knows it.
struct TKernelScsiAddress {
    std::uint8_t Host = 0, Channel = 0, Id = 0, Lun = 0;
};

class TPassThroughSystem {
public:
    virtual ~TPassThroughSystem() = default;
    // The device node of the index-th optical drive ("/dev/sr0" ...).
    virtual std::string DevicePath(int index) const = 0;
    // open(2): a file descriptor, or minus the error number (-EACCES ...).
    virtual int Open(const std::string& path, int flags) = 0;
    virtual void Close(int fd) = 0;
    // ioctl(fd, SG_IO, &request): 0 when the kernel took the request (its
    // outcome is then in the request's status fields), -1 otherwise.
    virtual int SgIo(int fd, sg_io_hdr_t& request) = 0;
    // The drive's SCSI address; false when the kernel cannot tell it.
    virtual bool GetScsiAddress(int fd, TKernelScsiAddress& address) = 0;
    // The name of the group that owns a device node (its number when the
    // group has no name); empty when the node cannot be examined.
    virtual std::string OwnerGroup(const std::string& path) = 0;
};

// The real kernel.
TPassThroughSystem& LinuxPassThroughSystem();

}  // namespace sorvane
