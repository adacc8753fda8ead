// Fixture: a test helper compiled into a program when the build is fooled.
int vwFixtureHelper() { return 1; }
