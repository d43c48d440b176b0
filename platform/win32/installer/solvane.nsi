; The Windows installer: puts solvane.scr into the 64-bit system folder, where the Screen Saver
; settings list it, registers the uninstaller with Add/Remove Programs, and can make Solvane the
; current screensaver.
;
; The build passes (makensis -D...): VERSION (x.y.z), VERSION_QUAD (x.y.z.0), SCR (the built
; solvane.scr), ICON (solvane.ico), LICENSE and NOTICES (THIRD-PARTY-NOTICES.txt, with Windows
; line ends) and OUTFILE.
;
; Command line of solvane-setup.exe:
;   /S              silent; does not change the current screensaver unless /ACTIVATE is given
;   /ACTIVATE       with /S: make Solvane the current screensaver
;   /D=DIR          where the uninstaller goes (default: Program Files\Solvane); must be last
; Command line of uninstall.exe:
;   /S              silent; keeps the saved settings unless /REMOVESETTINGS is given
;   /REMOVESETTINGS with /S: remove the saved settings too

!macro Require name
  !ifndef ${name}
    !error "${name} is not defined: build the installer through scripts/build-windows.sh"
  !endif
!macroend
!insertmacro Require VERSION
!insertmacro Require VERSION_QUAD
!insertmacro Require SCR
!insertmacro Require ICON
!insertmacro Require LICENSE
!insertmacro Require NOTICES
!insertmacro Require OUTFILE

; The file is named solvane-setup.exe on purpose. The name makes Windows treat it as an
; installer, and the manifest below (RequestExecutionLevel admin) already asks for what that
; treatment would give.
!pragma warning disable 9000

; A 64-bit installer by default: the screensaver only runs on 64-bit Windows, and Wine runs
; a 64-bit installer without its 32-bit half. -DTARGET=x86-unicode builds a 32-bit one, which
; the file-system and registry redirection below keep correct.
!ifndef TARGET
  !define TARGET amd64-unicode
!endif
Target ${TARGET}
SetCompressor /SOLID lzma
; No file's build time goes into the installer (each would be kept for its installed copy): the
; same sources give the same installer whenever they are built.
SetDateSave off
; System-wide DPI awareness (the installer's pages do not follow a move between monitors), and
; every Windows version in its manifest, so that it is drawn sharp and run without emulation.
ManifestDPIAware true
ManifestSupportedOS all
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "Solvane"
!define PUBLISHER "Kestrava"
!define SCR_NAME "solvane.scr"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Solvane"
!define SETTINGS_PARENT "Software\Kestrava"
!define SETTINGS_KEY "${SETTINGS_PARENT}\Solvane Screensaver"
!define DESKTOP_KEY "Control Panel\Desktop"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} screensaver setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright 2026 ${PUBLISHER} and the Solvane developers (MIT licence)"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; In a 32-bit installer, without these $SYSDIR would be redirected to SysWOW64 and
; the registry writes would land under WOW6432Node, where neither the 64-bit Screen Saver
; settings nor Add/Remove Programs look for them.
!macro UseNativeViews
  ${DisableX64FSRedirection}
  SetRegView 64
!macroend

; Where an earlier install put its uninstaller.
Var previousLocation

