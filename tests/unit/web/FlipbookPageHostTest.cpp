#include "web/FlipbookPageHost.h"

#include "base/FileUrl.h"
#include "base/GraphemeCount.h"
#include "tests/support/CapturedLines.h"
#include "tests/support/TempDir.h"
#include "tests/unit/web/FakeDesktop.h"
#include "web/WindowTitle.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace brivane::web {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

// The view and the window around it.
class FakeSurface : public FlipbookSurface, public FlipbookWindow {
public:
    Lines loaded, scripts, icons, titles, problems, shownFiles;
    Lines did;                       // what the page's messages brought about in the window
    std::vector<bool> busy, served;  // served: a book being unpacked (true) or none
    std::vector<std::pair<std::string, double>> progress;
    void LoadPage(const std::string& page, const std::string&) override { loaded.push_back(page); }
    void RunScript(const std::string& s) override { scripts.push_back(s); }
    void SetIcon(const std::string& p) override { icons.push_back(p); }
    void SetTitle(const std::string& t) override { titles.push_back(t); }
    void ShowBusy(bool b) override { busy.push_back(b); }
    void ShowProgress(const std::string& t, double f) override { progress.emplace_back(t, f); }
    void ShowProblem(const std::string& t) override { problems.push_back(t); }
    void FlipbookShown(const std::string& f) override { shownFiles.push_back(f); }
    void ServeUnpacking(std::shared_ptr<const UnpackingBook> book) override { served.push_back(book != nullptr); }
    void PagesDrawn() override { did.push_back("drawn"); }
    void SetFullscreen(bool on) override { did.push_back(on ? "fullscreen" : "windowed"); }
    void ShowText(const BridgeProtocol::ShownPages& s) override {
        did.push_back("text " + std::to_string(s.pages.front().number));
    }
    void ShowFindStatus(const std::string& s) override { did.push_back("found " + s); }
    void ShowContents(const std::vector<BridgeProtocol::ContentsEntry>& e) override {
        did.push_back("contents " + std::to_string(e.size()));
    }
};

const test::TempDir& Root() {
    static const test::TempDir root;
    return root;
}

// Each flipbook file has its own workspace on disk, holding its PDF.
std::string WorkspaceOf(const std::string& fileUrl) {
    const std::string name = fileUrl.substr(fileUrl.rfind('/') + 1) + "-id";
    Root().Write(name + "/data/flipbook.pdf", "%PDF");
    return test::FileUrl(Root() / name) + "/";
}

// A flipbook file the unpacking side reads by slices: it must be there.
std::string BookOnDisk() { return test::FileUrl(Root().Write("Real.flip", "PK")); }

// The archive tells nothing early: the page waits for the unpacking.
WorkspaceSteps::Finished NotYet(const std::string&, const std::string& workspace) {
    return {std::nullopt, workspace, "", "", "", 0};
}

std::size_t Refusals(const Lines& lines) {
    return std::ranges::count_if(lines, [](const auto& line) { return line.starts_with("Refused"); });
}

// A page host on a fake view and desktop, with workspace steps that only
// record.
struct Reader {
    test::CapturedLines lines;
    std::shared_ptr<test::FakeDesktop> desktop;
    std::string file;
    FakeSurface surface;
    Lines finishedFiles;
    bool workspace = true, configuration = true;
    std::string title = "A &amp; B", unpackProblem, bookId;
    int pageCount = 0, installs = 0;  // installs: reader cores this window installed
    std::shared_ptr<FlipbookPageHost> host;

