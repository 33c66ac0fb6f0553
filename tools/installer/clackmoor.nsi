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
; The new saver's name until it replaces the old one; an old one moved out of the way is
; OLD_NAME-N.tmp, a name no Screen Saver settings list.
!define NEW_NAME "clackmoor-new.tmp"
!define OLD_NAME "clackmoor-old"
; The saver chosen before this one, kept in the uninstall entry and put back on removal.
!define PREVIOUS_VALUE "PreviousSaver"
!define SESSION_MANAGER "SYSTEM\CurrentControlSet\Control\Session Manager"
!define HELD_TEXT "Clackmoor's saver, $WINDIR\${SCR_NAME}, is in use by another program: the Screen Saver settings (their preview runs it) or the saver itself, running now.$\r$\n$\r$\nClose the Screen Saver settings, end the saver if it runs (move the mouse) and click Retry."

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
Var saverFile ; the uninstall page's
Var movedFile ; a saver in use, moved aside for the uninstaller to delete at the next restart
; The uninstall page names the saver's own file: it lives in the Windows folder, not beside
; the uninstaller.
!define MUI_UNCONFIRMPAGE_TEXT_TOP "This removes the Clackmoor screen saver from the Windows folder, with its settings and its entry in Apps; the screen saver you had before comes back. $_CLICK"
!define MUI_UNCONFIRMPAGE_TEXT_LOCATION "The saver's file:"
!define MUI_UNCONFIRMPAGE_VARIABLE $saverFile
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

; Both sides' functions: IN is "" in the installer and "un." in the uninstaller.
!macro sharedFunctions IN
; Sets $0 to 1 when the path in $0 is our saver, in either the long or the 8.3 form the Display
; control panel of older Windows writes, else to 0.
Function ${IN}isOurSaver
  GetFullPathName /SHORT $1 "$WINDIR\${SCR_NAME}"
  ${If} $0 == "$WINDIR\${SCR_NAME}"
  ${OrIf} $0 == $1
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
FunctionEnd

; Clears the saver's path. A file in use cannot be deleted, but Windows lets a running
; program's file be renamed: it moves to a name of its own, which alone is deleted at the next
; restart, so no deletion of the saver's path is left to take a later install away. Sets $0 to
; the moved file left for the restart ("" if none), and the error flag when the path could not
; be cleared.
Function ${IN}clearSaverPath
  StrCpy $0 ""
  ClearErrors
  Delete "$WINDIR\${SCR_NAME}"
  ${IfNot} ${FileExists} "$WINDIR\${SCR_NAME}"
    ClearErrors
    Return
  ${EndIf}
  StrCpy $1 1
  ${DoWhile} ${FileExists} "$WINDIR\${OLD_NAME}-$1.tmp"
    IntOp $1 $1 + 1
  ${Loop}
  ClearErrors
  Rename "$WINDIR\${SCR_NAME}" "$WINDIR\${OLD_NAME}-$1.tmp"
  ${If} ${Errors}
    SetErrors ; the test above cleared it
    Return
  ${EndIf}
  StrCpy $0 "$WINDIR\${OLD_NAME}-$1.tmp"
  Delete /REBOOTOK $0
  ${IfNot} ${FileExists} $0
    StrCpy $0 ""
  ${EndIf}
  ClearErrors
FunctionEnd
!macroend
!insertmacro sharedFunctions ""
!insertmacro sharedFunctions "un."

; Takes out of the operations Windows runs at the next restart a deletion of the saver's path
; (an earlier uninstaller queued one while the file was in use); it would take away the saver
; just installed. The list is REG_MULTI_SZ pairs: a source, then a target ("" for deletion).
Function cancelPendingDelete
  System::Call 'advapi32::RegOpenKeyExW(p 0x80000002, w "${SESSION_MANAGER}", i 0, i 0x3, *p .r1) i .r0'
  ${If} $0 != 0
    Return
  ${EndIf}
  System::Call 'advapi32::RegQueryValueExW(p r1, w "PendingFileRenameOperations", p 0, *i .r2, p 0, *i 0 r3) i .r0'
  ${If} $0 != 0
  ${OrIf} $2 != 7 ; REG_MULTI_SZ
  ${OrIf} $3 < 4
    System::Call 'advapi32::RegCloseKey(p r1)'
    Return
  ${EndIf}
  ; Zeroed, with two NULs more for a list stored without its end.
  IntOp $4 $3 + 4
  System::Alloc $4
  System::Alloc $4
  Pop $5
  Pop $4
  System::Call 'advapi32::RegQueryValueExW(p r1, w "PendingFileRenameOperations", p 0, p 0, p r4, *i r3 r3) i .r0'
  GetFullPathName /SHORT $9 "$WINDIR\${SCR_NAME}"
  StrCpy $6 $4 ; the pair read
  StrCpy $7 $5 ; where the kept pairs go
  StrCpy $8 0  ; pairs dropped
  ${Do}
    System::Call 'kernel32::lstrlenW(p r6) i .r2'
    ${If} $2 = 0
      ${Break}
    ${EndIf}
    System::Call 'kernel32::lstrcpynW(w .r0, p r6, i ${NSIS_MAX_STRLEN})'
    IntOp $3 $2 + 1
    IntOp $3 $3 * 2
    IntOp $3 $6 + $3
    System::Call 'kernel32::lstrlenW(p r3) i .r3'
    IntOp $2 $2 + $3
    IntOp $2 $2 + 2
    IntOp $2 $2 * 2 ; the pair's bytes
    StrCpy $R0 0 ; 1: the pair deletes the saver's path
    ${If} $3 = 0
      ${If} $0 == "\??\$WINDIR\${SCR_NAME}"
      ${OrIf} $0 == "\??\$9"
        StrCpy $R0 1
      ${EndIf}
    ${EndIf}
    ${If} $R0 = 1
      IntOp $8 $8 + 1
    ${Else}
      System::Call 'kernel32::RtlMoveMemory(p r7, p r6, i r2)'
      IntOp $7 $7 + $2
    ${EndIf}
    IntOp $6 $6 + $2
  ${Loop}
  ${If} $8 > 0
    IntOp $2 $7 - $5
    ${If} $2 = 0
      System::Call 'advapi32::RegDeleteValueW(p r1, w "PendingFileRenameOperations")'
    ${Else}
      IntOp $2 $2 + 2 ; the list's closing NUL, already zero
      System::Call 'advapi32::RegSetValueExW(p r1, w "PendingFileRenameOperations", i 0, i 7, p r5, i r2)'
    ${EndIf}
    DetailPrint "Cancelled the deletion of $WINDIR\${SCR_NAME} left for the next restart"
  ${EndIf}
  System::Free $4
  System::Free $5
  System::Call 'advapi32::RegCloseKey(p r1)'
