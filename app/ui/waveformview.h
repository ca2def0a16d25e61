// The player's overview of a whole call: a min/max envelope drawn at the
// widget's width (recomputed on resize), the played part in the highlight
// colour. A click or drag asks to seek there.
#pragma once

#include <QVector>
#include <QWidget>

namespace qlm {

class WaveformView : public QWidget {
    Q_OBJECT
public:
    explicit WaveformView(QWidget* parent = nullptr);

    // The call's samples (kept by the caller while shown); nullptr clears.
    void SetSamples(const QVector<qint16>* samples);
    void SetPositionMs(qint64 ms);
    qint64 PositionMs() const { return positionMs_; }

    // The time (ms) that the column x stands for.
    qint64 TimeAt(int x) const;

    QSize sizeHint() const override { return {400, 56}; }

signals:
    void SeekRequested(qint64 ms);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void ComputeEnvelope();
    qint64 DurationMs() const;

    const QVector<qint16>* samples_ = nullptr;
    QVector<qint16> low_, high_;  // per column
    qint64 positionMs_ = 0;
};

}  // namespace qlm
