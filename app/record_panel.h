#pragma once
// The Process page's record panel: the operation's caption in navy, the
// size written of the whole ("12.34/567.89 Mb"), the percentage, a wide
// bar in sectors, the elapsed and remaining times, and two small bars for
// the read-ahead's and the drive's buffers.

#include <QWidget>
#include <cstdint>

class QLabel;
class QProgressBar;

namespace sorvane::app {

class TRecordPanel : public QWidget {
    Q_OBJECT
public:
    explicit TRecordPanel(QWidget* parent);

    // Back to its start for an operation of `sectors` sectors: 0%, empty
    // bars, "0.00/0.00 Mb", both times "00:00:00". The drive's buffer bar
    // counts up to `deviceBufferBytes`.
    void Reset(std::int64_t sectors, std::uint32_t deviceBufferBytes);
    // The record bar's maximum, once the operation knows its size.
    void SetTotal(std::int64_t sectors);
    void SetCaption(const QString& caption);
    QString Caption() const;
    // An image file has no remaining time and no buffers to show.
    void HideDriveParts();

    // `written` bytes of the whole, whose size text is `totalMb`.
    void ShowWritten(std::int64_t written, const QString& totalMb);
    // Everything written: the size of the whole twice, 100%, a full bar,
    // empty buffers and no time left.
    void ShowComplete(const QString& totalMb);
    void SetElapsed(long long seconds);
    void SetRemaining(const QString& text);
    void SetReadBuffer(int percent);
    void SetDeviceBuffer(std::uint32_t usedBytes);

    QString SizeText() const;
    QString PercentText() const;
    QString RemainingText() const;
    QString ElapsedText() const;
    bool ShowsDriveParts() const;
    int ReadBufferValue() const;
    int DeviceBufferValue() const;
    int Position() const;
    int Maximum() const;

private:
    void ShowPercent();

    QLabel* caption_;
    QLabel* size_;
    QLabel* percent_;
    QProgressBar* bar_;
    QLabel* elapsed_;
    QLabel* remainingLabel_;
    QLabel* remaining_;
    QLabel* readLabel_;
    QProgressBar* readBuffer_;
    QLabel* deviceLabel_;
    QProgressBar* deviceBuffer_;
};

}  // namespace sorvane::app
