#include "cli/output_claims.h"

#include <system_error>
#include <utility>

#include "cli/comparable_path.h"
#include "conversion/path_text.h"

namespace fs = std::filesystem;

namespace {

// Links and ".." resolved as far as the path exists; what does not exist
// yet, such as an output folder made on demand, is taken as written.
fs::path Identity(const fs::path& path)
{
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(fs::absolute(path, error), error);
    if (error) {
        resolved = fs::absolute(path, error).lexically_normal();
    }
    return ComparablePath(resolved);
}

}  // namespace

OutputClaims::Verdict OutputClaims::Claim(const ConversionJob& job, std::string& refusal)
{
    const fs::path sourceIdentity = Identity(job.source);
    const auto [owner, claimed] =
        owners_.try_emplace(Identity(job.levelFile), Owner{job.source, job.levelFile, sourceIdentity, batch_});
    if (claimed) {
        return Verdict::Claimed;
    }
    if (owner->second.identity == sourceIdentity) {
        return std::exchange(owner->second.batch, batch_) == batch_ ? Verdict::Repeated : Verdict::Claimed;
    }
    // Named as the first texture's level file, which is the one on disk.
    refusal = PathText(job.source) + ": would overwrite " +
              PathText(owner->second.levelFile.lexically_normal()) + ", already written from " +
              PathText(owner->second.source);
    return Verdict::Taken;
}
