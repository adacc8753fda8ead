#pragma once
// The launcher's settings as the configuration step leaves them: complete after start-up and never
// changed afterwards, so later threads read them without a lock. Every default here is what an empty
// or missing key in the INI file gives.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A version limit or a runtime's version: four parts, most significant first, and how many parts the
// text gave (0 = not given, 5 = more than four were written).
struct VersionSpec {
    std::array<std::uint32_t, 4> parts{0, 0, 0, 0};
    std::uint32_t count = 0;

    bool operator==(const VersionSpec& o) const { return parts == o.parts && count == o.count; }
    bool operator!=(const VersionSpec& o) const { return !(*this == o); }
};

// "JVM Type": Server accepts only a server VM, FavorServer prefers one, None takes the first found.
enum class VmType : int { None = 0, Server = 1, FavorServer = 2 };

// "JVM Source": which kinds of registered runtime are searched and preferred.
struct RuntimeSources {
    bool jdkAccepted = true;
    bool jreAccepted = true;
    bool fallBackToOtherKind = true;

    bool operator==(const RuntimeSources& o) const {
        return jdkAccepted == o.jdkAccepted && jreAccepted == o.jreAccepted &&
               fallBackToOtherKind == o.fallBackToOtherKind;
    }
};

// "VM Provider": which vendors' registry roots are searched and which is ordered first.
struct VmProviders {
    bool jrockitAccepted = false;
    bool jrockitPreferred = false;
    bool sunAccepted = true;
    bool sunPreferred = true;

    bool operator==(const VmProviders& o) const {
        return jrockitAccepted == o.jrockitAccepted && jrockitPreferred == o.jrockitPreferred &&
               sunAccepted == o.sunAccepted && sunPreferred == o.sunPreferred;
    }
};

struct LaunchConfig {
    bool serviceMode = false;                    // "Application Type" exactly "service"
    VersionSpec minimumVersion;                  // "Minimum Version", fill 0
    VersionSpec maximumVersion;                  // "Maximum Version", fill 65535; all 0 = no limit
    std::vector<std::wstring> preferredVersions; // "Preferred versions", cut at ';'
    std::wstring jrePath;                        // "JRE Path": configured runtime folder, as written
    VmType vmType = VmType::None;                // "JVM Type"
    RuntimeSources sources;                      // "JVM Source"
    VmProviders providers;                       // "VM Provider"
    std::wstring mainClass;                      // "Main Class" with '.' turned into '/'
    bool failureCheck = false;                   // "Failure Check"
    bool overrideWorkingDir = false;             // "Override WorkingDir"
    std::wstring systemPath;                     // "System Path", unexpanded
    std::wstring libraryPath;                    // "Library Path", unexpanded
    std::wstring outputFile;                     // "Output File", environment-expanded when read
    std::wstring errorFile;                      // "Error File", environment-expanded when read
    std::wstring cmd;                            // "Cmd", environment-expanded when read
    std::wstring productName;                    // "Product Name", unfiltered
    std::wstring productCode;                    // "Product Code"

    // The launcher log.
    std::wstring logFile;                        // "Log File", environment-expanded when read
    // Service stop and system-shutdown limits, in whole seconds; 0 (empty, 0 or not a number) = none.
    std::uint32_t stopTimeoutSeconds = 0;        // "Stop Timeout"
    std::uint32_t shutdownTimeoutSeconds = 0;    // "Shutdown Timeout"
};

// Section and key names of the INI file, shared by whoever reads them.
namespace ConfigKeys {
inline constexpr const wchar_t* kApplication = L"Application";
inline constexpr const wchar_t* kJavaRuntime = L"Java Runtime Environment";
inline constexpr const wchar_t* kClassPathSection = L"Class Path";
inline constexpr const wchar_t* kProductInformation = L"Product Information";

inline constexpr const wchar_t* kApplicationType = L"Application Type";
inline constexpr const wchar_t* kSingleInstance = L"Single Instance";
inline constexpr const wchar_t* kFailureCheck = L"Failure Check";
inline constexpr const wchar_t* kOverrideWorkingDir = L"Override WorkingDir";
inline constexpr const wchar_t* kEmbeddedJar = L"Embedded Jar";
inline constexpr const wchar_t* kOutputFile = L"Output File";
inline constexpr const wchar_t* kErrorFile = L"Error File";
inline constexpr const wchar_t* kCmd = L"Cmd";
inline constexpr const wchar_t* kMainClass = L"Main Class";
inline constexpr const wchar_t* kJrePath = L"JRE Path";
inline constexpr const wchar_t* kMinimumVersion = L"Minimum Version";
inline constexpr const wchar_t* kMaximumVersion = L"Maximum Version";
inline constexpr const wchar_t* kPreferredVersions = L"Preferred versions";
inline constexpr const wchar_t* kJvmType = L"JVM Type";
inline constexpr const wchar_t* kJvmSource = L"JVM Source";
inline constexpr const wchar_t* kVmProvider = L"VM Provider";
inline constexpr const wchar_t* kSystemPath = L"System Path";
inline constexpr const wchar_t* kLibraryPath = L"Library Path";
inline constexpr const wchar_t* kVirtualMachineParameters = L"Virtual Machine Parameters";
inline constexpr const wchar_t* kClassPath = L"Class Path";
inline constexpr const wchar_t* kProductName = L"Product Name";
inline constexpr const wchar_t* kProductCode = L"Product Code";

// The launcher log.
inline constexpr const wchar_t* kLogFile = L"Log File";
inline constexpr const wchar_t* kStopTimeout = L"Stop Timeout";
inline constexpr const wchar_t* kShutdownTimeout = L"Shutdown Timeout";
}  // namespace ConfigKeys
