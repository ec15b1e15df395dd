#pragma once
// Ctrl-C and termination requests during a long operation. While a watch
// lives, the first SIGINT or SIGTERM only raises a flag, so that the
// operation can stop cooperatively and clean up; a second one ends the
// program at once, as the user then expects.

namespace sorvane::cli {

class TInterruptWatch {
public:
    TInterruptWatch();
    ~TInterruptWatch();
    TInterruptWatch(const TInterruptWatch&) = delete;
    TInterruptWatch& operator=(const TInterruptWatch&) = delete;

    bool Requested() const;
};

}  // namespace sorvane::cli
