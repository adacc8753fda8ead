#pragma once
// The Windows half of jni.h: the machine's JDK only carries the Linux one, and the Windows calling
// convention and type widths differ (long is 32 bits, entry points are __stdcall).
#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;
