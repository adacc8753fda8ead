#pragma once
// The JNI steps of running a Java program on an attached thread: pointing System.out/err at files,
// calling the main class's static main(String[]), and reading an exception's stack trace as text.
// Every step that fails prints the pending exception through the VM (ExceptionDescribe) and clears it.
#include "error_lines.h"

#include <jni.h>

#include <functional>
#include <string>
#include <vector>

// System.out, System.err, or both on one stream (one file named for both).
enum class JavaStream { Out, Err, Both };

struct JavaMain {
    std::wstring mainClass;               // with '/' separators
    std::vector<std::wstring> arguments;  // handed to main in this order
    std::wstring outputFile;              // empty: System.out untouched
    std::wstring errorFile;               // empty: System.err untouched
    // Called just before main runs (the single-instance ready event); may be empty. False keeps
    // main from being called (a service stop came first), which still counts as a clean run.
    std::function<bool()> onReady;
    // With the failure check on: the stack trace of an exception main let escape; may be empty.
    std::function<void(const std::wstring& stackTrace)> onUncaughtException;
    // An "Output File" or "Error File" that could not be used, with why; may be empty.
    std::function<void(JavaStream stream, const std::wstring& path, const std::wstring& reason)> onStreamKept;
    bool appendOutput = false;            // add to the file rather than empty it
    bool appendError = false;
    bool errorIsOutput = false;           // System.err shares System.out's stream on outputFile
};

// Replaces System.out, System.err or both with one PrintStream on a new FileOutputStream for `path`,
// which adds to the file when `append`, else empties it. Returns false when the streams stayed as they
// were; `reason`, when given, then gets the exception as Java shows it
// ("java.io.FileNotFoundException: logs\out.txt (...)").
bool redirectStream(JNIEnv* env, JavaStream stream, const std::wstring& path, bool append = false,
                    std::wstring* reason = nullptr);

// How a call of main went.
struct MainRun {
    enum class End {
        Failed,    // class, main or the arguments missing: reported, main not called
        Withheld,  // onReady said no
        Returned,
        Threw,     // main let an exception escape
    };
    End end = End::Failed;
    std::wstring exceptionClass;  // with Threw: its class as Java names it, e.g. java.lang.IllegalStateException
};

// Finds the class and its main, builds the arguments, calls main. Does not detach: the caller owns
// the thread's attachment.
MainRun callMain(JNIEnv* env, const JavaMain& program, ErrorLines& errors);

// printStackTrace into a byte stream, read back as text; empty when any piece is missing.
std::wstring stackTraceText(JNIEnv* env, jthrowable exception);
