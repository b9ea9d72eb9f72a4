#pragma once

#include <stdexcept>

// What stops a tool before it does any work: a usage error, or a file list
// that cannot be read. The text is one line for the user; the tool prints it
// and ends with status 2.
class CommandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
