#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <optional>
#include <string>

namespace brivane::document {

// How the reader showed a book: the view, the fit, the zoom and the reading
// direction. An absent field leaves the choice to the reader page (the book's
// own direction, the default view).
struct ViewState {
    std::optional<std::string> view;       // "spread", "single" or "scroll"
    std::optional<std::string> fit;        // "page" or "width"
    std::optional<double> zoom;            // 1 fits; MIN_ZOOM to MAX_ZOOM
    std::optional<std::string> direction;  // "ltr" or "rtl"

    static constexpr double MIN_ZOOM = 0.25;
    static constexpr double MAX_ZOOM = 8;

    // The fields of object whose values we know; every other one is dropped
    // on its own, so one bad value never costs the rest.
    static ViewState From(const nlohmann::json& object);
    // Writes the present fields into object, beside whatever it holds.
    void AddTo(nlohmann::json& object) const;
    // Fields present here replace those of this state.
    void Merge(const ViewState& newer);
    std::size_t Count() const;
    bool Empty() const { return Count() == 0; }

    bool operator==(const ViewState&) const = default;
};

}  // namespace brivane::document
