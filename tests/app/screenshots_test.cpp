// A picture of every page, as a user sees it, in build/screenshots/: look
// at them after a change (cut-off texts, overlaps, empty icons). Each page
// adds a case that walks the wizard to it and saves the window.

#include <QFileInfo>
#include <QTest>

#include "app/choose_task.h"
#include "app/info.h"
#include "app/sessions.h"
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

    // A blank CD-R: the disc's values, and the message node of a disc
    // without sessions. The Info and Sessions tests add a closed CD-R, a
    // DVD+RW and a three-session disc.
    void InfoAndSessions() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        wizard.ChooseTask(kTaskInformation);
        wizard.PressNext();
        auto* info = wizard.PageAs<TInfoPage>();
        QVERIFY(info && TWizardHarness::WaitUntil([info] { return info->Read(); }));
        QVERIFY(QFileInfo(TWizardHarness::SaveScreenshot(wizard.Window(), "info")).size() > 0);
        wizard.PressNext();
        auto* sessions = wizard.PageAs<TSessionsPage>();
        QVERIFY(sessions && TWizardHarness::WaitUntil([sessions] { return sessions->Read(); }));
        QVERIFY(QFileInfo(TWizardHarness::SaveScreenshot(wizard.Window(), "sessions")).size() > 0);
    }
};

QTEST_MAIN(ScreenshotsTest)
#include "screenshots_test.moc"
