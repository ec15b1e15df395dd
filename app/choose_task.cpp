#include "app/choose_task.h"

#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QRadialGradient>
#include <QAbstractItemView>
#include <QVBoxLayout>

#include "app/global.h"
#include "app/icons.h"
#include "app/main_window.h"
#include "app/metrics.h"
#include "engine/rtl/program_files.h"

namespace sorvane::app {
namespace {

struct TTaskRowText {
    const char* Caption;
    const char* ThemeIcon;
    QStyle::StandardPixmap Fallback;
};

// In the order of the task numbers.
constexpr std::array<TTaskRowText, TChooseTaskPage::kTaskCount> kRows = {{
    {QT_TR_NOOP("Record new CD/DVD"), "media-optical-burn", QStyle::SP_DriveCDIcon},
    {QT_TR_NOOP("Continue CD/DVD"), "media-optical-data", QStyle::SP_DriveDVDIcon},
    {QT_TR_NOOP("Erase RW-disc"), "edit-clear", QStyle::SP_TrashIcon},
    {QT_TR_NOOP("Make ISO-image"), "document-save", QStyle::SP_DialogSaveButton},
    {QT_TR_NOOP("Record ISO-image to disc"), "media-optical", QStyle::SP_DriveCDIcon},
    {QT_TR_NOOP("Get information"), "dialog-information", QStyle::SP_MessageBoxInformation},
}};

const QColor kSilver(192, 192, 192);

// The picture at the left: a disc on a deep blue ground, with the version
// texts near its bottom.
class TPicture : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient ground(0, 0, 0, height());
        ground.setColorAt(0, QColor(24, 58, 120));
        ground.setColorAt(1, QColor(8, 20, 48));
        painter.fillRect(rect(), ground);

        const double radius = width() * 0.36;
        const QPointF centre(width() / 2.0, height() * 0.36);
        QRadialGradient shine(centre, radius, centre - QPointF(radius / 3, radius / 3));
        shine.setColorAt(0, QColor(250, 250, 255));
        shine.setColorAt(0.5, QColor(190, 205, 230));
        shine.setColorAt(1, QColor(140, 160, 200));
        painter.setPen(QPen(QColor(230, 235, 245), 1.5));
        painter.setBrush(shine);
        painter.drawEllipse(centre, radius, radius);
        painter.setBrush(QColor(120, 140, 185));
        painter.drawEllipse(centre, radius * 0.3, radius * 0.3);
        painter.setBrush(QColor(16, 40, 90));
        painter.drawEllipse(centre, radius * 0.1, radius * 0.1);
    }
};

// The README this program carries: beside it, or in the install's data
// folder.
QString ReadmeFile() {
    for (const std::string& candidate : ProgramFileCandidates("README.md", TProgramFileKind::Data))
        if (QFileInfo::exists(QString::fromStdString(candidate))) return QString::fromStdString(candidate);
    return {};
}

}  // namespace

TTaskRow::TTaskRow(const QString& text, const QIcon& icon, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setIcon(icon);
    setObjectName(text);
    setAccessibleName(text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setIconSize(QSize(metrics::Scaled(metrics::kTaskIconSize), metrics::Scaled(metrics::kTaskIconSize)));
}

void TTaskRow::SetSelected(bool selected) {
    selected_ = selected;
    QFont rowFont = font();
    rowFont.setBold(selected);
    setFont(rowFont);
    update();
}

QSize TTaskRow::sizeHint() const {
    QFont bold = font();
    bold.setBold(true);
    const int textWidth = QFontMetrics(bold).horizontalAdvance(text());
    const int padding = metrics::Scaled(6);
    return {padding + iconSize().width() + padding + textWidth + padding,
            std::max(iconSize().height(), QFontMetrics(bold).height()) + 2 * metrics::Scaled(4)};
}

void TTaskRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), selected_ ? kSilver : QColor(Qt::white));
    if (selected_) {
        // The marker: a band at the row's right end, behind icon and caption.
        const int markerWidth = std::min(width(), metrics::Scaled(metrics::kMarkerWidth));
        const QRect marker(width() - markerWidth, 0, markerWidth, height());
        QLinearGradient band(marker.topLeft(), marker.topRight());
        band.setColorAt(0, kSilver);
        band.setColorAt(1, QColor(232, 232, 232));
        painter.fillRect(marker, band);
        painter.setPen(QPen(QColor(24, 58, 120), metrics::Scaled(2)));
        const int x = width() - metrics::Scaled(14);
        const int y = height() / 2;
        const int arm = metrics::Scaled(5);
        painter.drawLine(x - arm, y - arm, x, y);
        painter.drawLine(x, y, x - arm, y + arm);
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    const int padding = metrics::Scaled(6);
    const QRect iconRect(padding, (height() - iconSize().height()) / 2, iconSize().width(), iconSize().height());
    icon().paint(&painter, iconRect);
    painter.setPen(Qt::black);
    painter.setFont(font());
    const QRect textRect(iconRect.right() + padding, 0, width() - iconRect.right() - 2 * padding, height());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text());
}