    explicit Reader(std::string fileUrl = "file:///home/u/Book.flip",
                    std::shared_ptr<test::FakeDesktop> d = std::make_shared<test::FakeDesktop>())
        : desktop(std::move(d)), file(std::move(fileUrl)) {
        Use(Steps());
    }
    WorkspaceSteps Steps() {
        const auto at = [](const std::string& f) { return std::optional(WorkspaceOf(f)); };
        const auto install = [this, at](const std::string& f) {
            ++installs;
            return workspace ? at(f) : std::nullopt;
        };
        return {install, [this](const std::string& f, document::UnpackListener*) { return Finish(f); }, at, {}};
    }
    WorkspaceSteps::Finished Finish(const std::string& f) {
        finishedFiles.push_back(f);
        const nlohmann::json config = {{"path", WorkspaceOf(f) + "data/flipbook.pdf"}};
        return {configuration ? std::optional(config) : std::nullopt,
                WorkspaceOf(f),
                title,
                unpackProblem,
                bookId,
                pageCount};
    }
    void Use(WorkspaceSteps steps) {
        host = FlipbookPageHost::Create(file, desktop, &surface, &surface, std::move(steps));
    }
    // Reads the book while finish unpacks it: early may configure the page first.
    void ReadWhileUnpacking(decltype(WorkspaceSteps::finish) finish, decltype(WorkspaceSteps::early) early) {
        auto steps = Steps();
        steps.finish = std::move(finish);
        steps.early = std::move(early);
        Use(std::move(steps));
    }
    void Open() {
        host->Load();
        if (!surface.loaded.empty()) host->PageFinished(surface.loaded.back());
    }
    // Loads with the unpacking held until the test runs it.
    void LoadHeld() {
        desktop->holdBackground = true;
        host->Load();
        desktop->RunBackground();
    }
    void Say(const std::string& message) { host->MessageReceived(message, host->PageUrl()); }
};

// A second window on the same flipbook reuses the reader core the first one
// shows instead of removing it; once no window shows it, it is installed
// afresh. A reload must unpack and configure the window's own file, not the
// last one loaded.
TEST(FlipbookPageHostTest, WindowsShareTheCoreOfTheSameBookAndReloadTheirOwnFile) {
    auto desktop = std::make_shared<test::FakeDesktop>();
    Reader first("file:///home/u/One.flip", desktop), second(first.file, desktop);
    Reader other("file:///home/u/Two.flip", desktop);
    first.Open();
    second.Open();
    other.Open();
    EXPECT_EQ(first.installs + second.installs, 1);
    EXPECT_EQ(second.surface.loaded, first.surface.loaded);
    EXPECT_EQ(second.surface.scripts.size(), 1u);
    EXPECT_EQ(currentFlipbookURL, other.file);

    first.host->PageFinished(first.surface.loaded.back());
    ASSERT_EQ(first.surface.scripts.size(), 2u);
    EXPECT_NE(first.surface.scripts[1].find("One.flip-id/data/flipbook.pdf"), std::string::npos);
    EXPECT_EQ(first.finishedFiles, (Lines{first.file, first.file}));

    first.host->Detach();
    second.host->Detach();
    Reader third(first.file, desktop);
    third.Open();
    EXPECT_EQ(third.installs, 1);
}

// A flipbook that cannot be prepared must say so instead of leaving a blank
// page.
TEST(FlipbookPageHostTest, LoadAndFinishShowTheBookOrSayWhyNot) {
    const std::string broken = FlipbookPageHost::NO_CONFIGURATION_MESSAGE;
    const std::string encrypted = "The file holds an encrypted item, which this reader cannot open (files/a.png).";
    const struct {
        bool workspace, configuration;
        std::string unpackProblem;
        Lines problems;
    } cases[] = {
        {true, true, "", {}},
        {false, true, "", {FlipbookPageHost::NO_WORKSPACE_MESSAGE}},
        {true, false, "", {broken}},
        {true, false, encrypted, {broken + " " + encrypted}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.workspace << c.configuration << c.unpackProblem);
        Reader r;
        r.workspace = c.workspace;
        r.configuration = c.configuration;
        r.unpackProblem = c.unpackProblem;
        r.Open();
        const std::string ws = WorkspaceOf(r.file);
        const bool shows = c.problems.empty();
        EXPECT_EQ(r.surface.problems, c.problems);
        EXPECT_EQ(r.lines.lines, (c.workspace ? Lines{"load path:", r.file, ws} : Lines{}));
        EXPECT_EQ(r.surface.loaded, c.workspace ? Lines{ws + "flipbook.html"} : Lines{});
        EXPECT_EQ(r.surface.icons, c.workspace ? Lines{*PathFromFileUrl(ws) + "files/icon/favicon.png"} : Lines{});
        const auto configure = BridgeProtocol::ConfigurationScript({{"path", ws + "data/flipbook.pdf"}});
        EXPECT_EQ(r.surface.scripts, shows ? Lines{configure} : Lines{});
        EXPECT_EQ(r.surface.shownFiles, shows ? Lines{r.file} : Lines{});
    }
}

