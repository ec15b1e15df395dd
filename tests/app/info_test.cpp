// The Info page: the drive's matrix, the disc's values in the page's own
// words, and the identification of its volume.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include "app/capability_matrix.h"
#include "app/info.h"
#include "engine/orvo_burner.h"
#include "tests/app/wizard_harness.h"

using namespace sorvane;
using namespace sorvane::app;
using sorvane::test::TWizardHarness;
using vdrive::TMediumKind;
using vdrive::TMediumState;

namespace {

// An image made by the program's own component from one small file, named
// as the recording tasks name it.
QString ImageBySorvane(TWizardHarness& wizard) {
    const std::string file = wizard.TempPath("hello.txt").toStdString();
    std::ofstream(file) << "hello\n";
    const std::string image = wizard.TempPath("sorvane.iso").toStdString();
    TOrvoBurner maker;
    maker.InsertFile("/", file, false);
    maker.IdPreparer = "THE PREPARER";
    maker.IdApplication = "Sorvane";
    if (!maker.SaveISOImage(image, true)) return {};
    return QString::fromStdString(image);
}

TInfoPage* OpenInfo(TWizardHarness& wizard) {
    if (!wizard.Start()) return nullptr;
    wizard.ChooseTask(kTaskInformation);
    wizard.PressNext();
    auto* page = wizard.PageAs<TInfoPage>();
    if (page && !TWizardHarness::WaitUntil([page] { return page->Read(); })) return nullptr;
    return page;
}

QString Value(const TInfoPage& page, const char* name) { return page.findChild<QLabel*>(name)->text(); }
QString Field(const TInfoPage& page, const char* name) { return page.findChild<QLineEdit*>(name)->text(); }

}  // namespace

class InfoTest : public QObject {
    Q_OBJECT
private slots:
    void WithoutADiscTheMatrixIsShownAndEveryValueStaysUnknown() {
        TWizardHarness wizard({{vdrive::CdRwWriter(), {TMediumKind::None}}});
        TInfoPage* page = OpenInfo(wizard);
        QVERIFY(page);
        for (const char* name : {"DiscType", "MaxSpeed", "Status", "FullSize", "UsedSpace", "FreeSpace"})
            QCOMPARE(Value(*page, name), QString("???"));
        for (const char* name : {"DiscLabel", "Preparer", "Publisher", "Copyright", "RecordTime", "Program"})
            QVERIFY(Field(*page, name).isEmpty());
        auto* matrix = page->findChild<TCapabilityMatrix*>();
        QVERIFY(matrix->Mark("Read", "DVD-RAM")->isVisible());
        QCOMPARE(matrix->Mark("Write", "CD-RW")->property("yes").toBool(), true);
        QCOMPARE(matrix->Mark("Write", "DVD+RW")->property("yes").toBool(), false);
        QVERIFY(matrix->Mark("Below", "Protection from empty buffer")->isVisible());
        QVERIFY(wizard.Window().HomeButton()->isEnabled());
        QCOMPARE(wizard.Window().State().HelpTopic, 61);
        QVERIFY2(TWizardHarness::CutOffTexts(*page).isEmpty(), qPrintable(TWizardHarness::CutOffTexts(*page).join('|')));
        TWizardHarness::SaveScreenshot(wizard.Window(), "info_no_disc");
    }

    void AClosedCdRecordedBySorvaneIsClosedWithNoFreeSpaceAndNamesTheProgram() {
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind::None}}});
        const QString image = ImageBySorvane(wizard);
        QVERIFY(!image.isEmpty());
        wizard.Host().Eject(0);
        std::string error;
        QVERIFY(wizard.Host().Insert(0, {TMediumKind::CdR, TMediumState::Finalized, image.toStdString()}, &error));
        TInfoPage* page = OpenInfo(wizard);
        QVERIFY(page);
        QCOMPARE(Value(*page, "DiscType"), QString("CD-R"));
        QCOMPARE(Value(*page, "Status"), QString("Closed"));
        QCOMPARE(Value(*page, "FreeSpace"), QString("0 Mb"));
        QVERIFY2(Field(*page, "Program").contains("Sorvane", Qt::CaseInsensitive),
                 qPrintable(Field(*page, "Program")));
        QCOMPARE(Field(*page, "Preparer"), QString("THE PREPARER"));
        QVERIFY(!Field(*page, "RecordTime").isEmpty());
        TWizardHarness::SaveScreenshot(wizard.Window(), "info_closed_cd_r");
    }

    void ARecordedDvdPlusRwIsNeverClosed() {
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind::None}}});
        const QString image = ImageBySorvane(wizard);
        std::string error;
        QVERIFY(wizard.Host().Insert(0, {TMediumKind::DvdPlusRw, TMediumState::Finalized, image.toStdString()},
                                     &error));
        TInfoPage* page = OpenInfo(wizard);
        QVERIFY(page);
        QCOMPARE(Value(*page, "DiscType"), QString("DVD+RW"));
        QCOMPARE(Value(*page, "Status"), QString("Not closed"));
        TWizardHarness::SaveScreenshot(wizard.Window(), "info_dvd_plus_rw");
    }
};

QTEST_MAIN(InfoTest)
#include "info_test.moc"