TChooseTaskPage::TChooseTaskPage(TMainWindow& window) : TWizardPage(window, QString::fromLatin1(caption::kChooseTask)) {
    const int top = AddHeader(tr("Welcome to Sorvane!"), tr("What do you want to do?"));
    const int bodyHeight = height() - top;
    const int pictureWidth = metrics::Scaled(metrics::kPictureWidth);

    auto* picture = new TPicture(this);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setGeometry(0, top, pictureWidth, bodyHeight);
    auto* version = new QLabel(tr("Version 1.0"), picture);
    auto* freeware = new QLabel(tr("Freeware version"), picture);
    linkTarget_ = ReadmeFile();
    link_ = new QLabel(tr("About Sorvane"), picture);
    link_->setObjectName(QStringLiteral("link"));
    link_->setAccessibleName(tr("About Sorvane: open the README"));
    link_->setToolTip(linkTarget_);
    link_->setCursor(Qt::PointingHandCursor);
    link_->setFocusPolicy(Qt::StrongFocus);
    QFont underlined = link_->font();
    underlined.setUnderline(true);
    link_->setFont(underlined);
    QPalette light = version->palette();
    light.setColor(QPalette::WindowText, QColor(230, 235, 245));
    version->setPalette(light);
    freeware->setPalette(light);
    QPalette blue = link_->palette();
    blue.setColor(QPalette::WindowText, QColor(120, 170, 255));
    link_->setPalette(blue);
    link_->setVisible(!linkTarget_.isEmpty());
    link_->installEventFilter(this);
    auto* texts = new QVBoxLayout(picture);
    texts->setContentsMargins(metrics::Scaled(12), 0, metrics::Scaled(8), metrics::Scaled(10));
    texts->setSpacing(metrics::Scaled(2));
    texts->addStretch();
    texts->addWidget(version);
    texts->addWidget(freeware);
    texts->addWidget(link_);

    // The rows and the drive list share the white column at the right.
    auto* column = new QWidget(this);
    column->setAutoFillBackground(true);
    QPalette white = column->palette();
    white.setColor(QPalette::Window, Qt::white);
    column->setPalette(white);
    column->setGeometry(pictureWidth, top, width() - pictureWidth, bodyHeight);
    const int rowWidth = std::min(column->width(), metrics::Scaled(metrics::kTaskRowWidth));
    const int rowX = (column->width() - rowWidth) / 2;
    int rowY = metrics::Scaled(4);
    for (int task = 0; task < kTaskCount; ++task) {
        const TTaskRowText& text = kRows[static_cast<std::size_t>(task)];
        auto* row = new TTaskRow(tr(text.Caption), ThemeIcon(text.ThemeIcon, text.Fallback), column);
        const int rowHeight = std::max(metrics::Scaled(metrics::kTaskRowHeight), row->sizeHint().height());
        row->setGeometry(rowX, rowY, rowWidth, rowHeight);
        rowY += rowHeight;
        connect(row, &QAbstractButton::clicked, this, [this, task] { RowClick(task); });
        rows_[static_cast<std::size_t>(task)] = row;
    }

    auto* driveLabel = new QLabel(tr("Select device:"), column);
    driveLabel->setObjectName(QStringLiteral("driveLabel"));
    QPalette navy = driveLabel->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    driveLabel->setPalette(navy);
    drives_ = new QComboBox(column);
    drives_->setObjectName(QStringLiteral("driveList"));
    drives_->setAccessibleName(tr("Select device:"));
    drives_->setEditable(false);
    driveLabel->setBuddy(drives_);
    const int comboHeight = drives_->sizeHint().height();
    const int labelHeight = driveLabel->sizeHint().height();
    const int margin = metrics::Scaled(8);
    drives_->setGeometry(rowX, column->height() - margin - comboHeight, rowWidth, comboHeight);
    driveLabel->setGeometry(rowX, drives_->y() - labelHeight - metrics::Scaled(2), rowWidth, labelHeight);

    // Creation: the task and drive chosen before come back as they were.
    Window().SetHomeEnabled(false);
    TGlobalState& state = State();
    if (state.ChosenTask < 0 || state.ChosenTask >= kTaskCount) state.ChosenTask = kTaskRecordNew;
    RowClick(state.ChosenTask);
    drives_->clear();
    drives_->addItems(state.DeviceNames);
    drives_->setCurrentIndex(state.ChosenDevice);
    // A long drive name is cut in the list's own width; its popup and
    // tooltip show it whole.
    int widest = 0;
    for (const QString& name : state.DeviceNames)
        widest = std::max(widest, drives_->fontMetrics().horizontalAdvance(name));
    drives_->view()->setMinimumWidth(widest + metrics::Scaled(24));
    drives_->setToolTip(drives_->currentText());
    connect(drives_, &QComboBox::currentTextChanged, drives_, &QComboBox::setToolTip);
    connect(drives_, &QComboBox::currentIndexChanged, this, &TChooseTaskPage::DriveListChange);
    state.EraseFirst = false;
    state.EraseFailed = false;
    state.WriteError.clear();
    Window().StopButton()->setEnabled(true);
}

void TChooseTaskPage::DeselectAllPanels() {
    for (TTaskRow* row : rows_) row->SetSelected(false);
}

void TChooseTaskPage::RowClick(int task) {
    DeselectAllPanels();
    rows_[static_cast<std::size_t>(task)]->SetSelected(true);
    State().ChosenTask = task;
}

void TChooseTaskPage::DriveListChange(int index) {
    if (index >= 0) Window().SelectDrive(index);
}

void TChooseTaskPage::LinkClick() {
    if (!linkTarget_.isEmpty()) Window().Services().Desktop->Open(linkTarget_);
}

bool TChooseTaskPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == link_) {
        const bool click = event->type() == QEvent::MouseButtonRelease;
        const bool key = event->type() == QEvent::KeyPress &&
                         (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                          static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space);
        if (click || key) {
            LinkClick();
            return true;
        }
    }
    return TWizardPage::eventFilter(watched, event);
}

}  // namespace sorvane::app
