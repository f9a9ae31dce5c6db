#pragma once

#include "app/gtk/ContentView.h"
#include "base/GObjectPtr.h"
#include "base/Unique.h"

#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <string>

namespace brivane::app {

// The application: one kind of window showing the start screen, the menus,
// and files handed over by the system.
class ReaderApplication {
public:
    static constexpr const char* APPLICATION_ID = "com.brivane.Reader";

    ReaderApplication();
    ~ReaderApplication();
    ReaderApplication(const ReaderApplication&) = delete;
    ReaderApplication& operator=(const ReaderApplication&) = delete;

    int Run(int argc, char** argv);

    // "Brivane Help": the service's download page.
    static void OpenDownloadPage();

private:
    ContentView& NewWindow();
    ContentView* ActiveContent();
    void Startup();
    void Open(GFile** files, int count);
    void Quit();
    void InstallMenus();
    void AddOpenPdfAction();
    // A flipbook shown as it is, a PDF made into a book first.
    static void OpenIn(ContentView& target, const std::string& uri);

    static void OnStartup(GApplication*, gpointer self);
    static void OnActivate(GApplication*, gpointer self);
    static void OnOpen(GApplication*, GFile** files, int count, const char* hint, gpointer self);
    static void OnWindowDestroy(GtkWidget* window, gpointer self);

    RefPtr<GtkApplication> app_;
    std::map<GtkWindow*, std::unique_ptr<ContentView>> windows_;
};

}  // namespace brivane::app
