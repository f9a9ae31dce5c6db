#pragma once

#include <string>

namespace brivane::web {

// Mail addresses handed to the system's mail program. Some mail programs
// attach the local file that an "attach" or "attachment" header names, so a
// page could mail the user's files away with one click.
class MailtoAddress {
public:
    // The address without any header whose name, decoded and in any case,
    // begins with "attach"; everything else as it was.
    static std::string WithoutAttachments(const std::string& mailto);
};

}  // namespace brivane::web
