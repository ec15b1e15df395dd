// libFuzzer target for the replies a drive sends back: READ DISC
// INFORMATION, READ TRACK INFORMATION, READ TOC/PMA/ATIP, GET CONFIGURATION,
// the capabilities and write parameters mode pages, INQUIRY, READ CAPACITY,
// READ FORMAT CAPACITIES and READ BUFFER CAPACITY, each possibly failed with
// any sense. The input is a script of replies (fuzz/scripted_drive.h) that a
// drive gives to the component's real queries, in the order a front end
// asks them: selecting the drive, the disc's kind, status, sessions and
// sizes, the record of the Info page, the volume space size, where a new
// session would start, the write parameters and the speeds on offer.
//
// The seed corpus (fuzz/corpus/drive_reply) holds what the emulated
// recorder answers to the same queries for each kind of disc.

#include <cstdint>

#include "engine/orvo_burner.h"
#include "engine/rtl/sync_queue.h"
#include "fuzz/drive_questions.h"
#include "fuzz/scripted_drive.h"

namespace sorvane::fuzz {
namespace {

TOrvoBurner& Burner() {
    // Made once, before any transport is open, so that it enumerates
    // nothing; every run selects the drive itself. The queue it uses as it
    // goes is made first, so that it outlives the burner at exit.
    TSyncQueue::Main();
    static TOrvoBurner burner;
    burner.Sleep = [](int) {};
    return burner;
}

}  // namespace

int RunDriveReplies(const std::uint8_t* data, std::size_t size) {
    TOrvoBurner& burner = Burner();
    const TScriptedDrive drive({data, size});
    AskEverything(burner);
    return 0;
}

}  // namespace sorvane::fuzz

#ifndef SORVANE_FUZZ_NO_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return sorvane::fuzz::RunDriveReplies(data, size);
}
#endif
