#include "document/ViewState.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

namespace brivane::document {

namespace {

template <std::size_t N>
std::optional<std::string> OneOf(const nlohmann::json& object, const char* key,
                                 const std::array<std::string_view, N>& known) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string()) return std::nullopt;
    const auto& text = it->get_ref<const std::string&>();
    if (std::find(known.begin(), known.end(), text) == known.end()) return std::nullopt;
    return text;
}

}  // namespace

ViewState ViewState::From(const nlohmann::json& object) {
    ViewState state;
    if (!object.is_object()) return state;
    state.view = OneOf(object, "view", std::array<std::string_view, 3>{"spread", "single", "scroll"});
    state.fit = OneOf(object, "fit", std::array<std::string_view, 2>{"page", "width"});
    state.direction = OneOf(object, "direction", std::array<std::string_view, 2>{"ltr", "rtl"});
    if (const auto it = object.find("zoom"); it != object.end() && it->is_number()) {
        const double zoom = it->get<double>();
        if (std::isfinite(zoom) && zoom >= MIN_ZOOM && zoom <= MAX_ZOOM) state.zoom = zoom;
    }
    return state;
}

void ViewState::AddTo(nlohmann::json& object) const {
    if (view) object["view"] = *view;
    if (fit) object["fit"] = *fit;
    if (zoom) object["zoom"] = *zoom;
    if (direction) object["direction"] = *direction;
}

void ViewState::Merge(const ViewState& newer) {
    if (newer.view) view = newer.view;
    if (newer.fit) fit = newer.fit;
    if (newer.zoom) zoom = newer.zoom;
    if (newer.direction) direction = newer.direction;
}

std::size_t ViewState::Count() const {
    return static_cast<std::size_t>(view.has_value()) + static_cast<std::size_t>(fit.has_value()) +
           static_cast<std::size_t>(zoom.has_value()) + static_cast<std::size_t>(direction.has_value());
}

}  // namespace brivane::document
