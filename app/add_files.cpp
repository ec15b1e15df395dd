#include "app/add_files.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QWindow>
#include <set>

#include "app/details_panel.h"
#include "app/disc_space_probe.h"
#include "app/global.h"
#include "app/local_tree_reader.h"
#include "app/main_window.h"
#include "app/project_loader.h"
#include "app/project_node.h"
#include "app/project_tree_view.h"
#include "app/size_text.h"
#include "engine/orvo_burner.h"
#include "tasks/record_checks.h"
#include "tasks/volume_identity.h"

namespace sorvane::app {
namespace {

constexpr int kRefreshMs = 500;
constexpr int kMargin = 8;
// The component's limits for the project this page loads.
constexpr int kMaxFiles = 65535;
constexpr int kMaxDirs = 8191;
// Lines of a left-out report shown before the rest is counted.
constexpr int kLeftOutLines = 12;
constexpr char kProjectRootName[] = "New";

// A date of the component (days since 30 December 1899, local time) as the
// system shows it.
QString DateText(double days) {
    const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    return QLocale::system().toString(epoch.addMSecs(static_cast<qint64>(days * 86400000.0)), QLocale::ShortFormat);
}

TOrvoBurner::TProjectTask ProjectTaskOf(int task) {
    switch (task) {
        case kTaskContinue: return TOrvoBurner::TProjectTask::ContinueDisc;
        case kTaskMakeIso: return TOrvoBurner::TProjectTask::ImageFile;
        default: return TOrvoBurner::TProjectTask::RecordNew;
    }
}

}  // namespace

TAddFilesPage::TAddFilesPage(TMainWindow& window) : TWizardPage(window, caption::kAddFiles) {
    // The header sets the page's top margin; the layout adds only its own.
    AddHeader(tr("Add files"), tr("Select files and folders for recording with popup menu or Drag&Drop."));
    tree_ = new TProjectTreeView(this);
    details_ = new TDetailsPanel(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, 0, kMargin);
    layout->setSpacing(0);
    layout->addWidget(tree_, 1);
    layout->addWidget(details_);
    probe_ = new TDiscSpaceProbe(Burner(), this);
    BuildMenu();

    // Every task starts its own project: nothing of an earlier one (a
    // continued disc's import above all) carries over.
    Burner().BeginProject(ProjectTaskOf(State().ChosenTask));
    Burner().ClearProject(kMaxFiles, kMaxDirs);
    Window().SetHomeEnabled(true);
    auto* root = new TProjectNode(tr(kProjectRootName), kImageRoot);
    tree_->addTopLevelItem(root);
    tree_->Select(root);
    setAcceptDrops(true);
    if (State().ChosenTask == kTaskContinue) ShowDiscContents();
    if (State().ChosenTask == kTaskMakeIso)
        details_->DisableFreeSpace();
    else
        details_->SetFreeSpace(QString(), false);  // until the drive answers: no made-up 0
    State().HelpTopic = HelpTopicOf(caption::kAddFiles, State().ChosenTask);

    connect(tree_, &TProjectTreeView::PathsDropped, this, &TAddFilesPage::Dropped, Qt::QueuedConnection);
    connect(tree_, &TProjectTreeView::MoveRequested, this, &TAddFilesPage::Moved);
    connect(tree_, &TProjectTreeView::RenameRequested, this, &TAddFilesPage::Renamed);
    connect(tree_, &TProjectTreeView::EditingChanged, this, &TAddFilesPage::SetEditingShortcuts);
    connect(tree_, &TProjectTreeView::Pressed, this, &TAddFilesPage::RefreshDetails);
    connect(tree_, &TProjectTreeView::ExecuteRequested, this, &TAddFilesPage::ExecuteSelected);
    connect(tree_, &QTreeWidget::currentItemChanged, this, &TAddFilesPage::RefreshDetails);
    connect(tree_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { menu_->popup(tree_->viewport()->mapToGlobal(at)); });
    connect(details_->AlwaysOnTop(), &QCheckBox::clicked, this, [this](bool on) { StayOnTop(on); });
    connect(probe_, &TDiscSpaceProbe::Answered, this, &TAddFilesPage::ShowDiscSpace);
    connect(&timer_, &QTimer::timeout, this, &TAddFilesPage::Tick);
    RefreshDetails();
    timer_.start(kRefreshMs);
    // The disc's free space is asked for at once, not half a second later.
    if (State().ChosenTask != kTaskMakeIso) probe_->Start();
}

TAddFilesPage::~TAddFilesPage() {
    *alive_ = false;
    tree_->disconnect(this);
    StopRefresh();
    StayOnTop(false);
}

void TAddFilesPage::BuildMenu() {
    menu_ = new QMenu(this);
    struct TItem {
        const char* Text;
        QKeySequence Shortcut;
        void (TAddFilesPage::*Run)();
        QStyle::StandardPixmap Icon;
    };
    const TItem items[] = {
        {"Rename", QKeySequence(Qt::Key_F2), &TAddFilesPage::RenameSelected, QStyle::SP_FileDialogDetailedView},
        {"Delete", QKeySequence(Qt::Key_Delete), &TAddFilesPage::DeleteSelected, QStyle::SP_TrashIcon},
        {"Create folder", QKeySequence(Qt::ALT | Qt::Key_Insert), &TAddFilesPage::NewFolder,
         QStyle::SP_FileDialogNewFolder},
        {"Add folder", QKeySequence(Qt::CTRL | Qt::Key_Insert), &TAddFilesPage::ChooseFolder, QStyle::SP_DirIcon},
        {"Add files", QKeySequence(Qt::Key_Insert), &TAddFilesPage::ChooseFiles, QStyle::SP_FileIcon},
        {"Expand all", QKeySequence(Qt::Key_End), &TAddFilesPage::ExpandEverything, QStyle::SP_ArrowDown},
        {"Collapse all", QKeySequence(Qt::Key_Home), &TAddFilesPage::CollapseEverything, QStyle::SP_ArrowUp},
        {"Execute", QKeySequence(Qt::Key_Return), &TAddFilesPage::ExecuteSelected, QStyle::SP_MediaPlay},
    };
    int index = 0;
    for (const TItem& item : items) {
        if (index == CreateFolder || index == ExpandAll || index == Execute) menu_->addSeparator();
        QAction* action = menu_->addAction(style()->standardIcon(item.Icon), tr(item.Text));
        action->setShortcut(item.Shortcut);
        // The keys act where the tree has the focus, and only there: Del in
        // another field deletes nothing of the project.
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        tree_->addAction(action);
        connect(action, &QAction::triggered, this, item.Run);
        shortcuts_.append(item.Shortcut);
        actions_[index++] = action;
    }
    connect(menu_, &QMenu::aboutToShow, this, &TAddFilesPage::UpdateMenu);
}

void TAddFilesPage::UpdateMenu() {
    const TProjectNode* node = tree_->Selected();
    const int image = node ? node->Image() : kImageRoot;
    actions_[Rename]->setEnabled(image < kImageOldFolder);
    actions_[Delete]->setEnabled(image == kImageFolder || image == kImageFolderOpen || image == kImageFile);
    actions_[Execute]->setEnabled(image == kImageFile);
    RefreshDetails();
}

void TAddFilesPage::SetEditingShortcuts(bool editing) {
    // While a name is edited, Del, End, Home and Enter belong to the editor.
    for (TCommand command : {Delete, ExpandAll, CollapseAll, Execute})
        actions_[command]->setShortcut(editing ? QKeySequence() : shortcuts_[command]);
    if (!editing) RefreshDetails();
}

// --- Adding -----------------------------------------------------------------

TProjectNode* TAddFilesPage::InsertionNode() {
    TProjectNode* node = tree_->Selected();
    if (!node) node = tree_->Root();
    if (node->IsFile()) {
        node = node->ParentNode();
        tree_->Select(node);
    }
    return node;
}

bool TAddFilesPage::MayPlace(TProjectNode* parent, const QString& name, const TProjectNode* except) {
    for (int i = 0; i < parent->childCount(); ++i) {
        TProjectNode* child = parent->Child(i);
        if (child == except || child->text(0) != name) continue;
        if (!AskYesNo(tr("Element \"%1\" already exists in this node.").arg(name) + "\n" + tr("Replace?"),
                      tr("Confirm replace")))
            return false;
        DeletingNode(child);
        return true;
    }
    return true;
}

bool TAddFilesPage::ReadInto(TProjectNode* parent, const QStringList& paths, bool stopOnNo) {
    if (!ReadPaths(parent, paths, stopOnNo)) return false;
    // Drops that came while the folder was read, in the order they came.
    while (!queuedDrops_.isEmpty())
        if (!ReadPaths(InsertionNode(), queuedDrops_.takeFirst(), false)) return false;
    return true;
}

bool TAddFilesPage::ReadPaths(TProjectNode* parent, const QStringList& paths, bool stopOnNo) {
    busy_ = true;
    const std::shared_ptr<bool> alive = alive_;
    TLocalTreeReader reader([alive] {
        QApplication::processEvents();
        return *alive;
    });
    tree_->setUpdatesEnabled(false);
    for (const QString& path : paths) {
        if (!MayPlace(parent, ItemName(path))) {
            if (stopOnNo) break;
            continue;
        }
        std::unique_ptr<TProjectNode> node = reader.Read(path);
        if (!*alive) return false;
        if (!node) continue;
        TProjectNode* added = node.release();
        parent->addChild(added);
        added->AddToAncestors(added->Data().Size);
        SortSubtree(added);
    }
    parent->sortChildren(0, Qt::AscendingOrder);
    tree_->setUpdatesEnabled(true);
    tree_->expandItem(parent);
    busy_ = false;
    RefreshDetails();
    if (!reader.LeftOut().isEmpty()) SayLeftOut(reader.LeftOut());
    return true;
}

void TAddFilesPage::AddLocalPaths(const QStringList& paths) {
    if (paths.isEmpty()) return;
    if (busy_) {
        queuedDrops_.append(paths);
        return;
    }
    ReadInto(InsertionNode(), paths, false);
}

void TAddFilesPage::Dropped(const QStringList& paths, const QStringList& refused) {
    if (!refused.isEmpty())
        Say(tr("Only files and folders of this computer can be added. Not added:") + "\n" + refused.join("\n"),
            tr("Not a local file"), TMessageIcon::Warning);
    AddLocalPaths(paths);
}

void TAddFilesPage::ChooseFiles() {
    if (busy_) return;
    const QStringList files =
        Window().Services().Dialogs->OpenFiles(this, tr("Select files to add"), tr("All files (*)"));
    if (!files.isEmpty()) ReadInto(InsertionNode(), files, false);
}

void TAddFilesPage::ChooseFolder() {
    if (busy_) return;
    QString folder = State().LastFolder;
    if (!Window().BrowseForFolder(tr("Select folder to add"), folder)) return;
    if (!folder.endsWith('/')) folder += '/';
    ReadInto(InsertionNode(), {folder}, true);
}

void TAddFilesPage::NewFolder() {
    if (busy_) return;
    TProjectNode* parent = InsertionNode();
    QString name = tr("New folder");
    for (int n = 1; IndexOfChild(parent, name) >= 0; ++n) name = tr("New folder %1").arg(n);
    auto* node = new TProjectNode(name, kImageFolder);
    parent->addChild(node);
    parent->sortChildren(0, Qt::AscendingOrder);
    tree_->expandItem(parent);
    tree_->Select(node);
    tree_->Rename(node);
}

// --- Renaming, deleting, moving -------------------------------------------

void TAddFilesPage::RenameSelected() {
    TProjectNode* node = tree_->Selected();
    if (busy_ || !node || node->IsOld()) return;
    tree_->Rename(node);
}

void TAddFilesPage::Renamed(TProjectNode* node, const QString& text) {
    if (text.trimmed().isEmpty() || text == node->text(0)) return;
    if (TProjectNode* parent = node->ParentNode()) {
        if (!MayPlace(parent, text, node)) return;
        node->setText(0, text);
        parent->sortChildren(0, Qt::AscendingOrder);
        tree_->Select(node);
    } else {
        node->setText(0, text);
    }
    RefreshDetails();
}

void TAddFilesPage::DeletingNode(TProjectNode* node) {
    if (!node || node->IsRoot()) return;
    if (!node->Data().Imported) node->AddToAncestors(-node->Data().Size);
    TProjectNode* parent = node->ParentNode();
    delete node;
    // An emptied folder shows closed. One of the disc's session stays one:
    // it can still be neither renamed nor deleted.
    if (!parent->IsRoot() && parent->childCount() == 0)
        parent->SetImage(parent->IsOld() ? kImageOldFolder : kImageFolder);
}

void TAddFilesPage::DeleteSelected() {
    if (busy_ || tree_->Editing()) return;
    const QList<TProjectNode*> selected = tree_->SelectedNodes();
    const std::set<const TProjectNode*> chosen(selected.begin(), selected.end());
    std::vector<TProjectNode*> doomed;
    for (TProjectNode* node : selected) {
        if (node->IsRoot() || node->Data().Imported) continue;
        bool underChosen = false;
        for (TProjectNode* above = node->ParentNode(); above && !above->IsRoot(); above = above->ParentNode())
            if (chosen.count(above) && !above->Data().Imported) {
                underChosen = true;
                break;
            }
        if (!underChosen) doomed.push_back(node);
    }
    if (doomed.empty()) return;
    // The folder the first one was in is selected afterwards: the view
    // would otherwise leave a current node that shows no selection.
    TProjectNode* after = doomed.front()->ParentNode();
    // Every one of them, however many were selected.
    tree_->setUpdatesEnabled(false);
    for (TProjectNode* node : doomed) DeletingNode(node);
    tree_->setUpdatesEnabled(true);
    tree_->Select(after);
    RefreshDetails();
}

void TAddFilesPage::MovingNode(TProjectNode* node, TProjectNode* target) {
    const std::int64_t size = node->Data().Imported ? 0 : node->Data().Size;
    node->AddToAncestors(-size);
    TProjectNode* from = node->ParentNode();
    from->takeChild(from->indexOfChild(node));
    if (!from->IsRoot() && from->childCount() == 0) from->SetImage(from->IsOld() ? kImageOldFolder : kImageFolder);
    target->addChild(node);
    node->AddToAncestors(size);
}

void TAddFilesPage::Moved(TProjectNode* dragged, TProjectNode* target) {
    if (busy_ || !TProjectTreeView::MoveAccepted(dragged, target)) return;
    if (target->IsFile()) target = target->ParentNode();
    if (target == dragged->ParentNode() || !MayPlace(target, dragged->text(0), dragged)) return;
    MovingNode(dragged, target);
    // Taken out and put back, a folder shows closed.
    if (dragged->Image() == kImageFolderOpen) dragged->SetImage(kImageFolder);
    target->sortChildren(0, Qt::AscendingOrder);
    tree_->expandItem(target);
    tree_->Select(dragged);
    RefreshDetails();
}

// --- Executing and browsing -----------------------------------------------

void TAddFilesPage::ExpandEverything() { tree_->expandAll(); }

void TAddFilesPage::CollapseEverything() {
    tree_->collapseAll();
    tree_->expandItem(tree_->Root());
}

void TAddFilesPage::ExecuteSelected() {
    const TProjectNode* node = tree_->Selected();
    if (!node || !node->IsNewFile() || tree_->Editing()) return;
    if (!QFileInfo(node->Data().SourcePath).isFile()) {
        SayMissing(node->Data().SourcePath);
        return;
    }
    Window().Services().Desktop->Open(node->Data().SourcePath);
}

// --- The disc's last session --------------------------------------------------

void TAddFilesPage::ShowDiscContents() {
    tree_->setUpdatesEnabled(false);
    bool incomplete = false;
    tasks::BeginContinueProject(Burner(), incomplete);
    TProjectNode* root = tree_->Root();
    DisplayDir(root, Burner().FindDir("\\"));
    SortSubtree(root);
    tree_->expandItem(root);
    tree_->setUpdatesEnabled(true);
    if (Burner().TestUnitReady(timeout::kTestUnitReadyMs) && Burner().GetUsedSectors() != 0) {
        tasks::TVolumeIdentity identity;
        if (tasks::ReadVolumeIdentity(Burner(), identity) && !identity.Label.empty())
            root->setText(0, QString::fromStdString(identity.Label));
    }
    if (incomplete)
        Say(tr("The disc's last session could not be read completely.") + "\n" +
                tr("What could not be read will not be shown in the new session."),
            tr("Previous session"), TMessageIcon::Warning);
}

void TAddFilesPage::DisplayDir(TProjectNode* node, const TDEntry* dir) {
    if (!dir) return;
    for (const TFEntry* entry = dir->FirstEntry; entry; entry = entry->Next) {
        const QString name = QString::fromStdString(entry->LongName);
        if (entry->IsDirectory()) {
            auto* folder = new TProjectNode(name, kImageOldFolder, TNodeData{name, 0, {}, true});
            node->addChild(folder);
            DisplayDir(folder, entry->Dir);
        } else {
            node->addChild(new TProjectNode(name, kImageOldFile,
                                            TNodeData{name, entry->IsoSize, DateText(entry->DateTime), true}));
        }
    }
}

// --- Sizes and the disc ---------------------------------------------------------

void TAddFilesPage::RefreshDetails() {
    if (const TProjectNode* node = tree_->Selected()) details_->ShowNode(*node);
    ShowProjectSize();
}

void TAddFilesPage::ShowProjectSize() {
    const std::int64_t size = tree_->Root()->Data().Size;
    const QString text = ProjectSizeText(size);
    // Against the disc last seen: green while the project fits (or there
    // is no disc), red when it does not; a closed disc leaves the colour.
    if (!space_ || space_->State == tasks::TDiscSpace::TState::Closed) {
        details_->ProjectSizeValue()->setText(text);
        return;
    }
    const bool fits =
        space_->State == tasks::TDiscSpace::TState::NoDisc || size < FreeSpaceBytes(space_->FreeSectors);
    details_->SetProjectSize(text, fits ? TDetailsPanel::TSizeColour::Fits : TDetailsPanel::TSizeColour::Overreaches);
}

void TAddFilesPage::Tick() {
    RefreshDetails();
    // Nor while Next checks the disc: a box it shows lets this run, and
    // the check goes on with the drive afterwards.
    if (State().ChosenTask == kTaskMakeIso || busy_ || checking_) return;
    probe_->Start();
}

void TAddFilesPage::ShowDiscSpace(const tasks::TDiscSpace& space) {
    space_ = space;
    switch (space.State) {
        case tasks::TDiscSpace::TState::NoDisc:
            details_->SetFreeSpace(tr("No disc"), false);
            break;
        case tasks::TDiscSpace::TState::Closed:
            details_->SetFreeSpace(tr("Disc is closed"), true);
            break;
        case tasks::TDiscSpace::TState::Free:
            details_->SetFreeSpace(FreeSpaceText(space.FreeSectors), false);
            break;
    }
    ShowProjectSize();
}

void TAddFilesPage::StopRefresh() {
    timer_.stop();
    probe_->Wait();
}

void TAddFilesPage::StayOnTop(bool onTop) {
    // Through the window itself: changing the widget's flags would hide it
    // and show it again, moved and activated.
    if (QWindow* window = Window().windowHandle()) window->setFlag(Qt::WindowStaysOnTopHint, onTop);
}

bool TAddFilesPage::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
            StayOnTop(details_->AlwaysOnTop()->isChecked());
            break;
        default:
            break;
    }
    return TWizardPage::event(event);
}

