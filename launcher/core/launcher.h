#pragma once
// The one launcher object of VaultwickService: lives on the entry function's stack from start to
// exit and owns the configuration, the program arguments and the Java runtime host.
#include "config_file.h"
#include "error_lines.h"
#include "java_output_roll_win.h"
#include "java_stop_gate.h"
#include "launch_config.h"
#include "locate_runtime.h"
#include "logged_error_lines.h"
#include "service_status.h"
#include "vm_host.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class LaunchLogFile;
class SingleInstance;
class StopLimit;

class Launcher {
public:
    Launcher(ErrorLines& errors, ConfigPlatform& platform, FileProbe& probe, RegistryReader& registry,
             RuntimeFolderPrompt& prompt);
    ~Launcher();

    // Command line, single-instance step, configuration, working directory, runtime discovery.
    // A later single-instance start stops after handing its arguments over.
    bool startUp();
    // Environment, VM library, options, then the virtual-machine thread: 0 when main ran (or a
    // service stop came before it), else -1. A later single-instance start waits for the first one.
    int run();
    // The run step of a service, and how the service ends by it. An end that is a failure after main
    // ran (an uncaught exception with no stop asked for, a failed detach) is said in an error line.
    ServiceStatus::End runAsService();
    // Waits for the service stop requests under way, destroys the VM (waiting for the last non-daemon
    // Java thread), then the single-instance objects.
    void cleanUp();

    // A service stop request: stop() on a thread of its own once main runs; before that the request is
    // remembered and main is never called. 0, or the system error when no thread could be started for it.
    unsigned long startJavaStop();
    // That thread's work; the request is over when it returns.
    void requestJavaStop();
    // After the run step in service mode: no later request reaches Java.
    void closeJavaStops() { stopGate_.close(); }
    // "Stop Timeout", from the first stop request to the end of the process.
    StopLimit& stopLimit() { return *stopLimit_; }

    bool serviceMode() const { return config_.serviceMode; }
    // Service start arguments go between the command line's and those of "Cmd".
    void appendProgramArguments(const std::vector<std::wstring>& arguments);
    const std::vector<std::wstring>& programArguments() const { return programArguments_; }
    ErrorLines& errors() { return errors_; }
    LaunchLog& log();
    // A service that failed (start-up, a run that never reached main, or one of the failures of
    // runAsService): the error lines printed, for the event log; empty for every other run.
    std::wstring serviceFailureText();
    // The name the service was installed under, as its service main function received it.
    void setInstalledServiceName(const std::wstring& name) { installedServiceName_ = name; }
    const std::wstring& installedServiceName() const { return installedServiceName_; }
    JavaVM* javaVm() const { return host_.javaVm(); }
    const LaunchConfig& config() const { return config_; }

    bool loadVm();
    void buildLibraryPathOption();
    bool buildVmOptions();
    int runVmThread();

private:
    bool startUpSteps();
    void setUpEnvironment();
    void appendExpandedOption(const std::wstring& option);
    void onUncaughtException(const std::wstring& stackTrace);
    JavaMain javaMain();
    void forwardToSecondaryMain(const std::vector<std::wstring>& arguments, const std::function<void(int)>& reply);

    std::unique_ptr<LaunchLogFile> log_;  // first: everything below may write to it
    LoggedErrorLines loggedErrors_;
    bool serviceFailed_ = false;
    ErrorLines& errors_;
    ConfigPlatform& platform_;
    FileProbe& probe_;
    RegistryReader& registry_;
    RuntimeFolderPrompt& prompt_;
    ConfigFile file_;
    LaunchConfig config_;
    std::vector<std::wstring> programArguments_;
    std::wstring installedServiceName_;
    std::wstring vmLibraryPath_;
    JavaOutputFiles javaOutputs_;  // "Output File" and "Error File" as this run uses them
    VmHost host_;
    JavaStopGate stopGate_;
    std::unique_ptr<SingleInstance> singleInstance_;
    std::unique_ptr<StopLimit> stopLimit_;  // last, so it goes first: its action uses the members above
};
