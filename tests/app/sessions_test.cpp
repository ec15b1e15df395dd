// The Sessions page: every session with its own files, the details of a
// node, extraction of a file, a folder and a session, and Stop or a close
// in the middle of a large copy.

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>

#include "app/sessions.h"
#include "engine/orvo_burner.h"
#include "tests/app/wizard_harness.h"
#include "tests/iso/disc_images.h"
#include "tests/sessions/recorded_disc.h"

using namespace sorvane;
using namespace sorvane::app;
using sorvane::test::TWizardHarness;
using vdrive::TMediumKind;
using vdrive::TMediumState;
namespace fs = std::filesystem;

namespace {

TSessionsPage* OpenSessions(TWizardHarness& wizard) {
    if (!wizard.Started() && !wizard.Start()) return nullptr;
    wizard.ChooseTask(kTaskInformation);
    wizard.PressNext();
    wizard.PressNext();
    auto* page = wizard.PageAs<TSessionsPage>();
    if (page && !TWizardHarness::WaitUntil([page] { return page->Read(); })) return nullptr;
    return page;
}

QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& text) {
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == text) return parent->child(i);
    return nullptr;
}

QStringList Children(QTreeWidgetItem* parent) {
    QStringList texts;
    for (int i = 0; i < parent->childCount(); ++i) texts << parent->child(i)->text(0);
    return texts;
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

void Extract(TWizardHarness& wizard, TSessionsPage& page, QTreeWidgetItem* item, const QString& folder) {
    page.Tree()->setCurrentItem(item);
    wizard.Dialogs().QueueFolder(folder);
    wizard.Click(page.ExtractButton());
}

}  // namespace

class SessionsTest : public QObject {
    Q_OBJECT
private slots:
    void ThreeSessionsEachWithItsOwnFilesExtractIdentically() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        const std::string work = wizard.TempPath("work").toStdString();
        fs::create_directories(work);
        const test::TRecordedSessions recorded = test::RecordThreeSessions(wizard.Window().Burner(), work);
        QVERIFY2(recorded.Error.empty(), recorded.Error.c_str());
        TSessionsPage* page = OpenSessions(wizard);
        QVERIFY(page);
        QTreeWidget* tree = page->Tree();
        QCOMPARE(tree->topLevelItemCount(), 3);
        for (int s = 0; s < 3; ++s)
            QVERIFY(tree->topLevelItem(s)->text(0).startsWith(QString("Session  00%1 - ").arg(s + 1)));
        QVERIFY(!Children(tree->topLevelItem(0)).contains("second.txt"));
        QVERIFY(Children(tree->topLevelItem(1)).contains("second.txt"));
        QVERIFY(!Children(tree->topLevelItem(1)).contains("third.txt"));
        QVERIFY(Children(tree->topLevelItem(2)).contains("third.txt"));
        // Folders before files.
        const QStringList first = Children(tree->topLevelItem(0));
        QVERIFY(first.indexOf("A") < first.indexOf("big.bin"));
        QVERIFY(page->ExtractButton()->isEnabled());
        QVERIFY(wizard.Window().DoneButton()->isVisible());
        QCOMPARE(wizard.Window().State().HelpTopic, 62);

        tree->setCurrentItem(tree->topLevelItem(1));
        QCOMPARE(page->findChildren<QLineEdit*>()[0]->text(), QString("002"));
        tree->setCurrentItem(Child(tree->topLevelItem(1), "second.txt"));
        QCOMPARE(page->findChildren<QLineEdit*>()[0]->text(), QString("sr0:/second.txt"));

        tree->expandItem(tree->topLevelItem(0));
        tree->expandItem(Child(tree->topLevelItem(0), "A"));
        tree->setCurrentItem(Child(tree->topLevelItem(0), "big.bin"));
        tree->collapseItem(tree->topLevelItem(1));
        TWizardHarness::SaveScreenshot(wizard.Window(), "sessions_three");

