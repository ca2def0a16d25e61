#include "app/ui/waveformview.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include <algorithm>

#include "app/player/wavfile.h"

namespace qlm {

WaveformView::WaveformView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumHeight(40);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void WaveformView::SetSamples(const QVector<qint16>* samples) {
    samples_ = samples;
    positionMs_ = 0;
    ComputeEnvelope();
    update();
}

void WaveformView::SetPositionMs(qint64 ms) {
    if (ms == positionMs_)
        return;
    positionMs_ = ms;
    update();
}

qint64 WaveformView::DurationMs() const { return samples_ ? samples_->size() * 1000 / kPlayerRate : 0; }

qint64 WaveformView::TimeAt(int x) const {
    if (width() <= 0)
        return 0;
    return std::clamp<qint64>(static_cast<qint64>(x) * DurationMs() / width(), 0, DurationMs());
}

void WaveformView::ComputeEnvelope() {
    const int columns = width();
    low_.fill(0, columns);
    high_.fill(0, columns);
    if (!samples_ || samples_->isEmpty() || columns <= 0)
        return;
    const qint64 count = samples_->size();
    for (int x = 0; x < columns; ++x) {
        const qint64 from = x * count / columns;
        const qint64 to = std::max(from + 1, (x + 1) * count / columns);
        const auto [lo, hi] = std::minmax_element(samples_->cbegin() + from, samples_->cbegin() + std::min(to, count));
        low_[x] = *lo;
        high_[x] = *hi;
    }
}

void WaveformView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), pal.base());
    const int mid = height() / 2;
    const double scale = (height() - 4) / 65536.0;
    const qint64 duration = DurationMs();
    const int playedTo = duration > 0 ? static_cast<int>(positionMs_ * width() / duration) : 0;
    const QColor played = pal.color(QPalette::Highlight);
    const QColor rest = pal.color(QPalette::Text);
    painter.setPen(pal.color(QPalette::Mid));
    painter.drawLine(0, mid, width(), mid);
    for (int x = 0; x < low_.size(); ++x) {
        painter.setPen(x < playedTo ? played : rest);
        painter.drawLine(x, mid - static_cast<int>(high_[x] * scale), x, mid - static_cast<int>(low_[x] * scale));
    }
    if (duration > 0) {
        painter.setPen(pal.color(QPalette::Highlight));
        painter.drawLine(playedTo, 0, playedTo, height());
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void WaveformView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ComputeEnvelope();
}

void WaveformView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton && DurationMs() > 0)
        emit SeekRequested(TimeAt(event->position().toPoint().x()));
}

void WaveformView::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && DurationMs() > 0)
        emit SeekRequested(TimeAt(event->position().toPoint().x()));
}

}  // namespace qlm