// Only the reader page may use the bridge, only well-formed requests act, and
// addresses leave only through the allow list. A page's whole text never
// floods the output; nothing here sends the configuration again.
TEST(FlipbookPageHostTest, OnlyTheReaderPageActsAndAddressesLeaveThroughTheAllowList) {
    const std::string ws = WorkspaceOf("file:///home/u/Book.flip"), pdf = ws + "data/flipbook.pdf";
    const std::string text = R"({"count":12,"pages":[{"number":9,"text":")" + std::string(5000, 'x') + "\"}]}";
    const std::string tooLong = "action.found " + std::string(BridgeProtocol::MAX_FOUND_BYTES + 1, '9');
    enum Act { Message, Finished, NewWindow, Navigate };
    // "@" stands for the reader page; `from` is the page a message comes from.
    const struct {
        Lines said, did;
        std::size_t refused = 0;
        std::string from = "@";
        Act act = Message;
    } cases[] = {
        {{"action.openpdf " + pdf}, {}, 0, "https://evil.example/"},
        {{"action.print " + pdf, "action.drawn 1"}, {}, 0, ws + "data/files/x.html"},
        {{"https://evil.example/"}, {}, 0, "", Finished},
        {{"action.openpdf " + pdf}, {"open " + pdf}, 0, "@#p2"},
        {{"action.openpdf file:///bin/sh"}, {}, 1},
        {{"action.print " + ws + "data/files/x.html"}, {}, 1},
        {{ws + "example.com/p"}, {"open https://example.com/p"}, 0, "", NewWindow},
        {{"file:///usr/bin/xterm"}, {}, 1, "", NewWindow},
        {{"mailto:a@example.com?attach=/etc/passwd"}, {"open mailto:a@example.com"}, 0, "", Navigate},
        {{"file:///etc/passwd"}, {}, 1, "", Navigate},
        {{"@#toc"}, {"follow"}, 0, "", Navigate},
        // Print hands over the pages last on screen, which "Current page" prints.
        {{"action.print " + pdf}, {"print " + pdf}},
        {{"action.onscreen 4 5", "action.onscreen 6 7", "action.onscreen 12 13", "action.print " + pdf},
         {"print " + pdf + " 6 7"},
         1},
        {{"action.drawn 1"}, {"drawn"}},
        {{"action.fullscreen on", "action.fullscreen off", "action.fullscreen maybe"}, {"fullscreen", "windowed"}},
        {{"action.shown " + text, R"(action.shown {"count":1,"pages":[]})"}, {"text 9"}, 1},
        {{"action.found 3 of 12", tooLong}, {"found 3 of 12"}},
        {{R"(action.contents [{"title":"A","page":1,"level":0}])",
          R"(action.contents [{"title":"A","page":1,"level":3}])"},
         {"contents 1"},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said.back().substr(0, 60));
        Reader r;
        r.pageCount = 12;
        r.Open();
        r.lines.lines.clear();
        const auto at = [&](const std::string& s) { return s.starts_with("@") ? r.host->PageUrl() + s.substr(1) : s; };
        for (const auto& s : c.said) {
            if (c.act == Message) r.host->MessageReceived(s, at(c.from));
            if (c.act == Finished) r.host->PageFinished(s);
            if (c.act == NewWindow) r.host->NewWindowRequested(s);
            if (c.act == Navigate && r.host->MainFrameNavigation(at(s))) r.surface.did.push_back("follow");
        }
        Lines did = r.surface.did;
        for (const auto& uri : r.desktop->opened) did.push_back("open " + uri);
        for (const auto& printed : r.desktop->printed) did.push_back("print " + printed);
        EXPECT_EQ(did, c.did);
        EXPECT_EQ(Refusals(r.lines.lines), c.refused);
        for (const auto& line : r.lines.lines) EXPECT_LE(line.size(), 256u);
        EXPECT_EQ(r.surface.scripts.size(), 1u);
    }
}

