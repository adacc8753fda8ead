#pragma once
// Opening the launcher log after the configuration step: the "Log File" key and the run mode say
// where it goes; its first line says which program, mode, process and configuration files.
#include "config_file.h"
#include "launch_config.h"
#include "launch_log_file_win.h"

// Reads "Log File" into `config` (environment-expanded), then opens `log` there or discards it.
void openLaunchLog(LaunchLogFile& log, ConfigFile& file, LaunchConfig& config);
