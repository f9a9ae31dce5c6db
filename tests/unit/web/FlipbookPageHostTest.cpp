#include "FlipbookPageHost.h"

#include "CapturedLines.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <map>

namespace brivane::web {
namespace {

using namespace std::chrono_literals;

class FakeSurface : public FlipbookSurface {
public:
    std::vector<std::string> loaded, scripts, icons, titles, problems, printed, shownFiles;
    std::vector<bool> busy;
    void LoadPage(const std::string& page, const std::string&) override { loaded.push_back(page); }
    void RunScript(const std::string& s) override { scripts.push_back(s); }
    void SetIcon(const std::string& p) override { icons.push_back(p); }
    void SetTitle(const std::string& t) override { titles.push_back(t); }
    void ShowBusy(bool b) override { busy.push_back(b); }
    void ShowProblem(const std::string& t) override { problems.push_back(t); }
    void Print(const std::string& u) override { printed.push_back(u); }
    void FlipbookShown(const std::string& f) override { shownFiles.push_back(f); }
};

// Each flipbook file has its own workspace, as on disk.
std::string WorkspaceOf(const std::string& fileUrl) {
    return "file:///tmp/r/" + fileUrl.substr(fileUrl.rfind('/') + 1) + "-id/";
}

struct Steps {
    std::vector<std::string> finishedFiles;
    bool workspace = true;
    bool configuration = true;
    std::string title = "A &amp; B";
    WorkspaceSteps Make() {
        WorkspaceSteps steps;
        steps.createCore = [this](const std::string& f) -> std::optional<std::string> {
            if (!workspace) return std::nullopt;
            return WorkspaceOf(f);
        };
        steps.finish = [this](const std::string& f) {
            finishedFiles.push_back(f);
            WorkspaceSteps::Finished finished;
            if (configuration) finished.configuration = nlohmann::json{{"path", WorkspaceOf(f) + "data/flipbook.pdf"}};
            finished.workspaceUrl = WorkspaceOf(f);
            finished.title = title;
            return finished;
        };
        steps.workspaceUrl = [](const std::string& f) { return std::optional(WorkspaceOf(f)); };
        return steps;
    }
};

struct Reader {
    std::shared_ptr<test::FakeDesktop> desktop = std::make_shared<test::FakeDesktop>();
    FakeSurface surface;
    Steps steps;
    std::shared_ptr<FlipbookPageHost> host;
    explicit Reader(const std::string& file, std::shared_ptr<test::FakeDesktop> d = nullptr) {
        if (d) desktop = d;
        host = FlipbookPageHost::Create(file, desktop, &surface, steps.Make());
    }
    void Open() {
        host->Load();
        if (!surface.loaded.empty()) host->PageFinished(surface.loaded.back());
    }
};

// Two windows reading different flipbooks: a reload in the first must
// unpack and configure the first's file, not the last one loaded.
TEST(FlipbookPageHostTest, ReloadUsesItsOwnFileNotTheLastLoaded) {
    test::CapturedLines lines;
    auto desktop = std::make_shared<test::FakeDesktop>();
    Reader first("file:///home/u/One.flip", desktop), second("file:///home/u/Two.flip", desktop);
    first.Open();
    second.Open();
    EXPECT_EQ(currentFlipbookURL, "file:///home/u/Two.flip");

    first.host->PageFinished(first.surface.loaded.back());
    ASSERT_EQ(first.surface.scripts.size(), 2u);
    EXPECT_NE(first.surface.scripts[1].find("One.flip-id/data/flipbook.pdf"), std::string::npos);
    EXPECT_EQ(first.steps.finishedFiles, (std::vector<std::string>{"file:///home/u/One.flip",
                                                                    "file:///home/u/One.flip"}));
}

TEST(FlipbookPageHostTest, LoadAndFinishFollowTheirOrder) {
    test::CapturedLines lines;
    Reader r("file:///home/u/Book.flip");
    r.Open();
    EXPECT_EQ(lines.lines, (std::vector<std::string>{"load path:", "file:///home/u/Book.flip",
                                                      "file:///tmp/r/Book.flip-id/"}));
    EXPECT_EQ(r.surface.loaded, std::vector<std::string>{"file:///tmp/r/Book.flip-id/flipbook.html"});
    EXPECT_EQ(r.surface.icons, std::vector<std::string>{"/tmp/r/Book.flip-id/files/icon/favicon.png"});
    EXPECT_EQ(r.surface.titles, std::vector<std::string>{"A & B"});
    ASSERT_EQ(r.surface.scripts.size(), 1u);
    EXPECT_TRUE(r.surface.scripts[0].starts_with("onMessage({"));
    EXPECT_EQ(r.surface.shownFiles, std::vector<std::string>{"file:///home/u/Book.flip"});
    EXPECT_TRUE(r.surface.problems.empty());
}

TEST(FlipbookPageHostTest, EmptyTitleKeepsTheWindowTitle) {
    Reader r("file:///home/u/Book.flip");
    r.steps.title = "<b></b>";
    test::CapturedLines lines;
    r.Open();
    EXPECT_TRUE(r.surface.titles.empty());
}

// A flipbook that cannot be prepared must say so instead of leaving a blank page.
TEST(FlipbookPageHostTest, FailuresAreShownInTheWindow) {
    struct Case {
        const char* name;
        bool workspace, configuration;
        const char* problem;
        std::size_t loads;
    } cases[] = {
        {"no workspace", false, true, FlipbookPageHost::NO_WORKSPACE_MESSAGE, 0},
        {"unpacking failed", true, false, FlipbookPageHost::NO_CONFIGURATION_MESSAGE, 1},
    };
    for (const auto& c : cases) {
        Reader r("file:///home/u/Book.flip");
        r.steps.workspace = c.workspace;
        r.steps.configuration = c.configuration;
        test::CapturedLines lines;
        r.Open();
        EXPECT_EQ(r.surface.loaded.size(), c.loads) << c.name;
        EXPECT_EQ(r.surface.problems, std::vector<std::string>{c.problem}) << c.name;
        EXPECT_TRUE(r.surface.scripts.empty()) << c.name;
        EXPECT_TRUE(r.surface.shownFiles.empty()) << c.name;
    }
}

// Messages and page loads from anything but the reader page are not acted on.
TEST(FlipbookPageHostTest, OnlyTheReaderPageIsPrivileged) {
    Reader r("file:///home/u/Book.flip");
    test::CapturedLines lines;
    r.Open();
    const std::string page = r.surface.loaded.back();
    const std::string pdf = "file:///tmp/r/Book.flip-id/data/flipbook.pdf";

    r.host->MessageReceived("action.openpdf " + pdf, "https://evil.example/");
    r.host->MessageReceived("action.print " + pdf, "file:///tmp/r/Book.flip-id/data/files/x.html");
    r.host->PageFinished("https://evil.example/");
    EXPECT_TRUE(r.desktop->opened.empty());
    EXPECT_TRUE(r.surface.printed.empty());
    EXPECT_EQ(r.surface.scripts.size(), 1u);

    r.host->MessageReceived("action.openpdf " + pdf, page + "#p2");
    r.host->MessageReceived("action.print " + pdf, page);
    EXPECT_EQ(r.desktop->opened, std::vector<std::string>{pdf});
    EXPECT_EQ(r.surface.printed, std::vector<std::string>{pdf});
}

TEST(FlipbookPageHostTest, AddressesLeaveOnlyThroughTheAllowList) {
    struct Case {
        const char* name;
        std::function<void(FlipbookPageHost&, const std::string& page)> act;
        std::vector<std::string> opened, printed;
        std::string lastLine;
    };
    const std::string ws = "file:///tmp/r/Book.flip-id/";
    const Case cases[] = {
        {"new window web link", [](auto& h, auto&) { h.NewWindowRequested("https://example.com/"); },
         {"https://example.com/"}, {}, "https://example.com/"},
        {"new window link without scheme",
         [ws](auto& h, auto&) { h.NewWindowRequested(ws + "example.com/p"); }, {"https://example.com/p"}, {}, ""},
        {"new window mail", [](auto& h, auto&) { h.NewWindowRequested("mailto:a@example.com"); },
         {"mailto:a@example.com"}, {}, "mailto:a@example.com"},
        {"new window local program", [](auto& h, auto&) { h.NewWindowRequested("file:///usr/bin/xterm"); }, {}, {},
         "Refused to open: file:///usr/bin/xterm"},
        {"openpdf outside", [](auto& h, auto& p) { h.MessageReceived("action.openpdf file:///bin/sh", p); }, {}, {},
         "Refused to open: file:///bin/sh"},
        {"openpdf empty", [](auto& h, auto& p) { h.MessageReceived("action.openpdf ", p); }, {}, {},
         "Refused to open: "},
        {"print outside", [](auto& h, auto& p) { h.MessageReceived("action.print file:///etc/passwd", p); }, {}, {},
         "Refused to print: file:///etc/passwd"},
        {"navigation to the web", [](auto& h, auto&) { EXPECT_FALSE(h.MainFrameNavigation("https://x.example/")); },
         {"https://x.example/"}, {}, ""},
        {"navigation to a local file",
         [](auto& h, auto&) { EXPECT_FALSE(h.MainFrameNavigation("file:///etc/passwd")); }, {}, {},
         "Refused navigation: file:///etc/passwd"},
        {"navigation within the page",
         [](auto& h, auto& p) { EXPECT_TRUE(h.MainFrameNavigation(p + "#toc")); }, {}, {}, ""},
    };
    for (const auto& c : cases) {
        Reader r("file:///home/u/Book.flip");
        r.Open();
        test::CapturedLines lines;
        c.act(*r.host, r.surface.loaded.back());
        EXPECT_EQ(r.desktop->opened, c.opened) << c.name;
        EXPECT_EQ(r.surface.printed, c.printed) << c.name;
        if (!c.lastLine.empty()) {
            ASSERT_FALSE(lines.lines.empty()) << c.name;
            EXPECT_EQ(lines.lines.back(), c.lastLine) << c.name;
        }
    }
}

// A reload while the archive is still being unpacked must not unpack twice at
// once, nor send a configuration for the page that was replaced.
TEST(FlipbookPageHostTest, ReloadDuringUnpackingRunsTheStepsAgainAfterwards) {
    Reader r("file:///home/u/Book.flip");
    test::CapturedLines lines;
    r.desktop->holdBackground = true;
    r.host->Load();
    r.desktop->RunBackground();
    const std::string page = r.surface.loaded.back();
    r.host->PageFinished(page);
    r.host->PageFinished(page);
    EXPECT_EQ(r.desktop->background.size(), 1u);
    r.desktop->RunBackground();
    EXPECT_TRUE(r.surface.scripts.empty());
    r.desktop->RunBackground();
    EXPECT_EQ(r.surface.scripts.size(), 1u);
    EXPECT_EQ(r.steps.finishedFiles.size(), 2u);
}

TEST(FlipbookPageHostTest, ProgressShowsOnlyWhenUnpackingTakesLonger) {
    for (const auto wait : {299ms, 300ms}) {
        Reader r("file:///home/u/Book.flip");
        test::CapturedLines lines;
        r.desktop->holdBackground = true;
        r.host->Load();
        r.desktop->RunBackground();
        r.host->PageFinished(r.surface.loaded.back());
        r.desktop->Advance(wait);
        r.desktop->RunBackground();
        r.desktop->Advance(1s);
        const std::vector<bool> expected = wait < 300ms ? std::vector<bool>{false, false}
                                                        : std::vector<bool>{false, true, false};
        EXPECT_EQ(r.surface.busy, expected) << wait.count();
    }
}

TEST(FlipbookPageHostTest, WorkFinishingAfterTheViewWentAwayTouchesNothing) {
    Reader r("file:///home/u/Book.flip");
    test::CapturedLines lines;
    r.desktop->holdBackground = true;
    r.host->Load();
    r.host->Detach();
    r.host.reset();
    r.desktop->RunBackground();
    r.desktop->Advance(1s);
    EXPECT_TRUE(r.surface.loaded.empty());
    EXPECT_TRUE(r.surface.busy.empty());
}

}  // namespace
}  // namespace brivane::web
