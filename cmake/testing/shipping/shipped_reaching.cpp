// Fixture: reaches a non-shipping header through a shipped one.
#include "plain_reaching.h"
