#include "document/archive/UnpackFailure.h"

#include <utility>

namespace brivane::document {

namespace {

// Names come from the archive: a line break or escape sequence in one must
// not reach the log or the window as such.
std::string Printable(const std::string& name) {
    static constexpr char HEX[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            out += "\\x";
            out += HEX[b >> 4];
            out += HEX[b & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

UnpackFailure::UnpackFailure(Cause cause, std::string entry, std::string detail)
    : cause(cause), entry(std::move(entry)), detail(std::move(detail)) {}

std::string UnpackFailure::Line() const {
    std::string what;
    switch (cause) {
    case Cause::LeadsOutside:
        what = "leads outside the workspace";
        break;
    case Cause::UnreadableName:
        what = "name is not printable UTF-8 text";
        break;
    case Cause::Encrypted:
        what = "encrypted";
        break;
    case Cause::UnsupportedMethod:
        what = "compression method " + detail + " is not supported";
        break;
    case Cause::CrcMismatch:
        what = "CRC mismatch";
        break;
    case Cause::Damaged:
        what = "damaged";
        break;
    case Cause::UnsupportedType:
        what = "not a file, directory or link";
        break;
    case Cause::AlreadyExists:
        what = "already exists";
        break;
    case Cause::TooLarge:
        what = "too large";
        break;
    case Cause::WriteFailed:
        what = "cannot be written";
        break;
    case Cause::Cancelled:
        what = "cancelled";
        break;
    }
    if (cause != Cause::UnsupportedMethod && !detail.empty()) what += ": " + detail;
    return entry.empty() ? what : Printable(entry) + ": " + what;
}

std::string UnpackFailure::PlainWords() const {
    const std::string item = entry.empty() ? std::string() : " (" + Printable(entry) + ")";
    switch (cause) {
    case Cause::LeadsOutside:
        return "The file holds an item that would be placed outside its own "
               "folder" +
               item + ".";
    case Cause::UnreadableName:
        return "The file holds an item whose name cannot be read" + item + ".";
    case Cause::Encrypted:
        return "The file holds an encrypted item, which this reader cannot open" + item + ".";
    case Cause::UnsupportedMethod:
        return "The file holds an item packed in a way this reader cannot unpack" + item + ".";
    case Cause::CrcMismatch:
    case Cause::Damaged:
        return "The file is damaged" + item + ".";
    case Cause::UnsupportedType:
        return "The file holds an item that is not a plain file or folder" + item + ".";
    case Cause::AlreadyExists:
        return "Part of its contents was already on the disk and was not replaced" + item + ".";
    case Cause::TooLarge:
        return "The file unpacks to more than the disk can hold.";
    case Cause::WriteFailed:
        return "Its contents could not be written to the disk" + item + ".";
    case Cause::Cancelled:
        return "The unpacking was stopped.";
    }
    return {};
}

}  // namespace brivane::document
