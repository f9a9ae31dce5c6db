#include "ReaderApplication.h"

int main(int argc, char** argv) { return brivane::app::ReaderApplication().Run(argc, argv); }
