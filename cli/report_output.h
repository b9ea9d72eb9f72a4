#pragma once

#include <ostream>
#include <vector>

#include "cli/file_report.h"

// The reports as aligned text, a block for each file.
void WriteReportsAsText(const std::vector<FileReport>& reports, std::ostream& out);

// The same facts as one JSON document: {"files": [...]}, a member for each
// fact, the records as objects, and "warnings", "errors" and "sound".
void WriteReportsAsJson(const std::vector<FileReport>& reports, std::ostream& out);
