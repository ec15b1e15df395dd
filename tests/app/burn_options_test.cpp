// The Burn Options page: the speeds the drive grants, the read buffer, the
// boot image, the adjustments of each task, the volume a continued disc
// carries on, and the checks at Next with their messages.

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <cstring>
#include <memory>

#include "app/burn_options.h"
#include "app/choose_task.h"
#include "engine/orvo_burner.h"
#include "tests/app/wizard_harness.h"

using namespace sorvane;
using namespace sorvane::app;
using sorvane::test::TWizardHarness;
using vdrive::TMediumKind;
using vdrive::TMediumState;

namespace {

constexpr int kSector = 2048;

// An image of `sectors` whose primary volume descriptor carries the given
// identification; its creation date is the last day of 2007.
QString MakeImage(const TWizardHarness& wizard, const QString& name, int sectors, bool identified = true) {
    QByteArray image(sectors * kSector, '\0');
    char* pvd = image.data() + 16 * kSector;
    const auto put = [&](int at, int length, const char* text) {
        std::memset(pvd + at, ' ', length);
        std::memcpy(pvd + at, text, std::strlen(text));
    };
    pvd[0] = 1;
    std::memcpy(pvd + 1, "CD001", 5);
    pvd[6] = 1;
    put(40, 32, "OLD_DISC");
    if (identified) {
        put(318, 128, "OLD PUBLISHER");
        put(446, 128, "OLD PREPARER");
        put(574, 128, "OLD PROGRAM");
        put(702, 37, "COPYING.TXT");
        std::memcpy(pvd + 813, "2007123123595900", 16);
    }
    image[17 * kSector] = char(255);
    std::memcpy(image.data() + 17 * kSector + 1, "CD001", 5);
    const QString path = wizard.TempPath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size()) qFatal("cannot write %s", qPrintable(path));
    return path;
}

// An image file of `sectors` that takes no room (its data is never read
// before the check).
QString SparseImage(const TWizardHarness& wizard, qint64 sectors) {
    const QString path = wizard.TempPath("large.iso");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(sectors * kSector)) qFatal("cannot write %s", qPrintable(path));
    return path;
}

vdrive::TDriveModel WithSpeeds(TMediumKind kind, std::vector<std::uint16_t> speeds) {
    vdrive::TDriveModel model = vdrive::MultiFormatWriter();
    model.WriteSpeeds = {{kind, std::move(speeds)}};
    return model;
}

// "Record ISO-image to disc" the way the user goes: the image chosen in the
// dialog, then the page.
TBurnOptionsPage* OpenForImage(TWizardHarness& wizard, const QString& image) {
    wizard.ChooseTask(kTaskRecordImage);
    wizard.Dialogs().QueueOpenFile(image);
    wizard.PressNext();
    return wizard.PageAs<TBurnOptionsPage>();
}

// The other tasks reach the page from the Add Files page; here it is made
// as the main window makes it after that page, for the task chosen on the
// Choose Task page and over it.
std::unique_ptr<TBurnOptionsPage> OpenFor(TWizardHarness& wizard, int task) {
    wizard.ChooseTask(task);
    auto page = std::make_unique<TBurnOptionsPage>(wizard.Window());
    page->setGeometry(wizard.Window().PageHost()->rect());
    page->show();
    return page;
}

QStringList Items(const QComboBox& list) {
    QStringList items;
    for (int i = 0; i < list.count(); ++i) items << list.itemText(i);
    return items;
}

QCheckBox* Box(QWidget& page, const QString& text) {
    for (QCheckBox* box : page.findChildren<QCheckBox*>())
        if (box->text() == text) return box;
    qFatal("no box \"%s\"", qPrintable(text));
}

QLineEdit* Field(QWidget& page, const char* name) { return page.findChild<QLineEdit*>(name); }

const char* const kIdentification[] = {"DiscLabel", "Preparer", "Publisher", "Copyright", "DateRecording", "Program"};

}  // namespace

