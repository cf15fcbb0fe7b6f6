#include "video/compose.h"

void ComposeMmx(const ComposeJob&) {}
