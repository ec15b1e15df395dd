#pragma once
// The Process page's erase panel: the erase's caption in navy with its
// percentage at the right, a wide bar, and the time it has taken so far.

#include <QWidget>

class QLabel;
class QProgressBar;

namespace sorvane::app {

class TErasePanel : public QWidget {
    Q_OBJECT
public:
    explicit TErasePanel(QWidget* parent);

    // Back to its start: 0%, an empty bar, "00:00:00".
    void Reset();
    void SetCaption(const QString& caption);
    QString Caption() const;
    // The erase's estimated progress, 0..100.
    void SetPercent(int percent);
    QString PercentText() const;
    int Position() const;
    void SetElapsed(long long seconds);
    QString ElapsedText() const;

private:
    QLabel* caption_;
    QLabel* percent_;
    QProgressBar* bar_;
    QLabel* elapsed_;
};

}  // namespace sorvane::app
