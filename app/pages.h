#pragma once
// Makes the page of a caption. Each page registers itself here with one
// line in pages.cpp.

#include <QString>
#include <functional>
#include <memory>

namespace sorvane::app {

class TMainWindow;
class TWizardPage;

// Null for a caption no page has.
std::unique_ptr<TWizardPage> MakePage(const QString& caption, TMainWindow& window);

// Tests of the main window's flow put in a page of their own for a
// caption; an empty maker brings back the real page.
using TPageMaker = std::function<std::unique_ptr<TWizardPage>(TMainWindow& window)>;
void OverridePage(const QString& caption, TPageMaker make);

}  // namespace sorvane::app
