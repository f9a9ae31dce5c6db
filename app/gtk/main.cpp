#include "app/RendererChoice.h"
#include "app/Translations.h"
#include "app/gtk/ReaderApplication.h"

int main(int argc, char** argv) {
    brivane::app::Translations::Bind();
    // The renderer variables are read when the first window and web view start.
    brivane::app::RendererChoice::Apply();
    return brivane::app::ReaderApplication().Run(argc, argv);
}
