#include "java_stop_gate.h"

bool JavaStopGate::admitMain() {
    std::lock_guard<std::mutex> hold(lock_);
    if (stopRequested_ || closed_) return false;
    mainAdmitted_ = true;
    return true;
}

bool JavaStopGate::beginStop() {
    std::lock_guard<std::mutex> hold(lock_);
    stopRequested_ = true;
    if (!mainAdmitted_ || closed_) return false;
    ++callsUnderWay_;
    return true;
}

void JavaStopGate::endStop() {
    std::lock_guard<std::mutex> hold(lock_);
    if (--callsUnderWay_ == 0) idle_.notify_all();
}

bool JavaStopGate::stopRequested() {
    std::lock_guard<std::mutex> hold(lock_);
    return stopRequested_;
}

void JavaStopGate::close() {
    std::unique_lock<std::mutex> hold(lock_);
    closed_ = true;
    idle_.wait(hold, [this] { return callsUnderWay_ == 0; });
}
