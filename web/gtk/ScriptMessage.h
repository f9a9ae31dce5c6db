#pragma once

#include <jsc/jsc.h>

#include <string>

namespace brivane::web {

// The text of a bridge message as the hosts dispatch on it.
class ScriptMessage {
public:
    // A string body is its own text. Anything else (an array holding a
    // message name, a String object) is described by its kind alone, which
    // matches no message name and runs none of the page's code.
    static std::string Text(JSCValue* body);
};

}  // namespace brivane::web
