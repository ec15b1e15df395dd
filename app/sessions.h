#pragma once
// The Sessions page, second step of "Get information": every session of the
// disc with the folders and files its file system holds, the details of the
// selected one, and the copy of a file, a folder or a whole session into a
// folder the user picks, which Stop ends.

#include <QElapsedTimer>
#include <QString>
#include <array>
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
    void FillTree();
    void ShowDetails();
    // Lets the window answer the user while the disc is read: the page
    // stays, as Home is disabled meanwhile.
    void KeepWindowLive();
    // Copies `item` into `folder` and tells what could not be copied.
    void ExtractNode(const QTreeWidgetItem& item, const QString& folder);
    bool StopRequested();
    QString DriveName() const;

    QTreeWidget* tree_ = nullptr;
    std::array<QLabel*, 3> captions_{};
    std::array<QLineEdit*, 3> fields_{};
    QPushButton* extract_ = nullptr;
    QLabel* extracting_ = nullptr;
    std::vector<TDiscSession> sessions_;
    bool started_ = false;
    bool read_ = false;
    // The copy loop runs: the page must not go before it has returned.
    bool copying_ = false;
    bool stopped_ = false;
    QElapsedTimer sinceLive_;
};

}  // namespace sorvane::app
