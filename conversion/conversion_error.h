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

// Thrown by a host out of ProcessEvents to end the conversion there: the
// level file is not written yet at that point, so an earlier one stays as
// it was. The command line does so on Ctrl+C.
class ConversionCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "conversion cancelled"; }
};