FunctionEnd

Section "Clackmoor"
  SetOutPath "$WINDIR"
  ; The new saver under a name of its own first: a failure from here on leaves the old one.
  ; NOTE: $WINDIR is not redirected for 32-bit programs on 64-bit Windows, only System32 is.
  ; On ARM64 the x86 build is the one every version can run.
  SetOverwrite try
  ClearErrors
  ${If} ${IsNativeAMD64}
    File "/oname=${NEW_NAME}" "${X64_SCR}"
  ${Else}
    File "/oname=${NEW_NAME}" "${X86_SCR}"
  ${EndIf}
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "Clackmoor could not write to the Windows folder, $WINDIR.$\r$\nNothing was changed." /SD IDOK
    SetErrorLevel 5 ; ERROR_ACCESS_DENIED
    Abort "Could not write $WINDIR\${NEW_NAME}"
  ${EndIf}
  clearPath:
  Call clearSaverPath
  ${If} ${Errors}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${HELD_TEXT}$\r$\n$\r$\nCancel leaves the saver you have as it is." /SD IDCANCEL IDRETRY clearPath
    Delete "$WINDIR\${NEW_NAME}"
    SetErrorLevel 32 ; ERROR_SHARING_VIOLATION
    Abort "$WINDIR\${SCR_NAME} is in use: nothing was changed"
  ${EndIf}
  ${If} $0 != ""
    DetailPrint "The earlier saver is in use: its file moved to $0, which goes at the next restart"
    SetRebootFlag false ; the new saver is in place already
  ${EndIf}
  Rename "$WINDIR\${NEW_NAME}" "$WINDIR\${SCR_NAME}"
  Call cancelPendingDelete

  ; Windows keeps the current saver as a full path. The one chosen before goes into the
  ; uninstall entry; a reinstall keeps the entry's.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  StrCpy $2 $0
  Call isOurSaver
  ${If} $0 = 0
    WriteRegStr HKLM "${UNINSTALL_KEY}" "${PREVIOUS_VALUE}" $2
  ${EndIf}
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
  StrCpy $saverFile "$WINDIR\${SCR_NAME}"
FunctionEnd

Section "Uninstall"
  ; The file first: when it cannot go, everything stays as it was.
  clearPath:
  Call un.clearSaverPath
  ${If} ${Errors}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${HELD_TEXT}$\r$\n$\r$\nCancel leaves Clackmoor installed." /SD IDCANCEL IDRETRY clearPath
    SetErrorLevel 32 ; ERROR_SHARING_VIOLATION
    Abort "$WINDIR\${SCR_NAME} is in use: nothing was removed"
  ${EndIf}
  StrCpy $movedFile $0

  ; The current saver, when it is ours, goes back to the one chosen before, if that is still
  ; there; another saver the user chose since stays.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  Call un.isOurSaver
  ReadRegStr $2 HKLM "${UNINSTALL_KEY}" "${PREVIOUS_VALUE}"
  ${If} $0 = 1
    ; NOTE: a 64-bit saver in System32 is seen only without the 32-bit file system redirection.
    ${DisableX64FSRedirection}
    ${If} $2 != ""
    ${AndIf} ${FileExists} $2
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $2
    ${Else}
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
    ${EnableX64FSRedirection}
  ${EndIf}

  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "${SETTINGS_PARENT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  ${If} $movedFile != ""
    MessageBox MB_ICONINFORMATION "Clackmoor is removed. Its saver is still running, so its file stays in the Windows folder as $movedFile until Windows restarts." /SD IDOK
    SetErrorLevel 3010 ; ERROR_SUCCESS_REBOOT_REQUIRED
  ${EndIf}
SectionEnd
