; The Windows installer of TACKWISP: a per-user installation without administrator rights.
;
; Made by the target windows_packages (packaging/windows/package.cmake), which installs the program
; folder into a staging folder and writes the file PACKAGE_NSH (named on the command line) with:
;   VERSION       1.71.8            VERSION4   1.71.8.0
;   FILES_NSH     the generated list that installs each file (SetOutPath, File)
;   UNFILES_NSH   the generated list that removes each of them again, and their subfolders
;   SIZE_KB       the program folder's size in KiB, for the installed-programs list
;   COPYRIGHT     the copyright line of the file properties
;   ICON          packaging/icons/tackwisp.ico
;   OUTFILE       the installer to write
;
; The uninstaller removes exactly the files the installer put there, by name; what the program wrote
; beside itself (the workstation file REG.CFG: this computer's shared folder and member number) stays,
; and so does the folder when it is not empty then. The member's notes and settings are in the
; shared folder and in the user's %APPDATA%\tackwisp and %LOCALAPPDATA%\tackwisp; none of them is
; touched.
;
; Silent: setup.exe /S [/D=folder]  and  uninstall.exe /S.

!include "${PACKAGE_NSH}"

; A 64-bit installer for the 64-bit program.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
ManifestSupportedOS all
RequestExecutionLevel user

!include MUI2.nsh
!include LogicLib.nsh

!define PRODUCT "タックウィスプ"
!define PUBLISHER "TACKWISP developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TACKWISP"
; The start at login is the program's own switch (its 環境設定); it writes this value.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "TACKWISP"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\TACKWISP"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\tackwisp.exe"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileDescription" "${PRODUCT} セットアップ"
VIAddVersionKey /LANG=${LANG_JAPANESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "LegalCopyright" "${COPYRIGHT}"

; A running program keeps its files open: neither a new copy nor the removal can replace them. The
; program is asked to be ended first; a silent run gives up (exit code 2) without changing anything.
!macro WAIT_UNTIL_PROGRAM_ENDED
  ${DoWhile} ${FileExists} "$INSTDIR\tackwisp.exe"
    ClearErrors
    FileOpen $0 "$INSTDIR\tackwisp.exe" a
    ${IfNot} ${Errors}
      FileClose $0
      ${Break}
    ${EndIf}
    ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT}が実行中です。終了してから［再試行］を押してください。" /SD IDCANCEL IDCANCEL`
      Abort
    ${EndIf}
  ${Loop}
!macroend

Section "Install"
  SetShellVarContext current
  !insertmacro WAIT_UNTIL_PROGRAM_ENDED
  !include "${FILES_NSH}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut's working folder is the program's (the SetOutPath above).
  CreateShortCut "${SHORTCUT}" "$INSTDIR\tackwisp.exe" "" "$INSTDIR\tackwisp.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tackwisp.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  !insertmacro WAIT_UNTIL_PROGRAM_ENDED

  ; The start at login goes when it starts this program (compared in the short form of both paths,
  ; which any spelling of the same file shares); another copy's entry stays.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 != ""
    StrCpy $1 $0 1
    ${If} $1 == '"'
      StrCpy $0 $0 "" 1
      StrCpy $0 $0 -1
    ${EndIf}
    GetFullPathName /SHORT $1 "$0"
    GetFullPathName /SHORT $2 "$INSTDIR\tackwisp.exe"
    ${If} $0 == "$INSTDIR\tackwisp.exe"
      DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${ElseIf} $2 != ""
    ${AndIf} $1 == $2
      DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${EndIf}
  ${EndIf}

  !include "${UNFILES_NSH}"
  Delete "$INSTDIR\uninstall.exe"
  ; Only an empty folder goes: a REG.CFG the program wrote keeps it.
  RMDir "$INSTDIR"

  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
