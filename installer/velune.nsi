; The Velune installer: puts the plug-in into the Plugins folder of a Winamp
; or WACUP folder,
; with velune.exe (the plug-in without the player) beside it and its Start
; menu entry, and an uninstaller that removes exactly what was put there.
;   makensis -DSRC=<repo>/src -DFILES=<folder with the shipped files> -DOUTFILE=<setup.exe> velune.nsi
; Silent: setup.exe /S /D=C:\Program Files\Winamp   (/D= last, without quotes)
; Silent removal that also drops the settings: vis_velune_uninstall.exe /S /REMOVESETTINGS

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
; Installed files get the install time; no build time ends up in the installer.
SetDateSave off

; Name, version and icon are the DLL's own.
!searchparse /file "${SRC}/version.h" '#define VELUNE_NAME "' NAME '"'
!searchparse /file "${SRC}/version.h" '#define VELUNE_VERSION_TEXT "' VERSION '"'
!searchparse /file "${SRC}/version.h" '#define VELUNE_VERSION_DOTTED "' VERSION_DOTTED '"'
!searchparse /file "${SRC}/version.h" '#define VELUNE_DESCRIPTION_TEXT "' DESCRIPTION '"'
!searchparse /file "${SRC}/version.h" '#define VELUNE_COPYRIGHT "' COPYRIGHT '"'
!searchparse /file "${SRC}/version.h" '#define VELUNE_ICON_FILE "' ICON '"'

!define PLAYER "Winamp"
!define PLAYER_EXE "winamp.exe"
; WACUP loads Winamp's plug-ins from its own Plugins folder.
!define OTHER_PLAYER "WACUP"
!define OTHER_PLAYER_EXE "wacup.exe"
!define PLAYERS "${PLAYER} or ${OTHER_PLAYER}"
!define PLAYER_FILES "${PLAYER_EXE} (or ${OTHER_PLAYER_EXE}) and a Plugins folder"
!define UNINSTALLER "vis_velune_uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velune"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${NAME} ${VERSION}"
; Where the player records its folder. A folder given with /D= wins over it;
; without either, .onInit looks further.
InstallDirRegKey HKCU "Software\Winamp" ""

VIProductVersion "${VERSION_DOTTED}"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${NAME} ${VERSION} installer"
VIAddVersionKey "LegalCopyright" "${COPYRIGHT}"

!define MUI_ICON "${SRC}/${ICON}"
!define MUI_UNICON "${SRC}/${ICON}"
!define MUI_ABORTWARNING
!define MUI_DIRECTORYPAGE_TEXT_TOP "${DESCRIPTION}.$\r$\n$\r$\nChoose the folder where ${PLAYERS} is installed (either player will do): the one that holds ${PLAYER_FILES}. The plug-in goes into Plugins."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "${PLAYERS} folder"
!define MUI_PAGE_HEADER_TEXT "Choose the ${PLAYERS} folder"
!define MUI_PAGE_HEADER_SUBTEXT "${NAME} ${VERSION} goes into its Plugins folder."
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var IsPlayer

; $IsPlayer becomes 1 when $INSTDIR holds either player and its Plugins folder.
Function CheckPlayerFolder
  StrCpy $IsPlayer 0
  ${If} ${FileExists} "$INSTDIR\Plugins\*.*"
    ${If} ${FileExists} "$INSTDIR\${PLAYER_EXE}"
    ${OrIf} ${FileExists} "$INSTDIR\${OTHER_PLAYER_EXE}"
      StrCpy $IsPlayer 1
    ${EndIf}
  ${EndIf}
FunctionEnd

; $0 becomes the folder WACUP's own installer recorded, or stays empty: its
; uninstall entry's InstallLocation, else the folder of its UninstallString,
; for all users or for this one.
Function FindOtherPlayer
  StrCpy $0 ""
  ReadRegStr $0 HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\${OTHER_PLAYER}" "InstallLocation"
  ${If} $0 == ""
    ReadRegStr $0 HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\${OTHER_PLAYER}" "InstallLocation"
  ${EndIf}
  ${If} $0 != ""
    Return
  ${EndIf}
  ReadRegStr $0 HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\${OTHER_PLAYER}" "UninstallString"
  ${If} $0 == ""
    ReadRegStr $0 HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\${OTHER_PLAYER}" "UninstallString"
  ${EndIf}
  ${If} $0 != ""
    Call TrimQuotes
    ${GetParent} $0 $0
  ${EndIf}
