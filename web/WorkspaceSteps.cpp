#include "web/WorkspaceSteps.h"

#include "base/FileUrl.h"
#include "document/FlipbookFile.h"
#include "document/FlipbookMeta.h"
#include "document/MetadataValue.h"
#include "document/ReaderConfiguration.h"
#include "document/WorkspaceClaim.h"
#include "document/WorkspaceRoot.h"
#include "document/WorkspaceSweeper.h"

namespace brivane::web {

namespace {

// Title, id and page count, from the archive's metadata.
void Describe(const std::string& fileUrl, WorkspaceSteps::Finished& finished) {
    const document::FlipbookMeta meta(fileUrl);
    finished.title = meta.GetTitle();
    if (const auto doc = meta.LoadMetadata()) {
        const document::MetadataValue value(*doc);
        finished.bookId = value["id"].String().value_or("");
        const auto pages = value["num_pages"].Int().value_or(0);
        finished.pageCount = pages > 0 && pages <= 1'000'000 ? static_cast<int>(pages) : 0;
    }
}

}  // namespace

WorkspaceSteps WorkspaceSteps::OnDisk() {
    WorkspaceSteps steps;
    steps.createCore = [](const std::string& fileUrl) { return document::FlipbookFile(fileUrl).CreateCore(); };
    steps.finish = [](const std::string& fileUrl, document::UnpackListener* listener) {
        document::FlipbookFile file(fileUrl);
        const auto unpacked = file.ExtractZip(listener);
        Finished finished;
        if (!unpacked) finished.unpackProblem = unpacked.Failure().PlainWords();
        finished.configuration = file.GetReaderConfiguration();
        finished.workspaceUrl = file.GetWorkspaceURL();
        Describe(fileUrl, finished);
        return finished;
    };
    steps.early = [](const std::string& fileUrl, const std::string& workspaceUrl) {
        // The unpacked metadata will be this very entry, so the page gets the
        // configuration it would get once the unpacking is done.
        document::FlipbookFile file(fileUrl);
        file.tempPath = JoinFileUrl(workspaceUrl, "data");
        Finished finished;
        if (const auto text = file.GetMetadataSource(fileUrl))
            finished.configuration = document::ReaderConfiguration::Build(
                *text, file.PDF_FILE_NAME,
                [&file](const std::string& relative) { return file.GetTempPathURL(relative); });
        finished.workspaceUrl = workspaceUrl;
        Describe(fileUrl, finished);
        return finished;
    };
    steps.workspaceUrl = [](const std::string& fileUrl) { return document::FlipbookFile(fileUrl).GetWorkspaceURL(); };
    steps.claim = [](const std::string& fileUrl) -> std::optional<Claim> {
        const document::FlipbookFile file(fileUrl);
        auto claim = file.ClaimWorkspace();
        if (!claim) return std::nullopt;
        auto held = std::make_shared<document::WorkspaceClaim>(std::move(*claim));
        auto workspace = file.InstallCore(*held);
        if (!workspace) return std::nullopt;
        return Claim{*workspace, std::move(held)};
    };
    steps.sweep = [] {
        if (const auto root = document::WorkspaceRoot::Locate()) document::WorkspaceSweeper::Sweep(*root, {});
    };
    return steps;
}

}  // namespace brivane::web
