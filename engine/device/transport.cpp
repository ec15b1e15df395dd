#include "engine/device/transport.h"

#include <dlfcn.h>

#include <cstdlib>

#include "engine/device/pass_through.h"
#include "engine/rtl/program_files.h"

namespace sorvane {
namespace {

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void TTransport::TLibraryCloser::operator()(void* handle) const { ::dlclose(handle); }

TTransport& TTransport::Instance() {
    static TTransport transport;
    return transport;
}

std::vector<std::string> TTransport::LibraryCandidates(const std::string& aspiLibraryPath) {
    std::vector<std::string> candidates;
    if (!aspiLibraryPath.empty()) candidates.push_back(aspiLibraryPath);
    if (const char* fromEnvironment = std::getenv(kAspiLibraryVariable); fromEnvironment && *fromEnvironment)
        candidates.emplace_back(fromEnvironment);
    for (std::string& installed : ProgramFileCandidates(kDefaultAspiLibrary, TProgramFileKind::Library))
        candidates.push_back(std::move(installed));
    candidates.emplace_back(kDefaultAspiLibrary);
    return candidates;
}

TTransport::TLoad TTransport::LoadLibrary(const std::string& aspiLibraryPath) {
    for (const std::string& candidate : LibraryCandidates(aspiLibraryPath)) {
        std::unique_ptr<void, TLibraryCloser> handle(::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL));
        if (!handle) continue;
        auto supportInfo = reinterpret_cast<GetASPI32SupportInfoFn>(::dlsym(handle.get(), "GetASPI32SupportInfo"));
        auto sendCommand = reinterpret_cast<SendASPI32CommandFn>(::dlsym(handle.get(), "SendASPI32Command"));
        // A library without both entry points is broken rather than absent:
        // the first one that loads decides, as the loader's own search would.
        if (!supportInfo || !sendCommand) {
            lastOpenError_ = "Assertion failure: " + candidate + " lacks " +
                             (supportInfo ? "SendASPI32Command" : "GetASPI32SupportInfo");
            return TLoad::Unusable;
        }
        library_ = std::move(handle);
        name_ = FileNameOf(candidate);
        supportInfo_ = supportInfo;
        sendCommand_ = sendCommand;
        passThrough_ = false;
        open_ = true;
        return TLoad::Loaded;
    }
    return TLoad::NotFound;
}

bool TTransport::OpenPassThrough() {
    if (PassThroughLayer().Scan() == 0) return false;
    name_ = kPassThroughName;
    supportInfo_ = &PassThroughGetSupportInfo;
    sendCommand_ = &PassThroughSendCommand;
    passThrough_ = true;
    open_ = true;
    return true;
}

bool TTransport::Open(bool preferPassThrough, const std::string& aspiLibraryPath) {
    std::lock_guard lock(mutex_);
    CloseLocked();
    if (preferPassThrough) OpenPassThrough();
    if (!open_ && LoadLibrary(aspiLibraryPath) == TLoad::Unusable) return false;
    // The scan runs once until the transport is closed, so after a fruitless
    // first attempt this finds nothing again.
    if (!open_) OpenPassThrough();
    if (open_) {
        supportInfo_.load()();
        preferPassThrough_ = preferPassThrough;
    }
    return open_;
}

bool TTransport::Reopen() {
    bool prefer;
    {
        std::lock_guard lock(mutex_);
        prefer = preferPassThrough_;
    }
    return Open(prefer, std::string());
}

bool TTransport::OpenEntryPoints(const std::string& name, GetASPI32SupportInfoFn supportInfo,
                                 SendASPI32CommandFn sendCommand) {
    std::lock_guard lock(mutex_);
    CloseLocked();
    if (!supportInfo || !sendCommand) return false;
    name_ = name;
    supportInfo_ = supportInfo;
    sendCommand_ = sendCommand;
    passThrough_ = false;
    open_ = true;
    supportInfo();
    return true;
}

void TTransport::Close() {
    std::lock_guard lock(mutex_);
    CloseLocked();
}

void TTransport::CloseLocked() {
    lastOpenError_.clear();
    open_ = false;
    passThrough_ = false;
    supportInfo_ = nullptr;
    sendCommand_ = nullptr;
    name_.clear();
    library_.reset();
    PassThroughLayer().Reset();
}

std::string TTransport::LastOpenError() const {
    std::lock_guard lock(mutex_);
    return lastOpenError_;
}

std::string TTransport::Name() const {
    std::lock_guard lock(mutex_);
    return name_;
}

std::uint32_t TTransport::SupportInfo() const {
    const GetASPI32SupportInfoFn entry = supportInfo_;
    return entry ? entry() : static_cast<std::uint32_t>(SS_NO_ADAPTERS) << 8;
}

std::uint32_t TTransport::Send(void* srb) const {
    const SendASPI32CommandFn entry = sendCommand_;
    return entry ? entry(srb) : static_cast<std::uint32_t>(SS_PENDING);
}

void TTransport::SetReleaseHandle(bool value) { PassThroughLayer().SetReleaseHandle(value); }

bool TTransport::ReleaseHandle() const { return PassThroughLayer().ReleaseHandle(); }

}  // namespace sorvane
