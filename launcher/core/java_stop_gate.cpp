#include "java_stop_gate.h"

bool JavaStopGate::admitMain() {
    std::lock_guard<std::mutex> hold(lock_);
    if (stopRequested_ || closed_) return false;
    mainAdmitted_ = true;
    return true;
}

void JavaStopGate::requestStop() {
    std::lock_guard<std::mutex> hold(lock_);
    stopRequested_ = true;
    ++underWay_;
}

bool JavaStopGate::beginStop() {
    std::lock_guard<std::mutex> hold(lock_);
    return mainAdmitted_ && !closed_;
}

void JavaStopGate::endStop() {
    std::lock_guard<std::mutex> hold(lock_);
    if (underWay_ > 0 && --underWay_ == 0) ended_.notify_all();
}

bool JavaStopGate::stopRequested() {
    std::lock_guard<std::mutex> hold(lock_);
    return stopRequested_;
}

void JavaStopGate::close() {
    std::lock_guard<std::mutex> hold(lock_);
    closed_ = true;
}

void JavaStopGate::drain() {
    std::unique_lock<std::mutex> hold(lock_);
    closed_ = true;
    ended_.wait(hold, [this] { return underWay_ == 0; });
}