// Our menus, the voice and full screen reach the reader page; a page loaded
// again while the window covers the screen is told at once, so its bars do not
// stay in the way. When the page's web process dies the window says so, and
// nothing reaches what is left of the page, nor is it configured, until a
// reload.
TEST(FlipbookPageHostTest, CallsIntoThePageReachOnlyAPageThatShowsTheBook) {
    Reader r;
    r.Open();
    const std::string config = r.surface.scripts.at(0), page = r.surface.loaded.back();
    r.host->FullscreenChanged(true);
    r.host->PageFinished(page);  // loaded again
    r.host->RunCommand("next");
    r.host->MarkSpeaking(9, 0, 4);
    r.host->FullscreenChanged(false);
    r.host->PageFinished(page);
    r.host->WebProcessTerminated("crashed");
    r.host->RunCommand("next");
    r.host->Find("x", 1);
    r.host->MarkSpeaking(0, 0, 0);
    r.host->FullscreenChanged(true);
    r.host->PageFinished(page);  // WebKit reports its error page, with the page's URL, as finished
    r.Say("action.openpdf " + WorkspaceOf(r.file) + "data/flipbook.pdf");
    EXPECT_EQ(r.surface.problems, Lines{FlipbookPageHost::PROCESS_ENDED_MESSAGE});
    EXPECT_TRUE(r.desktop->opened.empty());
    r.host->Reload();
    r.host->PageFinished(page);
    EXPECT_EQ(r.surface.scripts,
              (Lines{config, "onFullscreen(true)", config, "onFullscreen(true)", "onCommand('next')",
                     "onSpeaking(9, 0, 4)", "onFullscreen(false)", config, config, "onFullscreen(true)"}));
}

// A reload while the archive is still being unpacked must not unpack twice at
// once, nor send a configuration for the page that was replaced.
TEST(FlipbookPageHostTest, ReloadDuringUnpackingRunsTheStepsAgainAfterwards) {
    Reader r;
    r.LoadHeld();
    r.host->PageFinished(r.surface.loaded.back());
    r.host->PageFinished(r.surface.loaded.back());
    EXPECT_EQ(r.desktop->background.size(), 1u);
    r.desktop->RunBackground();
    EXPECT_TRUE(r.surface.scripts.empty());
    r.desktop->RunBackground();
    EXPECT_EQ(r.surface.scripts.size(), 1u);
    EXPECT_EQ(r.finishedFiles.size(), 2u);
}

// A reader page that cannot be loaded says so; the error page WebKit then
// reports as finished is neither configured nor heard. A reload tries again.
TEST(FlipbookPageHostTest, LoadFailureShowsAMessageAndNeverConfigures) {
    Reader r;
    r.host->Load();
    const std::string page = r.surface.loaded.back();
    EXPECT_TRUE(r.host->LoadFailed(page, "No space left on device"));
    r.host->PageFinished(page);
    r.Say("action.openpdf " + WorkspaceOf(r.file) + "data/flipbook.pdf");
    EXPECT_EQ(r.surface.problems, Lines{FlipbookPageHost::LOAD_FAILED_MESSAGE});
    EXPECT_TRUE(r.surface.scripts.empty());
    EXPECT_TRUE(r.desktop->opened.empty());
    r.host->Reload();
    r.host->PageFinished(page);
    EXPECT_EQ(r.surface.scripts.size(), 1u);
}

