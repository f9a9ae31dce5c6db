#include "web/FlipbookPageHost.h"

#include "base/FileUrl.h"
#include "base/GraphemeCount.h"
#include "tests/support/CapturedLines.h"
#include "tests/support/TempDir.h"
#include "tests/unit/web/FakeDesktop.h"
#include "web/WindowTitle.h"

#include <gtest/gtest.h>

namespace brivane::web {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

// The view and the window around it, as one record: the host's calls to
// both come in one order.
class FakeSurface : public FlipbookSurface, public FlipbookWindow {
public:
    Lines loaded, scripts, icons, titles, problems, shownFiles;
    std::vector<bool> busy;
    std::vector<std::pair<std::string, double>> progress;
    void LoadPage(const std::string& page, const std::string&) override { loaded.push_back(page); }
    void RunScript(const std::string& s) override { scripts.push_back(s); }
    void SetIcon(const std::string& p) override { icons.push_back(p); }
    void SetTitle(const std::string& t) override { titles.push_back(t); }
    void ShowBusy(bool b) override { busy.push_back(b); }
    void ShowProgress(const std::string& t, double f) override { progress.emplace_back(t, f); }
    void ShowProblem(const std::string& t) override { problems.push_back(t); }
    void FlipbookShown(const std::string& f) override { shownFiles.push_back(f); }
    int drawn = 0;
    void PagesDrawn() override { ++drawn; }
    std::vector<bool> served;  // a book being unpacked (true) or none
    void ServeUnpacking(std::shared_ptr<const UnpackingBook> book) override { served.push_back(book != nullptr); }
    std::vector<bool> fullscreen;
    void SetFullscreen(bool on) override { fullscreen.push_back(on); }
    Lines aids;  // what reached the reading aids: shown pages, find counts, contents
    void ShowText(const BridgeProtocol::ShownPages& s) override {
        aids.push_back("text " + std::to_string(s.pages.front().number));
    }
    void ShowFindStatus(const std::string& s) override { aids.push_back("found " + s); }
    void ShowContents(const std::vector<BridgeProtocol::ContentsEntry>& e) override {
        aids.push_back("contents " + std::to_string(e.size()));
    }
};

// Each flipbook file has its own workspace on disk, holding its PDF.
std::string WorkspaceOf(const std::string& fileUrl) {
    static const test::TempDir root;
    const std::string name = fileUrl.substr(fileUrl.rfind('/') + 1) + "-id";
    root.Write(name + "/data/flipbook.pdf", "%PDF");
    return test::FileUrl(root / name) + "/";
}

// A flipbook file the unpacking side reads by slices: it must be there.
struct BookOnDisk {
    test::TempDir home;
    std::string file;
    BookOnDisk() {
        home.Write("Book.flip", "PK");
        file = test::FileUrl(home / "Book.flip");
    }
};

// The configuration early gives, without one.
WorkspaceSteps::Finished NotYet(const std::string&, const std::string& workspace) {
    return WorkspaceSteps::Finished{std::nullopt, workspace, "", "", "", 0};
}

// The configuration early gives: the page reads the book before it is written out.
decltype(WorkspaceSteps::early) ConfiguredEarly(const nlohmann::json& config) {
    return [config](const std::string&, const std::string& workspace) {
        return WorkspaceSteps::Finished{config, workspace, "Early", "", "id", 3};
    };
}

// A page host on a fake view and desktop, with workspace steps that only
// record.
struct Reader {
    test::CapturedLines lines;
    std::shared_ptr<test::FakeDesktop> desktop;
    FakeSurface surface;
    Lines finishedFiles;
    bool workspace = true, configuration = true;
    std::string title = "A &amp; B";
    std::string unpackProblem;
    std::string bookId;
    int pageCount = 0;
    std::shared_ptr<FlipbookPageHost> host;

