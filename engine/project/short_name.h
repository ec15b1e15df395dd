#pragma once

#include <string>
#include <string_view>

namespace sorvane {

// The short-name form used for directories made by name and for entries read
// from a disc: every character upper-cased, anything outside "!" .. "z"
// replaced by "_", at most 13 characters.
std::string ShortNameForm(std::string_view name);

}  // namespace sorvane
