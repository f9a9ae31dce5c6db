#include "web/UnpackProgress.h"

#include "base/Unique.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

#include <glib.h>

namespace brivane::web {

std::string UnpackProgress::Describe(const UnpackProgress& progress) {
    constexpr std::uint64_t MB = 1000 * 1000;
    const auto mb = [](std::uint64_t bytes) { return std::to_string((bytes + MB / 2) / MB); };
    UniqueGChars text(
        g_strdup_printf(_("Unpacking… %s of %s MB"), mb(progress.done).c_str(), mb(progress.total).c_str()));
    return text.get();
}

}  // namespace brivane::web
