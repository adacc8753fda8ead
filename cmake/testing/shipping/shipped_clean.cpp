// Fixture: a shipped source with only shipped includes.
#include "plain.h"
