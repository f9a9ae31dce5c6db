#include "document/archive/EntryDigest.h"

#include <zlib.h>  // for crc32

namespace brivane::document {

EntryDigest::Verdict EntryDigest::Add(const void* data, std::size_t size) {
    if (verdict_ != Verdict::Pending) return verdict_;
    if (size > left_ || (size == 0 && left_ > 0)) return verdict_ = Verdict::Differs;
    sum_ = crc32(sum_, static_cast<const Bytef*>(data), static_cast<uInt>(size));
    left_ -= size;
    if (left_ == 0) verdict_ = sum_ == expected_ ? Verdict::Matches : Verdict::Differs;
    return verdict_;
}

}  // namespace brivane::document
