// A stand-in jvm.dll for tests under Wine, where no Windows Java runtime exists. It implements, for
// real, the JNI functions the launcher calls, over a handful of scripted classes:
//   vwtest/Record   main records its arguments, writes one line to System.out and System.err
//   vwtest/Throws   main throws java.lang.IllegalStateException
//   vwtest/NoMain   found, but has no static main(String[])
//   vwtest/Blocks   main waits until stop(); secondaryMain(String[])I records and returns 40 + count
//   vwtest/BlocksVoid  the same with secondaryMain(String[])V; in both, an argument "standin:stop"
//                   makes main return
//   vwtest/Exits    main waits like Blocks, then ends the process with 7, or the code that
//                   -Dstandin.exitCode=<n> names (as System.exit would); no stop(), no secondaryMain
//   vwtest/NoStop   main waits like Blocks, but there is no stop() to end it
//   vwtest/ThrowsAtStop  main waits like Blocks, then throws java.lang.IllegalStateException
// and the library classes the launcher uses (FileOutputStream, also appending, PrintStream, System, Class.getName,
// ByteArrayOutputStream, Throwable.printStackTrace). Strings are made from UTF-16 units (NewString);
// the default character set, which ByteArrayOutputStream.toString decodes with, is UTF-8, as in every
// runtime since JDK 18. Any other class is not found.
//
// Behaviour is chosen by VM options: -Dstandin.record=<file> appends what the VM received (options,
// creation arguments, the creating thread's stack, the launcher's QL_JVM_PATH, QL_JVM_HOME and Path,
// main's arguments, each stop() call with its thread, whether every thread detached before
// DestroyJavaVM) as UTF-8 lines;
// -Dstandin.result=<n> makes creation return n; -Dstandin.createDelayMs=<n> makes it take n ms;
// -Dstandin.stopEvent=<name> names the event main waits on, so a test can end it from outside;
// -Dstandin.stopsNeeded=<n> makes main wait for n stop() calls; -Dstandin.stopReturnEvent=<name> keeps
// each stop() from returning (after it has let main go) until that event is set;
// -Dstandin.attachDelayMs=<n> makes AttachCurrentThread take n ms (an attach that ends after
// DestroyJavaVM is recorded as "attach after destroy" and fails); -Dstandin.blockDetach=yes makes the
// library's detach at process exit block for ever, as a runtime's can; -Dstandin.failMainDetach=yes makes
// the detach of the thread that created the VM report an error (the thread is let go all the same);
// -Dstandin.holdStdout=yes makes main take the C runtime's standard output lock before it waits, and
// keep it, as a thread stuck writing to a full pipe does; -Dstandin.jars=yes finds the scripted
// classes only through the class path, as a runtime finds classes in jars: each entry is a file opened
// from the current folder, whose lines "name/of/Class=vwtest/Script" name the classes it holds and the
// scripted class each behaves as. Options that are neither -D nor
// -X fail creation, as a real VM does with ignoreUnrecognized false.
//
// DestroyJavaVM waits, as a real VM does, until no other thread is attached (here for at most 30 s, so a
// test fails rather than hangs; what is left is recorded).
//
// Objects live until the process ends (DeleteLocalRef only forgets them): this is a test runtime.
#include "jdk11_init_args.h"
#include "process_age_win.h"
#include "standin_objects.h"
#include "thread_stack_size.h"

#include <windows.h>

#include <jni.h>

#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <utility>

