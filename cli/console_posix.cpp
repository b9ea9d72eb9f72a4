#include "cli/console.h"

#include <unistd.h>

void UseUtf8Console()
{
}

bool StderrIsTerminal()
{
    return isatty(STDERR_FILENO) != 0;
}
