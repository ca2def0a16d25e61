// Long card work runs on the window's thread; it calls Tick() often (per
// file, per block copied) and the pacer lets the window repaint at least
// every kRepaintMs without paying for it on every call.
#pragma once

#include <functional>

#include <QElapsedTimer>

namespace qlm {

class RepaintPacer {
public:
    static constexpr int kRepaintMs = 50;
    explicit RepaintPacer(std::function<void()> repaint) : repaint_(std::move(repaint)) { timer_.start(); }
    void Tick() {
        if (repaint_ && timer_.elapsed() >= kRepaintMs) {
            repaint_();
            timer_.restart();
        }
    }
    // Repaints now (after a status text that must show).
    void Now() {
        if (repaint_)
            repaint_();
        timer_.restart();
    }

private:
    std::function<void()> repaint_;
    QElapsedTimer timer_;
};

}  // namespace qlm
