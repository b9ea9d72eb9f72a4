#include "cli/arguments.h"

std::vector<std::string> Utf8Arguments(int argc, char** argv)
{
    return {argv + (argc > 0 ? 1 : 0), argv + argc};
}
