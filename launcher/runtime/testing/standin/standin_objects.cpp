#include "standin_objects.h"

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>

namespace Standin {
namespace {

std::mutex gLock;
std::vector<std::unique_ptr<Object>> gObjects;   // freed only at process end
std::map<std::string, Object*> gClasses;
std::vector<std::unique_ptr<Method>> gMethods;
thread_local jobject tPending = nullptr;
Object* gSystemOut = nullptr;
Object* gSystemErr = nullptr;
std::FILE* gRecord = nullptr;

Object* make(const std::string& className) {
    std::lock_guard<std::mutex> hold(gLock);
    gObjects.push_back(std::make_unique<Object>());
    gObjects.back()->className = className;
    return gObjects.back().get();
}

jobject ref(Object* o) { return reinterpret_cast<jobject>(o); }

}  // namespace

Object* object(jobject r) { return reinterpret_cast<Object*>(r); }

jclass classObject(const std::string& name) {
    {
        std::lock_guard<std::mutex> hold(gLock);
        auto it = gClasses.find(name);
        if (it != gClasses.end()) return reinterpret_cast<jclass>(it->second);
    }
    Object* c = make(name);
    c->isClass = true;
    std::lock_guard<std::mutex> hold(gLock);
    return reinterpret_cast<jclass>(gClasses.emplace(name, c).first->second);
}

jobject newObject(const std::string& className) { return ref(make(className)); }

jstring newString(const std::wstring& text) {
    Object* s = make("java/lang/String");
    s->text = text;
    return reinterpret_cast<jstring>(s);
}

jobject newArray(std::size_t length, Object* initial) {
    Object* a = make("[Ljava/lang/Object;");
    a->elements.assign(length, initial);
    return ref(a);
}

jobject newFileStream(const std::wstring& path, bool append) {
    std::FILE* file = _wfopen(path.c_str(), append ? L"ab" : L"wb");
    if (!file) {
        throwNew("java/io/FileNotFoundException", path + L" (The system cannot find the path specified)");
        return nullptr;
    }
    Object* o = make("java/io/FileOutputStream");
    o->file = file;
    return ref(o);
}

jobject newPrintStream(Object* target) {
    Object* p = make("java/io/PrintStream");
    p->target = target;
    return ref(p);
}

jmethodID methodId(const std::string& owner, const std::string& name, const std::string& signature) {
    std::lock_guard<std::mutex> hold(gLock);
    gMethods.push_back(std::make_unique<Method>(Method{owner, name, signature}));
    return reinterpret_cast<jmethodID>(gMethods.back().get());
}

const Method& method(jmethodID id) { return *reinterpret_cast<const Method*>(id); }

jobject pending() { return tPending; }
void setPending(jobject exception) { tPending = exception; }

void throwNew(const std::string& className, const std::wstring& message) {
    Object* e = make(className);
    e->text = message;
    e->isThrowable = true;
    tPending = ref(e);
}

std::string stackTrace(Object* exception) {
    return dotted(exception->className) + ": " + toUtf8(exception->text) + "\n\tat standin.Frame.run(Standin.java:1)\n";
}

void setSystemStream(bool out, Object* printStream) { (out ? gSystemOut : gSystemErr) = printStream; }

void writeStream(Object* printStream, const std::string& bytes) {
    Object* target = printStream ? printStream->target : nullptr;
    if (!target) return;
    if (target->file) {
        std::fwrite(bytes.data(), 1, bytes.size(), target->file);
        std::fflush(target->file);
    } else {
        target->bytes += bytes;
    }
}

void writeSystemStream(bool out, const std::string& bytes) {
    Object* stream = out ? gSystemOut : gSystemErr;
    if (stream) return writeStream(stream, bytes);
    std::FILE* console = out ? stdout : stderr;
    std::fwrite(bytes.data(), 1, bytes.size(), console);
    std::fflush(console);
}

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring fromUtf8(const std::string& text) {
    if (text.empty()) return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::string dotted(std::string name) {
    for (char& c : name)
        if (c == '/') c = '.';
    return name;
}

std::string hex(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08x", static_cast<unsigned>(value));
    return buffer;
}

void openRecord(const std::string& path) {
    std::lock_guard<std::mutex> hold(gLock);
    if (!gRecord) gRecord = std::fopen(path.c_str(), "ab");
}

void record(const std::string& line) {
    std::lock_guard<std::mutex> hold(gLock);
    if (!gRecord) return;
    std::fputs((line + "\n").c_str(), gRecord);
    std::fflush(gRecord);
}

}  // namespace Standin
