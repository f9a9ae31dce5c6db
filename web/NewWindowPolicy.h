#pragma once

#include <optional>
#include <string>

namespace brivane::web {

// Addresses that the reader page asks to open outside the program.
class NewWindowPolicy {
public:
    // Links the page wrote without a scheme resolve under the workspace;
    // every occurrence of the workspace text becomes "https://".
    static std::string Rewrite(const std::string& requested, const std::string& workspaceText);

    // Only web and mail addresses, and files inside the flipbook's own
    // workspace (after resolving "..", symbolic links and escapes), may reach
    // the system: a crafted flipbook must not launch local programs.
    static bool MayHandToSystem(const std::string& address, const std::optional<std::string>& workspaceUrl);

    // Web or mail address (no file, no other scheme).
    static bool IsWebOrMail(const std::string& address);
};

}  // namespace brivane::web
