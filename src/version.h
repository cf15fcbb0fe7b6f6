#pragma once
// The release's name, version and icon in one place: the library's version
// resource, its code and the installer script all read this file, so what
// Explorer, the player and the installer show never disagrees. Plain
// defines only: windres and makensis read it too.
#define VELUNE_NAME "Velune"
#define VELUNE_VERSION_TEXT "1.06"
#define VELUNE_VERSION_BINARY 1, 0, 6, 0
#define VELUNE_VERSION_DOTTED "1.0.6.0"
#define VELUNE_DESCRIPTION_TEXT "Velune music visualization plug-in for Winamp"
#define VELUNE_COPYRIGHT "Copyright (C) Velune developers"
// Relative to src/.
#define VELUNE_ICON_FILE "dialogs/velune.ico"
