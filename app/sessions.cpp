#include "app/sessions.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "app/global.h"
#include "app/main_window.h"
#include "app/session_tree.h"
#include "engine/drive_disc_source.h"
#include "engine/iso/local_name.h"
#include "engine/orvo_burner.h"
#include "tasks/counting_disc_source.h"
#include "tasks/disc_sessions.h"
#include "tasks/extraction.h"

namespace sorvane::app {
namespace {

constexpr int kMargin = 10;
constexpr int kTreeWidth = 270;
constexpr int kPanelX = kMargin + kTreeWidth + 10;
constexpr int kPanelWidth = 500 - kPanelX - kMargin;
constexpr int kBodyHeight = 352;
constexpr int kDetailRow = 42;
// Events are handled this often while the disc is read or copied: often
// enough for Stop and the close box to answer at once.
constexpr int kLiveEveryMs = 30;
// A message lists at most this many names; the rest are counted.
constexpr int kListedAtMost = 15;

constexpr char kFolderError[] = "Error while creating folder.\nPossibly it is write protection.";

void AddListed(QStringList& lines, const std::vector<std::string>& items) {
    const int count = static_cast<int>(items.size());
    for (int i = 0; i < std::min(count, kListedAtMost); ++i)
        lines << QString::fromStdString(PrintableName(items[static_cast<std::size_t>(i)]));
    if (count > kListedAtMost) lines << QString("... and %1 more").arg(count - kListedAtMost);
}

}  // namespace

TSessionsPage::TSessionsPage(TMainWindow& window) : TWizardPage(window, caption::kSessions) {
    const int top = AddHeader("Sessions browser", "Here you can see and extract all files on disc.");

    tree_ = new QTreeWidget(this);
    tree_->setObjectName("SessionsTree");
    tree_->setHeaderHidden(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setGeometry(kMargin, top + 8, kTreeWidth, kBodyHeight - top - 16);
    connect(tree_, &QTreeWidget::currentItemChanged, this, &TSessionsPage::ShowDetails);
    connect(tree_, &QTreeWidget::itemExpanded, this, [](QTreeWidgetItem* item) { ShowExpanded(*item, true); });
    connect(tree_, &QTreeWidget::itemCollapsed, this, [](QTreeWidgetItem* item) { ShowExpanded(*item, false); });

    const char* designCaptions[] = {"File path:", "File size:", "Last modified:"};
    for (int i = 0; i < 3; ++i) {
        const int y = top + 8 + i * kDetailRow;
        captions_[i] = new QLabel(designCaptions[i], this);
        captions_[i]->setStyleSheet("QLabel { color: navy; } QLabel:disabled { color: gray; }");
        captions_[i]->setGeometry(kPanelX, y, kPanelWidth, 16);
        fields_[i] = new QLineEdit(this);
        fields_[i]->setReadOnly(true);
        fields_[i]->setGeometry(kPanelX, y + 17, kPanelWidth, 20);
    }
    extract_ = new QPushButton("Extract selected items", this);
    extract_->setGeometry(kPanelX, top + 8 + 3 * kDetailRow + 6, kPanelWidth, 28);
    extract_->setEnabled(false);
    connect(extract_, &QPushButton::clicked, this, &TSessionsPage::ExtractSelected);

    extracting_ = new QLabel("Extracting...", this);
    extracting_->setStyleSheet("color: navy;");
    extracting_->setGeometry(kPanelX, kBodyHeight - 34, kPanelWidth, 18);
    extracting_->hide();

    Window().ShowDoneButton();
}

TSessionsPage::~TSessionsPage() {
    // A copy or a read whose loop is still below the event that destroys the
    // page stops at its next read and then leaves the page alone.
    *alive_ = false;
}

bool TSessionsPage::Extracting() const { return !extracting_->isHidden(); }

void TSessionsPage::HideExtracting() {
    extracting_->hide();
    stopped_ = true;
    // The copy ends at its next read; until it has, the page must stay.
    if (copying_) Window().SetHomeEnabled(false);
}

void TSessionsPage::showEvent(QShowEvent* event) {
    TWizardPage::showEvent(event);
    if (started_) return;
    started_ = true;
    // After the page has been drawn: the drive may take a while.
    QTimer::singleShot(0, this, &TSessionsPage::ReadSessions);
}

QString TSessionsPage::DriveName() const {
    const int device = State().ChosenDevice;
    if (device < 0 || device >= State().DeviceNames.size()) return {};
    return State().DeviceNames[device].section(':', 0, 0).trimmed();
}

void TSessionsPage::KeepWindowLive() {
    if (sinceLive_.isValid() && sinceLive_.elapsed() < kLiveEveryMs) return;
    sinceLive_.restart();
    QCoreApplication::processEvents();
}

void TSessionsPage::ReadSessions() {
    // Home would destroy the page under the read; a close is survived.
    Window().SetHomeEnabled(false);
    if (!FillTree()) return;
    Window().SetHomeEnabled(true);
    read_ = true;
}

bool TSessionsPage::FillTree() {
    tree_->clear();
    sessions_.reset();
    if (State().ChosenDevice < 0 || !tasks::LoadAndWaitForDisc(Burner())) {
        AddMessageNode(*tree_, "Error while getting sessions");
        return true;
    }
    TDriveDiscSource reader(Burner());
    tasks::TCountingDiscSource disc(reader);
    const std::shared_ptr<bool> alive = alive_;
    disc.OnRead = [this, alive] {
        if (*alive) KeepWindowLive();
    };
    if (disc.GetLastSession() == 0) {
        AddMessageNode(*tree_, "Sessions not found");
        return true;
    }
    auto sessions = std::make_shared<std::vector<TDiscSession>>(ReadDiscSessions(disc, nullptr));
    if (!*alive) return false;
    for (TDiscSession& session : *sessions) SortForDisplay(session.Root);
    sessions_ = std::move(sessions);

    tree_->setUpdatesEnabled(false);
    const QString drive = DriveName();
    for (const TDiscSession& session : *sessions_) AddSessionNode(*tree_, session, drive);
    tree_->setUpdatesEnabled(true);
    tree_->setCurrentItem(tree_->topLevelItem(0));
    extract_->setEnabled(true);
    return true;
}

void TSessionsPage::ShowDetails() {
    const QTreeWidgetItem* item = tree_->currentItem();
    if (!item || NodeImage(*item) == kMessage) return;
    const TDetails details = DetailsOf(*item);
    const TDetailRow* rows[] = {&details.Path, &details.Size, &details.Modified};
    for (int i = 0; i < 3; ++i) {
        captions_[i]->setText(rows[i]->Caption);
        captions_[i]->setEnabled(rows[i]->Enabled);
        fields_[i]->setText(rows[i]->Text);
        fields_[i]->setEnabled(rows[i]->Enabled);
    }
}

void TSessionsPage::ExtractSelected() {
    const QTreeWidgetItem* item = tree_->currentItem();
    if (!item || NodeImage(*item) == kMessage || copying_) return;
    QString folder = State().LastFolder;
    if (!Window().BrowseForFolder("Select folder to save selected items", folder)) return;

    State().CancelExtract = false;
    stopped_ = false;
    extracting_->show();
    Window().SetHomeEnabled(false);
    Window().ShowStopButton(true);
    if (!ExtractNode(*item, folder)) return;
    Window().SetHomeEnabled(true);
    Window().ShowDoneButton();
    extracting_->hide();
}

bool TSessionsPage::ExtractNode(const QTreeWidgetItem& item, const QString& folder) {
    const TSessionNodeData node = NodeDataOf(item);
    const bool wholeSession = NodeImage(item) == kSessionClosed || NodeImage(item) == kSessionOpen;
    // Kept for the walk, whatever becomes of the page.
    const std::shared_ptr<const std::vector<TDiscSession>> sessions = sessions_;
    const std::shared_ptr<bool> alive = alive_;
    tasks::TExtractEvents events;
    events.StopRequested = [this, alive] {
        if (*alive) KeepWindowLive();
        return !*alive || stopped_ || State().CancelExtract;
    };
    events.FolderNotCreated = [this, alive](const std::string&, const std::string&) {
        if (*alive) Say(kFolderError, "Error", TMessageIcon::Warning);
    };
    TOrvoBurner& burner = Burner();
    const std::string target = folder.toStdString();
    copying_ = true;
    const tasks::TExtractOutcome outcome =
        tasks::ExtractFromDisc(burner, *node.Session, wholeSession ? nullptr : node.Entry, target, events);
    if (!*alive) return false;
    copying_ = false;

    // What the user stopped needs no word; what went wrong on its own, and
    // names the local folder could not take, do.
    const TExtractReport& report = outcome.Report;
    if (report.Failures.empty() && !outcome.TreeIncomplete && report.Renamed.empty()) return true;
    QStringList lines;
    if (outcome.TreeIncomplete) {
        lines << SessionWarningText(*node.Session);
        AddListed(lines, tasks::SessionProblems(*node.Session));
        lines << "";
    }
    lines << QString::fromStdString(tasks::ExtractSummary(outcome, node.Session->Number, target));
    if (!report.Failures.empty()) {
        lines << "" << "Not extracted:";
        AddListed(lines, report.Failures);
    }
    if (!report.Renamed.empty()) {
        lines << "" << "Saved under another name:";
        AddListed(lines, report.Renamed);
    }
    const bool complete = report.Failures.empty() && !outcome.TreeIncomplete;
    Say(lines.join('\n'), complete ? "Extraction finished" : "Extraction incomplete",
        complete ? TMessageIcon::Information : TMessageIcon::Warning);
    return true;
}

}  // namespace sorvane::app