class BurnOptionsTest : public QObject {
    Q_OBJECT
private slots:
    void CdSpeedsAreListedOnceEachFastestFirstAndChoosingOneSetsIt() {
        TWizardHarness wizard({{WithSpeeds(TMediumKind::CdR, {7056, 4234, 1764}), {TMediumKind::CdR}}});
        QVERIFY(wizard.Start());
        auto* page = OpenForImage(wizard, MakeImage(wizard, "small.iso", 400));
        QVERIFY(page);
        auto* list = page->findChild<QComboBox*>();
        QCOMPARE(Items(*list), QStringList({"40x (7,056 Kb/sec)", "24x (4,234 Kb/sec)", "10x (1,764 Kb/sec)"}));
        QCOMPARE(list->currentIndex(), 0);
        TOrvoBurner& burner = wizard.Window().Burner();
        QCOMPARE(int(burner.GetCurrentWriteSpeed()), 7056);
        QCOMPARE(wizard.Window().State().RecordSpeedText, QString("40x (7,056 Kb/sec)"));

        list->setCurrentIndex(2);
        QCOMPARE(int(burner.GetCurrentWriteSpeed()), 1764);
        QCOMPARE(wizard.Window().State().RecordSpeedText, QString("10x (1,764 Kb/sec)"));
        QCOMPARE(wizard.Window().State().HelpTopic, 51);
        QCOMPARE(page->findChild<QLabel*>("stepLabel")->text(), QString("Step 1 of 2"));
    }

    void DvdSpeedsCountInStepsOf1385() {
        TWizardHarness wizard({{WithSpeeds(TMediumKind::DvdR, {11080, 5540, 2770}), {TMediumKind::DvdR}}});
        QVERIFY(wizard.Start());
        auto* page = OpenForImage(wizard, MakeImage(wizard, "small.iso", 400));
        QVERIFY(page);
        auto* list = page->findChild<QComboBox*>();
        QCOMPARE(Items(*list), QStringList({"8x (11,080 Kb/sec)", "4x (5,540 Kb/sec)", "2x (2,770 Kb/sec)"}));
        list->setCurrentIndex(1);
        QCOMPARE(int(wizard.Window().Burner().GetCurrentWriteSpeed()), 5540);
    }

    void DriveThatGrantsNoSpeedLeavesAnEmptyListAndTheCheckStillPasses() {
        // A drive without the capabilities page tells no write speed.
        vdrive::TDriveModel model = vdrive::MultiFormatWriter();
        model.UnknownCommands = {0x5A};  // MODE SENSE(10)
        TWizardHarness wizard({{model, {TMediumKind::CdR}}});
        QVERIFY(wizard.Start());
        auto* page = OpenForImage(wizard, MakeImage(wizard, "small.iso", 400));
        QVERIFY(page);
        QCOMPARE(page->findChild<QComboBox*>()->count(), 0);
        QVERIFY(wizard.Window().State().RecordSpeedText.isEmpty());
        QVERIFY(page->CheckBurn());
        QVERIFY(wizard.Messages().Shown().isEmpty());
    }

