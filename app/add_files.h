#pragma once
// The Add Files page: the first step of "Record new CD/DVD", "Continue
// CD/DVD" and "Make ISO-image". The user builds the disc's contents as a
// tree (files and folders dropped from a file manager or chosen in dialogs,
// renamed, moved, deleted, new folders) and watches its size against the
// free space on the disc. At Next the tree is loaded into the component's
// project and checked against the disc, or laid out for an image file.

#include <QTimer>
#include <memory>
#include <optional>

#include "app/page.h"
#include "tasks/disc_values.h"

class QAction;
class QMenu;

namespace sorvane {
struct TDEntry;
}

namespace sorvane::app {

class TDetailsPanel;
class TDiscSpaceProbe;
class TProjectNode;
class TProjectTreeView;

class TAddFilesPage : public TWizardPage {
    Q_OBJECT
public:
    explicit TAddFilesPage(TMainWindow& window);
    ~TAddFilesPage() override;

    bool AddFiles() override;
    bool GetIsoFile() override;
    QString ProjectName() const override;
    void StopRefresh() override;

    TProjectTreeView* Tree() const { return tree_; }
    TDetailsPanel* Details() const { return details_; }
    QMenu* Menu() const { return menu_; }
    // The menu's commands, in its order.
    enum TCommand { Rename, Delete, CreateFolder, AddFolder, AddFilesCommand, ExpandAll, CollapseAll, Execute };
    QAction* Action(TCommand command) const { return actions_[command]; }

    // Adds local files and folders under the selected node, as a drop from
    // a file manager does.
    void AddLocalPaths(const QStringList& paths);

protected:
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenu();
    void UpdateMenu();
    void SetEditingShortcuts(bool editing);

    // The commands.
    void ChooseFiles();
    void ChooseFolder();
    void NewFolder();
    void RenameSelected();
    void DeleteSelected();
    void ExpandEverything();
    void CollapseEverything();
    void ExecuteSelected();

    void Dropped(const QStringList& paths, const QStringList& refused);
    void Renamed(TProjectNode* node, const QString& text);
    void Moved(TProjectNode* dragged, TProjectNode* target);

    // Where new entries go: the selected node, or the folder of the selected
    // file.
    TProjectNode* InsertionNode();
    // The replace question for `name` under `parent`, when a child has that
    // name; true when there is none, or it was replaced.
    bool MayPlace(TProjectNode* parent, const QString& name, const TProjectNode* except = nullptr);
    void DeletingNode(TProjectNode* node);
    void MovingNode(TProjectNode* node, TProjectNode* target);
    // Reads `paths` into nodes under `parent`; false when the page went
    // away meanwhile.
    // Then reads the drops that came meanwhile.
    bool ReadInto(TProjectNode* parent, const QStringList& paths, bool stopOnNo);
    bool ReadPaths(TProjectNode* parent, const QStringList& paths, bool stopOnNo);

    void ShowDiscContents();
    void DisplayDir(TProjectNode* node, const TDEntry* dir);

    void RefreshDetails();
    void Tick();
    void ShowProjectSize();
    void ShowDiscSpace(const tasks::TDiscSpace& space);
    void StayOnTop(bool onTop);
    bool LoadProject();
    void SayMissing(const QString& path);
    void SayLeftOut(const QStringList& lines);

    TProjectTreeView* tree_ = nullptr;
    TDetailsPanel* details_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* actions_[8] = {};
    QList<QKeySequence> shortcuts_;
    QTimer timer_;
    TDiscSpaceProbe* probe_ = nullptr;
    // Cleared when the page goes, so that a folder still being read (which
    // lets the window process its events) stops without touching it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool busy_ = false;
    bool checking_ = false;  // Next's check runs
    // Dropped while a folder was being read: read right after it.
    QList<QStringList> queuedDrops_;
    // The disc as the drive last described it; none before its first answer.
    std::optional<tasks::TDiscSpace> space_;
};

}  // namespace sorvane::app
