#include "java_attached_calls.h"

#include "java_strings.h"
#include "jni_local_ref.h"

namespace {

// The calling thread attached for one scope; detached whatever happens in between.
class AttachedThread {
public:
    explicit AttachedThread(JavaVM* vm) : vm_(vm) {
        if (vm_ && vm_->AttachCurrentThread(reinterpret_cast<void**>(&env_), nullptr) != JNI_OK) env_ = nullptr;
    }
    AttachedThread(const AttachedThread&) = delete;
    AttachedThread& operator=(const AttachedThread&) = delete;
    ~AttachedThread() {
        if (env_) vm_->DetachCurrentThread();
    }
    JNIEnv* env() const { return env_; }

private:
    JavaVM* vm_;
    JNIEnv* env_ = nullptr;
};

// Found through the name conversion main is found with; null with the reason pending.
jclass findMainClass(JNIEnv* env, const std::wstring& mainClass) {
    const std::string name = toJniClassName(env, mainClass);
    return name.empty() ? nullptr : env->FindClass(name.c_str());
}

void describePending(JNIEnv* env) {
    if (env->ExceptionOccurred()) env->ExceptionDescribe();
}

}  // namespace

JavaStopOutcome callJavaStop(JavaVM* vm, const std::wstring& mainClass) {
    AttachedThread thread(vm);
    JNIEnv* env = thread.env();
    JavaStopOutcome outcome;
    if (!env) return outcome;
    LocalRef<jclass> cls(env, findMainClass(env, mainClass));
    jmethodID stop = cls ? env->GetStaticMethodID(cls.get(), "stop", "()V") : nullptr;
    if (!stop) {
        outcome.kind = cls ? JavaStopOutcome::Kind::MethodNotFound : JavaStopOutcome::Kind::ClassNotFound;
        describePending(env);
        return outcome;
    }
    env->CallStaticVoidMethodA(cls.get(), stop, nullptr);
    LocalRef<jthrowable> thrown(env, env->ExceptionOccurred());
    if (!thrown) {
        outcome.kind = JavaStopOutcome::Kind::Returned;
        return outcome;
    }
    env->ExceptionDescribe();  // prints and clears it; the object itself is still ours to name
    outcome.kind = JavaStopOutcome::Kind::Threw;
    outcome.exceptionClass = classNameOf(env, thrown.get());
    return outcome;
}

void callSecondaryMain(JavaVM* vm, const std::wstring& mainClass, const std::vector<std::wstring>& arguments,
                       const std::function<void(int result)>& reply) {
    AttachedThread thread(vm);
    JNIEnv* env = thread.env();
    if (!env) return;
    {
        LocalRef<jclass> cls(env, findMainClass(env, mainClass));
        jmethodID method = nullptr;
        bool returnsInt = false;
        if (cls) {
            method = env->GetStaticMethodID(cls.get(), "secondaryMain", "([Ljava/lang/String;)V");
            if (!method) {
                env->ExceptionClear();
                method = env->GetStaticMethodID(cls.get(), "secondaryMain", "([Ljava/lang/String;)I");
                returnsInt = method != nullptr;
            }
        }
        LocalRef<jobjectArray> array(env, method ? toJavaStringArray(env, arguments) : nullptr);
        if (array) {
            jvalue argument;
            argument.l = array.get();
            if (returnsInt) {
                const jint result = env->CallStaticIntMethodA(cls.get(), method, &argument);
                reply(static_cast<int>(result));
            } else {
                reply(0);
                env->CallStaticVoidMethodA(cls.get(), method, &argument);
            }
        }
        describePending(env);
    }
}
