#include "app/global.h"

#include <array>

namespace sorvane::app {
namespace {

// For each page: its step in the sequence of each task (0: not part of it)
// and the number of steps of that task, then its help topic for each task
// and for any other.
struct TPagePlace {
    const char* Caption;
    std::array<int, 6> Step;
    std::array<int, 6> Topic;  // 0: the page's own topic below
    int OtherTopic;
};

constexpr std::array<int, 6> kStepsOfTask = {3, 3, 2, 3, 2, 2};

constexpr std::array<TPagePlace, 7> kPlaces = {{
    {caption::kChooseTask, {0, 0, 0, 0, 0, 0}, {2, 2, 2, 2, 2, 2}, 2},
    {caption::kAddFiles, {1, 1, 0, 1, 0, 0}, {11, 21, 0, 41, 0, 0}, 2},
    {caption::kBurnOptions, {2, 2, 0, 2, 1, 0}, {12, 22, 0, 42, 51, 0}, 2},
    {caption::kProcess, {3, 3, 2, 3, 2, 0}, {13, 23, 32, 43, 52, 0}, 2},
    {caption::kEraseOptions, {0, 0, 1, 0, 0, 0}, {0, 0, 31, 0, 0, 0}, 31},
    {caption::kInfo, {0, 0, 0, 0, 0, 1}, {0, 0, 0, 0, 0, 61}, 61},
    {caption::kSessions, {0, 0, 0, 0, 0, 2}, {0, 0, 0, 0, 0, 62}, 62},
}};

const TPagePlace* PlaceOf(const QString& pageCaption) {
    for (const TPagePlace& place : kPlaces)
        if (pageCaption == QLatin1String(place.Caption)) return &place;
    return nullptr;
}

bool IsTask(int task) { return task >= kTaskRecordNew && task <= kTaskInformation; }

}  // namespace

QString StepLabel(const QString& pageCaption, int task) {
    const TPagePlace* place = PlaceOf(pageCaption);
    if (!place || !IsTask(task)) return {};
    const int step = place->Step[static_cast<std::size_t>(task)];
    if (step == 0) return {};
    return QStringLiteral("Step %1 of %2").arg(step).arg(kStepsOfTask[static_cast<std::size_t>(task)]);
}

int HelpTopicOf(const QString& pageCaption, int task) {
    const TPagePlace* place = PlaceOf(pageCaption);
    if (!place) return 2;
    const int topic = IsTask(task) ? place->Topic[static_cast<std::size_t>(task)] : 0;
    return topic != 0 ? topic : place->OtherTopic;
}

}  // namespace sorvane::app
