; Velmara's per-user Windows installer. Puts the programs into
; %LOCALAPPDATA%\Programs\Velmara and the demo organ into the organ folder
; %LOCALAPPDATA%\Velmara (Orgue is the working directory, BRIMWELL holds the
; organs), adds the Start-menu shortcut, the "Open with" choice for recorded
; organs and the PATH entry, and registers the uninstaller. No administrator
; rights are needed. scripts/package-windows stages the files and defines
; VERSION, STAGE, OUTFILE and SIZE_KB.

Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include WinMessages.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmara"
!define IMPORT_PROGID "Velmara.ImportOrgan"
!define ORGAN_FOLDER "$LOCALAPPDATA\Velmara"
!define BRIMWELL "${ORGAN_FOLDER}\BRIMWELL"
; Which demo files this installer wrote, with their modification times: a file
; whose time has changed since is the user's and is left alone.
!define DEMO_RECORD "$INSTDIR\demo-organ.ini"

Name "Velmara ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Velmara"
BrandingText "Velmara ${VERSION}"

!define MUI_ICON "${STAGE}/velmara.ico"
!define MUI_UNICON "${STAGE}/velmara.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\velmara.exe"
!define MUI_FINISHPAGE_RUN_FUNCTION StartVelmara
!define MUI_LICENSEPAGE_TEXT_TOP "Velmara is free software under the GNU General Public License, version 3 or later."
!insertmacro MUI_PAGE_LICENSE "${STAGE}/program/LICENSE.txt"
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "Velmara was removed.$\r$\n$\r$\nYour organ folder, ${ORGAN_FOLDER}, was kept with your own stops."
!insertmacro MUI_UNPAGE_FINISH
!insertmacro MUI_LANGUAGE English

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} ProductName "Velmara"
VIAddVersionKey /LANG=${LANG_ENGLISH} FileDescription "Velmara ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} FileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} LegalCopyright "GNU General Public License, version 3 or later"

!addincludedir "${__FILEDIR__}"
!include "path_entry.nsh"
!include "demo_organ.nsh"

Function StartVelmara
  SetOutPath "${ORGAN_FOLDER}\Orgue"
  Exec '"$INSTDIR\velmara.exe"'
FunctionEnd

Section "Velmara"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/program/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "${ORGAN_FOLDER}\Orgue"
  Call InstallDemoOrgan

  ; The shortcut's working directory is the output folder at its making.
  SetOutPath "${ORGAN_FOLDER}\Orgue"
  CreateShortcut "$SMPROGRAMS\Velmara.lnk" "$INSTDIR\velmara.exe" "" "$INSTDIR\velmara.exe" 0
  SetOutPath "$INSTDIR"

!if /FileExists "${STAGE}/program/velmara-import.exe"
  ; An "Open with" choice, never the default handler: the console stays open
  ; on the importer's summary until a key is pressed.
  WriteRegStr HKCU "Software\Classes\${IMPORT_PROGID}" "" "Organ to import into Velmara"
  WriteRegStr HKCU "Software\Classes\${IMPORT_PROGID}\DefaultIcon" "" "$INSTDIR\velmara.exe,0"
  WriteRegStr HKCU "Software\Classes\${IMPORT_PROGID}\Application" "ApplicationName" "Velmara import"
  WriteRegStr HKCU "Software\Classes\${IMPORT_PROGID}\shell\open" "" "Import into Velmara"
  WriteRegStr HKCU "Software\Classes\${IMPORT_PROGID}\shell\open" "FriendlyAppName" "Velmara import"
  WriteRegStr HKCU "Software\Classes\${IMPORT_PROGID}\shell\open\command" "" \
    '"$SYSDIR\cmd.exe" /c ""$INSTDIR\velmara-import.exe" --into "${BRIMWELL}" "%1" & pause"'
  WriteRegStr HKCU "Software\Classes\.orgue\OpenWithProgids" "${IMPORT_PROGID}" ""
  WriteRegStr HKCU "Software\Classes\.organ\OpenWithProgids" "${IMPORT_PROGID}" ""
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!endif

  Push "$INSTDIR"
  Call AddPathEntry

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Velmara"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Velmara developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\velmara.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Velmara.lnk"

  DeleteRegKey HKCU "Software\Classes\${IMPORT_PROGID}"
  DeleteRegValue HKCU "Software\Classes\.orgue\OpenWithProgids" "${IMPORT_PROGID}"
  DeleteRegValue HKCU "Software\Classes\.organ\OpenWithProgids" "${IMPORT_PROGID}"
  DeleteRegKey /ifempty HKCU "Software\Classes\.orgue\OpenWithProgids"
  DeleteRegKey /ifempty HKCU "Software\Classes\.organ\OpenWithProgids"
  DeleteRegKey /ifempty HKCU "Software\Classes\.orgue"
  DeleteRegKey /ifempty HKCU "Software\Classes\.organ"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  Push "$INSTDIR"
  Call un.RemovePathEntry

  Call un.RemoveDemoOrgan
  !include "${STAGE}/program_files.nsh"
  Delete "${DEMO_RECORD}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DetailPrint "Your organ folder, ${ORGAN_FOLDER}, was kept with your own stops."
SectionEnd
