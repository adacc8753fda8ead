#pragma once
// Owns one JNI local reference, so every early return of a multi-step JNI sequence frees what it made.
#include <jni.h>

template <typename T>
class LocalRef {
public:
    LocalRef(JNIEnv* env, T ref) : env_(env), ref_(ref) {}
    LocalRef(const LocalRef&) = delete;
    LocalRef& operator=(const LocalRef&) = delete;
    ~LocalRef() {
        if (ref_) env_->DeleteLocalRef(ref_);
    }
    T get() const { return ref_; }
    explicit operator bool() const { return ref_ != nullptr; }
    T release() {
        T r = ref_;
        ref_ = nullptr;
        return r;
    }

private:
    JNIEnv* env_;
    T ref_;
};
