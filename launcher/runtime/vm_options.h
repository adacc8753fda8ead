#pragma once
// The virtual machine's option texts, built from the launcher's settings. Portable: the caller hands
// in the memory figures of the machine, and expands environment references and converts to narrow
// text afterwards.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What the heap and stack percentages of "Virtual Machine Parameters" are taken of.
struct MemoryFigures {
    std::uint64_t totalPhysicalBytes = 0;    // "P": the machine's physical memory
    std::uint64_t availableVirtualBytes = 0; // "T": the process's free address space
};

namespace VmOptions {

// Cuts the parameter text at spaces outside quoted sections; a lone quotation mark protects nothing.
std::vector<std::wstring> splitTokens(std::wstring_view text);

// Removes pairs of quotation marks; a doubled closing mark leaves one mark as a literal.
std::wstring removeQuotes(std::wstring_view token);

// -Xms/-Xmx/-Xss ending in P or T ("-Xmx50P", "-Xmx75:512:2048P"): rewritten to an absolute size in
// kilobytes, clamped by the optional lower and upper bounds in megabytes. Other tokens unchanged.
std::wstring rewritePercentOfMemory(std::wstring_view token, const MemoryFigures& memory);

// The byte count of the text after "-Xss" ("512k", "2m", "1048576"), or 0 when it is not one number
// with an optional unit letter, or when the size does not fit in 64 bits.
std::uint64_t parseStackSize(std::wstring_view afterXss);

// "-Djava.library.path=" + the entries joined by ';': the configured path, the program's folder, ".",
// "%Path%" (expanded later) and the runtime's lib folder derived from the VM library path.
std::wstring libraryPathOption(std::wstring_view libraryPath, std::wstring_view programFolder,
                               std::wstring_view vmLibraryPath);

// The class path with the program file appended when it is its own jar (an empty programPath means
// the program's path was not available and nothing is appended).
std::wstring classPathValue(std::wstring_view classPath, bool embeddedJar, std::wstring_view programPath);

}  // namespace VmOptions

// The parameter options in text order, after quote removal and percent rewriting. Every "-Xss" token
// sets `stackSize` (the last one wins; an unusable one sets 0); without any it is left as it was.
std::vector<std::wstring> splitVmParameters(std::wstring_view text, const MemoryFigures& memory,
                                            std::uint64_t& stackSize);

// The string id of the reason shown for a failed JNI_CreateJavaVM result (-1 .. -6), 0 for none.
int createFailureReasonId(int result);
