#pragma once
// The Sessions page, second step of "Get information": every session of the
// disc with the folders and files its file system holds, the details of the
// selected one, and the copy of a file, a folder or a whole session into a
// folder the user picks, which Stop ends.

#include <QElapsedTimer>
#include <QString>
#include <array>
#include <memory>
#include <vector>

#include "app/page.h"
#include "engine/iso/session_browser.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace sorvane::app {

class TSessionsPage : public TWizardPage {
    Q_OBJECT
public:
    explicit TSessionsPage(TMainWindow& window);
    ~TSessionsPage() override;

    bool Extracting() const override;
    void HideExtracting() override;

    // Whether the sessions have been read and the tree filled.
    bool Read() const { return read_; }
    QTreeWidget* Tree() const { return tree_; }
    QPushButton* ExtractButton() const { return extract_; }

    // "Extract selected items": asks for a folder and copies the selected
    // node into it.
    void ExtractSelected();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ReadSessions();
    // False when the page was destroyed meanwhile (the window closed while
    // the disc was read).
    bool FillTree();
    void ShowDetails();
    // Lets the window answer the user while the disc is read or copied.
    // The window may close meanwhile and destroy the page: after it, the
    // loops under way look at `alive_` before they touch the page again.
    void KeepWindowLive();
    // Copies `item` into `folder` and tells what could not be copied. False
    // when the page was destroyed meanwhile.
    bool ExtractNode(const QTreeWidgetItem& item, const QString& folder);
    QString DriveName() const;

    QTreeWidget* tree_ = nullptr;
    std::array<QLabel*, 3> captions_{};
    std::array<QLineEdit*, 3> fields_{};
    QPushButton* extract_ = nullptr;
    QLabel* extracting_ = nullptr;
    // Shared with a copy under way, which walks it to its end even when the
    // page goes first.
    std::shared_ptr<const std::vector<TDiscSession>> sessions_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool started_ = false;
    bool read_ = false;
    // The copy loop runs: the page must not go before it has returned.
    bool copying_ = false;
    bool stopped_ = false;
    QElapsedTimer sinceLive_;
};

}  // namespace sorvane::app
