#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "cli/conversion_jobs.h"

// Which texture each level file of a run comes from, so that no texture's
// output is lost to another's: the first texture that maps to a level file
// keeps it for the whole run. Paths are compared as the file system compares
// them, so "./a.lvl", "x/../a.lvl" and, on Windows, "A.LVL" are one file.
class OutputClaims {
public:
    enum class Verdict {
        Claimed,   // the level file is this texture's, to write in this batch
        Repeated,  // the texture came twice in this batch: it is converted once
        Taken,     // another texture writes this level file
    };

    // A run may convert in several batches (watching does); a texture comes
    // again in a later batch when it has changed.
    void BeginBatch() { ++batch_; }

    // Claims the job's level file for its texture. With Taken, `refusal` is
    // set to the texture's line: "PATH: would overwrite OUT.lvl, already
    // written from FIRST".
    Verdict Claim(const ConversionJob& job, std::string& refusal);

private:
    struct Owner {
        std::filesystem::path source;  // as given
        std::filesystem::path levelFile;
        std::filesystem::path identity;  // the source as the file system compares it
        unsigned batch;  // the last batch that converts it
    };

    std::map<std::filesystem::path, Owner> owners_;
    unsigned batch_ = 0;
};