void TAddFilesPage::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TAddFilesPage::dropEvent(QDropEvent* event) {
    QStringList paths, refused;
    SplitDroppedUrls(event->mimeData()->urls(), paths, refused);
    event->acceptProposedAction();
    QMetaObject::invokeMethod(this, [this, paths, refused] { Dropped(paths, refused); }, Qt::QueuedConnection);
}

// --- Next -----------------------------------------------------------------------

QString TAddFilesPage::ProjectName() const { return tree_->Root()->text(0); }

void TAddFilesPage::SayMissing(const QString& path) {
    Say(tr("File \"%1\" not found.").arg(path) + "\n" + tr("Possibly it was renamed or deleted."), tr("File not found"),
        TMessageIcon::Warning);
}

void TAddFilesPage::SayLeftOut(const QStringList& lines) {
    QStringList shown = lines.mid(0, kLeftOutLines);
    if (lines.size() > kLeftOutLines) shown.append(tr("... and %1 more").arg(lines.size() - kLeftOutLines));
    Say(tr("Some entries were not added:") + "\n" + shown.join("\n"), tr("Entries left out"), TMessageIcon::Warning);
}

bool TAddFilesPage::LoadProject() {
    const TLoadReport report = LoadTree(Burner(), *tree_->Root());
    for (const QString& path : report.Missing) SayMissing(path);
    if (report.Refused.isEmpty()) return true;
    Say(report.Refused.join("\n"), QString::fromUtf8(tasks::kRecordCancelled), TMessageIcon::Warning);
    return false;
}

