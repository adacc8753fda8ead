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

// A Java string's text (empty for null).
std::wstring fromJavaString(JNIEnv* env, jstring text);
