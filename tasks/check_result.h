#pragma once
// What a page's check answers: go on, or the message that tells the user
// why not, with the caption of its box. The one kind of question the checks
// may have to ask goes to a callback: a window asks it in a message box,
// the command line answers it from an option.

#include <functional>
#include <string>
#include <utility>

namespace sorvane::tasks {

// A message as a page shows it: the text (lines separated by "\n") and the
// caption of its box.
struct TPageMessage {
    std::string Text;
    std::string Caption;
};

inline constexpr char kRecordCancelled[] = "Record cancelled";
inline constexpr char kConfirmErase[] = "Confirm erase";
inline constexpr char kEraseQuestion[] = "Record will be possible after erase only.\nErase disc first?";

// Asks a question; true for Yes.
using TAskQuestion = std::function<bool(const TPageMessage& question)>;

struct TCheckResult {
    bool Passed = false;
    // Why not: the refusal, or the question the user answered No to.
    TPageMessage Message;
    bool Declined = false;  // the erase question was answered No

    static TCheckResult Pass() { return {true, {}, false}; }
    static TCheckResult Refuse(std::string text, std::string caption = kRecordCancelled) {
        return {false, {std::move(text), std::move(caption)}, false};
    }
    static TCheckResult Decline() { return {false, {kEraseQuestion, kConfirmErase}, true}; }
};

}  // namespace sorvane::tasks
