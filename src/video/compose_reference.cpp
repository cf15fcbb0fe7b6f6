#include "video/compose.h"

void ComposeReference(const ComposeJob&) {}
