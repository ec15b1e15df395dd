#include "app/option_controls.h"

#include <QComboBox>
#include <QLabel>
#include <QPalette>
#include <algorithm>

#include "app/metrics.h"

namespace sorvane::app {

void Place(QWidget* control, int top, int x, int y, int width, int height) {
    using metrics::Scaled;
    control->setGeometry(Scaled(x), top + Scaled(y), Scaled(width), Scaled(height));
}

void PlaceButton(QWidget* button, int top, int x, int y, int width, int height) {
    Place(button, top, x, y, width, height);
    button->resize(std::min(button->width(), button->sizeHint().width()), button->height());
}

QLabel* NavyCaption(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, QColor(0, 0, 128));
    palette.setColor(QPalette::Inactive, QPalette::WindowText, QColor(0, 0, 128));
    label->setPalette(palette);
    return label;
}

std::vector<tasks::TWriteSpeed> FillSpeedList(QComboBox& list, const std::vector<tasks::TWriteSpeed>& speeds,
                                              TSpeedText text) {
    std::vector<tasks::TWriteSpeed> listed;
    for (const tasks::TWriteSpeed& speed : speeds) {
        const QString item = QString::fromStdString(text(speed));
        if (list.findText(item) >= 0) continue;
        list.addItem(item);
        listed.push_back(speed);
    }
    if (list.count() > 0) list.setCurrentIndex(0);
    return listed;
}

}  // namespace sorvane::app
