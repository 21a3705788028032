#include "testhome.h" // KAVRIN_WINDOW_TEST_MAIN