namespace {

using namespace Standin;

JNINativeInterface_ gFunctions{};
JNIInvokeInterface_ gInvoke{};
JNIEnv_ gEnv{};
JavaVM_ gVm{};
std::mutex gLock;
std::condition_variable gDetached;  // signalled whenever a thread detaches
std::set<DWORD> gAttached;
bool gDestroyed = false;
DWORD gAttachDelayMs = 0;
bool gBlockDetach = false;
bool gHoldStdout = false;
bool gFailMainDetach = false;
bool gJars = false;
std::string gClassPath;
DWORD gCreatingThread = 0;
HANDLE gStopEvent = nullptr;
HANDLE gStopReturnEvent = nullptr;  // when named, stop() returns only once it is set
int gStopsNeeded = 1;
UINT gExitCode = 7;  // vwtest/Exits
int gStops = 0;

JNIEnv* env() { return &gEnv; }

// ---- creation ------------------------------------------------------------------------------------

std::string environmentVariable(const wchar_t* name) {
    wchar_t value[32767];
    const DWORD length = GetEnvironmentVariableW(name, value, 32767);
    return length ? toUtf8(std::wstring(value, length)) : std::string("<unset>");
}

jint JNICALL createJavaVm(JavaVM** vm, void** penv, void* argsPointer) {
    auto* args = static_cast<JavaVMInitArgs*>(argsPointer);
    jint result = JNI_OK;
    DWORD delayMs = 0;
    for (jint i = 0; i < args->nOptions; ++i) {
        const std::string option = args->options[i].optionString;
        if (option.rfind("-Dstandin.record=", 0) == 0) openRecord(option.substr(17));
        if (option.rfind("-Dstandin.result=", 0) == 0) result = std::atoi(option.c_str() + 17);
        if (option.rfind("-Dstandin.createDelayMs=", 0) == 0) delayMs = static_cast<DWORD>(std::atoi(option.c_str() + 24));
        if (option.rfind("-Dstandin.stopsNeeded=", 0) == 0) gStopsNeeded = std::atoi(option.c_str() + 22);
        if (option.rfind("-Dstandin.stopEvent=", 0) == 0)
            gStopEvent = CreateEventW(nullptr, TRUE, FALSE, fromUtf8(option.substr(20)).c_str());
        if (option.rfind("-Dstandin.stopReturnEvent=", 0) == 0)
            gStopReturnEvent = CreateEventW(nullptr, TRUE, FALSE, fromUtf8(option.substr(26)).c_str());
        if (option.rfind("-Dstandin.attachDelayMs=", 0) == 0)
            gAttachDelayMs = static_cast<DWORD>(std::atoi(option.c_str() + 24));
        if (option == "-Dstandin.blockDetach=yes") gBlockDetach = true;
        if (option == "-Dstandin.holdStdout=yes") gHoldStdout = true;
        if (option.rfind("-Dstandin.exitCode=", 0) == 0) gExitCode = static_cast<UINT>(std::atoi(option.c_str() + 19));
        if (option == "-Dstandin.failMainDetach=yes") gFailMainDetach = true;
        if (option == "-Dstandin.jars=yes") gJars = true;
        if (option.rfind("-Djava.class.path=", 0) == 0) gClassPath = option.substr(18);
        if (option.rfind("-D", 0) != 0 && option.rfind("-X", 0) != 0 && result == JNI_OK) result = JNI_ERR;
    }
    record("create version=" + hex(args->version) + " ignoreUnrecognized=" +
           std::to_string(args->ignoreUnrecognized) + " options=" + std::to_string(args->nOptions) +
           " stack=" + std::to_string(currentThreadStackSize()) +
           " startup_us=" + std::to_string(microsecondsSinceProcessStart()));
    for (jint i = 0; i < args->nOptions; ++i) record(std::string("option ") + args->options[i].optionString);
    for (const wchar_t* name : {L"QL_JVM_PATH", L"QL_JVM_HOME", L"Path"})
        record("env " + toUtf8(name) + "=" + environmentVariable(name));
    if (delayMs) Sleep(delayMs);
    if (result != JNI_OK) return result;
    {
        std::lock_guard<std::mutex> hold(gLock);
        gAttached.insert(GetCurrentThreadId());
        gCreatingThread = GetCurrentThreadId();
    }
    *vm = &gVm;
    *penv = env();
    return JNI_OK;
}

// ---- invocation interface ------------------------------------------------------------------------

jint JNICALL destroyJavaVm(JavaVM*) {
    std::size_t stillAttached;
    {
        std::unique_lock<std::mutex> hold(gLock);
        gAttached.erase(GetCurrentThreadId());
        gDetached.wait_for(hold, std::chrono::seconds(30), [] { return gAttached.empty(); });
        stillAttached = gAttached.size();
        gDestroyed = true;
    }
    record("destroy attached=" + std::to_string(stillAttached));
    return JNI_OK;
}

jint JNICALL attachCurrentThread(JavaVM*, void** penv, void*) {
    if (gAttachDelayMs) {
        record("delayed attach");
        Sleep(gAttachDelayMs);
    }
    std::lock_guard<std::mutex> hold(gLock);
    if (gDestroyed) {
        record("attach after destroy");
        return JNI_ERR;
    }
    gAttached.insert(GetCurrentThreadId());
    *penv = env();
    return JNI_OK;
}

jint JNICALL detachCurrentThread(JavaVM*) {
    std::lock_guard<std::mutex> hold(gLock);
    if (!gAttached.erase(GetCurrentThreadId())) return JNI_EDETACHED;
    gDetached.notify_all();
    return gFailMainDetach && GetCurrentThreadId() == gCreatingThread ? JNI_ERR : JNI_OK;
}

jint JNICALL getEnv(JavaVM*, void** penv, jint) {
    std::lock_guard<std::mutex> hold(gLock);
    if (!gAttached.count(GetCurrentThreadId())) return JNI_EDETACHED;
    *penv = env();
    return JNI_OK;
}

// ---- the scripted classes ------------------------------------------------------------------------

const std::set<std::string> kClasses = {
    "java/lang/String", "java/lang/System", "java/lang/Class", "java/io/FileOutputStream", "java/io/PrintStream",
    "java/io/ByteArrayOutputStream", "vwtest/Record", "vwtest/Throws", "vwtest/NoMain", "vwtest/Blocks",
    "vwtest/BlocksVoid", "vwtest/Exits", "vwtest/NoStop", "vwtest/ThrowsAtStop"};

bool hasMethod(const std::string& cls, const std::string& name, const std::string& sig, bool isStatic) {
    static const std::set<std::string> statics = {
        "java/lang/System.setOut(Ljava/io/PrintStream;)V", "java/lang/System.setErr(Ljava/io/PrintStream;)V",
        "vwtest/Record.main([Ljava/lang/String;)V", "vwtest/Throws.main([Ljava/lang/String;)V",
        "vwtest/Blocks.main([Ljava/lang/String;)V", "vwtest/Record.stop()V", "vwtest/Blocks.stop()V",
        "vwtest/Record.secondaryMain([Ljava/lang/String;)I", "vwtest/Blocks.secondaryMain([Ljava/lang/String;)I",
        "vwtest/BlocksVoid.main([Ljava/lang/String;)V", "vwtest/BlocksVoid.stop()V",
        "vwtest/BlocksVoid.secondaryMain([Ljava/lang/String;)V", "vwtest/Exits.main([Ljava/lang/String;)V",
        "vwtest/NoStop.main([Ljava/lang/String;)V", "vwtest/ThrowsAtStop.main([Ljava/lang/String;)V",
        "vwtest/ThrowsAtStop.stop()V"};
    static const std::set<std::string> instance = {
        "java/lang/Class.getName()Ljava/lang/String;", "java/io/FileOutputStream.<init>(Ljava/lang/String;)V",
        "java/io/FileOutputStream.<init>(Ljava/lang/String;Z)V",
        "java/io/PrintStream.<init>(Ljava/io/OutputStream;)V", "java/io/ByteArrayOutputStream.<init>()V",
        "java/io/ByteArrayOutputStream.toString()Ljava/lang/String;",
        "java/lang/Throwable.printStackTrace(Ljava/io/PrintStream;)V", "java/lang/Throwable.toString()Ljava/lang/String;"};
    return (isStatic ? statics : instance).count(cls + "." + name + sig) != 0;
}

// The scripted class that the "jar" files of the class path map `name` to; empty when none does.
std::string scriptInJars(const std::string& name) {
    std::istringstream entries(gClassPath);
    for (std::string entry; std::getline(entries, entry, ';');) {
        std::ifstream jar(entry);  // relative entries mean the current folder
        for (std::string line; std::getline(jar, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind(name + "=", 0) == 0) return line.substr(name.size() + 1);
        }
    }
    return std::string();
}

jclass JNICALL findClass(JNIEnv*, const char* name) {
    const std::string wanted = name;
    const std::string script = gJars && wanted.rfind("java/", 0) != 0 ? scriptInJars(wanted) : wanted;
    if (kClasses.count(script)) return classObject(script);
    throwNew("java/lang/NoClassDefFoundError", fromUtf8(name));
    return nullptr;
}

jmethodID lookUp(jclass cls, const char* name, const char* sig, bool isStatic) {
    const std::string owner = object(cls)->className;
    if (hasMethod(owner, name, sig, isStatic)) return methodId(owner, name, sig);
    // Every exception class inherits Throwable's methods.
    if (!isStatic && object(cls)->isThrowable && hasMethod("java/lang/Throwable", name, sig, false))
        return methodId(owner, name, sig);
    throwNew("java/lang/NoSuchMethodError", fromUtf8(name));
    return nullptr;
}

jmethodID JNICALL getMethodId(JNIEnv*, jclass cls, const char* name, const char* sig) {
    return lookUp(cls, name, sig, false);
}
jmethodID JNICALL getStaticMethodId(JNIEnv*, jclass cls, const char* name, const char* sig) {
    return lookUp(cls, name, sig, true);
}

// Every method the launcher calls takes at most one reference argument.
jobject firstArgument(const Method& m, va_list args) {
    return m.signature.rfind("()", 0) == 0 ? nullptr : va_arg(args, jobject);
}

jobject construct(const Method& m, jobject argument, bool append) {
    Object* a = object(argument);
    if (m.owner == "java/io/FileOutputStream") return newFileStream(a->text, append);
    if (m.owner == "java/io/PrintStream") return newPrintStream(a);
    return newObject("java/io/ByteArrayOutputStream");
}

jobject JNICALL newObjectV(JNIEnv*, jclass, jmethodID id, va_list args) {
    const Method& m = method(id);
    if (m.signature == "(Ljava/lang/String;Z)V") {  // FileOutputStream(name, append): both read here
        jobject name = va_arg(args, jobject);
        const bool append = va_arg(args, int) != 0;
        return construct(m, name, append);
    }
    return construct(m, firstArgument(m, args), false);
}
jobject JNICALL newObject(JNIEnv* e, jclass cls, jmethodID id, ...) {
    va_list args;
    va_start(args, id);
    jobject result = newObjectV(e, cls, id, args);
    va_end(args);
    return result;
}

void recordArguments(const char* what, jobject array) {
    Object* a = object(array);
    // One write for the whole call, so concurrent calls never interleave their lines.
    std::string block = std::string(what) + " count=" + std::to_string(a->elements.size());
    for (Object* element : a->elements) block += "\narg " + toUtf8(element->text);
    record(block);
}

jint callStatic(const Method& m, jobject argument) {
    const std::string& cls = m.owner;
    if (m.name == "setOut" || m.name == "setErr") {
        setSystemStream(m.name == "setOut", object(argument));
    } else if (m.name == "main") {
        record("main " + cls);
        recordArguments("main", argument);
        if (cls == "vwtest/Throws") throwNew("java/lang/IllegalStateException", L"thrown by main");
        if (cls == "vwtest/Record") {
            writeSystemStream(true, "out from main\n");
            writeSystemStream(false, "err from main\n");
        }
        if (gHoldStdout) {
            record("main holds stdout");
            _lock_file(stdout);
        }
        if (cls == "vwtest/Blocks" || cls == "vwtest/BlocksVoid" || cls == "vwtest/Exits" || cls == "vwtest/NoStop" ||
            cls == "vwtest/ThrowsAtStop")
            WaitForSingleObject(gStopEvent, INFINITE);
        if (cls == "vwtest/ThrowsAtStop") throwNew("java/lang/IllegalStateException", L"thrown by main at stop");
        if (cls == "vwtest/Exits") {
            record("main exits " + std::to_string(gExitCode));
            ExitProcess(gExitCode);
        }
        record("main returns");
    } else if (m.name == "stop") {
        record("stop");
        record("stop thread=" + std::to_string(GetCurrentThreadId()));
        bool enough;
        {
            std::lock_guard<std::mutex> hold(gLock);
            enough = ++gStops >= gStopsNeeded;
        }
        if (enough) SetEvent(gStopEvent);
        if (gStopReturnEvent) {
            WaitForSingleObject(gStopReturnEvent, INFINITE);
            record("stop returns");
        }
    } else if (m.name == "secondaryMain") {
        recordArguments("secondaryMain", argument);
        // Lets a script end a blocking main from outside: a later start with this argument.
        for (Object* element : object(argument)->elements)
            if (element->text == L"standin:stop") SetEvent(gStopEvent);
        return 40 + static_cast<jint>(object(argument)->elements.size());
    }
    return 0;
}

void JNICALL callStaticVoidMethodV(JNIEnv*, jclass, jmethodID id, va_list args) {
    const Method& m = method(id);
    callStatic(m, firstArgument(m, args));
}
void JNICALL callStaticVoidMethod(JNIEnv* e, jclass cls, jmethodID id, ...) {
    va_list args;
    va_start(args, id);
    callStaticVoidMethodV(e, cls, id, args);
    va_end(args);
}
jint JNICALL callStaticIntMethodV(JNIEnv*, jclass, jmethodID id, va_list args) {
    const Method& m = method(id);
    return callStatic(m, firstArgument(m, args));
}
// The array forms: argument 0, when the method takes one, is its only reference argument.
jobject firstArgument(const Method& m, const jvalue* args) {
    return m.signature.rfind("()", 0) == 0 || !args ? nullptr : args[0].l;
}
void JNICALL callStaticVoidMethodA(JNIEnv*, jclass, jmethodID id, const jvalue* args) {
    const Method& m = method(id);
    callStatic(m, firstArgument(m, args));
}
jint JNICALL callStaticIntMethodA(JNIEnv*, jclass, jmethodID id, const jvalue* args) {
    const Method& m = method(id);
    return callStatic(m, firstArgument(m, args));
}
jint JNICALL callStaticIntMethod(JNIEnv* e, jclass cls, jmethodID id, ...) {
    va_list args;
    va_start(args, id);
    jint result = callStaticIntMethodV(e, cls, id, args);
    va_end(args);
    return result;
}

void JNICALL callVoidMethodV(JNIEnv*, jobject target, jmethodID id, va_list args) {
    const Method& m = method(id);
    jobject argument = firstArgument(m, args);
    if (m.name == "printStackTrace") writeStream(object(argument), stackTrace(object(target)));
}
void JNICALL callVoidMethod(JNIEnv* e, jobject target, jmethodID id, ...) {
    va_list args;
    va_start(args, id);
    callVoidMethodV(e, target, id, args);
    va_end(args);
}

jobject JNICALL callObjectMethodV(JNIEnv*, jobject target, jmethodID id, va_list) {
    Object* o = object(target);
    if (method(id).name == "toString" && o->isThrowable) return newString(fromUtf8(dotted(o->className)) + L": " + o->text);
    if (method(id).name == "toString") return newString(fromUtf8(o->bytes));
    if (method(id).name == "getName") return newString(fromUtf8(dotted(object(target)->className)));
    return nullptr;
}
jobject JNICALL callObjectMethod(JNIEnv* e, jobject target, jmethodID id, ...) {
    va_list args;
    va_start(args, id);
    jobject result = callObjectMethodV(e, target, id, args);
    va_end(args);
    return result;
}

// ---- exceptions, strings, arrays -----------------------------------------------------------------

jboolean JNICALL exceptionCheck(JNIEnv*) { return pending() ? JNI_TRUE : JNI_FALSE; }
jthrowable JNICALL exceptionOccurred(JNIEnv*) { return static_cast<jthrowable>(pending()); }
void JNICALL exceptionClear(JNIEnv*) { setPending(nullptr); }
void JNICALL exceptionDescribe(JNIEnv*) {
    if (Object* e = object(pending())) {
        writeSystemStream(false, "Exception in thread \"main\" " + stackTrace(e));
        setPending(nullptr);
    }
}

jobjectArray JNICALL newObjectArray(JNIEnv*, jsize length, jclass, jobject initial) {
    return static_cast<jobjectArray>(newArray(static_cast<std::size_t>(length), object(initial)));
}
void JNICALL setObjectArrayElement(JNIEnv*, jobjectArray array, jsize index, jobject value) {
    object(array)->elements.at(static_cast<std::size_t>(index)) = object(value);
}
jsize JNICALL getArrayLength(JNIEnv*, jarray array) { return static_cast<jsize>(object(array)->elements.size()); }

jstring JNICALL newStringFromUnits(JNIEnv*, const jchar* units, jsize length) {
    return newString(std::wstring(units, units + length));
}
const char* JNICALL getStringUtfChars(JNIEnv*, jstring s, jboolean* isCopy) {
    if (isCopy) *isCopy = JNI_TRUE;
    return _strdup(toUtf8(object(s)->text).c_str());
}
void JNICALL releaseStringUtfChars(JNIEnv*, jstring, const char* chars) { std::free(const_cast<char*>(chars)); }
jsize JNICALL getStringLength(JNIEnv*, jstring s) { return static_cast<jsize>(object(s)->text.size()); }
const jchar* JNICALL getStringChars(JNIEnv*, jstring s, jboolean* isCopy) {
    if (isCopy) *isCopy = JNI_FALSE;
    return reinterpret_cast<const jchar*>(object(s)->text.c_str());
}
void JNICALL releaseStringChars(JNIEnv*, jstring, const jchar*) {}
jclass JNICALL getObjectClass(JNIEnv*, jobject o) {
    jclass cls = classObject(object(o)->className);
    object(cls)->isThrowable = object(o)->isThrowable;
    return cls;
}
void JNICALL deleteLocalRef(JNIEnv*, jobject) {}

// Every JNI function the stand-in does not implement lands here: the record names its slot in the
// function table, and the process ends instead of jumping to address 0.
[[noreturn]] void unimplemented(std::size_t slot) {
    record("unimplemented JNI function slot " + std::to_string(slot));
    std::fprintf(stderr, "stand-in jvm.dll: unimplemented JNI function slot %u\n", static_cast<unsigned>(slot));
    std::fflush(stderr);
    ExitProcess(3);
}

template <std::size_t Slot>
void JNICALL trap() { unimplemented(Slot); }

template <std::size_t... Slots>
void fillTraps(void** table, std::size_t count, std::index_sequence<Slots...>) {
    using Function = void(JNICALL*)();
    const Function traps[] = {&trap<Slots>...};
    for (std::size_t i = 0; i < count && i < sizeof...(Slots); ++i) table[i] = reinterpret_cast<void*>(traps[i]);
}

struct Tables {
    Tables() {
        fillTraps(reinterpret_cast<void**>(&gFunctions), sizeof gFunctions / sizeof(void*),
                  std::make_index_sequence<sizeof(JNINativeInterface_) / sizeof(void*)>());
        gStopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        gInvoke.DestroyJavaVM = destroyJavaVm;
        gInvoke.AttachCurrentThread = attachCurrentThread;
        gInvoke.DetachCurrentThread = detachCurrentThread;
        gInvoke.GetEnv = getEnv;
        gVm.functions = &gInvoke;

        JNINativeInterface_& f = gFunctions;
        f.FindClass = findClass;
        f.GetMethodID = getMethodId;
        f.GetStaticMethodID = getStaticMethodId;
        f.NewObject = newObject;
        f.NewObjectV = newObjectV;
        f.CallStaticVoidMethod = callStaticVoidMethod;
        f.CallStaticVoidMethodV = callStaticVoidMethodV;
        f.CallStaticIntMethod = callStaticIntMethod;
        f.CallStaticIntMethodV = callStaticIntMethodV;
        f.CallStaticVoidMethodA = callStaticVoidMethodA;
        f.CallStaticIntMethodA = callStaticIntMethodA;
        f.CallVoidMethod = callVoidMethod;
        f.CallVoidMethodV = callVoidMethodV;
        f.CallObjectMethod = callObjectMethod;
        f.CallObjectMethodV = callObjectMethodV;
        f.ExceptionCheck = exceptionCheck;
        f.ExceptionOccurred = exceptionOccurred;
        f.ExceptionClear = exceptionClear;
        f.ExceptionDescribe = exceptionDescribe;
        f.NewObjectArray = newObjectArray;
        f.SetObjectArrayElement = setObjectArrayElement;
        f.GetArrayLength = getArrayLength;
        f.NewString = newStringFromUnits;
        f.GetStringUTFChars = getStringUtfChars;
        f.ReleaseStringUTFChars = releaseStringUtfChars;
        f.GetStringLength = getStringLength;
        f.GetStringChars = getStringChars;
        f.ReleaseStringChars = releaseStringChars;
        f.GetObjectClass = getObjectClass;
        f.DeleteLocalRef = deleteLocalRef;
        gEnv.functions = &gFunctions;
    }
};
const Tables gTables;

}  // namespace

extern "C" {

// At ExitProcess (reserved != null) a runtime's detach code may wait on threads that are already gone.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void* reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved && gBlockDetach) Sleep(INFINITE);
    return TRUE;
}

JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** vm, void** penv, void* args) { return createJavaVm(vm, penv, args); }

#ifndef VW_STANDIN_WITHOUT_DEFAULT_ARGS
// Like OpenJDK, answers a JDK 1.1 record with -1 but still fills in the Java stack size.
JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void* args) {
    static_cast<Jdk11InitArgs*>(args)->javaStackSize = 1536 * 1024;
    return JNI_ERR;
}
#endif

}  // extern "C"
