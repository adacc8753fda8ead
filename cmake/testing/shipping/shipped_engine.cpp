// Fixture: reaches the reference engine.
#include "engine/engine_part.h"
