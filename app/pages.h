#pragma once
// Makes the page of a caption. Each page registers itself here with one
// line in pages.cpp.

#include <QString>
#include <memory>

namespace sorvane::app {

class TMainWindow;
class TWizardPage;

// Null for a caption no page has.
std::unique_ptr<TWizardPage> MakePage(const QString& caption, TMainWindow& window);

}  // namespace sorvane::app
