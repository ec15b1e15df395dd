// The Erase Options page: quick or full erase, the speeds of a full one,
// and the check at Next with its messages.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/erase_options.h"
#include "engine/orvo_burner.h"
#include "tests/app/wizard_harness.h"

using namespace sorvane;
using namespace sorvane::app;
using sorvane::test::TWizardHarness;
using vdrive::TMediumKind;
using vdrive::TMediumState;

namespace {

TEraseOptionsPage* Open(TWizardHarness& wizard) {
    wizard.ChooseTask(kTaskErase);
    wizard.PressNext();
    return wizard.PageAs<TEraseOptionsPage>();
}

QRadioButton* Radio(QWidget& page, const QString& text) {
    for (QRadioButton* radio : page.findChildren<QRadioButton*>())
        if (radio->text() == text) return radio;
    qFatal("no radio button \"%s\"", qPrintable(text));
}

QLabel* Caption(QWidget& page, const QString& text) {
    for (QLabel* label : page.findChildren<QLabel*>())
        if (label->text() == text) return label;
    qFatal("no caption \"%s\"", qPrintable(text));
}

vdrive::TDriveModel WithSpeeds(std::vector<std::uint16_t> speeds) {
    vdrive::TDriveModel model = vdrive::MultiFormatWriter();
    model.WriteSpeeds = {{TMediumKind::CdRw, std::move(speeds)}};
    return model;
}

}  // namespace

class EraseOptionsTest : public QObject {
    Q_OBJECT
private slots:
    void QuickEraseIsChosenAndTheSpeedsWaitForAFullOne() {
        TWizardHarness wizard({{WithSpeeds({7056, 6968, 4234, 1764}), {TMediumKind::CdRw}}});
        QVERIFY(wizard.Start());
        TEraseOptionsPage* page = Open(wizard);
        QVERIFY(page);
        TGlobalState& state = wizard.Window().State();
        QVERIFY(Radio(*page, "Quick erase")->isChecked());
        QVERIFY(Radio(*page, "Quick erase")->font().bold());
        QVERIFY(state.QuickErase);
        auto* list = page->findChild<QComboBox*>();
        QVERIFY(!list->isEnabled());
        QVERIFY(!Caption(*page, "Speed:")->isEnabled());
        // 6968 kB/s is 39.5 steps: it reads as 40x too and is not listed again.
        QStringList items;
        for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
        QCOMPARE(items, QStringList({"40x", "24x", "10x"}));
        QCOMPARE(state.EraseSpeedText, QString("40x"));
        QCOMPARE(state.HelpTopic, 31);
        QVERIFY(wizard.Window().HomeButton()->isEnabled());
        const QStringList cut = TWizardHarness::CutOffTexts(*page);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
        TWizardHarness::SaveScreenshot(wizard.Window(), "erase_options");

        wizard.Click(Radio(*page, "Full erase"));
        QVERIFY(!state.QuickErase);
        QVERIFY(list->isEnabled());
        QVERIFY(Caption(*page, "Speed:")->isEnabled());
        list->setCurrentIndex(2);
        // What the Process page labels the erase with.
        QCOMPARE(QString("Full erase on ") + state.EraseSpeedText, QString("Full erase on 10x"));
        QCOMPARE(int(wizard.Window().Burner().GetCurrentWriteSpeed()), 1764);
        TWizardHarness::SaveScreenshot(wizard.Window(), "erase_options_full");

        wizard.Click(Radio(*page, "Quick erase"));
        QVERIFY(state.QuickErase);
        QVERIFY(!list->isEnabled());
    }

    void RewritableDiscPassesTheCheck() {
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind::CdRw}}});
        QVERIFY(wizard.Start());
        TEraseOptionsPage* page = Open(wizard);
        QVERIFY(page);
        QVERIFY(page->CheckErase());
        QVERIFY(wizard.Messages().Shown().isEmpty());
        QVERIFY(!wizard.Host().Status(0).TrayOpen);
    }

    void RefusalsNameTheReasonAndEjectWhatCannotBeErased_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("ejected");
        QTest::newRow("no disc") << int(TMediumKind::None) << "Device is not ready"
                                 << "Erase cancelled" << false;
        QTest::newRow("CD-R") << int(TMediumKind::CdR) << "Insert RW-disc for erasing..."
                              << "Disc is not erasible" << true;
    }

    void RefusalsNameTheReasonAndEjectWhatCannotBeErased() {
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        QFETCH(bool, ejected);
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind(kind)}}});
        QVERIFY(wizard.Start());
        QVERIFY(Open(wizard));
        wizard.PressNext();
        QCOMPARE(wizard.PageCaption(), QString("Erase Options"));
        QCOMPARE(wizard.Messages().Last().Text, text);
        QCOMPARE(wizard.Messages().Last().Caption, caption);
        QVERIFY(wizard.Messages().Last().Icon == TMessageIcon::Warning);
        QCOMPARE(wizard.Host().Status(0).TrayOpen, ejected);
    }
};

QTEST_MAIN(EraseOptionsTest)
#include "erase_options_test.moc"