    explicit Reader(const std::string& file, std::shared_ptr<test::FakeDesktop> d = nullptr)
        : desktop(d ? d : std::make_shared<test::FakeDesktop>()) {
        const auto finish = [this](const std::string& f, document::UnpackListener*) {
            finishedFiles.push_back(f);
            const nlohmann::json config = {{"path", WorkspaceOf(f) + "data/flipbook.pdf"}};
            return WorkspaceSteps::Finished{configuration ? std::optional(config) : std::nullopt,
                                            WorkspaceOf(f),
                                            title,
                                            unpackProblem,
                                            bookId,
                                            pageCount};
        };
        host = FlipbookPageHost::Create(
            file, desktop, &surface, &surface,
            {[this](const std::string& f) { return workspace ? std::optional(WorkspaceOf(f)) : std::nullopt; },
             finish,
             [](const std::string& f) { return std::optional(WorkspaceOf(f)); },
             {}});
    }
    void Open() {
        host->Load();
        if (!surface.loaded.empty()) host->PageFinished(surface.loaded.back());
    }
    // Reads a book while finish unpacks it: early configures the page first.
    void ReadWhileUnpacking(const std::string& file, decltype(WorkspaceSteps::finish) finish,
                            decltype(WorkspaceSteps::early) early) {
        const auto workspace = [](const std::string& f) { return std::optional(WorkspaceOf(f)); };
        host = FlipbookPageHost::Create(file, desktop, &surface, &surface,
                                        {workspace, std::move(finish), workspace, std::move(early)});
    }
    // Loads with the unpacking held until the test runs it.
    void LoadHeld() {
        desktop->holdBackground = true;
        host->Load();
        desktop->RunBackground();
    }
};

// Two windows reading different flipbooks: a reload in the first must
// unpack and configure the first's file, not the last one loaded.
TEST(FlipbookPageHostTest, ReloadUsesItsOwnFileNotTheLastLoaded) {
    auto desktop = std::make_shared<test::FakeDesktop>();
    Reader first("file:///home/u/One.flip", desktop), second("file:///home/u/Two.flip", desktop);
    first.Open();
    second.Open();
    EXPECT_EQ(currentFlipbookURL, "file:///home/u/Two.flip");

    first.host->PageFinished(first.surface.loaded.back());
    ASSERT_EQ(first.surface.scripts.size(), 2u);
    EXPECT_NE(first.surface.scripts[1].find("One.flip-id/data/flipbook.pdf"), std::string::npos);
    EXPECT_EQ(first.finishedFiles, (Lines{"file:///home/u/One.flip", "file:///home/u/One.flip"}));
}

TEST(FlipbookPageHostTest, LoadAndFinishFollowTheirOrder) {
    Reader r("file:///home/u/Book.flip");
    r.Open();
    const std::string ws = WorkspaceOf("file:///home/u/Book.flip");
    EXPECT_EQ(r.lines.lines, (Lines{"load path:", "file:///home/u/Book.flip", ws}));
    EXPECT_EQ(r.surface.loaded, Lines{ws + "flipbook.html"});
    EXPECT_EQ(r.surface.icons, Lines{*PathFromFileUrl(ws) + "files/icon/favicon.png"});
    EXPECT_EQ(r.surface.titles, Lines{"A & B"});
    ASSERT_EQ(r.surface.scripts.size(), 1u);
    EXPECT_TRUE(r.surface.scripts[0].starts_with("onMessage({"));
    EXPECT_EQ(r.surface.shownFiles, Lines{"file:///home/u/Book.flip"});
    EXPECT_TRUE(r.surface.problems.empty());

    Reader untitled("file:///home/u/Book.flip");  // an empty title keeps the window's
    untitled.title = "<b></b>";
    untitled.Open();
    EXPECT_TRUE(untitled.surface.titles.empty());
}

// A flipbook that cannot be prepared must say so instead of leaving a blank
// page.
TEST(FlipbookPageHostTest, FailuresAreShownInTheWindow) {
    const std::string encrypted =
        "The file holds an encrypted item, which this "
        "reader cannot open (files/a.png).";
    const struct {
        bool workspace, configuration;
        std::string unpackProblem, problem;
        std::size_t loads;
    } cases[] = {
        {false, true, "", FlipbookPageHost::NO_WORKSPACE_MESSAGE, 0},
        {true, false, "", FlipbookPageHost::NO_CONFIGURATION_MESSAGE, 1},
        {true, false, encrypted, std::string(FlipbookPageHost::NO_CONFIGURATION_MESSAGE) + " " + encrypted, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.problem);
        Reader r("file:///home/u/Book.flip");
        r.workspace = c.workspace;
        r.configuration = c.configuration;
        r.unpackProblem = c.unpackProblem;
        r.Open();
        EXPECT_EQ(r.surface.loaded.size(), c.loads);
        EXPECT_EQ(r.surface.problems, Lines{c.problem});
        EXPECT_TRUE(r.surface.scripts.empty());
        EXPECT_TRUE(r.surface.shownFiles.empty());
    }
}

// Only the reader page may use the bridge, and addresses leave only through
// the allow list; nothing here sends the configuration again.
TEST(FlipbookPageHostTest, OnlyTheReaderPageIsPrivilegedAndAddressesLeaveThroughTheAllowList) {
    const std::string ws = WorkspaceOf("file:///home/u/Book.flip"), pdf = ws + "data/flipbook.pdf";
    enum Act { Message, Finished, NewWindow, Navigate };
    // "@" stands for the reader page; `from` is the page a message comes from.
    const struct {
        Act act;
        std::string text, from;
        Lines opened, printed;
        std::string lastLine;
        bool follows = false;
    } cases[] = {
        {Message, "action.openpdf " + pdf, "https://evil.example/", {}, {}, "action.openpdf " + pdf},
        {Message, "action.print " + pdf, ws + "data/files/x.html", {}, {}, "action.print " + pdf},
        {Finished, "https://evil.example/", "", {}, {}, ""},
        {Message, "action.openpdf " + pdf, "@#p2", {pdf}, {}, "action.openpdf " + pdf},
        {Message, "action.print " + pdf, "@", {}, {pdf}, "action.print " + pdf},
        {NewWindow, ws + "example.com/p", "", {"https://example.com/p"}, {}, ws + "example.com/p"},
        {NewWindow, "file:///usr/bin/xterm", "", {}, {}, "Refused to open: file:///usr/bin/xterm"},
        {Message, "action.openpdf file:///bin/sh", "@", {}, {}, "Refused to open: file:///bin/sh"},
        {Message, "action.print file:///etc/passwd", "@", {}, {}, "Refused to print: file:///etc/passwd"},
        {Navigate, "https://x.example/", "", {"https://x.example/"}, {}, ""},
        {Navigate, "file:///etc/passwd", "", {}, {}, "Refused navigation: file:///etc/passwd"},
        {Navigate, "@#toc", "", {}, {}, "", true},
        // The book's other files never leave, and mail goes without attachments.
        {Message, "action.openpdf " + ws + "flipbook.html", "@", {}, {}, "Refused to open: " + ws + "flipbook.html"},
        {Message,
         "action.print " + ws + "data/files/x.html",
         "@",
         {},
         {},
         "Refused to print: " + ws + "data/files/x.html"},
        {Navigate, "mailto:a@example.com?attach=/etc/passwd", "", {"mailto:a@example.com"}, {}, ""},
        {NewWindow,
         "mailto:a@example.com?Attachment=~/.ssh/id_rsa&subject=x",
         "",
         {"mailto:a@example.com?subject=x"},
         {},
         "mailto:a@example.com?Attachment=~/.ssh/id_rsa&subject=x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Reader r("file:///home/u/Book.flip");
        r.Open();
        r.lines.lines.clear();
        const auto at = [&](const std::string& s) {
            return s.starts_with("@") ? r.surface.loaded.back() + s.substr(1) : s;
        };
        if (c.act == Message) r.host->MessageReceived(c.text, at(c.from));
        if (c.act == Finished) r.host->PageFinished(c.text);
        if (c.act == NewWindow) r.host->NewWindowRequested(c.text);
        EXPECT_EQ(c.act == Navigate && r.host->MainFrameNavigation(at(c.text)), c.follows);
        EXPECT_EQ(r.desktop->opened, c.opened);
        EXPECT_EQ(r.desktop->printed, c.printed);
        EXPECT_EQ(r.lines.lines.empty() ? "" : r.lines.lines.back(), c.lastLine);
        EXPECT_EQ(r.surface.scripts.size(), 1u);
    }
}

// The reading aids take the reader page's word only, and a page's whole text
// never floods the output; the menus reach no page that failed.
TEST(FlipbookPageHostTest, ReadingAidsHearOnlyTheReaderPage) {
    const std::string text = R"({"count":12,"pages":[{"number":9,"text":")" + std::string(5000, 'x') + "\"}]}";
    const struct {
        std::string message, from;
        Lines aids;
    } cases[] = {
        {"action.shown " + text, "@", {"text 9"}},
        {"action.shown " + text, "https://evil.example/", {}},
        {"action.shown {\"count\":1,\"pages\":[]}", "@", {}},
        {"action.found 3 of 12", "@", {"found 3 of 12"}},
        {"action.found " + std::string(BridgeProtocol::MAX_FOUND_BYTES + 1, '9'), "@", {}},
        {R"(action.contents [{"title":"A","page":1,"level":0}])", "@", {"contents 1"}},
        {R"(action.contents [{"title":"A","page":1,"level":3}])", "@", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.substr(0, 40));
        Reader r("file:///home/u/Book.flip");
        r.Open();
        r.lines.lines.clear();
        r.host->MessageReceived(c.message, c.from == "@" ? r.surface.loaded.back() : c.from);
        EXPECT_EQ(r.surface.aids, c.aids);
        ASSERT_FALSE(r.lines.lines.empty());
        EXPECT_LE(r.lines.lines.front().size(), 256u);
    }

    Reader r("file:///home/u/Book.flip");
    r.Open();
    const auto before = r.surface.scripts.size();
    r.host->RunCommand("next");
    r.host->MarkSpeaking(9, 0, 4);
    r.host->WebProcessTerminated("crashed");
    r.host->RunCommand("next");
    r.host->Find("x", 1);
    EXPECT_EQ(Lines(r.surface.scripts.begin() + before, r.surface.scripts.end()),
              (Lines{"onCommand('next')", "onSpeaking(9, 0, 4)"}));
}

// A reload while the archive is still being unpacked must not unpack twice at
// once, nor send a configuration for the page that was replaced.
TEST(FlipbookPageHostTest, ReloadDuringUnpackingRunsTheStepsAgainAfterwards) {
    Reader r("file:///home/u/Book.flip");
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

// When the reader page cannot be loaded or its web process dies, the window
// says so and offers a reload; whatever page is left is never configured.
TEST(FlipbookPageHostTest, LoadFailureAndEndedWebProcessShowAMessageAndNeverConfigure) {
    enum Event { FailedLoad, ProcessEnded };
    const struct {
        Event event;
        bool finishedBefore;
        std::string problem;
    } cases[] = {
        {FailedLoad, false, FlipbookPageHost::LOAD_FAILED_MESSAGE},
        {ProcessEnded, false, FlipbookPageHost::PROCESS_ENDED_MESSAGE},
        {ProcessEnded, true, FlipbookPageHost::PROCESS_ENDED_MESSAGE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.problem + (c.finishedBefore ? " after the first configuration" : ""));
        Reader r("file:///home/u/Book.flip");
        r.LoadHeld();
        const std::string page = r.surface.loaded.back();
        if (c.finishedBefore) {
            r.host->PageFinished(page);
            r.desktop->RunBackground();
        }
        if (c.event == FailedLoad) {
            EXPECT_TRUE(r.host->LoadFailed(page, "No space left on device"));
        } else {
            r.host->WebProcessTerminated("crashed");
        }
        // WebKit still reports the failed load as finished, and its error page would carry the page's URL.
        r.host->PageFinished(page);
        r.desktop->RunBackground();
        r.host->MessageReceived("action.openpdf " + WorkspaceOf("file:///home/u/Book.flip") + "data/flipbook.pdf",
                                page);
        EXPECT_EQ(r.surface.problems, Lines{c.problem});
        EXPECT_EQ(r.surface.scripts.size(), c.finishedBefore ? 1u : 0u);
        EXPECT_TRUE(r.desktop->opened.empty());

        r.host->Reload();
        r.desktop->RunBackground();
        ASSERT_EQ(r.surface.loaded.size(), 2u);
        r.host->PageFinished(r.surface.loaded.back());
        r.desktop->RunBackground();
        EXPECT_EQ(r.surface.scripts.size(), c.finishedBefore ? 2u : 1u);
    }
}

// A second window on the same flipbook reuses the reader core the first one
// shows instead of removing it; once no window shows it, it is installed afresh.
TEST(FlipbookPageHostTest, SecondWindowOnTheSameWorkspaceReusesItsCore) {
    auto desktop = std::make_shared<test::FakeDesktop>();
    int installs = 0;
    const auto counted = [&](Reader& r) {
        r.host = FlipbookPageHost::Create("file:///home/u/Same.flip", desktop, &r.surface, &r.surface,
                                          {[&](const std::string& f) {
                                               ++installs;
                                               return std::optional(WorkspaceOf(f));
                                           },
                                           [](const std::string& f, document::UnpackListener*) {
                                               return WorkspaceSteps::Finished{
                                                   nlohmann::json::object(), WorkspaceOf(f), "", "", "", 0};
                                           },
                                           [](const std::string& f) { return std::optional(WorkspaceOf(f)); },
                                           {}});
    };
    auto first = std::make_unique<Reader>("file:///home/u/Same.flip", desktop);
    auto second = std::make_unique<Reader>("file:///home/u/Same.flip", desktop);
    counted(*first);
    counted(*second);
    first->Open();
    second->Open();
    EXPECT_EQ(installs, 1);
    EXPECT_EQ(second->surface.loaded, first->surface.loaded);
    EXPECT_EQ(second->surface.scripts.size(), 1u);

    first->host->Detach();
    second->host->Detach();
    Reader third("file:///home/u/Same.flip", desktop);
    counted(third);
    third.Open();
    EXPECT_EQ(installs, 2);
}

// A title of megabytes must not become the window title.
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
        {"Spring &amp; more", 13, "more"},
        {std::string(10'000'000, 'T'), WindowTitle::MAX_GRAPHEMES, "T" + ellipsis},
        {"<b>" + std::string(5'000, 'x') + "</b>", WindowTitle::MAX_GRAPHEMES, "x" + ellipsis},
        {families, WindowTitle::MAX_GRAPHEMES, family + ellipsis},
    };
    for (const auto& c : cases) {
        Reader r("file:///home/u/Book.flip");
        r.title = c.stored;
        r.Open();
        ASSERT_EQ(r.surface.titles.size(), 1u);
        const std::string& title = r.surface.titles[0];
        EXPECT_EQ(CountGraphemes(title), c.graphemes);
        EXPECT_TRUE(title.ends_with(c.ending)) << title.substr(title.size() - 20);
    }
}

TEST(FlipbookPageHostTest, ProgressShowsOnlyWhenUnpackingTakesLonger) {
    for (const auto wait : {299ms, 300ms}) {
        Reader r("file:///home/u/Book.flip");
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
// complete, and a failure after the page was shown still reaches the window.
TEST(FlipbookPageHostTest, PageReadsTheBookWhileItIsUnpacked) {
    const BookOnDisk book;
    const std::string file = book.file, ws = WorkspaceOf(file), pdf = ws + "data/flipbook.pdf";
    for (const bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "unpacking fails" : "unpacking succeeds");
        Reader r(file);
        std::size_t scriptsMeanwhile = 0, printedMeanwhile = 0, openedMeanwhile = 0;
        const nlohmann::json config = {{"path", pdf}};
        const auto finish = [&](const std::string&, document::UnpackListener* listener) {
            if (!listener) throw std::runtime_error("no listener");
            listener->Surveyed({{"flipbook.pdf", 4, 0}});
            // The main thread goes on meanwhile: the page is configured and asks for the PDF.
            for (auto& posted : std::exchange(r.desktop->posted, {})) posted();
            scriptsMeanwhile = r.surface.scripts.size();
            // Impatient presses while the file is written: each action happens once.
            for (int press = 0; press < 3; ++press) {
                r.host->MessageReceived("action.print " + pdf, r.host->PageUrl());
                r.host->MessageReceived("action.openpdf " + pdf, r.host->PageUrl());
            }
            r.host->MessageReceived("action.openpdf https://example.org/", r.host->PageUrl());
            printedMeanwhile = r.desktop->printed.size();
            openedMeanwhile = r.desktop->opened.size();
            return WorkspaceSteps::Finished{
                fails ? std::nullopt : std::optional(config), ws, "", fails ? "CRC" : "", "", 0};
        };
        r.ReadWhileUnpacking(file, finish, ConfiguredEarly(config));
        r.Open();
        EXPECT_EQ(scriptsMeanwhile, 1u);
        EXPECT_EQ(printedMeanwhile, 0u);
        EXPECT_EQ(openedMeanwhile, 1u);           // a web address needs nothing of the book
        EXPECT_EQ(r.surface.scripts.size(), 1u);  // configured once, early
        EXPECT_EQ(r.surface.titles, Lines{"Early"});
        EXPECT_EQ(r.surface.served, (std::vector{true, false}));
        EXPECT_EQ(r.desktop->printed, fails ? Lines{} : Lines{pdf});
        EXPECT_EQ(r.desktop->opened.size(), fails ? 1u : 2u);
        EXPECT_EQ(r.surface.problems.size(), fails ? 1u : 0u);
    }
}

// The page was served a whole entry from the archive that failed its CRC-32:
// the window says the book is damaged, as when the unpacker finds it, whatever
// the unpacker says after, and nothing waiting on the book runs.
TEST(FlipbookPageHostTest, BytesServedWrongReplaceThePageWithTheDamagedMessage) {
    const BookOnDisk book;
    const std::string file = book.file, ws = WorkspaceOf(file), pdf = ws + "data/flipbook.pdf";
    const std::string damaged =
        std::string(FlipbookPageHost::NO_CONFIGURATION_MESSAGE) + " The file is damaged (flipbook.pdf).";
    for (const bool unpackerFails : {false, true}) {
        SCOPED_TRACE(unpackerFails ? "the unpacker fails too" : "the unpacker succeeds");
        Reader r(file);
        const nlohmann::json config = {{"path", pdf}};
        const auto finish = [&](const std::string&, document::UnpackListener* listener) {
            listener->Surveyed({{"flipbook.pdf", 4, 0, 7}});
            for (auto& posted : std::exchange(r.desktop->posted, {})) posted();
            r.host->MessageReceived("action.print " + pdf, r.host->PageUrl());
            static_cast<const UnpackingBook*>(listener)->ServedMismatch("flipbook.pdf");
            return WorkspaceSteps::Finished{unpackerFails ? std::nullopt : std::optional(config),       ws, "",
                                            unpackerFails ? "The file is damaged (flipbook.pdf)." : "", "", 0};
        };
        r.ReadWhileUnpacking(file, finish, ConfiguredEarly(config));
        r.Open();
        EXPECT_EQ(r.surface.problems, Lines{damaged});
        EXPECT_EQ(r.surface.served.front(), true);
        EXPECT_EQ(r.surface.served.back(), false);
        EXPECT_EQ(r.desktop->printed, Lines{});
    }
}

// A heavy book shows how far unpacking has come, and nothing more once it is done.
TEST(FlipbookPageHostTest, UnpackingReportsItsBytesWhileItRuns) {
    const BookOnDisk book;
    const std::string& file = book.file;
    Reader r(file);
    const auto finish = [&](const std::string& f, document::UnpackListener* listener) {
        if (!listener) throw std::runtime_error("no listener");
        // The timer runs on while the unpacker writes and tells.
        r.desktop->Advance(250ms);
        listener->Planned(270'000'000);
        r.desktop->Advance(250ms);
        listener->Copied(100'000'000);
        listener->Copied(35'000'000);
        r.desktop->Advance(250ms);
        return WorkspaceSteps::Finished{nlohmann::json::object(), WorkspaceOf(f), "", "", "", 0};
    };
    r.ReadWhileUnpacking(file, finish, NotYet);
    r.LoadHeld();
    r.host->PageFinished(r.surface.loaded.back());
    r.desktop->RunBackground();
    r.desktop->Advance(1s);
    const std::vector<std::pair<std::string, double>> expected = {{"Unpacking… 0 of 270 MB", 0.0},
                                                                  {"Unpacking… 135 of 270 MB", 0.5}};
    EXPECT_EQ(r.surface.progress, expected);
}

TEST(FlipbookPageHostTest, WorkFinishingAfterTheViewWentAwayTouchesNothing) {
    Reader r("file:///home/u/Book.flip");
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

namespace brivane::web {
namespace {

// A book reopens where it was left; only a page number within the book is
// kept, so the page cannot store anything else in the user's state.
TEST(FlipbookPageHostTest, ResumesAtTheRememberedPageAndKeepsOnlyPagesOfTheBook) {
    const struct {
        int stored, pageCount;
        std::vector<std::string> messages;
        int kept;
        Lines refused;
    } cases[] = {
        {7, 12, {"action.position 9"}, 9, {}},
        {7,
         12,
         {"action.position 13", "action.position 0", "action.position 3x", "action.position"},
         7,
         {"Refused position: 13", "Refused position: 0", "Refused position: 3x"}},
        {20, 12, {}, 1, {}},                                        // a page past the end is not resumed
        {7, 0, {"action.position 2"}, 1, {"Refused position: 2"}},  // no page count: nothing to check against
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.stored) + "/" + std::to_string(c.pageCount));
        test::TempDir dir;
        auto positions = std::make_shared<document::ReadingPositions>(dir / "positions.json");
        ASSERT_TRUE(positions->Remember({"book-1", c.stored, "file:///old.flip", "Old"}));
        Reader reader("file:///home/u/One.flip");
        reader.bookId = "book-1";
        reader.pageCount = c.pageCount;
        reader.host->UsePositions(positions);
        reader.Open();
        const bool resumed = c.stored <= c.pageCount;
        ASSERT_EQ(reader.surface.scripts.size(), resumed ? 2u : 1u);
        if (resumed) {
            EXPECT_EQ(reader.surface.scripts[1], "onResume(" + std::to_string(c.stored) + ")");
        }
        test::CapturedLines lines;
        for (const auto& m : c.messages) reader.host->MessageReceived(m, reader.host->PageUrl());
        Lines refused;
        for (const auto& line : lines.lines)
            if (line.starts_with("Refused")) refused.push_back(line);
        EXPECT_EQ(refused, c.refused);
        EXPECT_EQ(positions->PageOf("book-1"), c.kept);
        const auto recent = positions->Recent(8);
        EXPECT_TRUE(recent.empty()) << "the file does not exist, so it is not offered";
    }
}

// Print hands over what the page last said it shows, so the dialog's
// "Current page" prints that; reports past the book's end are refused and
// leave the last good one.
TEST(FlipbookPageHostTest, PrintCarriesThePagesOnScreen) {
    const struct {
        std::vector<std::string> messages;
        std::vector<int> printed;
    } cases[] = {
        {{}, {}},
        {{"action.onscreen 1"}, {1}},
        {{"action.onscreen 4 5", "action.onscreen 6 7"}, {6, 7}},
        {{"action.onscreen 7 6"}, {7, 6}},
        {{"action.onscreen 4 5", "action.onscreen 12 13", "action.onscreen x"}, {4, 5}},
    };
    for (const auto& c : cases) {
        Reader reader("file:///home/u/One.flip");
        reader.bookId = "book-1";
        reader.pageCount = 12;
        reader.Open();
        for (const auto& m : c.messages) reader.host->MessageReceived(m, reader.host->PageUrl());
        const std::string pdf = WorkspaceOf("file:///home/u/One.flip") + "data/flipbook.pdf";
        reader.host->MessageReceived("action.print " + pdf, reader.host->PageUrl());
        ASSERT_EQ(reader.desktop->printedShown.size(), 1u);
        EXPECT_EQ(reader.desktop->printedShown[0], c.printed);
    }
}

// A book made of a PDF is remembered as the PDF: the made book is swept
// away, the PDF stays and makes it again.
TEST(FlipbookPageHostTest, MadeBookIsRememberedAsTheFileItWasMadeOf) {
    test::TempDir dir;
    dir.Write("Paper.pdf", "%PDF-1.4");
    const std::string pdf = test::FileUrl(dir / "Paper.pdf");
    auto positions = std::make_shared<document::ReadingPositions>(dir / "positions.json");
    Reader reader("file:///tmp/ws/pdf-1/Paper.flip");
    reader.bookId = "book-1";
    reader.pageCount = 3;
    reader.host->UsePositions(positions);
    reader.host->RecordAs(pdf);
    reader.Open();
    EXPECT_EQ(reader.surface.shownFiles, Lines{pdf});
    const auto recent = positions->Recent(8);
    ASSERT_EQ(recent.size(), 1u);
    EXPECT_EQ(recent[0].fileUrl, pdf);
}

// How the reader showed a book comes back with it. A report changes only the
// fields it names, so a page that knows fewer loses none, and the page and the
// view state never overwrite one another.
TEST(FlipbookPageHostTest, ViewStateIsResumedAndRememberedBesideThePage) {
    using State = document::ViewState;
    const struct {
        int storedPage;
        State stored;
        std::string resume;
        Lines messages;
        int page;
        State kept;
    } cases[] = {
        {1, {"single", {}, 2.0, {}}, R"(onResume(1, {"view":"single","zoom":2.0}))", {}, 1, {"single", {}, 2.0, {}}},
        {7,
         {{}, {}, {}, "rtl"},
         R"(onResume(7, {"direction":"rtl"}))",
         {R"(action.view {"view":"scroll","zoom":1.5})", "action.position 9"},
         9,
         {"scroll", {}, 1.5, "rtl"}},
        {4,
         {{}, "page", {}, {}},
         R"(onResume(4, {"fit":"page"}))",
         {R"(action.view {"zoom":2,"x":1})"},
         4,
         {{}, "page", {}, {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.resume);
        test::TempDir dir;
        auto positions = std::make_shared<document::ReadingPositions>(dir / "positions.json");
        ASSERT_TRUE(positions->Remember({"book-1", c.storedPage, "file:///old.flip", "Old", c.stored}));
        Reader reader("file:///home/u/One.flip");
        reader.bookId = "book-1";
        reader.pageCount = 12;
        reader.host->UsePositions(positions);
        reader.Open();
        EXPECT_EQ(reader.surface.scripts.back(), c.resume);
        for (const auto& m : c.messages) reader.host->MessageReceived(m, reader.host->PageUrl());
        EXPECT_EQ(positions->Find("book-1"),
                  (document::ReadingPositions::Book{"book-1", c.page, "file:///home/u/One.flip", "A & B", c.kept}));
    }
}

// Messages from a page the view navigated to are not the reader's.
TEST(FlipbookPageHostTest, PositionsFromOtherPagesAreIgnored) {
    test::TempDir dir;
    auto positions = std::make_shared<document::ReadingPositions>(dir / "positions.json");
    Reader reader("file:///home/u/One.flip");
    reader.bookId = "book-1";
    reader.pageCount = 12;
    reader.host->UsePositions(positions);
    reader.Open();
    reader.host->MessageReceived("action.position 5", "file:///tmp/r/One.flip-id/data/files/user/page.html");
    EXPECT_EQ(positions->PageOf("book-1"), 1);
    reader.host->MessageReceived("action.position 5", reader.host->PageUrl());
    EXPECT_EQ(positions->PageOf("book-1"), 5);
}

// The window's stand-in picture goes only for the reader page's own word.
TEST(FlipbookPageHostTest, OnlyTheReaderPageSaysItsPagesAreDrawn) {
    const struct {
        const char* what;
        std::string message;
        bool fromReader;
        int drawn;
    } cases[] = {
        {"the reader page", "action.drawn 1", true, 1},
        {"a page of the book's own files", "action.drawn 1", false, 0},
        {"no page named", "action.drawn", true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Reader reader("file:///home/u/One.flip");
        reader.Open();
        const std::string shown =
            c.fromReader ? reader.host->PageUrl() : "file:///tmp/r/One.flip-id/data/files/user/page.html";
        reader.host->MessageReceived(c.message, shown);
        EXPECT_EQ(reader.surface.drawn, c.drawn);
    }
}

// Closing a window while its book is unpacked must not leave a windowless
// process writing the rest; an open window's unpacking goes on.
TEST(FlipbookPageHostTest, ClosingTheWindowStopsItsUnpacking) {
    const BookOnDisk book;
    const std::string& file = book.file;
    for (const bool closed : {false, true}) {
        SCOPED_TRACE(closed ? "closed" : "open");
        Reader r(file);
        std::optional<bool> cancelled;
        const auto finish = [&](const std::string& f, document::UnpackListener* listener) {
            if (!listener) throw std::runtime_error("no listener");
            cancelled = listener->Cancelled();
            return WorkspaceSteps::Finished{nlohmann::json::object(), WorkspaceOf(f), "", "", "", 0};
        };
        r.ReadWhileUnpacking(file, finish, NotYet);
        r.LoadHeld();
        r.host->PageFinished(r.surface.loaded.back());
        if (closed) r.host->Detach();
        r.desktop->RunBackground();
        EXPECT_EQ(cancelled, closed);
    }
}

// The workspace is held from the load until the window goes; old workspaces
// are cleared in the background, and only once the book shows.
TEST(FlipbookPageHostTest, HoldsItsWorkspaceAndSweepsOnlyAfterTheBookShows) {
    Reader r("file:///home/u/Book.flip");
    auto hold = std::make_shared<int>(0);
    const std::weak_ptr<int> held = hold;
    Lines sweeps;
    const auto workspace = [](const std::string& f) { return std::optional(WorkspaceOf(f)); };
    WorkspaceSteps steps{workspace,
                         [](const std::string& f, document::UnpackListener*) {
                             return WorkspaceSteps::Finished{nlohmann::json::object(), WorkspaceOf(f), "", "", "", 0};
                         },
                         workspace,
                         {}};
    steps.claim = [&](const std::string& f) {
        return std::optional(WorkspaceSteps::Claim{WorkspaceOf(f), std::exchange(hold, nullptr)});
    };
    steps.sweep = [&] { sweeps.push_back(r.surface.shownFiles.empty() ? "before" : "after"); };
    r.host = FlipbookPageHost::Create("file:///home/u/Book.flip", r.desktop, &r.surface, &r.surface, steps);
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

// The reader page asks for full screen only from the reader page itself, and
// hears of every change; a page loaded again while the window covers the
// screen is told at once, so its bars do not stay in the way.
TEST(FlipbookPageHostTest, FullscreenRequestsAndChangesPassBetweenPageAndWindow) {
    const struct {
        std::string message;
        bool fromReaderPage;
        std::vector<bool> asked;
    } cases[] = {
        {"action.fullscreen on", true, {true}},
        {"action.fullscreen off", true, {false}},
        {"action.fullscreen maybe", true, {}},
        {"action.fullscreen on", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        Reader r("file:///home/u/Book.flip");
        r.Open();
        r.host->MessageReceived(c.message, c.fromReaderPage ? r.host->PageUrl() : "file:///tmp/elsewhere.html");
        EXPECT_EQ(r.surface.fullscreen, c.asked);
    }

    Reader r("file:///home/u/Book.flip");
    r.Open();
    r.host->FullscreenChanged(true);
    EXPECT_EQ(r.surface.scripts.back(), "onFullscreen(true)");
    r.host->PageFinished(r.surface.loaded.back());  // loaded again
    EXPECT_EQ(r.surface.scripts.back(), "onFullscreen(true)");
    r.host->FullscreenChanged(false);
    EXPECT_EQ(r.surface.scripts.back(), "onFullscreen(false)");
    r.host->PageFinished(r.surface.loaded.back());
    EXPECT_TRUE(r.surface.scripts.back().starts_with("onMessage(")) << r.surface.scripts.back();
}

}  // namespace
}  // namespace brivane::web