        const QString out = wizard.TempPath("out");
        QDir().mkpath(out);
        Extract(wizard, *page, Child(tree->topLevelItem(1), "second.txt"), out);
        QCOMPARE(test::ReadAll((out + "/second.txt").toStdString()), Bytes("second session\n"));
        Extract(wizard, *page, Child(tree->topLevelItem(0), "A"), out);
        QVERIFY(fs::is_regular_file((out + "/A/inside.txt").toStdString()));
        Extract(wizard, *page, tree->topLevelItem(1), out);
        const std::string session = (out + "/" + tree->topLevelItem(1)->text(0)).toStdString();
        QCOMPARE(test::ReadAll(session + "/README"), Bytes("readme of session two\n"));
        QCOMPARE(test::ReadAll(session + "/big.bin"), test::BigFileContent());
        QVERIFY(wizard.Messages().Shown().isEmpty());
        QVERIFY(wizard.Window().DoneButton()->isVisible());
        QVERIFY(wizard.Window().HomeButton()->isEnabled());
    }

    void AnEmptyDriveAndABlankDiscSayWhy() {
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind::None}}});
        TSessionsPage* page = OpenSessions(wizard);
        QVERIFY(page);
        QCOMPARE(page->Tree()->topLevelItem(0)->text(0), QString("Error while getting sessions"));
        QVERIFY(!page->ExtractButton()->isEnabled());

        TWizardHarness blank;
        page = OpenSessions(blank);
        QVERIFY(page);
        QCOMPARE(page->Tree()->topLevelItem(0)->text(0), QString("Sessions not found"));
    }

    void HostileNamesStayInsideTheChosenFolderAndAreReported() {
        // Joliet names holding "../" and "..", made by genisoimage with
        // harmless names of the same length and then changed in the records.
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind::None}}});
        const std::string tree = wizard.TempPath("tree").toStdString();
        fs::create_directories(tree + "/zq");
        test::WriteAll(tree + "/ab_escape.txt", Bytes("escape\n"));
        test::WriteAll(tree + "/zq/lost.txt", Bytes("lost\n"));
        const std::string image = wizard.TempPath("hostile.iso").toStdString();
        QCOMPARE(std::system(("genisoimage -quiet -J -o '" + image + "' '" + tree + "'").c_str()), 0);
        std::vector<std::uint8_t> bytes = test::ReadAll(image);
        const auto replace = [&bytes](const std::string& from, const std::string& to) {
            std::vector<std::uint8_t> a, b;
            for (std::size_t i = 0; i < from.size(); ++i) {
                a.insert(a.end(), {0, static_cast<std::uint8_t>(from[i])});
                b.insert(b.end(), {0, static_cast<std::uint8_t>(to[i])});
            }
            for (auto it = std::search(bytes.begin(), bytes.end(), a.begin(), a.end()); it != bytes.end();
                 it = std::search(it + 1, bytes.end(), a.begin(), a.end()))
                std::copy(b.begin(), b.end(), it);
        };
        replace("ab_escape.txt", "../escape.txt");
        replace("zq", "..");
        test::WriteAll(image, bytes);
        std::string error;
        QVERIFY(wizard.Host().Insert(0, {TMediumKind::CdR, TMediumState::Finalized, image}, &error));
        TSessionsPage* page = OpenSessions(wizard);
        QVERIFY(page);

        const QString out = wizard.TempPath("out");
        QDir().mkpath(out + "/a");
        Extract(wizard, *page, page->Tree()->topLevelItem(0), out + "/a");
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{"a"});
        const QString session = out + "/a/" + page->Tree()->topLevelItem(0)->text(0);
        QCOMPARE(QDir(session).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{".._escape.txt"});
        // The name changed and the folder the reader left out are told.
        QCOMPARE(wizard.Messages().Shown().size(), 1);
        const auto box = wizard.Messages().Last();
        QCOMPARE(box.Caption, QString("Extraction incomplete"));
        QVERIFY2(box.Text.contains("Saved under another name:"), qPrintable(box.Text));
        QVERIFY2(box.Text.contains("UNUSABLE NAME"), qPrintable(box.Text));
    }

    void StopOrCloseInsideALargeFileKeepsWhatWasCopiedAndNoPart() {
        for (const bool close : {false, true}) {
            TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind::None}}});
            const std::string tree = wizard.TempPath("tree").toStdString();
            fs::create_directories(tree);
            test::WriteAll(tree + "/a.txt", Bytes("first\n"));
            test::WriteAll(tree + "/big.bin", std::vector<std::uint8_t>(48u << 20, 0x5A));
            const std::string image = wizard.TempPath("big.iso").toStdString();
            QCOMPARE(std::system(("genisoimage -quiet -J -o '" + image + "' '" + tree + "'").c_str()), 0);
            std::string error;
            QVERIFY(wizard.Host().Insert(0, {TMediumKind::CdR, TMediumState::Finalized, image}, &error));
            TSessionsPage* page = OpenSessions(wizard);
            QVERIFY(page);

            const QString out = wizard.TempPath("out");
            QDir().mkpath(out);
            const QString folder = out + "/" + page->Tree()->topLevelItem(0)->text(0);
            // Once a.txt is there and big.bin is being written.
            QTimer watch;
            bool acted = false;
            QObject::connect(&watch, &QTimer::timeout, [&] {
                if (acted || !QFileInfo::exists(folder + "/a.txt")) return;
                if (QDir(folder).entryList({".sorvane-extract-*"}, QDir::Files | QDir::Hidden).isEmpty()) return;
                acted = true;
                wizard.Messages().QueueAnswer(true);
                if (close)
                    wizard.Close();
                else
                    wizard.PressStop();
            });
            watch.start(0);
            Extract(wizard, *page, page->Tree()->topLevelItem(0), out);
            watch.stop();
            QVERIFY(acted);
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"a.txt"});
            if (!close) {
                QVERIFY(!page->Extracting());
                QVERIFY(wizard.Window().DoneButton()->isVisible());
                QVERIFY(wizard.Window().HomeButton()->isEnabled());
            }
        }
    }
};

QTEST_MAIN(SessionsTest)
#include "sessions_test.moc"
