#pragma once

#include <QIcon>

// The program's icon, from the resources compiled into the executable.
QIcon ProgramIcon();