    void ReadBufferGoesFrom2To64MbInSteps() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        auto page = OpenFor(wizard, kTaskRecordNew);
        auto* slider = page->findChild<QSlider*>();
        QCOMPARE(slider->minimum(), 0);
        QCOMPARE(slider->maximum(), 31);
        QCOMPARE(slider->value(), 15);
        QLabel* value = nullptr;
        for (QLabel* label : page->findChildren<QLabel*>())
            if (label->text().endsWith(" Mb")) value = label;
        QVERIFY(value);
        TOrvoBurner& burner = wizard.Window().Burner();
        QCOMPARE(value->text(), QString("32 Mb"));
        QCOMPARE(burner.CacheSize(), 33554432u);
        slider->setValue(0);
        QCOMPARE(value->text(), QString("2 Mb"));
        QCOMPARE(burner.CacheSize(), 2097152u);
        slider->setValue(31);
        QCOMPARE(value->text(), QString("64 Mb"));
        QCOMPARE(burner.CacheSize(), 67108864u);
    }

    void BootImageIsTakenOnlyWhenChosen() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        auto page = OpenFor(wizard, kTaskRecordNew);
        QCheckBox* bootable = Box(*page, "Make bootable disc");
        TImageLayout& layout = wizard.Window().Burner().Layout();

        wizard.Dialogs().QueueOpenFile({});
        wizard.Click(bootable);
        QVERIFY(!bootable->isChecked());
        QVERIFY(!layout.MakeBootable);
        QCOMPARE(wizard.Dialogs().Calls().back().Title, QString("Select boot image"));
        QCOMPARE(wizard.Dialogs().Calls().back().Filter, QString("IMG-images (*.img)"));

        const QString boot = wizard.TempPath("boot.img");
        QFile(boot).open(QIODevice::WriteOnly);
        wizard.Dialogs().QueueOpenFile(boot);
        wizard.Click(bootable);
        QVERIFY(bootable->isChecked());
        QVERIFY(layout.MakeBootable);
        QCOMPARE(QString::fromStdString(layout.BootImageFile), boot);
        QCOMPARE(Field(*page, "BootImage")->text(), boot);

        wizard.Click(bootable);
        QVERIFY(!layout.MakeBootable);
        QVERIFY(layout.BootImageFile.empty());
        QVERIFY(Field(*page, "BootImage")->text().isEmpty());
    }

    void NewRecordingStartsFromTheDefaultsAndHandsItsIdentificationOn() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        TOrvoBurner& burner = wizard.Window().Burner();
        burner.PerformOPC = false;
        burner.IdVolume = "PROJECT";
        {
            auto page = OpenFor(wizard, kTaskRecordNew);
            QVERIFY(burner.PerformOPC);
            QCOMPARE(Field(*page, "DiscLabel")->text(), QString("PROJECT"));
            QCOMPARE(Field(*page, "Program")->text(), QString("Sorvane"));
            QVERIFY(!Field(*page, "Program")->isEnabled());
            QVERIFY(!Field(*page, "DateRecording")->isEnabled());
            QCOMPARE(Field(*page, "DateRecording")->text(), QDate::currentDate().toString("dd.MM.yyyy"));
            QVERIFY(Box(*page, "Erase RW before recording")->isEnabled());
            QVERIFY(!Box(*page, "Erase RW before recording")->isChecked());
            const QStringList cut = TWizardHarness::CutOffTexts(*page);
            QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
            TWizardHarness::SaveScreenshot(wizard.Window(), "burn_options_record_new");

            QTest::keyClicks(Field(*page, "DiscLabel"), "_2");
            QTest::keyClicks(Field(*page, "Preparer"), "ME");
            QTest::keyClicks(Field(*page, "Publisher"), "US");
            QTest::keyClicks(Field(*page, "Copyright"), "COPY.TXT");
            wizard.Click(Box(*page, "Finalize disc"));
            QVERIFY(burner.FinalizeDisc);
        }
        QCOMPARE(burner.IdVolume, std::string("PROJECT_2"));
        QCOMPARE(burner.IdPreparer, std::string("ME"));
        QCOMPARE(burner.IdPublisher, std::string("US"));
        QCOMPARE(burner.FileCopyright, std::string("COPY.TXT"));
    }

    void EraseAndFinalizeDecidedBeforeCannotBeUndone() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        wizard.ChooseTask(kTaskRecordNew);
        wizard.Window().State().EraseFirst = true;
        wizard.Window().Burner().FinalizeDisc = true;
        auto page = OpenFor(wizard, kTaskRecordNew);
        for (const char* text : {"Erase RW before recording", "Finalize disc"}) {
            QVERIFY(Box(*page, text)->isChecked());
            QVERIFY(!Box(*page, text)->isEnabled());
        }
    }

    void ContinuedDiscShowsTheIdentificationOfItsVolume() {
        TWizardHarness wizard;
        const QString old = MakeImage(wizard, "old.iso", 400);
        wizard.Host().Insert(0, {TMediumKind::CdR, TMediumState::Closed, old.toStdString()});
        QVERIFY(wizard.Start());
        TOrvoBurner& burner = wizard.Window().Burner();
        burner.IdVolume = "OLD_DISC";
        {
            auto page = OpenFor(wizard, kTaskContinue);
            QCOMPARE(Field(*page, "Preparer")->text(), QString("OLD PREPARER"));
            QCOMPARE(Field(*page, "Publisher")->text(), QString("OLD PUBLISHER"));
            QCOMPARE(Field(*page, "Copyright")->text(), QString("COPYING.TXT"));
            QCOMPARE(Field(*page, "DateRecording")->text(), QString("31.12.2007"));
            QCOMPARE(Field(*page, "Program")->text(), QString("OLD PROGRAM"));
            for (const char* name : {"Preparer", "Publisher", "Copyright"}) QVERIFY(!Field(*page, name)->isEnabled());
            QVERIFY(Field(*page, "DiscLabel")->isEnabled());
            QVERIFY(!Box(*page, "Erase RW before recording")->isEnabled());
            QVERIFY(!Box(*page, "Make bootable disc")->isEnabled());
            QVERIFY(!Field(*page, "BootImage")->isEnabled());
            // The new session is dated and signed by this program.
            QCOMPARE(burner.IdApplication, std::string("Sorvane"));
            TWizardHarness::SaveScreenshot(wizard.Window(), "burn_options_continue");
        }
        QCOMPARE(burner.IdPreparer, std::string("OLD PREPARER"));
        QCOMPARE(burner.IdPublisher, std::string("OLD PUBLISHER"));
        QCOMPARE(burner.FileCopyright, std::string("COPYING.TXT"));
    }

    void ImageFileLeavesTheDriveOptionsOff() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        auto page = OpenFor(wizard, kTaskMakeIso);
        QVERIFY(!page->findChild<QComboBox*>()->isEnabled());
        QVERIFY(!page->findChild<QSlider*>()->isEnabled());
        QVERIFY(!Box(*page, "Erase RW before recording")->isEnabled());
        QVERIFY(!Box(*page, "Finalize disc")->isEnabled());
        for (QLabel* label : page->findChildren<QLabel*>())
            if (label->text() == "Recording speed:" || label->text() == "Read buffer size:" ||
                label->text().endsWith(" Mb"))
                QVERIFY2(!label->isEnabled(), qPrintable(label->text()));
        QVERIFY(Box(*page, "Make bootable disc")->isEnabled());
        TWizardHarness::SaveScreenshot(wizard.Window(), "burn_options_make_iso");
    }

    void RecordedImageHasNoIdentificationAndErasesAUsedRewritableDisc() {
        TWizardHarness wizard;
        const QString used = MakeImage(wizard, "used.iso", 400);
        wizard.Host().Insert(0, {TMediumKind::CdRw, TMediumState::Closed, used.toStdString()});
        QVERIFY(wizard.Start());
        wizard.Window().Burner().FinalizeDisc = true;  // decided for an earlier task's project
        auto* page = OpenForImage(wizard, MakeImage(wizard, "new.iso", 400));
        QVERIFY(page);
        QVERIFY(Box(*page, "Finalize disc")->isEnabled());
        QVERIFY(!Box(*page, "Finalize disc")->isChecked());
        QCheckBox* erase = Box(*page, "Erase RW before recording");
        QVERIFY(erase->isChecked());
        QVERIFY(!erase->isEnabled());
        QVERIFY(wizard.Window().State().EraseFirst);
        for (const char* name : kIdentification) {
            QVERIFY2(!Field(*page, name)->isEnabled(), name);
            QVERIFY2(Field(*page, name)->text().isEmpty(), name);
        }
        for (const char* caption : {"Disc label:", "Preparer:", "Publisher:", "Copyright:", "Date recording:", "Program:"}) {
            bool found = false;
            for (QLabel* label : page->findChildren<QLabel*>())
                if (label->text() == caption) found = !label->isEnabled();
            QVERIFY2(found, caption);
        }
        QVERIFY(!Box(*page, "Make bootable disc")->isEnabled());
        const QStringList cut = TWizardHarness::CutOffTexts(*page);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
        TWizardHarness::SaveScreenshot(wizard.Window(), "burn_options_record_image");
    }

    void RefusalsAtNextNameTheReasonAndKeepThePage_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ejected");
        QTest::newRow("no disc") << int(TMediumKind::None) << int(TMediumState::Blank) << "Device is not ready."
                                 << false;
        QTest::newRow("CD-ROM") << int(TMediumKind::CdRom) << int(TMediumState::Finalized)
                                << "Record on CD-ROM is impossible." << true;
        QTest::newRow("image larger than the disc")
            << int(TMediumKind::CdR) << int(TMediumState::Blank) << "Project size overreached free disc space."
            << false;
    }

    void RefusalsAtNextNameTheReasonAndKeepThePage() {
        QFETCH(int, kind);
        QFETCH(int, state);
        QFETCH(QString, text);
        QFETCH(bool, ejected);
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {}}});
        const QString pressed = MakeImage(wizard, "pressed.iso", 400);
        wizard.Host().Insert(0, {TMediumKind(kind), TMediumState(state),
                                 TMediumKind(kind) == TMediumKind::CdRom ? pressed.toStdString() : std::string()});
        QVERIFY(wizard.Start());
        TOrvoBurner& burner = wizard.Window().Burner();
        // Whatever an earlier project left laid out is not what is recorded.
        const QString image = text.startsWith("Project") ? SparseImage(wizard, burner.GetDiscCapacity() + 1)
                                                         : MakeImage(wizard, "small.iso", 400);
        QVERIFY(OpenForImage(wizard, image));
        wizard.PressNext();
        QCOMPARE(wizard.PageCaption(), QString("Burn Options"));
        QCOMPARE(wizard.Messages().Last().Text, text);
        QCOMPARE(wizard.Messages().Last().Caption, QString("Record cancelled"));
        QVERIFY(wizard.Messages().Last().Icon == TMessageIcon::Warning);
        QCOMPARE(wizard.Host().Status(0).TrayOpen, ejected);
    }

    void FinalizedCdCannotBeContinued() {
        TWizardHarness wizard;
        const QString old = MakeImage(wizard, "old.iso", 400);
        wizard.Host().Insert(0, {TMediumKind::CdR, TMediumState::Finalized, old.toStdString()});
        QVERIFY(wizard.Start());
        auto page = OpenFor(wizard, kTaskContinue);
        QVERIFY(!page->CheckBurn());
        QCOMPARE(wizard.Messages().Last().Text, QString("Disc is finalized."));
        QCOMPARE(wizard.Messages().Last().Caption, QString("Record cancelled"));
        QVERIFY(wizard.Host().Status(0).TrayOpen);
    }

    void UsedRewritableDiscPutInLaterIsRecordedOnlyIfTheUserLetsItBeErased() {
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind::CdRw}}});
        QVERIFY(wizard.Start());
        QVERIFY(OpenForImage(wizard, MakeImage(wizard, "new.iso", 400)));
        QVERIFY(!wizard.Window().State().EraseFirst);
        const QString used = MakeImage(wizard, "used.iso", 400);
        wizard.Host().Insert(0, {TMediumKind::CdRw, TMediumState::Closed, used.toStdString()});
        wizard.Window().Burner().TestUnitReady(5000);  // the disc change, as the desktop's polling takes it

        wizard.Messages().QueueAnswer(false);
        wizard.PressNext();
        QCOMPARE(wizard.PageCaption(), QString("Burn Options"));
        QCOMPARE(wizard.Messages().Shown().size(), 1);
        QCOMPARE(wizard.Messages().Last().Text, QString("Record will be possible after erase only.\nErase disc first?"));
        QCOMPARE(wizard.Messages().Last().Caption, QString("Confirm erase"));
        QVERIFY(wizard.Messages().Last().Question);
        QVERIFY(!wizard.Window().State().EraseFirst);

        wizard.Messages().QueueAnswer(true);
        auto* page = wizard.PageAs<TBurnOptionsPage>();
        QVERIFY(page->CheckBurn());
        QVERIFY(wizard.Window().State().EraseFirst);
        QCOMPARE(wizard.Messages().Shown().size(), 2);
    }
};

QTEST_MAIN(BurnOptionsTest)
#include "burn_options_test.moc"
