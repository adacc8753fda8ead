#include "java_invoke.h"

#include "ansi_text.h"
#include "java_strings.h"
#include "jni_local_ref.h"

namespace {

// Prints and clears whatever exception is pending; returns true when there was one.
bool describePending(JNIEnv* env) {
    if (!env->ExceptionCheck()) return false;
    env->ExceptionDescribe();
    env->ExceptionClear();
    return true;
}

// new PrintStream(out), not flushing on every line.
jobject newPrintStream(JNIEnv* env, jobject out) {
    LocalRef<jclass> printStream(env, env->FindClass("java/io/PrintStream"));
    if (!printStream) return nullptr;
    jmethodID init = env->GetMethodID(printStream.get(), "<init>", "(Ljava/io/OutputStream;)V");
    if (!init) return nullptr;
    return env->NewObject(printStream.get(), init, out);
}

bool setSystemStream(JNIEnv* env, jclass system, const char* setter, jobject print) {
    jmethodID set = env->GetStaticMethodID(system, setter, "(Ljava/io/PrintStream;)V");
    if (!set) return false;
    env->CallStaticVoidMethod(system, set, print);
    return !env->ExceptionCheck();
}

bool trySetStream(JNIEnv* env, JavaStream stream, const std::wstring& path, bool append) {
    LocalRef<jstring> name(env, toJavaString(env, path));
    if (!name) return false;
    LocalRef<jclass> fileStream(env, env->FindClass("java/io/FileOutputStream"));
    if (!fileStream) return false;
    jmethodID init = env->GetMethodID(fileStream.get(), "<init>", append ? "(Ljava/lang/String;Z)V" : "(Ljava/lang/String;)V");
    if (!init) return false;
    LocalRef<jobject> file(env, append ? env->NewObject(fileStream.get(), init, name.get(), JNI_TRUE)
                                       : env->NewObject(fileStream.get(), init, name.get()));
    if (!file) return false;
    LocalRef<jobject> print(env, newPrintStream(env, file.get()));
    if (!print) return false;
    LocalRef<jclass> system(env, env->FindClass("java/lang/System"));
    if (!system) return false;
    if (stream != JavaStream::Err && !setSystemStream(env, system.get(), "setOut", print.get())) return false;
    return stream == JavaStream::Out || setSystemStream(env, system.get(), "setErr", print.get());
}

// Throwable.toString(): the class and the message; empty when that cannot be had.
std::wstring throwableText(JNIEnv* env, jthrowable exception) {
    LocalRef<jclass> cls(env, env->GetObjectClass(exception));
    jmethodID toString = cls ? env->GetMethodID(cls.get(), "toString", "()Ljava/lang/String;") : nullptr;
    LocalRef<jstring> text(env, toString ? static_cast<jstring>(env->CallObjectMethod(exception, toString)) : nullptr);
    if (env->ExceptionCheck()) {
        env->ExceptionClear();
        return {};
    }
    return text ? fromJavaString(env, text.get()) : std::wstring();
}

}  // namespace

bool redirectStream(JNIEnv* env, JavaStream stream, const std::wstring& path, bool append, std::wstring* reason) {
    const bool done = trySetStream(env, stream, path, append);
    LocalRef<jthrowable> failure(env, done ? nullptr : env->ExceptionOccurred());
    describePending(env);
    if (!done && reason) {
        *reason = failure ? throwableText(env, failure.get()) : std::wstring();
        if (reason->empty()) *reason = L"the stream could not be made";
    }
    return done;
}

MainRun callMain(JNIEnv* env, const JavaMain& program, ErrorLines& errors) {
    MainRun run;
    const std::string className = toJniClassName(env, program.mainClass);
    if (className.empty()) {
        describePending(env);
        errors.print(LauncherText::MainClassLoadFailed, {program.mainClass});
        return run;
    }
    LocalRef<jclass> mainClass(env, env->FindClass(className.c_str()));
    if (!mainClass) {
        describePending(env);
        errors.print(LauncherText::MainClassNotFound, {throughAnsi(program.mainClass)});  // the name Java looked for
        return run;
    }

    jmethodID main = env->GetStaticMethodID(mainClass.get(), "main", "([Ljava/lang/String;)V");
    if (!main) {
        if (!describePending(env)) errors.print(LauncherText::MainMethodNotFound, {});
        return run;
    }
    LocalRef<jobjectArray> arguments(env, toJavaStringArray(env, program.arguments));
    if (!arguments) {
        describePending(env);
        return run;
    }
    if (program.onReady && !program.onReady()) {
        run.end = MainRun::End::Withheld;
        return run;
    }

    env->CallStaticVoidMethod(mainClass.get(), main, arguments.get());

    LocalRef<jthrowable> uncaught(env, env->ExceptionOccurred());
    if (!uncaught) {
        run.end = MainRun::End::Returned;
        return run;
    }
    env->ExceptionDescribe();
    env->ExceptionClear();
    run.end = MainRun::End::Threw;
    run.exceptionClass = classNameOf(env, uncaught.get());
    if (program.onUncaughtException) program.onUncaughtException(stackTraceText(env, uncaught.get()));
    return run;
}

std::wstring stackTraceText(JNIEnv* env, jthrowable exception) {
    LocalRef<jclass> bytesClass(env, env->FindClass("java/io/ByteArrayOutputStream"));
    jmethodID init = bytesClass ? env->GetMethodID(bytesClass.get(), "<init>", "()V") : nullptr;
    LocalRef<jobject> bytes(env, init ? env->NewObject(bytesClass.get(), init) : nullptr);
    LocalRef<jobject> print(env, bytes ? newPrintStream(env, bytes.get()) : nullptr);
    LocalRef<jclass> throwableClass(env, print ? env->GetObjectClass(exception) : nullptr);
    jmethodID printTrace = throwableClass ? env->GetMethodID(throwableClass.get(), "printStackTrace",
                                                             "(Ljava/io/PrintStream;)V")
                                          : nullptr;
    if (!printTrace) {
        describePending(env);
        return {};
    }
    env->CallVoidMethod(exception, printTrace, print.get());
    if (describePending(env)) return {};
    jmethodID toString = env->GetMethodID(bytesClass.get(), "toString", "()Ljava/lang/String;");
    LocalRef<jstring> text(env, toString ? static_cast<jstring>(env->CallObjectMethod(bytes.get(), toString))
                                         : nullptr);
    if (describePending(env) || !text) return {};
    return fromJavaString(env, text.get());
}
