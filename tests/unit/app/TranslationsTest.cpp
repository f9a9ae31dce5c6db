#include "app/StartScreen.h"
#include "app/Translations.h"
#include "tests/unit/web/FakeDesktop.h"
#include "web/PageStrings.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <clocale>
#include <cstdlib>

namespace brivane::app {
namespace {

// The session's language as a desktop sets it; English again afterwards.
struct InLanguage {
    explicit InLanguage(const char* language) {
        setenv("LANGUAGE", language, 1);
        setenv("LC_ALL", "C.UTF-8", 1);
        Translations::Bind();
    }
    ~InLanguage() {
        unsetenv("LANGUAGE");
        unsetenv("LC_ALL");
        std::setlocale(LC_ALL, "C");
    }
};

// The value a page script sets window.brivaneStrings to.
nlohmann::json CatalogueIn(const std::string& script) {
    const std::string prefix = "window.brivaneStrings = Object.freeze(";
    EXPECT_EQ(script.rfind(prefix, 0), 0u) << script.substr(0, 80);
    return nlohmann::json::parse(script.substr(prefix.size(), script.size() - prefix.size() - 2));
}

// The first language of the session's list that has a catalogue wins, for the
// start screen's alerts and for the catalogue handed to the pages alike.
TEST(TranslationsTest, AlertsAndPagesFollowTheSessionLanguage) {
    const struct {
        const char* language;
        std::string tooNewStart;
        std::vector<std::string> buttons;
        std::string pageLang;
    } cases[] = {
        {"fr:de", "Le format du fichier choisi est trop récent.", {"Oui", "Non"}, "fr"},
        {"pt_BR:de_AT", "Das Format der gewählten Datei ist zu neu.", {"Ja", "Nein"}, "de"},
        {"en", StartScreen::TOO_NEW_TEXT, {"Yes", "No"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        InLanguage session(c.language);
        auto desktop = std::make_shared<test::FakeDesktop>();
        StartScreen::Create(desktop, nullptr)->HandleCheckResult("file:///new.flip", document::CheckResult::TooNew);
        ASSERT_EQ(desktop->alerts.size(), 1u);
        EXPECT_EQ(desktop->alerts[0].alert.text.rfind(c.tooNewStart, 0), 0u) << desktop->alerts[0].alert.text;
        EXPECT_EQ(desktop->alerts[0].alert.buttons, c.buttons);
        desktop->alerts.clear();  // its completion holds the screen, as an open dialog does

        const std::string script = web::PageStrings::Script();
        if (c.pageLang.empty()) {
            EXPECT_EQ(script, "");
            continue;
        }
        const auto catalogue = CatalogueIn(script);
        EXPECT_EQ(catalogue["lang"], c.pageLang);
        EXPECT_FALSE(catalogue["messages"].contains("Quit")) << "only the pages' texts";
    }
}

TEST(TranslationsTest, PageCataloguesAreReadWithCare) {
    using web::PageStrings;
    const std::pair<std::string, std::optional<std::string>> headers[] = {
        {"Project-Id-Version: x\nLanguage: pt_BR\nMIME-Version: 1.0\n", "pt_BR"},
        {"Language: sr@latin\n", "sr@latin"},
        {"Language: ../../etc/passwd\n", std::nullopt},
        {"Language: \n", std::nullopt},
        {"Content-Type: text/plain\n", std::nullopt},
    };
    for (const auto& [header, language] : headers) EXPECT_EQ(PageStrings::LanguageOfHeader(header), language) << header;

    const std::pair<std::string, bool> catalogues[] = {
        {R"({"lang":"de","messages":{"Page":"Seite"}})", true},
        {R"({"lang":"de","messages":["Seite"]})", false},
        {R"({"lang":"de"})", false},
        {"not json", false},
    };
    for (const auto& [text, valid] : catalogues) EXPECT_EQ(PageStrings::ScriptFor(text).has_value(), valid) << text;
    // Whatever a translation holds stays one string value of the script.
    const std::string hostile = "\");alert(1);//\u2028\n</script>";
    const auto script = PageStrings::ScriptFor(nlohmann::json{{"messages", {{"a", hostile}}}}.dump());
    ASSERT_TRUE(script);
    EXPECT_EQ(script->find_first_of("\n\r"), std::string::npos) << *script;
    EXPECT_EQ(CatalogueIn(*script)["messages"]["a"], hostile);
}

}  // namespace
}  // namespace brivane::app
