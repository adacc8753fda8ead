#pragma once
// A runtime's `release` file (JAVA_VERSION="17.0.9" and other KEY="value" lines) says which version
// it is; today's runtimes register under names that need not be versions ("zulu-17"), so this is
// the better source. Pure function over the file's bytes.
#include <optional>
#include <string_view>

#include "launch_config.h"

// The JAVA_VERSION line's value parsed as a version (fill 0); nothing when the line is missing or
// its value holds no version.
std::optional<VersionSpec> releaseFileVersion(std::string_view content);
