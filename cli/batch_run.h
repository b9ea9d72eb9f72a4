#pragma once

#include "cli/conversion_jobs.h"
#include "cli/memory_budget.h"
#include "cli/options.h"
#include "cli/output_claims.h"

// Converts batches of textures for one run of the command line, several at
// once when asked, and keeps every level file of the run to the first
// texture that maps to it. Conversions side by side hold at most half the
// physical memory together (MemoryBudget); a texture that needs more than
// that runs alone.
class BatchRun {
public:
    BatchRun(const Options& options, bool showProgress);

    // Converts the listed textures as one batch, printing one line for each
    // in list order and the list's failures before them. Returns whether
    // every texture converted or was up to date and nothing failed. Ctrl+C
    // ends the batch early: no texture is started after it.
    bool Convert(const JobList& list);

private:
    const Options& options_;
    bool showProgress_;
    unsigned workers_;
    OutputClaims claims_;
    OutputClaims keptClaims_;  // the DDS textures kept from pictures
    MemoryBudget budget_;      // what the workers' conversions may hold together
};
