#include "ReaderApplication.h"
#include "Translations.h"

int main(int argc, char** argv) {
    brivane::app::Translations::Bind();
    return brivane::app::ReaderApplication().Run(argc, argv);
}
