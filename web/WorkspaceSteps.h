#pragma once

#include "document/archive/UnpackListener.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace brivane::web {

// The workspace work, each step on its own FlipbookFile. Replaceable so the
// host's sequencing can be tested without archives on disk.
struct WorkspaceSteps {
    struct Finished {
        std::optional<nlohmann::json> configuration;
        std::optional<std::string> workspaceUrl;
        std::string title;          // as stored: may hold markup and entities
        std::string unpackProblem;  // why unpacking failed, in plain words; empty otherwise
        std::string bookId;         // the metadata "id"; empty when missing
        int pageCount = 0;          // the metadata "num_pages"; 0 when missing
    };
    std::function<std::optional<std::string>(const std::string& fileUrl)> createCore;
    // Unpack, configure, locate the workspace, read the title. The listener
    // hears how the unpacking goes, if there is one.
    std::function<Finished(const std::string& fileUrl, document::UnpackListener* listener)> finish;
    std::function<std::optional<std::string>(const std::string& fileUrl)> workspaceUrl;
    // What finish will give, from the archive itself, for a page that reads
    // the book while it is still being written out; optional.
    std::function<Finished(const std::string& fileUrl, const std::string& workspaceUrl)> early;
    // Holds a workspace for this file with the reader core installed, until
    // hold goes; replaces createCore where given.
    struct Claim {
        std::string workspaceUrl;
        std::shared_ptr<void> hold;
    };
    std::function<std::optional<Claim>(const std::string& fileUrl)> claim = nullptr;
    // Removes workspaces nobody shows beyond what is kept; optional.
    std::function<void()> sweep = nullptr;

    static WorkspaceSteps OnDisk();
};

}  // namespace brivane::web
