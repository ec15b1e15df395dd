#include "app/project_tree_view.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QStyledItemDelegate>
#include <QUrl>

#include "app/project_node.h"

namespace sorvane::app {

// Opens a line editor that discards the forbidden characters as they are
// typed, and hands the finished name to the page instead of storing it:
// the page decides whether it is taken.
class TNameEditorDelegate : public QStyledItemDelegate {
public:
    explicit TNameEditorDelegate(TProjectTreeView& view) : QStyledItemDelegate(&view), view_(view) {
        connect(this, &QAbstractItemDelegate::closeEditor, &view, [this] { view_.SetEditing(false); });
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* editor = static_cast<QLineEdit*>(QStyledItemDelegate::createEditor(parent, option, index));
        QObject::connect(editor, &QLineEdit::textEdited, editor, [editor](const QString& text) {
            const QString kept = TProjectTreeView::WithoutForbidden(text);
            if (kept == text) return;
            const int cursor = editor->cursorPosition() - static_cast<int>(text.size() - kept.size());
            editor->setText(kept);
            editor->setCursorPosition(std::max(cursor, 0));
        });
        view_.SetEditing(true);
        return editor;
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        // Handed over once the editor is closed: taking the name may sort
        // the node elsewhere or remove a sibling, which must not happen
        // under an editor the view still holds.
        const QPersistentModelIndex named(index);
        const QString text = static_cast<QLineEdit*>(editor)->text();
        TProjectTreeView* view = &view_;
        QMetaObject::invokeMethod(
            view,
            [view, named, text] {
                if (named.isValid())
                    emit view->RenameRequested(static_cast<TProjectNode*>(view->itemFromIndex(named)), text);
            },
            Qt::QueuedConnection);
    }

private:
    TProjectTreeView& view_;
};

void SplitDroppedUrls(const QList<QUrl>& urls, QStringList& paths, QStringList& refused) {
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
        else
            refused.append(url.toDisplayString());
    }
}

TProjectTreeView::TProjectTreeView(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    header()->setStretchLastSection(true);
    setRootIsDecorated(false);
    // Rows of one height: a folder of many thousand entries opens at once.
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setItemDelegate(new TNameEditorDelegate(*this));
    // Opening a folder shows it open; the root stays open.
    connect(this, &QTreeWidget::itemExpanded, this, [](QTreeWidgetItem* item) {
        auto* node = static_cast<TProjectNode*>(item);
        if (node->Image() == kImageFolder) node->SetImage(kImageFolderOpen);
        if (node->Image() == kImageOldFolder) node->SetImage(kImageOldFolderOpen);
    });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        auto* node = static_cast<TProjectNode*>(item);
        if (node->IsRoot()) {
            expandItem(node);
            return;
        }
        if (node->Image() == kImageFolderOpen) node->SetImage(kImageFolder);
        if (node->Image() == kImageOldFolderOpen) node->SetImage(kImageOldFolder);
    });
}

TProjectTreeView::~TProjectTreeView() {
    // An editor still open is closed while the view goes: that must not
    // reach a page that is going too.
    itemDelegate()->disconnect(this);
    blockSignals(true);
}

TProjectNode* TProjectTreeView::Root() const { return static_cast<TProjectNode*>(topLevelItem(0)); }

TProjectNode* TProjectTreeView::Selected() const { return static_cast<TProjectNode*>(currentItem()); }

QList<TProjectNode*> TProjectTreeView::SelectedNodes() const {
    QList<TProjectNode*> nodes;
    for (QTreeWidgetItem* item : selectedItems()) nodes.append(static_cast<TProjectNode*>(item));
    return nodes;
}

void TProjectTreeView::Select(TProjectNode* node) {
    setCurrentItem(node, 0, QItemSelectionModel::ClearAndSelect);
    scrollToItem(node);
}

void TProjectTreeView::Rename(TProjectNode* node) {
    if (!node) return;
    scrollToItem(node);
    editItem(node, 0);
}

void TProjectTreeView::SetEditing(bool editing) {
    if (editing == editing_) return;
    editing_ = editing;
    emit EditingChanged(editing);
}

QString TProjectTreeView::WithoutForbidden(const QString& text) {
    static const QString kForbidden = QStringLiteral("\"*/:;<>?\\|");
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text)
        if (!kForbidden.contains(c)) kept.append(c);
    return kept;
}

bool TProjectTreeView::MoveAccepted(const TProjectNode* dragged, const TProjectNode* target) {
    if (!dragged || !target || dragged->IsRoot() || dragged->Data().Imported) return false;
    if (target == dragged || target == dragged->parent()) return false;
    if (target->parent() == dragged->parent() && !target->IsFolder()) return false;
    return !dragged->Contains(target);
}

TProjectNode* TProjectTreeView::DropTarget(const QPoint& position) const {
    if (auto* node = static_cast<TProjectNode*>(itemAt(position))) return node;
    return Selected();
}

namespace {

bool IsMove(const QDropEvent* event) { return event->mimeData()->hasFormat(TProjectTreeView::kNodeDragFormat); }

}  // namespace

QStringList TProjectTreeView::mimeTypes() const { return {kNodeDragFormat}; }

QMimeData* TProjectTreeView::mimeData(const QList<QTreeWidgetItem*>&) const {
    // The node moved is the selected one; the drag names no other.
    auto* carried = new QMimeData;
    carried->setData(kNodeDragFormat, {});
    return carried;
}

void TProjectTreeView::dragEnterEvent(QDragEnterEvent* event) {
    if (IsMove(event) || event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TProjectTreeView::dragMoveEvent(QDragMoveEvent* event) {
    if (!IsMove(event)) {
        // Dropped files go under the selected node wherever the pointer is.
        if (event->mimeData()->hasUrls())
            event->acceptProposedAction();
        else
            event->ignore();
        return;
    }
    if (MoveAccepted(Selected(), DropTarget(event->position().toPoint()))) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TProjectTreeView::dropEvent(QDropEvent* event) {
    if (IsMove(event)) {
        TProjectNode* dragged = Selected();
        TProjectNode* target = DropTarget(event->position().toPoint());
        // The view must not move the item itself: the page does, keeping
        // the sizes of both ancestries right.
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
        if (MoveAccepted(dragged, target)) emit MoveRequested(dragged, target);
        return;
    }
    if (!event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    QStringList paths, refused;
    SplitDroppedUrls(event->mimeData()->urls(), paths, refused);
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit PathsDropped(paths, refused);
}

void TProjectTreeView::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    emit Pressed();
}

void TProjectTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (itemAt(event->position().toPoint())) emit ExecuteRequested();
}

}  // namespace sorvane::app
