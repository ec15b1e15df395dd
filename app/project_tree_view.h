#pragma once
// The Add Files page's tree as a control: nodes that open and close with
// their images, names edited in place only when the page asks (with the
// characters a disc's names cannot hold discarded while typing), drops of
// files and folders from the desktop's file managers, and moves of nodes by
// dragging them within the tree. It decides nothing about the project: it
// tells the page what the user did.

#include <QStringList>
#include <QTreeWidget>
#include <QUrl>

namespace sorvane::app {

class TProjectNode;

// What a file manager dropped: local files and folders by path, and the
// rest (a web address, a file of another machine) as shown to the user.
void SplitDroppedUrls(const QList<QUrl>& urls, QStringList& paths, QStringList& refused);

class TProjectTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TProjectTreeView(QWidget* parent);
    ~TProjectTreeView() override;

    TProjectNode* Root() const;
    TProjectNode* Selected() const;
    QList<TProjectNode*> SelectedNodes() const;
    void Select(TProjectNode* node);

    // Opens the selected node's name for editing.
    void Rename(TProjectNode* node);
    bool Editing() const { return editing_; }

    // Whether `dragged` may be dropped on `target` (the node under the
    // pointer, or the selected one when there is none).
    static bool MoveAccepted(const TProjectNode* dragged, const TProjectNode* target);

    // What a drag of nodes within the tree carries. Only this tree makes
    // it, so a drop that carries it is a move.
    static constexpr char kNodeDragFormat[] = "application/x-sorvane-project-node";

    // The characters no name on the disc may hold.
    static QString WithoutForbidden(const QString& text);

signals:
    // Local files and folders dropped from outside; `refused` holds what
    // was dropped that is no local file.
    void PathsDropped(const QStringList& paths, const QStringList& refused);
    void MoveRequested(TProjectNode* dragged, TProjectNode* target);
    void RenameRequested(TProjectNode* node, const QString& text);
    void EditingChanged(bool editing);
    void Pressed();
    void ExecuteRequested();

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    friend class TNameEditorDelegate;
    void SetEditing(bool editing);
    TProjectNode* DropTarget(const QPoint& position) const;

    bool editing_ = false;
};

}  // namespace sorvane::app
