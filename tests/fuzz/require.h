#pragma once

#include <cstdio>
#include <cstdlib>

// A broken property is a finding: name it and abort, so that libFuzzer keeps
// the input that broke it.
inline void Require(bool holds, const char* property)
{
    if (!holds) {
        std::fprintf(stderr, "Property broken: %s\n", property);
        std::abort();
    }
}
