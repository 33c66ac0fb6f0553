; The Clackmoor installer. Built by tools/installer/package:
;   makensis -DVERSION=1.0.0 -DX86_SCR=... -DX64_SCR=... -DART=... -DOUTFILE=... clackmoor.nsi
; ART is a folder of tools/installer/artwork: the saver's icon and pictures of its scene.
; One x86 installer for every Windows from 2000 on: it carries both builds and puts the one
; that matches the machine into the Windows folder, where the Screen Saver settings of 32-
; and 64-bit Windows alike look for savers.

!ifndef VERSION | X86_SCR | X64_SCR | ART | OUTFILE
  !error "define VERSION, X86_SCR, X64_SCR, ART and OUTFILE"
!endif

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include WinVer.nsh
!include FileFunc.nsh

!define PRODUCT "Clackmoor Screen Saver"
!define PUBLISHER "Orbweave"
!define SCR_NAME "clackmoor.scr"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Clackmoor"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SETTINGS_PARENT "Software\Orbweave"
!define SETTINGS_KEY "${SETTINGS_PARENT}\Zeride"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; Only the uninstaller lives here; the saver itself goes to $WINDIR.
InstallDir "$PROGRAMFILES\Clackmoor"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_ICON "${ART}/clackmoor.ico"
!define MUI_UNICON "${ART}/clackmoor.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${ART}/welcome.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_BITMAP "${ART}/header.bmp"
!define MUI_WELCOMEPAGE_TEXT "This puts Clackmoor into your Windows folder and makes it your screen saver.$\r$\n$\r$\nYou can choose another saver, or change Clackmoor's settings, in the Screen Saver settings afterwards."
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open the Screen Saver settings"
!define MUI_FINISHPAGE_RUN_FUNCTION openScreenSaverSettings
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Both sides must agree on the registry view: the entry belongs in the machine's native
; view, where a 64-bit Add/Remove Programs lists it first.
!macro useNativeView
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!macroend

Function .onInit
  ; Windows 2000 and XP start an installer without asking for elevation: a limited user
  ; could not write to the Windows folder, so say so before anything is touched.
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP "Installing a screen saver for everyone needs an administrator.$\r$\nWithout one, right-click clackmoor.scr in the zip's folder for your Windows and choose Install." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
  !insertmacro useNativeView
  ${If} ${RunningX64}
    StrCpy $INSTDIR "$PROGRAMFILES64\Clackmoor"
  ${EndIf}
FunctionEnd

Section "Clackmoor"
  SetOutPath "$WINDIR"
  ; NOTE: $WINDIR is not redirected for 32-bit programs on 64-bit Windows, only System32 is.
  ; On ARM64 the x86 build is the one every version can run.
  ${If} ${IsNativeAMD64}
    File "/oname=${SCR_NAME}" "${X64_SCR}"
  ${Else}
    File "/oname=${SCR_NAME}" "${X86_SCR}"
  ${EndIf}
  ; Windows keeps the current saver as a full path.
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$WINDIR\${SCR_NAME}"

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$WINDIR\${SCR_NAME},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$WINDIR" "/M=${SCR_NAME} /S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The finish page's check box; a silent install skips that page and opens nothing.
Function openScreenSaverSettings
  ${If} ${AtLeastWinVista}
    Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
  ${Else}
    Exec '"$SYSDIR\rundll32.exe" shell32.dll,Control_RunDLL desk.cpl,,1'
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro useNativeView
FunctionEnd

Section "Uninstall"
  ; Clear the current saver only when it is ours, in either the long or the 8.3 form the
  ; Display control panel of older Windows writes; another saver the user chose stays.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  GetFullPathName /SHORT $1 "$WINDIR\${SCR_NAME}"
  ${If} $0 == "$WINDIR\${SCR_NAME}"
  ${OrIf} $0 == $1
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}
  ; A running saver or preview holds the file; then it goes at the next restart.
  Delete /REBOOTOK "$WINDIR\${SCR_NAME}"

  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "${SETTINGS_PARENT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
