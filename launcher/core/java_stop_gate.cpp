#include "java_stop_gate.h"

bool JavaStopGate::admitMain() {
    std::lock_guard<std::mutex> hold(lock_);
    if (requests_ > 0 || closed_) return false;
    mainAdmitted_ = true;
    return true;
}

void JavaStopGate::requestStop() {
    std::lock_guard<std::mutex> hold(lock_);
    ++requests_;
    ++underWay_;
}

void JavaStopGate::withdrawStop() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (requests_ > 0) --requests_;
    }
    endStop();
}

bool JavaStopGate::beginStop() {
    std::lock_guard<std::mutex> hold(lock_);
    const bool now = mainAdmitted_ && !closed_;
    stopReachedJava_ = stopReachedJava_ || now;
    return now;
}

void JavaStopGate::endStop() {
    std::lock_guard<std::mutex> hold(lock_);
    if (underWay_ > 0 && --underWay_ == 0) ended_.notify_all();
}

bool JavaStopGate::stopRequested() {
    std::lock_guard<std::mutex> hold(lock_);
    return requests_ > 0;
}

bool JavaStopGate::stopReachedJava() {
    std::lock_guard<std::mutex> hold(lock_);
    return stopReachedJava_;
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
