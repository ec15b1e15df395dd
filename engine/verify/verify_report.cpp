#include "engine/verify/verify_report.h"

namespace sorvane {

void TVerifyReport::Add(TVerifyProblem problem) {
    const bool inSectors = problem.Fault == TVerifyFault::Differs || problem.Fault == TVerifyFault::Unreadable;
    if (inSectors && !Problems.empty()) {
        TVerifyProblem& last = Problems.back();
        if (last.Fault == problem.Fault && last.Use == problem.Use && last.Name == problem.Name &&
            std::uint64_t{last.LastSector} + 1 == problem.FirstSector) {
            last.LastSector = problem.LastSector;
            return;
        }
    }
    Problems.push_back(std::move(problem));
}

}  // namespace sorvane
