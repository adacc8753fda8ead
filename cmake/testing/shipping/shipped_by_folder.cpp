// Fixture: found through an include folder.
#include "helper.h"