bool TAddFilesPage::AddFiles() {
    if (busy_) return false;
    const QScopedValueRollback<bool> checking(checking_, true);
    probe_->Wait();
    tasks::TRecordChoices choices;
    const auto task =
        State().ChosenTask == kTaskContinue ? tasks::TRecordTask::ContinueDisc : tasks::TRecordTask::RecordNew;
    const tasks::TCheckResult result = tasks::AddFiles(Burner(), task, tree_->Root()->Data().Size,
                                                       [this] { return LoadProject(); }, choices, AskQuestion());
    if (!result.Passed) {
        if (!result.Declined && !result.Message.Text.empty())
            Say(QString::fromStdString(result.Message.Text), QString::fromStdString(result.Message.Caption),
                TMessageIcon::Warning);
        return false;
    }
    State().EraseFirst = choices.EraseFirst;
    return true;
}

bool TAddFilesPage::GetIsoFile() {
    if (busy_) return false;
    const tasks::TCheckResult result =
        tasks::PrepareImageProject(Burner(), tree_->Root()->Data().Size, [this] { return LoadProject(); });
    if (!result.Passed) {
        if (!result.Message.Text.empty())
            Say(QString::fromStdString(result.Message.Text), QString::fromStdString(result.Message.Caption),
                TMessageIcon::Warning);
        return false;
    }
    const QString file = Window().Services().Dialogs->SaveFile(this, tr("Select filename for ISO-image"),
                                                               tr("ISO-images (*.iso)"), "iso");
    if (file.isEmpty()) return false;
    State().ImageFileName = file;
    return true;
}

}  // namespace sorvane::app
