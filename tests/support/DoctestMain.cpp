// SPDX-License-Identifier: Apache-2.0
// The entry point of every doctest suite.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest.h>
