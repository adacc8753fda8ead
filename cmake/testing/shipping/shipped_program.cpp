// Fixture: the program of the fixture project.
#include "plain.h"

int main() { return 0; }
