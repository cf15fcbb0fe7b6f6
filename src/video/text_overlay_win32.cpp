#include "video/video.h"

void Video::ShowInfo() {}
void Video::ShowMessage() {}
