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

    // What may reach the system for an address the reader page asks to open:
    // web addresses as they are, mail addresses without attachments, and of
    // the local files only the book's own PDF (data/flipbook.pdf in the
    // workspace, after resolving "..", symbolic links and escapes). Nothing
    // for anything else: a crafted flipbook must not launch local programs or
    // have its own pages opened outside the reader.
    static std::optional<std::string> ForSystem(const std::string& address,
                                                const std::optional<std::string>& workspaceUrl);
    // The book's own PDF, the one file that may be opened or printed.
    static bool IsBookPdf(const std::string& address, const std::optional<std::string>& workspaceUrl);

    // Web or mail address (no file, no other scheme).
    static bool IsWebOrMail(const std::string& address);
};

}  // namespace brivane::web
