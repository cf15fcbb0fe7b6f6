#pragma once
// Resource and control numbers of the library's dialogs, icon and logo.
// Plain defines: the resource script reads this file too.

#define IDD_CONFIG_PANEL 102
#define IDI_VELUNE 106
#define IDD_ABOUT_BOX 110
#define IDB_LOGO 113

// Configuration panel
#define IDC_RESOLUTION_LIST 1004
#define IDC_SHOW_INFO 1005
#define IDC_MODE_WINDOWED 1006
#define IDC_MODE_BACKGROUND 1008
#define IDC_DONE 1009
#define IDC_MINIMIZE_HOST 1010
#define IDC_EXIT_PLUGIN 1011
#define IDC_SHOW_SONG_TITLE 1012
#define IDC_USE_DELAY 1013
#define IDC_SCENE_LENGTH 1019
#define IDC_SCENE_LENGTH_SLIDER 1020
#define IDC_SLIDER_MAX 1021
#define IDC_SLIDER_MIN 1022
#define IDC_HELP_AND_INFO 1026
#define IDC_MODE_NOTE 1028
#define IDC_OVERLAY_NOTE 1029
#define IDC_DELAY_NOTE 1038
#define IDC_SCENE_OPTIONS 1054
#define IDC_RENDERER_NAME 1056
#define IDC_TRANSFORM_NAME 1057
#define IDC_MODE_FULL_SCREEN 1061
#define IDC_NEXT_RENDERER 1062
#define IDC_NEXT_TRANSFORM 1063
#define IDC_RENDERER_ON 1064
#define IDC_TRANSFORM_ON 1065

// About box
#define IDC_README 1021
#define IDC_PRODUCT_NAME 1022
#define IDC_VERSION 1023
