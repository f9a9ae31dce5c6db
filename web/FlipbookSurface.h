#pragma once

#include "web/UnpackingBook.h"

#include <memory>
#include <string>

namespace brivane::web {

// What the reader page host asks of its view; the window around it hears
// the rest (FlipbookWindow).
class FlipbookSurface {
public:
    virtual ~FlipbookSurface() = default;
    virtual void LoadPage(const std::string& pageUrl, const std::string& readAccessUrl) = 0;
    virtual void RunScript(const std::string& script) = 0;
    // The page reads this book while it is being unpacked; null: it is done.
    virtual void ServeUnpacking(std::shared_ptr<const UnpackingBook> /*book*/) {}
    // The unpacking moved on: requests that waited for a file may go on.
    virtual void UnpackingChanged() {}
};

}  // namespace brivane::web
