#pragma once
// Native text into Java strings. The text crosses as bytes of the thread's ANSI code page and the VM
// decodes them with its default character set, as `new String(byte[])` does; characters outside that
// code page do not survive.
#include <jni.h>

#include <string>
#include <vector>

// A new local reference, or null (a pending exception, if any, is left for the caller).
jstring toJavaString(JNIEnv* env, const std::wstring& text);
jobjectArray toJavaStringArray(JNIEnv* env, const std::vector<std::wstring>& list);

// A class name as FindClass takes it (modified UTF-8), through the same conversion as every other
// text: ANSI bytes decoded by the VM. Empty when that failed (any exception is left pending).
std::string toJniClassName(JNIEnv* env, const std::wstring& name);

// A Java string's text (empty for null).
std::wstring fromJavaString(JNIEnv* env, jstring text);
