// The window's texts fit at a larger desktop font and at a higher scale
// factor (this program runs a second time with QT_SCALE_FACTOR=2): the
// window grows with the font and no caption is cut off.

#include <QApplication>
#include <QTest>

#include "app/choose_task.h"
#include "app/metrics.h"
#include "tests/app/wizard_harness.h"

using namespace sorvane;
using namespace sorvane::app;
using sorvane::test::TWizardHarness;

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
        if (points > 0) {
            QFont larger = before;
            larger.setPointSizeF(points);
            QApplication::setFont(larger);
        }
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
};

QTEST_MAIN(FitTest)
#include "fit_test.moc"
