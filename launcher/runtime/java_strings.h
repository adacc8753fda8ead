#pragma once
// Native text into Java strings and back. Going in, the text passes through the thread's ANSI code
// page (characters outside it are replaced) and the Java string is made from the resulting UTF-16
// text. Decoding ANSI bytes in Java instead (`new String(byte[])`) only worked while the VM's default
// character set was the ANSI page; since JDK 18 it is UTF-8 everywhere, and é would become U+FFFD.
#include <jni.h>

#include <string>
#include <vector>

// A new local reference, or null (a pending exception, if any, is left for the caller).
jstring toJavaString(JNIEnv* env, const std::wstring& text);
jobjectArray toJavaStringArray(JNIEnv* env, const std::vector<std::wstring>& list);

// A class name as FindClass takes it (modified UTF-8), through the same conversion as every other
// text. Empty when that failed (any exception is left pending).
std::string toJniClassName(JNIEnv* env, const std::wstring& name);

// A Java string's text, from its UTF-16 units (empty for null).
std::wstring fromJavaString(JNIEnv* env, jstring text);

// The Java name of an object's class ("java.lang.IllegalStateException"); empty when it cannot be
// read, and then nothing is left pending.
std::wstring classNameOf(JNIEnv* env, jobject object);
