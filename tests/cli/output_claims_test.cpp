#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/output_claims.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// Each texture of a run as (source, output folder), with the verdict it gets.
struct Claim {
    std::string source;
    std::string outputDirectory;
    std::string verdict;  // "claimed", "repeated", or the refusal
};

// Claims in order inside a scratch folder holding mod/sub/ (and link/, a
// link to mod/, where the system allows one), a new batch at each "|" source.
void ExpectClaims(const std::vector<Claim>& claims)
{
    TempDir folder;
    fs::create_directories(folder.Path() / "mod/sub");
#ifndef _WIN32
    fs::create_directory_symlink("mod", folder.Path() / "link");
#endif
    const fs::path working = fs::current_path();
    fs::current_path(folder.Path());
    OutputClaims run;
    run.BeginBatch();
    for (const Claim& claim : claims) {
        if (claim.source == "|") {
            run.BeginBatch();
            continue;
        }
        std::string refusal;
        const auto verdict = run.Claim(ConversionJob(claim.source, claim.outputDirectory), refusal);
        EXPECT_EQ(verdict == OutputClaims::Verdict::Claimed    ? "claimed"
                  : verdict == OutputClaims::Verdict::Repeated ? "repeated"
                                                               : refusal,
                  claim.verdict)
            << claim.source;
    }
    fs::current_path(working);
}

TEST(OutputClaims, TheFirstTextureKeepsItsLevelFileForTheWholeRun)
{
    const std::string sep(1, fs::path::preferred_separator);
    ExpectClaims({
        {"mod/a.dds", "out", "claimed"},
        {"mod/b.dds", "out", "claimed"},
        {"mod/sub/a.dds", "out", "mod/sub/a.dds: would overwrite out" + sep + "a.lvl, already written from mod/a.dds"},
        {"mod/a.dds.bak", "mod/../out", "mod/a.dds.bak: would overwrite out" + sep + "a.lvl, already written from mod/a.dds"},
        {"./mod/a.dds", "out", "repeated"},
        {"mod/sub/../a.dds", "./out", "repeated"},
        {"mod/a.dds", "elsewhere", "claimed"},  // another level file of the same texture
        {"|", "", ""},
        {"mod/a.dds", "out", "claimed"},  // changed since: converted again
        {"mod/sub/a.dds", "out", "mod/sub/a.dds: would overwrite out" + sep + "a.lvl, already written from mod/a.dds"},
    });
}

TEST(OutputClaims, PathsAreComparedAsTheFileSystemComparesThem)
{
#ifdef _WIN32
    // Names ignore case.
    ExpectClaims({{"mod/a.dds", "out", "claimed"}, {"MOD/A.DDS", "OUT", "repeated"}, {"mod/sub/A.dds", "Out",
                  "mod/sub/A.dds: would overwrite out\\a.lvl, already written from mod/a.dds"}});
#else
    // Names keep their case, and a link is the file it leads to.
    ExpectClaims({{"mod/a.dds", "out", "claimed"}, {"mod/A.dds", "out", "claimed"}, {"link/a.dds", "out", "repeated"}});
#endif
}

}  // namespace
