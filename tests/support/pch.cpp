// Holds the tests' precompiled headers; every test program reuses them.
