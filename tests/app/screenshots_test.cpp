// A picture of every page, as a user sees it, in build/screenshots/: look
// at them after a change (cut-off texts, overlaps, empty icons). Each page
// adds a case that walks the wizard to it and saves the window.

#include <QFileInfo>
#include <QTest>

#include "app/choose_task.h"
#include "tests/app/wizard_harness.h"

using namespace sorvane;
using namespace sorvane::app;
using sorvane::test::TWizardHarness;
using vdrive::TMediumKind;

class ScreenshotsTest : public QObject {
    Q_OBJECT
private slots:
    void ChooseTask() {
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind::CdR}},
                               {vdrive::DvdRomReader(), {TMediumKind::None}}});
        QVERIFY(wizard.Start());
        wizard.ChooseTask(kTaskMakeIso);
        QVERIFY(QFileInfo(TWizardHarness::SaveScreenshot(wizard.Window(), "choose_task")).size() > 0);
    }
};

QTEST_MAIN(ScreenshotsTest)
#include "screenshots_test.moc"
