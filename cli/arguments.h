#pragma once

#include <string>
#include <vector>

// The program's arguments after its name, as UTF-8: on Windows read from the
// wide command line, so that no name is squeezed through the code page; on
// Linux the bytes as they are.
std::vector<std::string> Utf8Arguments(int argc, char** argv);
