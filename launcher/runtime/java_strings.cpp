#include "java_strings.h"

#include "ansi_text.h"
#include "jni_local_ref.h"

#include <vector>

jstring toJavaString(JNIEnv* env, const std::wstring& text) {
    // Every ANSI page maps into the Basic Multilingual Plane: one UTF-16 unit per character.
    const std::wstring passed = throughAnsi(text);
    const std::vector<jchar> units(passed.begin(), passed.end());
    static const jchar kNone = 0;
    return env->NewString(units.empty() ? &kNone : units.data(), static_cast<jsize>(units.size()));
}

jobjectArray toJavaStringArray(JNIEnv* env, const std::vector<std::wstring>& list) {
    LocalRef<jclass> stringClass(env, env->FindClass("java/lang/String"));
    if (!stringClass) return nullptr;
    LocalRef<jobjectArray> array(
        env, env->NewObjectArray(static_cast<jsize>(list.size()), stringClass.get(), nullptr));
    if (!array) return nullptr;
    for (std::size_t i = 0; i < list.size(); ++i) {
        LocalRef<jstring> element(env, toJavaString(env, list[i]));
        if (!element) return nullptr;
        env->SetObjectArrayElement(array.get(), static_cast<jsize>(i), element.get());
        if (env->ExceptionCheck()) return nullptr;
    }
    return array.release();
}

std::string toJniClassName(JNIEnv* env, const std::wstring& name) {
    LocalRef<jstring> text(env, toJavaString(env, name));
    if (!text) return {};
    const char* utf = env->GetStringUTFChars(text.get(), nullptr);
    if (!utf) return {};
    std::string converted(utf);
    env->ReleaseStringUTFChars(text.get(), utf);
    return converted;
}

std::wstring fromJavaString(JNIEnv* env, jstring text) {
    if (!text) return {};
    // The UTF-16 units themselves: reading the modified UTF-8 form through the ANSI page would garble
    // every character outside ASCII.
    const jsize length = env->GetStringLength(text);
    const jchar* units = env->GetStringChars(text, nullptr);
    if (!units) return {};
    std::wstring wide(units, units + length);
    env->ReleaseStringChars(text, units);
    return wide;
}

std::wstring classNameOf(JNIEnv* env, jobject object) {
    LocalRef<jclass> cls(env, env->GetObjectClass(object));
    LocalRef<jclass> classClass(env, cls ? env->FindClass("java/lang/Class") : nullptr);
    jmethodID getName = classClass ? env->GetMethodID(classClass.get(), "getName", "()Ljava/lang/String;") : nullptr;
    LocalRef<jstring> name(env, getName ? static_cast<jstring>(env->CallObjectMethod(cls.get(), getName)) : nullptr);
    if (env->ExceptionCheck()) {
        env->ExceptionClear();
        return {};
    }
    return fromJavaString(env, name.get());
}
