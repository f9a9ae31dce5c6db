#include "web/gtk/ScriptMessage.h"

#include "base/Unique.h"

namespace brivane::web {

std::string ScriptMessage::Text(JSCValue* body) {
    if (!body) return "(nothing)";
    if (jsc_value_is_string(body)) {
        UniqueGChars text(jsc_value_to_string(body));
        return text ? text.get() : "";
    }
    if (jsc_value_is_array(body)) return "(array)";
    if (jsc_value_is_function(body)) return "(function)";
    if (jsc_value_is_object(body)) return "(object)";
    if (jsc_value_is_number(body)) return "(number)";
    if (jsc_value_is_boolean(body)) return "(boolean)";
    if (jsc_value_is_null(body)) return "(null)";
    return "(undefined)";
}

}  // namespace brivane::web