Section "${PRODUCT} screensaver" SecMain
  SectionIn RO
  SetOutPath "$SYSDIR"
  ; A running screensaver, or the preview in the Screen Saver settings, keeps the file open: the
  ; new one then replaces it at the next restart, and a silent install exits with 3010.
  SetOverwrite try
  ClearErrors
  File "${SCR}"
  ${If} ${Errors}
    ClearErrors
    File "/oname=${SCR_NAME}.new" "${SCR}"
    ${If} ${Errors}
      MessageBox MB_OK|MB_ICONSTOP "Could not write $SYSDIR\${SCR_NAME}." /SD IDOK
      Abort
    ${EndIf}
    Rename /REBOOTOK "$SYSDIR\${SCR_NAME}.new" "$SYSDIR\${SCR_NAME}"
  ${EndIf}
  SetOverwrite on

  ; An upgrade into another folder leaves nothing behind in the old one.
  ${If} $previousLocation != ""
  ${AndIf} $previousLocation != $INSTDIR
    Delete "$previousLocation\uninstall.exe"
    Delete "$previousLocation\LICENSE"
    Delete "$previousLocation\THIRD-PARTY-NOTICES.txt"
    RMDir "$previousLocation"
  ${EndIf}

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The licence of the screensaver and of the libraries built into it.
  File "${LICENSE}"
  File "${NOTICES}"

  ${GetSize} "$INSTDIR" "/M=uninstall.exe /S=0K /G=0" $0 $1 $2
  ${GetSize} "$SYSDIR" "/M=${SCR_NAME} /S=0K /G=0" $1 $2 $3
  IntOp $0 $0 + $1

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} Screensaver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\${SCR_NAME},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Make ${PRODUCT} the current screensaver" SecActivate
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\${SCR_NAME}"
SectionEnd

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} needs a 64-bit version of Windows." /SD IDOK
    SetErrorLevel 1
    Abort
  ${EndIf}
  !insertmacro UseNativeViews
  ReadRegStr $previousLocation HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ; The interactive installer offers the checkbox ticked; a silent one changes the user's
  ; screensaver only when asked to.
  ${If} ${Silent}
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/ACTIVATE" $R1
    ${If} ${Errors}
      SectionSetFlags ${SecActivate} 0
    ${EndIf}
  ${EndIf}
FunctionEnd

; ERROR_SUCCESS_REBOOT_REQUIRED, the code deployment tools expect when a file waits for a
; restart.
Function .onInstSuccess
  ${If} ${RebootFlag}
    SetErrorLevel 3010
  ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------------------------

; True when the current screensaver is the installed solvane.scr, in whatever spelling the value
; uses (case, environment variables, short names); any other screensaver is left alone.
Function un.IsOurScreensaver
  Exch $0
  Push $1
  Push $2
  ExpandEnvStrings $0 $0
  StrCpy $1 "$SYSDIR\${SCR_NAME}"
  ${If} $0 == $1
    StrCpy $0 1
  ${ElseIf} ${FileExists} $0
  ${AndIf} ${FileExists} $1
    GetFullPathName /SHORT $0 $0
    GetFullPathName /SHORT $2 $1
    ${If} $0 == $2
      StrCpy $0 1
    ${Else}
      StrCpy $0 0
    ${EndIf}
  ${Else}
    StrCpy $0 0
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

Section "un.${PRODUCT} screensaver" SecUnMain
  SectionIn RO
  ClearErrors
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${IfNot} ${Errors}
    Push $0
    Call un.IsOurScreensaver
    Pop $1
    ${If} $1 == 1
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
  ${EndIf}

  ; A running screensaver keeps its file open; it then goes at the next restart. A new copy
  ; that an install left waiting for a restart goes too, so that the restart brings nothing back.
  Delete /REBOOTOK "$SYSDIR\${SCR_NAME}"
  Delete /REBOOTOK "$SYSDIR\${SCR_NAME}.new"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$INSTDIR\LICENSE"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Remove saved settings" SecRemoveSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "${SETTINGS_PARENT}"
SectionEnd

Function un.onInit
  ${IfNot} ${RunningX64}
    SetErrorLevel 1
    Abort
  ${EndIf}
  !insertmacro UseNativeViews
  ; Without the uninstall entry there is nothing this uninstaller put there: a stray copy of it
  ; must not delete a screensaver that was copied into the system folder by hand.
  ClearErrors
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "UninstallString"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is not installed." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  ${If} ${Silent}
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/REMOVESETTINGS" $R1
    ${IfNot} ${Errors}
      SectionSetFlags ${SecRemoveSettings} ${SF_SELECTED}
    ${EndIf}
  ${EndIf}
FunctionEnd

Function un.onUninstSuccess
  ${If} ${RebootFlag}
    SetErrorLevel 3010
  ${EndIf}
FunctionEnd
