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
    return mainAdmitted_ && !closed_;
}

bool JavaStopGate::stopRequested() {
    std::lock_guard<std::mutex> hold(lock_);
    return stopRequested_;
}

void JavaStopGate::close() {
    std::lock_guard<std::mutex> hold(lock_);
    closed_ = true;
}
