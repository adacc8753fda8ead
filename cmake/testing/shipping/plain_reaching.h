#pragma once
// Fixture: a shipped header that includes a test helper.
#include "testing/helper.h"
