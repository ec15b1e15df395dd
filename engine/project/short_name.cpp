#include "engine/project/short_name.h"

#include "engine/rtl/text.h"

namespace sorvane {

std::string ShortNameForm(std::string_view name) {
    constexpr std::size_t kMaxLength = 13;
    std::string out;
    for (std::size_t pos = 0; pos < name.size() && out.size() < kMaxLength;) {
        char32_t cp = NextCodePoint(name, pos);
        if (cp >= 'a' && cp <= 'z') cp = cp - 'a' + 'A';
        out += (cp < 33 || cp > 122) ? '_' : static_cast<char>(cp);
    }
    return out;
}

}  // namespace sorvane
