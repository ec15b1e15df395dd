#include "app/pages.h"

#include <QHash>

#include "app/add_files.h"
#include "app/burn_options.h"
#include "app/choose_task.h"
#include "app/erase_options.h"
#include "app/global.h"
#include "app/info.h"
#include "app/main_window.h"
#include "app/process.h"
#include "app/sessions.h"

namespace sorvane::app {
namespace {

template <class TPage>
std::unique_ptr<TWizardPage> Make(TMainWindow& window) {
    return std::make_unique<TPage>(window);
}

struct TPageEntry {
    const char* Caption;
    std::unique_ptr<TWizardPage> (*Create)(TMainWindow& window);
};

// One line per page.
const TPageEntry kPages[] = {
    {caption::kChooseTask, Make<TChooseTaskPage>},
    {caption::kAddFiles, Make<TAddFilesPage>},
    {caption::kBurnOptions, Make<TBurnOptionsPage>},
    {caption::kEraseOptions, Make<TEraseOptionsPage>},
    {caption::kProcess, Make<TProcessPage>},
    {caption::kInfo, Make<TInfoPage>},
    {caption::kSessions, Make<TSessionsPage>},
};

QHash<QString, TPageMaker>& Overrides() {
    static QHash<QString, TPageMaker> overrides;
    return overrides;
}

}  // namespace

void OverridePage(const QString& caption, TPageMaker make) {
    if (make)
        Overrides().insert(caption, std::move(make));
    else
        Overrides().remove(caption);
}

std::unique_ptr<TWizardPage> MakePage(const QString& caption, TMainWindow& window) {
    if (const auto found = Overrides().constFind(caption); found != Overrides().cend()) return (*found)(window);
    for (const TPageEntry& entry : kPages)
        if (caption == QLatin1String(entry.Caption)) return entry.Create(window);
    return nullptr;
}

}  // namespace sorvane::app
