// The window's texts fit at a larger desktop font and at a higher scale
// factor (this program runs a second time with QT_SCALE_FACTOR=2): the
// window grows with the font and no caption is cut off.

#include <QApplication>
#include <QLabel>
#include <QTest>

#include "app/choose_task.h"
#include "app/metrics.h"
#include "app/pages.h"
#include "tests/app/wizard_harness.h"

using namespace sorvane;
using namespace sorvane::app;
using sorvane::test::TWizardHarness;

namespace {

// A page with nothing but the header, its longest subtitle.
class THeaderOnly : public TWizardPage {
public:
    explicit THeaderOnly(TMainWindow& window) : TWizardPage(window, QString::fromLatin1(caption::kAddFiles)) {
        AddHeader("Add files", "Select files and folders for recording with popup menu or Drag&&Drop.");
    }
};

void SetPointSize(double points) {
    QFont font = QApplication::font();
    font.setPointSizeF(points);
    QApplication::setFont(font);
}

}  // namespace

class FitTest : public QObject {
    Q_OBJECT
private slots:
    void ChooseTaskFits_data() {
        QTest::addColumn<double>("points");
        QTest::newRow("default font") << 0.0;
        QTest::newRow("11 pt") << 11.0;
        QTest::newRow("14 pt") << 14.0;
    }

    void ChooseTaskFits() {
        QFETCH(double, points);
        const QFont before = QApplication::font();
        if (points > 0) SetPointSize(points);
        {
            TWizardHarness wizard;
            QVERIFY(wizard.Start());
            TMainWindow& window = wizard.Window();
            QCOMPARE(window.width(), metrics::Scaled(metrics::kClientWidth));
            QCOMPARE(window.height(), metrics::Scaled(metrics::kClientHeight));
            // Every row shows its caption bold once selected.
            for (int task = 0; task < TChooseTaskPage::kTaskCount; ++task) {
                wizard.ChooseTask(task);
                const QStringList cut = TWizardHarness::CutOffTexts(window);
                QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
            }
            if (points == 11.0 && qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
                TWizardHarness::SaveScreenshot(window, "choose_task_11pt_scale2");
        }
        QApplication::setFont(before);
    }

    void PageHeaderFits_data() { ChooseTaskFits_data(); }

    void PageHeaderFits() {
        QFETCH(double, points);
        const QFont before = QApplication::font();
        if (points > 0) SetPointSize(points);
        {
            TWizardHarness wizard;
            wizard.StandInPage(caption::kAddFiles,
                               [](TMainWindow& window) { return std::make_unique<THeaderOnly>(window); });
            QVERIFY(wizard.Start());
            wizard.PressNext();
            QCOMPARE(wizard.PageCaption(), QString("Add Files"));
            const auto* subtitle = wizard.Page()->findChild<QLabel*>("headerSubtitle");
            QVERIFY(subtitle);
            QVERIFY(subtitle->text().endsWith("Drag&Drop."));
            QCOMPARE(wizard.Page()->findChild<QLabel*>("stepLabel")->text(), QString("Step 1 of 3"));
            const QStringList cut = TWizardHarness::CutOffTexts(wizard.Window());
            QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
            if (points == 14.0) TWizardHarness::SaveScreenshot(wizard.Window(), "page_header_14pt");
        }
        QApplication::setFont(before);
    }
};

QTEST_MAIN(FitTest)
#include "fit_test.moc"
