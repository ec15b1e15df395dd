// The help file as the build makes it, read through the help window: every
// wizard page's topic number opens a page of its own, an unknown number
// opens the start page, and links lead to pages inside the file.

#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextBrowser>

#include "app/help/chm_file.h"
#include "app/help/help_viewer.h"

using sorvane::app::ShowHelpTopic;
using sorvane::app::TChmFile;
using sorvane::app::THelpWindow;

namespace {

const QString kHelpFile = QStringLiteral(SORVANE_HELP_FILE);

// The topic numbers the wizard's pages open help with.
const int kTopics[] = {2, 11, 12, 13, 21, 22, 23, 31, 32, 41, 42, 43, 51, 52, 61, 62};

QString TextOf(const std::vector<std::uint8_t>& bytes) {
    return QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

class HelpViewerTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        if (THelpWindow* window = THelpWindow::Current()) delete window;
    }

    void everyTopicOpensAPageOfItsOwn() {
        QSet<QString> pages;
        for (const int topic : kTopics) {
            ShowHelpTopic(nullptr, kHelpFile, topic);
            THelpWindow* window = THelpWindow::Current();
            QVERIFY(window);
            const QString page = window->Page().path();
            QVERIFY2(page != "/index.html", qPrintable(QString("topic %1 opens the start page").arg(topic)));
            QVERIFY2(!pages.contains(page), qPrintable(QString("topic %1 opens %2 again").arg(topic).arg(page)));
            pages.insert(page);
            QVERIFY2(!window->Browser()->toPlainText().trimmed().isEmpty(), qPrintable(page + " shows nothing"));
            QVERIFY2(!window->Browser()->documentTitle().isEmpty(), qPrintable(page + " has no title"));
        }
    }

    void oneWindowShowsEveryTopic() {
        ShowHelpTopic(nullptr, kHelpFile, 2);
        THelpWindow* first = THelpWindow::Current();
        ShowHelpTopic(nullptr, kHelpFile, 62);
        QCOMPARE(THelpWindow::Current(), first);
        QCOMPARE(first->Page().path(), QStringLiteral("/sessions.html"));
        QVERIFY(first->windowTitle().startsWith("Sessions browser"));
    }

    void unknownTopicOpensTheStartPage() {
        ShowHelpTopic(nullptr, kHelpFile, 12);
        ShowHelpTopic(nullptr, kHelpFile, 9999);
        QCOMPARE(THelpWindow::Current()->Page().path(), QStringLiteral("/index.html"));
    }

    void linkInsideAPageIsFollowed() {
        ShowHelpTopic(nullptr, kHelpFile, 11);
        THelpWindow* window = THelpWindow::Current();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTextBrowser* browser = window->Browser();
        QVERIFY(browser->find("Building the disc's contents"));
        QVERIFY(browser->textCursor().charFormat().isAnchor());
        const QPoint onLink = browser->cursorRect(browser->textCursor()).center() - QPoint(4, 0);
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, onLink);
        QCOMPARE(window->Page().path(), QStringLiteral("/file_tree.html"));
        QVERIFY(browser->toPlainText().contains("Collapse all"));
    }

    // Every link of every page reachable from the start page leads to a page
    // the file holds, and every topic's page is among them.
    void linksStayInsideTheFile() {
        TChmFile file(kHelpFile.toStdString());
        QVERIFY(file.IsOpen());
        QCOMPARE(file.Topics().size(), std::size(kTopics));
        const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"#]*)"));
        QStringList pending{QString::fromStdString(file.StartPage())};
        QSet<QString> seen(pending.begin(), pending.end());
        while (!pending.isEmpty()) {
            const QString page = pending.takeFirst();
            const auto bytes = file.Read(page.toStdString());
            QVERIFY2(bytes, qPrintable(page + " is linked but missing"));
            if (!page.endsWith(".html")) continue;
            for (const auto& match : link.globalMatch(TextOf(*bytes))) {
                if (match.captured(1).isEmpty()) continue;
                const QString target = QUrl("chm:" + page).resolved(QUrl(match.captured(1))).path();
                if (!seen.contains(target)) {
                    seen.insert(target);
                    pending.append(target);
                }
            }
        }
        for (const int topic : kTopics)
            QVERIFY2(seen.contains(QString::fromStdString(file.TopicPath(topic))),
                     qPrintable(QString("the contents lead nowhere near topic %1").arg(topic)));
    }

    // The style sheet comes out of the file as the pages do; the window is
    // then saved as a picture for people to look at (build/screenshots/).
    void pagesWearTheirStyleSheet() {
        ShowHelpTopic(nullptr, kHelpFile, 12);
        THelpWindow* window = THelpWindow::Current();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTextBrowser* browser = window->Browser();
        QVERIFY(browser->find("Record options", QTextDocument::FindCaseSensitively | QTextDocument::FindWholeWords));
        QCOMPARE(browser->textCursor().charFormat().foreground().color(), QColor(0x00, 0x00, 0x80));
        QDir().mkpath(SORVANE_SCREENSHOT_DIR);
        QVERIFY(window->grab().save(SORVANE_SCREENSHOT_DIR "/help.png"));
    }

    // A help file that cannot be read is said in the window, which shows
    // the topic once the file is there.
    void unreadableFileSaysSoUntilItIsThere() {
        ShowHelpTopic(nullptr, kHelpFile + ".missing", 2);
        QTextBrowser* browser = THelpWindow::Current()->Browser();
        QVERIFY(browser->toPlainText().contains("cannot be read"));
        ShowHelpTopic(nullptr, kHelpFile, 2);
        QCOMPARE(THelpWindow::Current()->Page().path(), QStringLiteral("/choose_task.html"));
        QVERIFY(browser->toPlainText().contains("Select device:"));
    }
};

QTEST_MAIN(HelpViewerTest)
#include "help_viewer_test.moc"