// A title of megabytes must not become the window title; one without text
// leaves the window's.
TEST(FlipbookPageHostTest, WindowTitleIsCutToWhatATitleBarShows) {
    const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
    const std::string ellipsis = "\xE2\x80\xA6";
    std::string families;
    for (int i = 0; i < 300; ++i) families += family;
    const struct {
        std::string stored;
        std::size_t graphemes;
        std::string ending;
    } cases[] = {
        {"Spring &amp; more", 13, "Spring & more"},
        {"<b></b>", 0, ""},
        {std::string(10'000'000, 'T'), WindowTitle::MAX_GRAPHEMES, "T" + ellipsis},
        {families, WindowTitle::MAX_GRAPHEMES, family + ellipsis},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.graphemes);
        Reader r;
        r.title = c.stored;
        r.Open();
        ASSERT_EQ(r.surface.titles.size(), c.graphemes ? 1u : 0u);
        const std::string title = r.surface.titles.empty() ? "" : r.surface.titles[0];
        EXPECT_EQ(CountGraphemes(title), c.graphemes);
        EXPECT_TRUE(title.ends_with(c.ending));
    }
}

TEST(FlipbookPageHostTest, ProgressShowsOnlyWhenUnpackingTakesLonger) {
    for (const auto wait : {299ms, 300ms}) {
        Reader r;
        r.LoadHeld();
        r.host->PageFinished(r.surface.loaded.back());
        r.desktop->Advance(wait);
        r.desktop->RunBackground();
        r.desktop->Advance(1s);
        const std::vector<bool> expected = wait < 300ms ? std::vector{false, false} : std::vector{false, true, false};
        EXPECT_EQ(r.surface.busy, expected) << wait.count();
    }
}

