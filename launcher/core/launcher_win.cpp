#include "launcher.h"

#include "command_line.h"
#include "config_values.h"
#include "full_path_win.h"
#include "java_attached_calls.h"
#include "java_exception_dialog_win.h"
#include "java_output_roll_win.h"
#include "launch_log_setup_win.h"
#include "log_file_rules.h"
#include "process_environment.h"
#include "service_dispatch_win.h"
#include "single_instance_win.h"
#include "stop_limit_win.h"
#include "unique_handle_win.h"
#include "vm_options.h"

#include <windows.h>

#include <chrono>

namespace {

MemoryFigures memoryFigures() {
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    return MemoryFigures{status.dwTotalPhys, status.dwAvailVirtual};
}

std::wstring millisecondsSince(std::chrono::steady_clock::time_point start) {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::to_wstring(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

// What the log says of one stop request that reached the VM.
std::wstring stopOutcomeText(const JavaStopOutcome& outcome, const std::wstring& mainClass, const std::wstring& ms) {
    switch (outcome.kind) {
    case JavaStopOutcome::Kind::NotAttached:
        return L"stop() not called: this thread could not attach to the virtual machine";
    case JavaStopOutcome::Kind::ClassNotFound:
        return L"stop() not called: class " + mainClass + L" not found";
    case JavaStopOutcome::Kind::MethodNotFound:
        return L"stop() not called: " + mainClass + L" has no static stop()";
    case JavaStopOutcome::Kind::Returned:
        return L"stop() returned after " + ms + L" ms";
    case JavaStopOutcome::Kind::Threw:
        return L"stop() threw " + outcome.exceptionClass + L" after " + ms + L" ms";
    }
    return std::wstring();
}

DWORD WINAPI javaStopThread(void* launcher) {
    static_cast<Launcher*>(launcher)->requestJavaStop();
    return 1;
}

}  // namespace

Launcher::Launcher(ErrorLines& errors, ConfigPlatform& platform, FileProbe& probe, RegistryReader& registry,
                   RuntimeFolderPrompt& prompt)
    : log_(std::make_unique<LaunchLogFile>()), loggedErrors_(errors, *log_), errors_(loggedErrors_),
      platform_(platform), probe_(probe), registry_(registry), prompt_(prompt), file_(platform, loggedErrors_),
      host_(loggedErrors_),
      singleInstance_(std::make_unique<SingleInstance>(
          [this](const std::vector<std::wstring>& arguments, const std::function<void(int)>& reply) {
              forwardToSecondaryMain(arguments, reply);
          })),
      stopLimit_(std::make_unique<StopLimit>()) {}

Launcher::~Launcher() = default;

LaunchLog& Launcher::log() { return *log_; }

std::wstring Launcher::serviceFailureText() {
    return config_.serviceMode && serviceFailed_ ? loggedErrors_.printedText() : std::wstring();
}

bool Launcher::startUp() {
    serviceFailed_ = !startUpSteps();
    return !serviceFailed_;
}

bool Launcher::startUpSteps() {
    programArguments_ = programArgumentsOf(GetCommandLineW());
    if (!singleInstance_->setUp(file_, programArguments_)) return false;
    if (singleInstance_->isSecondInstance()) {  // handed over: nothing more is read
        log_->discard();
        return true;
    }
    const bool configured = readLaunchConfig(file_, config_);
    openLaunchLog(*log_, file_, config_);  // whatever the outcome: the lines held so far go there
    // A run without the log it asked for says which and why where an administrator looks first.
    reportServiceError(*this, log_->refusal(), L"missing launcher log");
    file_.logValuesTo(*log_);
    if (!configured) return false;
    if (config_.overrideWorkingDir) {
        if (const auto& program = file_.programPath()) {
            std::wstring folder = cutPathComponents(*program, 1);
            if (!folder.empty()) SetCurrentDirectoryW(folder.c_str());
        }
    }
    return locateRuntime(config_, file_, probe_, registry_, prompt_, vmLibraryPath_, *log_);
}

void Launcher::appendProgramArguments(const std::vector<std::wstring>& arguments) {
    programArguments_.insert(programArguments_.end(), arguments.begin(), arguments.end());
}

void Launcher::setUpEnvironment() {
    SetEnvironmentVariableW(L"QL_JVM_PATH", vmLibraryPath_.c_str());
    SetEnvironmentVariableW(L"QL_JVM_HOME", jvmHomeOf(vmLibraryPath_).c_str());
    buildLibraryPathOption();  // before "Path" changes: its %Path% means the old search path
    const std::wstring path = platform_.expandEnvironment(searchPathText(config_.systemPath, vmLibraryPath_));
    SetEnvironmentVariableW(L"Path", path.c_str());
}

void Launcher::appendExpandedOption(const std::wstring& option) {
    const std::wstring expanded = platform_.expandEnvironment(option);
    log_->write(L"VM option " + expanded);
    host_.appendOption(expanded);
}

void Launcher::buildLibraryPathOption() {
    if (config_.libraryPath.empty()) return;
    const auto& program = file_.programPath();
    appendExpandedOption(VmOptions::libraryPathOption(config_.libraryPath,
                                                      program ? programFolderOf(*program) : std::wstring(),
                                                      vmLibraryPath_));
}

bool Launcher::loadVm() { return host_.loadVm(vmLibraryPath_); }

bool Launcher::buildVmOptions() {
    const std::wstring classPath = file_.read(ConfigKeys::kClassPathSection, ConfigKeys::kClassPath);
    const bool embeddedJar = ConfigValues::isYes(file_.read(ConfigKeys::kApplication, ConfigKeys::kEmbeddedJar));
    std::wstring programPath;
    if (embeddedJar) {
        unsigned long error = 0;
        if (!platform_.programPath(programPath, error)) {
            errors_.printWindowsError(LauncherText::ModulePathFailed, error);
            programPath.clear();
        }
    }
    const std::wstring fullClassPath = VmOptions::classPathValue(classPath, embeddedJar, programPath);
    if (fullClassPath.empty()) {
        errors_.print(LauncherText::ClassPathMissing, {});
        return false;
    }
    appendExpandedOption(L"-Djava.class.path=" + fullClassPath);
    const std::wstring parameters = file_.read(ConfigKeys::kJavaRuntime, ConfigKeys::kVirtualMachineParameters);
    for (const std::wstring& option : splitVmParameters(parameters, memoryFigures(), host_.stackSize()))
        appendExpandedOption(option);

    config_.outputFile = file_.readExpanded(ConfigKeys::kApplication, ConfigKeys::kOutputFile);
    config_.errorFile = file_.readExpanded(ConfigKeys::kApplication, ConfigKeys::kErrorFile);
    config_.cmd = file_.readExpanded(ConfigKeys::kApplication, ConfigKeys::kCmd);
    for (std::wstring& token : splitCommandLine(config_.cmd))
        if (!token.empty()) programArguments_.push_back(std::move(token));
    return true;
}

void Launcher::onUncaughtException(const std::wstring& stackTrace) {
    // A service has no desktop to show a dialog on: the trace becomes an error line.
    if (config_.serviceMode) {
        errors_.printMessage(stackTrace);
        return;
    }
    // Stop ends everything at once, Java threads included; Ignore goes on as without the check.
    if (showJavaExceptionDialog(stackTrace) == ExceptionChoice::Stop) ExitProcess(static_cast<UINT>(-1));
}

JavaMain Launcher::javaMain() {
    JavaMain program;
    program.mainClass = config_.mainClass;
    program.arguments = programArguments_;
    program.outputFile = javaOutputs_.output;
    program.errorFile = javaOutputs_.error;
    program.appendOutput = javaOutputs_.appendOutput;
    program.appendError = javaOutputs_.appendError;
    program.errorIsOutput = javaOutputs_.errorIsOutput;
    program.onReady = [this] {
        if (!stopGate_.admitMain()) {
            log_->write(L"virtual machine created; a stop request came first, so main is not called");
            return false;
        }
        log_->write(L"virtual machine created; calling main of " + config_.mainClass);
        singleInstance_->signalReady();
        return true;
    };
    // Java says why only on the stream it could not replace, which for a service reaches no one.
    program.onStreamKept = [this](JavaStream stream, const std::wstring& path, const std::wstring& reason) {
        const wchar_t* key = stream == JavaStream::Out   ? L"Output File "
                             : stream == JavaStream::Err ? L"Error File "
                                                         : L"Output File and Error File ";
        const wchar_t* what = stream == JavaStream::Out   ? L"output stays"
                              : stream == JavaStream::Err ? L"error stays"
                                                          : L"output and error stay";
        log_->write(key + Win::fullPathOf(path) + L" could not be opened, so Java's standard " + what +
                    L" where it was: " + reason);
    };
    if (config_.failureCheck)
        program.onUncaughtException = [this](const std::wstring& trace) { onUncaughtException(trace); };
    return program;
}

int Launcher::runVmThread() {
    const int result = host_.runVmThread(javaMain());
    log_->write(host_.mainEnding());
    return result;
}

// On a forwarding thread, after the ready event: the VM exists and main has been called.
void Launcher::forwardToSecondaryMain(const std::vector<std::wstring>& arguments,
                                      const std::function<void(int)>& reply) {
    callSecondaryMain(host_.javaVm(), config_.mainClass, arguments, reply);
}

unsigned long Launcher::startJavaStop() {
    stopGate_.requestStop();  // from here the clean-up waits for this request
    Win::UniqueHandle thread(CreateThread(nullptr, 0, javaStopThread, this, 0, nullptr));
    if (thread) return 0;
    const unsigned long error = GetLastError();
    stopGate_.withdrawStop();  // reaches no one: main may still run, and a crash of it is no stop
    return error;
}

void Launcher::requestJavaStop() {
    if (stopGate_.beginStop()) {
        const auto started = std::chrono::steady_clock::now();
        log_->write(L"calling stop()");
        const JavaStopOutcome outcome = callJavaStop(host_.javaVm(), config_.mainClass);
        log_->write(stopOutcomeText(outcome, config_.mainClass, millisecondsSince(started)));
    } else {
        log_->write(L"stop request not passed to Java: main is not running");
    }
    stopGate_.endStop();  // the last touch of this object: the clean-up may go on from here
}

int Launcher::run() {
    if (singleInstance_->isSecondInstance()) return singleInstance_->waitForFirstInstance();
    // A service stop that came while the runtime was being found: nothing to start.
    if (stopGate_.stopRequested()) return 0;
    setUpEnvironment();
    if (!loadVm()) return -1;
    if (!buildVmOptions()) return -1;
    const auto& program = file_.programPath();
    const std::wstring logPath =
        program ? LogFileRules::logFilePath(config_.logFile, *program, config_.serviceMode) : std::wstring();
    javaOutputs_ = prepareJavaOutputs(config_.outputFile, config_.errorFile, logPath, program.value_or(L""), errors_, *log_);
    return runVmThread() == 0 ? 0 : -1;
}

ServiceStatus::End Launcher::runAsService() {
    using ServiceStatus::End;
    const int result = run();
    const MainRun& main = host_.mainRun();
    const bool mainRan = main.end == MainRun::End::Returned || main.end == MainRun::End::Threw;
    End end = End::Clean;
    if (result != 0 && !mainRan) {
        end = End::NotRun;
    } else if (host_.detachFailed()) {
        end = End::DetachFailed;
        errors_.print(LauncherText::ServiceMainNotDetached, {static_cast<long>(end)});
    } else if (main.end == MainRun::End::Threw && !stopGate_.stopReachedJava()) {
        // An engine that crashed is not one that was asked to stop: recovery should restart it. A
        // request that never reached stop() asked nothing of it.
        end = End::MainThrew;
        const std::wstring exception = main.exceptionClass.empty() ? L"exception" : main.exceptionClass;
        errors_.print(LauncherText::ServiceMainThrew, {exception, static_cast<long>(end)});
    }
    serviceFailed_ = end != End::Clean;
    return end;
}

void Launcher::cleanUp() {
    stopGate_.drain();  // no stop request may reach the VM, or this object, once it goes
    singleInstance_->stopForwarding();  // nor a hand-over from a later start
    host_.destroyVm();
    singleInstance_->shutDown();
}
