#include "app/capability_matrix.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include "engine/device/scsi_device.h"
#include "tasks/disc_values.h"

namespace sorvane::app {
namespace {

constexpr int kWidth = 180;
constexpr int kRowHeight = 17;
constexpr int kMarkSize = 12;
constexpr int kNameHeight = 30;
constexpr int kColumnWidth = 86;

// The marks are drawn rather than taken from an icon theme, which a
// desktop may lack.
QPixmap MarkPicture(bool yes) {
    QPixmap picture(kMarkSize, kMarkSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(yes ? QColor(0, 140, 0) : QColor(200, 0, 0), 2.2, Qt::SolidLine, Qt::RoundCap));
    if (yes) {
        painter.drawLine(QPointF(2, 6.5), QPointF(5, 9.5));
        painter.drawLine(QPointF(5, 9.5), QPointF(10, 2.5));
    } else {
        painter.drawLine(QPointF(3, 3), QPointF(9, 9));
        painter.drawLine(QPointF(9, 3), QPointF(3, 9));
    }
    return picture;
}

QString MarkName(const QString& column, const QString& caption) { return column + " " + caption; }

}  // namespace

TCapabilityMatrix::TCapabilityMatrix(QWidget* parent) : QWidget(parent) {
    name_ = new QLabel(this);
    name_->setGeometry(0, 0, kWidth, kNameHeight);
    name_->setWordWrap(true);
    name_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = name_->font();
    bold.setBold(true);
    name_->setFont(bold);

    AddColumn("Read", 0, tasks::ReadMatrix());
    AddColumn("Write", kColumnWidth + 8, tasks::WriteMatrix());

    const tasks::TMatrixRow underrun = tasks::UnderrunRow();
    const int y = kNameHeight + kRowHeight * (static_cast<int>(tasks::ReadMatrix().size()) + 1) + 8;
    // Its caption is longer than a column: it may take two lines.
    auto* caption = new QLabel(underrun.Caption, this);
    caption->setWordWrap(true);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    caption->setGeometry(0, y, kWidth - kMarkSize - 6, 2 * kRowHeight);
    auto* mark = new QLabel(this);
    mark->setObjectName(MarkName("Below", underrun.Caption));
    mark->setGeometry(kWidth - kMarkSize - 2, y + 2, kMarkSize, kMarkSize);
    rows_.push_back({mark, underrun.Capability});
    setFixedSize(kWidth, y + 2 * kRowHeight);
    Clear("Device name");
}

void TCapabilityMatrix::AddColumn(const QString& title, int x, std::span<const tasks::TMatrixRow> rows) {
    auto* header = new QLabel(title, this);
    QFont bold = header->font();
    bold.setBold(true);
    header->setFont(bold);
    header->setGeometry(x, kNameHeight, kColumnWidth, kRowHeight);
    int y = kNameHeight + kRowHeight;
    for (const tasks::TMatrixRow& row : rows) {
        auto* caption = new QLabel(row.Caption, this);
        caption->setGeometry(x + 6, y, kColumnWidth - kMarkSize - 10, kRowHeight);
        auto* mark = new QLabel(this);
        mark->setObjectName(MarkName(title, row.Caption));
        mark->setGeometry(x + kColumnWidth - kMarkSize - 4, y + 2, kMarkSize, kMarkSize);
        rows_.push_back({mark, row.Capability});
        y += kRowHeight;
    }
}

void TCapabilityMatrix::Clear(const QString& name) {
    name_->setText(name);
    for (const TRow& row : rows_) row.Mark->hide();
}

void TCapabilityMatrix::Show(const QString& name, const TSCSIDevice& drive) {
    name_->setText(name);
    for (const TRow& row : rows_) {
        const bool yes = drive.Can(row.Capability);
        row.Mark->setPixmap(MarkPicture(yes));
        row.Mark->setProperty("yes", yes);
        row.Mark->show();
    }
}

QLabel* TCapabilityMatrix::Mark(const QString& column, const QString& caption) const {
    return findChild<QLabel*>(MarkName(column, caption));
}

}  // namespace sorvane::app