// A book still being written out is shown as soon as its archive has been
// checked. Its files go to the printer or another program only once they are
// complete. A failure after the page was shown still reaches the window, and
// so does a whole entry the page was served that failed its CRC-32, whatever
// the unpacker says after.
TEST(FlipbookPageHostTest, PageReadsTheBookWhileItIsUnpacked) {
    const std::string file = BookOnDisk(), ws = WorkspaceOf(file), pdf = ws + "data/flipbook.pdf";
    const std::string broken = FlipbookPageHost::NO_CONFIGURATION_MESSAGE,
                      damaged = "The file is damaged (flipbook.pdf).";
    const Lines web = {"https://example.org/"};  // a web address needs nothing of the book
    const struct {
        bool servedWrong;
        std::optional<std::string> failure;  // what the unpacker says
        Lines problems, printed, opened;
        std::vector<bool> served;
    } cases[] = {
        {false, std::nullopt, {}, {pdf}, {web[0], pdf}, {true, false}},
        {false, "CRC", {broken + " CRC"}, {}, web, {true, false}},
        {true, std::nullopt, {broken + " " + damaged}, {}, web, {true, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.servedWrong << " " << c.failure.value_or("unpacked"));
        Reader r(file);
        std::size_t scriptsMeanwhile = 0;
        Lines printedMeanwhile, openedMeanwhile;
        const nlohmann::json config = {{"path", pdf}};
        const auto finish = [&](const std::string&, document::UnpackListener* listener) {
            listener->Surveyed({{"flipbook.pdf", 4, 0, 7}});
            // The main thread goes on meanwhile: the page is configured and asks for the PDF.
            for (auto& posted : std::exchange(r.desktop->posted, {})) posted();
            scriptsMeanwhile = r.surface.scripts.size();
            // Impatient presses while the file is written: each action happens once.
            for (int press = 0; press < 3; ++press) {
                r.Say("action.print " + pdf);
                r.Say("action.openpdf " + pdf);
            }
            r.Say("action.openpdf " + web[0]);
            printedMeanwhile = r.desktop->printed;
            openedMeanwhile = r.desktop->opened;
            if (c.servedWrong) static_cast<const UnpackingBook*>(listener)->ServedMismatch("flipbook.pdf");
            return WorkspaceSteps::Finished{
                c.failure ? std::nullopt : std::optional(config), ws, "", c.failure.value_or(""), "", 0};
        };
        r.ReadWhileUnpacking(finish, [&](const std::string&, const std::string& workspace) {
            return WorkspaceSteps::Finished{config, workspace, "Early", "", "id", 3};
        });
        r.Open();
        EXPECT_EQ(scriptsMeanwhile, 1u);
        EXPECT_EQ(printedMeanwhile, Lines{});
        EXPECT_EQ(openedMeanwhile, web);
        EXPECT_EQ(r.surface.scripts.size(), 1u);  // configured once, early
        EXPECT_EQ(r.surface.titles, Lines{"Early"});
        EXPECT_EQ(r.surface.served, c.served);
        EXPECT_EQ(r.desktop->printed, c.printed);
        EXPECT_EQ(r.desktop->opened, c.opened);
        EXPECT_EQ(r.surface.problems, c.problems);
    }
}

// A heavy book shows how far unpacking has come, and nothing more once it is
// done. An open window's unpacking goes on to the end.
TEST(FlipbookPageHostTest, UnpackingReportsItsBytesWhileItRuns) {
    Reader r(BookOnDisk());
    const auto finish = [&](const std::string& f, document::UnpackListener* listener) {
        if (!listener) return r.Finish(f);
        // The timer runs on while the unpacker writes and tells.
        r.desktop->Advance(250ms);
        listener->Planned(270'000'000);
        r.desktop->Advance(250ms);
        listener->Copied(100'000'000);
        listener->Copied(35'000'000);
        r.desktop->Advance(250ms);
        EXPECT_FALSE(listener->Cancelled());
        return r.Finish(f);
    };
    r.ReadWhileUnpacking(finish, NotYet);
    r.LoadHeld();
    r.host->PageFinished(r.surface.loaded.back());
    r.desktop->RunBackground();
    r.desktop->Advance(1s);
    const std::vector<std::pair<std::string, double>> expected = {{"Unpacking… 0 of 270 MB", 0.0},
                                                                  {"Unpacking… 135 of 270 MB", 0.5}};
    EXPECT_EQ(r.surface.progress, expected);
}

TEST(FlipbookPageHostTest, WorkFinishingAfterTheViewWentAwayTouchesNothing) {
    Reader r;
    r.desktop->holdBackground = true;
    r.host->Load();
    r.host->Detach();
    r.host.reset();
    r.desktop->RunBackground();
    r.desktop->Advance(1s);
    EXPECT_TRUE(r.surface.loaded.empty());
    EXPECT_TRUE(r.surface.busy.empty());
}

// A book reopens where it was left, as it was shown. Only a page within the
// book is kept, and a report of the view changes only the fields it names, so
// the page cannot store anything else in the user's state, and the page and
// the view state never overwrite one another. A book made of a PDF is
// remembered as the PDF: the made book is swept away, the PDF makes it again.
TEST(FlipbookPageHostTest, ResumesWhereTheBookWasLeftAndKeepsOnlyWhatTheBookAllows) {
    using State = document::ViewState;
    const State single{"single", {}, 2.0, {}}, rtl{{}, {}, {}, "rtl"}, page{{}, "page", {}, {}};
    const std::string at = "action.position ";
    const struct {
        int stored;
        State storedState;
        std::string resume;  // empty: none
        Lines said;
        int page;
        State state;
        std::size_t refused = 0;
        std::string madeOf = "";
    } cases[] = {
        {7, {}, "onResume(7)", {at + "13", at + "9"}, 9, {}, 1},  // the book has 12 pages
        {20, {}, "", {}, 1, {}},                                  // a page past the end is not resumed
        {1, single, R"(onResume(1, {"view":"single","zoom":2.0}))", {}, 1, single},
        {7,
         rtl,
         R"(onResume(7, {"direction":"rtl"}))",
         {R"(action.view {"view":"scroll","zoom":1.5})", at + "9"},
         9,
         {"scroll", {}, 1.5, "rtl"}},
        {4, page, R"(onResume(4, {"fit":"page"}))", {R"(action.view {"zoom":2,"x":1})"}, 4, page, 1},
        {1, {}, "", {}, 1, {}, 0, "file:///home/u/Paper.pdf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stored << " " << c.said.size() << c.madeOf);
        test::TempDir dir;
        auto positions = std::make_shared<document::ReadingPositions>(dir / "positions.json");
        ASSERT_TRUE(positions->Remember({"book-1", c.stored, "file:///old.flip", "Old", c.storedState}));
        Reader r;
        r.bookId = "book-1";
        r.pageCount = 12;
        r.host->UsePositions(positions);
        if (!c.madeOf.empty()) r.host->RecordAs(c.madeOf);
        r.Open();
        const std::string recorded = c.madeOf.empty() ? r.file : c.madeOf;
        EXPECT_EQ(r.surface.shownFiles, Lines{recorded});
        EXPECT_EQ(r.surface.scripts.size(), c.resume.empty() ? 1u : 2u);
        EXPECT_EQ(r.surface.scripts.back(), c.resume.empty() ? r.surface.scripts[0] : c.resume);
        for (const auto& m : c.said) r.Say(m);
        EXPECT_EQ(Refusals(r.lines.lines), c.refused);
        EXPECT_EQ(positions->Find("book-1"),
                  (document::ReadingPositions::Book{"book-1", c.page, recorded, "A & B", c.state}));
    }
}

// Closing a window while its book is unpacked must not leave a windowless
// process writing the rest.
TEST(FlipbookPageHostTest, ClosingTheWindowStopsItsUnpacking) {
    Reader r(BookOnDisk());
    std::optional<bool> cancelled;
    const auto finish = [&](const std::string& f, document::UnpackListener* listener) {
        if (listener) cancelled = listener->Cancelled();
        return r.Finish(f);
    };
    r.ReadWhileUnpacking(finish, NotYet);
    r.LoadHeld();
    r.host->PageFinished(r.surface.loaded.back());
    r.host->Detach();
    r.desktop->RunBackground();
    EXPECT_EQ(cancelled, true);
}

// The workspace is held from the load until the window goes; old workspaces
// are cleared in the background, and only once the book shows.
TEST(FlipbookPageHostTest, HoldsItsWorkspaceAndSweepsOnlyAfterTheBookShows) {
    Reader r;
    auto hold = std::make_shared<int>(0);
    const std::weak_ptr<int> held = hold;
    Lines sweeps;
    auto steps = r.Steps();
    steps.claim = [&](const std::string& f) {
        return std::optional(WorkspaceSteps::Claim{WorkspaceOf(f), std::exchange(hold, nullptr)});
    };
    steps.sweep = [&] { sweeps.push_back(r.surface.shownFiles.empty() ? "before" : "after"); };
    r.Use(std::move(steps));
    r.LoadHeld();
    EXPECT_FALSE(held.expired()) << "held while the page shows";
    r.host->PageFinished(r.surface.loaded.back());
    r.desktop->RunBackground();
    EXPECT_TRUE(sweeps.empty()) << "never on the way to the page";
    r.desktop->RunBackground();
    EXPECT_EQ(sweeps, Lines{"after"});
    r.host->Detach();
    EXPECT_TRUE(held.expired()) << "let go with the window";
}

}  // namespace
}  // namespace brivane::web
