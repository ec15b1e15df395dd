#pragma once
// The root of the component classes, so that events can pass their sender as
// one common type, and the shape of the one diagnostic channel.

#include <functional>
#include <string>

namespace sorvane {

class TObject {
public:
    virtual ~TObject() = default;
};

class TComponent : public TObject {};

// Diagnostic message types.
enum TDebugType : int {
    mtError = 0,       // errors
    mtInfo = 1,        // information and progress lines
    mtTable = 3,       // full tables and limits
    mtFileSystem = 4,  // errors of the file-system subsystems
};

// How a subsystem posts a diagnostic line through its component.
using TDebugSink = std::function<void(const std::string& message, int mType)>;

}  // namespace sorvane