FunctionEnd

; $0 without its quotes and what follows them: "C:\x\a.exe" /S gives C:\x\a.exe.
Function TrimQuotes
  StrCpy $1 $0 1
  StrCmp $1 '"' 0 done
  StrCpy $0 $0 "" 1
  StrCpy $2 0
  next:
    StrCpy $1 $0 1 $2
    StrCmp $1 '"' cut
    StrCmp $1 "" cut
    IntOp $2 $2 + 1
    Goto next
  cut:
    StrCpy $0 $0 $2
  done:
FunctionEnd

Function .onInit
  ${If} $INSTDIR == ""
    ; Older players record only their uninstaller: "C:\...\Winamp\UninstWA.exe".
    ReadRegStr $0 HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PLAYER}" "UninstallString"
    ${If} $0 != ""
      Call TrimQuotes
      ${GetParent} $0 $INSTDIR
    ${Else}
      Call FindOtherPlayer
      StrCpy $INSTDIR $0
    ${EndIf}
  ${EndIf}
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR "$PROGRAMFILES\${PLAYER}"
    ${IfNot} ${FileExists} "$INSTDIR\${PLAYER_EXE}"
    ${AndIf} ${FileExists} "$PROGRAMFILES\${OTHER_PLAYER}\${OTHER_PLAYER_EXE}"
      StrCpy $INSTDIR "$PROGRAMFILES\${OTHER_PLAYER}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  Call CheckPlayerFolder
  ${If} $IsPlayer != 1
    MessageBox MB_ICONEXCLAMATION|MB_OK "$INSTDIR is not a ${PLAYERS} folder: it should hold ${PLAYER_FILES}.$\r$\n$\r$\nPlease choose the folder where ${PLAYERS} is installed."
    Abort
  ${EndIf}
FunctionEnd

Section "${NAME}"
  ; Also reached silently, without the directory page: refuse rather than
  ; scatter files in a folder no player reads.
  Call CheckPlayerFolder
  ${If} $IsPlayer != 1
    MessageBox MB_ICONSTOP|MB_OK "$INSTDIR is not a ${PLAYERS} folder: it should hold ${PLAYER_FILES}. Nothing was installed." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  SetOutPath "$INSTDIR\Plugins"
  File "${FILES}/vis_velune.dll"
  File "${FILES}/vis_velune.txt"
  File "${FILES}/vis_velune.bmp"
  ; Velune without the player, for whatever the computer plays; it loads the
  ; DLL beside it and shares its settings.
  File "${FILES}/velune.exe"
  SetShellVarContext all
  CreateShortCut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\Plugins\velune.exe" "" "$INSTDIR\Plugins\velune.exe" 0 \
    SW_SHOWNORMAL "" "${NAME} for whatever the computer plays"
  WriteUninstaller "$INSTDIR\Plugins\${UNINSTALLER}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME} ${VERSION} (${PLAYERS} plug-in)"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Velune developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Plugins\${UNINSTALLER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR\Plugins"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Plugins\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Plugins\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; $INSTDIR is the Plugins folder the uninstaller was written into.
  Delete "$INSTDIR\vis_velune.dll"
  Delete "$INSTDIR\vis_velune.txt"
  Delete "$INSTDIR\vis_velune.bmp"
  Delete "$INSTDIR\velune.exe"
  Delete "$INSTDIR\${UNINSTALLER}"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${NAME}.lnk"

  ; The settings are the user's: they go only when asked for.
  StrCpy $0 0
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/REMOVESETTINGS" $2
  ${IfNot} ${Errors}
    StrCpy $0 1
  ${ElseIfNot} ${Silent}
    MessageBox MB_YESNO|MB_ICONQUESTION "Also remove your ${NAME} settings (vis_velune.ini)?" /SD IDNO IDNO +2
    StrCpy $0 1
  ${EndIf}
  ${If} $0 == 1
    Delete "$INSTDIR\vis_velune.ini"
    SetShellVarContext current
    Delete "$APPDATA\Velune\vis_velune.ini"
    RMDir "$APPDATA\Velune"
  ${EndIf}

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
