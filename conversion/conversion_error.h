#pragma once

#include <stdexcept>
#include <string>

// A conversion that could not be carried out: an unreadable source, an
// unwritable output, memory exhausted. The text names the file and the reason
// and is meant for the user as it stands.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
