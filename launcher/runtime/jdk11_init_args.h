#pragma once
// The JDK 1.1 initialisation record, which current jni.h files no longer declare. Runtimes still
// fill its stack-size field from JNI_GetDefaultJavaVMInitArgs, and that is all the launcher reads.
#include <jni.h>

#include <cstdarg>
#include <cstdio>

struct Jdk11InitArgs {
    jint version;
    char** properties;
    jint checkSource;
    jint nativeStackSize;
    jint javaStackSize;
    jint minHeapSize;
    jint maxHeapSize;
    jint verifyMode;
    char* classpath;
    jint(JNICALL* vfprintf)(FILE* fp, const char* format, va_list args);
    void(JNICALL* exit)(jint code);
    void(JNICALL* abort)();
    jint enableClassGC;
    jint enableVerboseGC;
    jint disableAsyncGC;
    jint verbose;
    jboolean debugging;
    jint debugPort;
};
