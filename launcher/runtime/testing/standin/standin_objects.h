#pragma once
// The stand-in runtime's Java objects, exceptions, streams and record file.
#include <jni.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace Standin {

struct Object {
    std::string className;           // "java/lang/String", "[Ljava/lang/String;", a class for jclass
    std::wstring text;               // String contents; Throwable message
    std::string bytes;               // ByteArrayOutputStream contents
    std::vector<Object*> elements;   // Object[]
    std::FILE* file = nullptr;       // FileOutputStream
    Object* target = nullptr;        // what a PrintStream writes into
    bool isClass = false;
    bool isThrowable = false;        // an exception object, or its class
};

struct Method {
    std::string owner, name, signature;
};

Object* object(jobject ref);
jclass classObject(const std::string& name);
jobject newObject(const std::string& className);
jstring newString(const std::wstring& text);
jobject newArray(std::size_t length, Object* initial);
// A FileOutputStream that empties the file, or adds to it; null with FileNotFoundException pending.
jobject newFileStream(const std::wstring& path, bool append = false);
jobject newPrintStream(Object* target);

jmethodID methodId(const std::string& owner, const std::string& name, const std::string& signature);
const Method& method(jmethodID id);

// The pending exception of the calling thread.
jobject pending();
void setPending(jobject exception);
void throwNew(const std::string& className, const std::wstring& message);
// "java.lang.X: message\n\tat ...\n", as printStackTrace writes it.
std::string stackTrace(Object* exception);

// System.out / System.err: a PrintStream, or the process's own stream while none was set.
void setSystemStream(bool out, Object* printStream);
void writeSystemStream(bool out, const std::string& bytes);
void writeStream(Object* printStream, const std::string& bytes);

// Text as UTF-8, the default character set here.
std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);
std::string hex(int value);
// "a/b/C" as Java names the class: "a.b.C".
std::string dotted(std::string name);

void openRecord(const std::string& path);
void record(const std::string& line);

}  // namespace Standin
