#pragma once
// The values the launcher puts into its own environment before loading the VM library, so the
// library, its dependencies and the Java program's native libraries are found (and inherited by what
// the Java program starts). Portable: the caller expands and sets them.
#include <string>
#include <string_view>

// The path with its last `count` components cut off (a cut without a '\' leaves the text as it is).
std::wstring cutPathComponents(std::wstring_view path, int count);

// QL_JVM_HOME: C:\Java\jre\bin\server\jvm.dll gives C:\Java\jre.
std::wstring jvmHomeOf(std::wstring_view vmLibraryPath);

// The new "Path", unexpanded: "System Path" (';'-terminated), "%Path%;", the runtime's program folder.
std::wstring searchPathText(std::wstring_view systemPath, std::wstring_view vmLibraryPath);

// The text after the last '\' (the service name of C:\Apps\VaultwickService.exe is
// VaultwickService.exe); the whole path when it has none.
std::wstring fileNameOf(std::wstring_view path);
