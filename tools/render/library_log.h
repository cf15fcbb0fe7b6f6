#pragma once
// FFmpeg's libraries print to stderr on their own; a damaged song alone makes
// hundreds of lines. They go through here: dropped, unless --verbose asks.
void RouteLibraryLog(bool verbose);
