#include "ZipWriter.h"
// Implemented by the document work.
