#include "app/RendererChoice.h"

#include "base/Diagnostics.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace brivane::app {

namespace {

std::optional<std::string> Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

bool Truthy(const std::optional<std::string>& value) {
    return value && !value->empty() && *value != "0" && *value != "false";
}

bool HasRenderNode() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("renderD") && access(entry.path().c_str(), R_OK | W_OK) == 0) return true;
    }
    return false;
}

}  // namespace

RendererChoice::Decision RendererChoice::Decide(const Session& session) {
    Decision decision;
    const char* reason = !session.renderNode ? "no GPU render node" : session.softwareGl ? "software GL" : nullptr;
    if (!reason) {
        decision.line = "Renderer: defaults (GPU render node)";
        return decision;
    }
    // A variable the user set is theirs, whatever it says.
    std::string chosen;
    const auto choose = [&](const char* name, const std::optional<std::string>& user, const char* value) {
        if (!chosen.empty()) chosen += ", ";
        if (user) {
            chosen += std::string(name) + "=" + *user + " as set";
        } else {
            decision.variables.emplace_back(name, value);
            chosen += std::string(name) + "=" + value;
        }
    };
    choose(WEBKIT_VARIABLE, session.webkitSetting, "1");
    choose(GTK_VARIABLE, session.gtkSetting, "cairo");
    decision.line = "Renderer: " + chosen + " (" + reason + ")";
    return decision;
}

RendererChoice::Session RendererChoice::Probe() {
    Session session;
    session.webkitSetting = Variable(WEBKIT_VARIABLE);
    session.gtkSetting = Variable(GTK_VARIABLE);
    session.renderNode = HasRenderNode();
    const auto gallium = Variable("GALLIUM_DRIVER");
    session.softwareGl =
        Truthy(Variable("LIBGL_ALWAYS_SOFTWARE")) || (gallium && (*gallium == "llvmpipe" || *gallium == "softpipe"));
    return session;
}

void RendererChoice::Apply() {
    const Decision decision = Decide(Probe());
    // Only this process and the web processes it starts see them.
    for (const auto& [name, value] : decision.variables) setenv(name.c_str(), value.c_str(), 0);
    Diagnostics::Line(decision.line);
}

}  // namespace brivane::app
