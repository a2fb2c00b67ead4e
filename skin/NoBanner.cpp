// A build without the banner: there is no web engine to prepare.
#include "Banner.h"

void PrepareWebEngine() {}
