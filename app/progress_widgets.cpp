#include "app/progress_widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

#include "tasks/progress_texts.h"

namespace sorvane::app {

QLabel* MakeCaption(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    label->setPalette(palette);
    return label;
}

QLabel* MakePercent(QWidget* parent) {
    auto* label = new QLabel("0%", parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QProgressBar* MakeBar(QWidget* parent, int maximum) {
    auto* bar = new QProgressBar(parent);
    // A bar with no maximum runs as a busy indicator: never let it get one.
    bar->setRange(0, maximum > 0 ? maximum : 1);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

QLabel* MakeTimeLabel(QWidget* parent, const QString& text) { return new QLabel(text, parent); }

QLabel* MakeTimeValue(QWidget* parent) {
    auto* label = new QLabel(QString::fromStdString(tasks::TimeText(0)), parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QHBoxLayout* Pair(QWidget* label, QWidget* value) {
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(value);
    row->addStretch(1);
    return row;
}

}  // namespace sorvane::app
