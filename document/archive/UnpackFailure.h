#pragma once

#include <string>

namespace brivane::document {

// Why an archive was not unpacked, once for the log and once for the reader.
class UnpackFailure {
public:
    enum class Cause {
        LeadsOutside,    // a name or link that would place something outside the
                         // destination
        UnreadableName,  // a name that is not printable text
        Encrypted,
        UnsupportedMethod,  // detail: the method number
        CrcMismatch,
        Damaged,          // the archive or an entry's data cannot be read
        UnsupportedType,  // device, FIFO or socket
        AlreadyExists,
        TooLarge,     // more than the disk or common sense can take
        WriteFailed,  // the destination refused; detail: the system's words
        Cancelled,    // the window that wanted it went away
    };

    UnpackFailure(Cause cause, std::string entry, std::string detail = {});

    Cause cause;
    std::string entry;  // the entry's name, or empty when it concerns the whole archive
    std::string detail;

    // One line: "files/a.bin: compression method 93 is not supported".
    std::string Line() const;
    // A sentence for the reader, without jargon.
    std::string PlainWords() const;
};

}  // namespace brivane::document
