// Fixture: reaches a non-shipping header through an angle-bracket include of a shipped one.
#include <plain_reaching.h>
