; Frostel's Windows setup program: the demo and its data for all users or for one, the screen saver where the
; Screen Saver settings list it, a Start-menu entry and an uninstaller. The Windows build's `setup` target runs
; makensis on it with VERSION, BUILD (the build folder: programs, README.txt, LICENSE.txt, the data list), ICON
; and OUTFILE defined.
Target amd64-unicode
ManifestDPIAware true
; Administrators are asked for their rights; anyone else runs it as themselves and installs for themselves.
RequestExecutionLevel highest
; One dictionary over everything: the data inside frostel.scr then costs next to nothing beside data\.
SetCompressor /SOLID lzma
SetCompressorDictSize 32

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include nsDialogs.nsh
!include "${BUILD}/frostel-data-files.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Frostel"
!define FROSTEL_KEY "Software\Frostel"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SPI_SETSCREENSAVEACTIVE 17
; SPIF_UPDATEINIFILE | SPIF_SENDCHANGE: kept in the registry, and every window is told.
!define SPIF_KEEP_AND_TELL 3
!define ERROR_ALREADY_EXISTS 183

Name "Frostel"
OutFile "${OUTFILE}"
BrandingText "Frostel ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Frostel"
VIAddVersionKey /LANG=1033 "CompanyName" "Frostel"
VIAddVersionKey /LANG=1033 "FileDescription" "Frostel setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${YEAR} The Frostel developers. MIT License"
VIAddVersionKey /LANG=1033 "OriginalFilename" "frostel-setup-${VERSION}.exe"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_LICENSEPAGE_TEXT_TOP "Frostel is free software under the MIT License."

Var AllUsers        ; 1: Program Files and the system folder; 0: the user's own folders
Var MakeCurrent     ; 1: make Frostel the current screen saver
Var Upgrade         ; 1: Frostel is installed already; it is upgraded where it is
Var OldVersion
Var FolderGiven     ; 1: /D= chose the folder
Var IsAdmin
Var Dialog
Var ForAll
Var ForMe
Var SaverBox

!insertmacro MUI_PAGE_LICENSE "${BUILD}/LICENSE.txt"
Page custom optionsPage optionsLeave
!define MUI_PAGE_CUSTOMFUNCTION_PRE skipOnUpgrade
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Only one setup or uninstall at a time: two would write the same files and keys.
!macro ONE_AT_A_TIME
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "FrostelSetup") p .r0 ?e'
  Pop $1
  ${If} $1 = ${ERROR_ALREADY_EXISTS}
    MessageBox MB_OK|MB_ICONEXCLAMATION "Frostel's setup program is already running. Finish it, then try again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
!macroend

!macro ADMIN_CHECK
  StrCpy $IsAdmin 0
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $IsAdmin 1
  ${EndIf}
!macroend

Function .onInit
  SetRegView 64
  !insertmacro ONE_AT_A_TIME
  !insertmacro ADMIN_CHECK
  ; /D= ends the command line. NSIS drops a folder it cannot use there and would take the default instead, and
  ; cuts /D= from $CMDLINE: the system's copy of the command line gives the folder asked for, so that the install
  ; refuses it plainly.
  StrCpy $FolderGiven 0
  System::Call 'kernel32::GetCommandLineW() w .r1'
  ClearErrors
  ${WordFind} $1 " /D=" "E+1}" $0
  ${IfNot} ${Errors}
  ${AndIf} $0 != ""
    StrCpy $INSTDIR $0
    StrCpy $FolderGiven 1
  ${EndIf}

  ; An installation found on the machine is upgraded in place, in its own mode.
  StrCpy $Upgrade 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $Upgrade 1
    StrCpy $AllUsers 1
    ReadRegStr $OldVersion HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${Else}
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
      StrCpy $Upgrade 1
      StrCpy $AllUsers 0
      ReadRegStr $OldVersion HKCU "${UNINSTALL_KEY}" "DisplayVersion"
    ${EndIf}
  ${EndIf}

  ${GetParameters} $R0
  ${If} $Upgrade = 1
    StrCpy $INSTDIR $0
    ${VersionCompare} $OldVersion "${VERSION}" $1
    ${If} $1 = 1
      MessageBox MB_OK|MB_ICONEXCLAMATION "Frostel $OldVersion, newer than this one, is installed. Uninstall it first to install Frostel ${VERSION}." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    ; Kept as the user chose it: current again only if it is current now.
    Call isFrostelCurrent
    Pop $MakeCurrent
  ${Else}
    StrCpy $AllUsers $IsAdmin
    ClearErrors
    ${GetOptions} $R0 "/CurrentUser" $1
    ${IfNot} ${Errors}
      StrCpy $AllUsers 0
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/AllUsers" $1
    ${IfNot} ${Errors}
      StrCpy $AllUsers 1
    ${EndIf}
    StrCpy $MakeCurrent 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/NoScreenSaver" $1
  ${IfNot} ${Errors}
    StrCpy $MakeCurrent 0
  ${EndIf}

  ${If} $AllUsers = 1
  ${AndIf} $IsAdmin = 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "Installing Frostel for all users needs administrator rights. Run the setup program as an administrator, or install for yourself only (/CurrentUser)." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  Call defaultFolder
FunctionEnd

; Program Files for all users, the user's own programs folder otherwise, unless /D= or an installation chose it.
Function defaultFolder
  ${If} $Upgrade = 1
  ${OrIf} $FolderGiven = 1
    Return
  ${EndIf}
  ${If} $AllUsers = 1
    StrCpy $INSTDIR "$PROGRAMFILES64\Frostel"
  ${Else}
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Frostel"
  ${EndIf}
FunctionEnd

Function optionsPage
  !insertmacro MUI_HEADER_TEXT "Choose options" "Who uses Frostel on this computer, and whether it is your screen saver."
  nsDialogs::Create 1018
  Pop $Dialog
  ${If} $Upgrade = 1
    ${NSD_CreateLabel} 0 0 100% 24u "Frostel $OldVersion is installed in $INSTDIR. It is upgraded there, and your settings are kept."
  ${Else}
    ${NSD_CreateLabel} 0 0 100% 12u "Install Frostel:"
  ${EndIf}
  Pop $0
  ${NSD_CreateRadioButton} 10u 28u -10u 12u "For all users of this computer (needs administrator rights)"
  Pop $ForAll
  ${NSD_CreateRadioButton} 10u 44u -10u 12u "Only for me"
  Pop $ForMe
  ${If} $AllUsers = 1
    ${NSD_Check} $ForAll
  ${Else}
    ${NSD_Check} $ForMe
  ${EndIf}
  ${If} $Upgrade = 1
    EnableWindow $ForAll 0
    EnableWindow $ForMe 0
  ${ElseIf} $IsAdmin = 0
    EnableWindow $ForAll 0
  ${EndIf}
  ${NSD_CreateCheckBox} 0 76u 100% 12u "Use Frostel as my screen saver"
  Pop $SaverBox
  ${If} $MakeCurrent = 1
    ${NSD_Check} $SaverBox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function optionsLeave
  ${NSD_GetState} $ForAll $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $AllUsers 1
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  ${NSD_GetState} $SaverBox $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $MakeCurrent 1
  ${Else}
    StrCpy $MakeCurrent 0
  ${EndIf}
  Call defaultFolder
FunctionEnd

Function skipOnUpgrade
  ${If} $Upgrade = 1
    Abort
  ${EndIf}
FunctionEnd

; Pushes the path the screen-saver setting holds for this mode's frostel.scr.
Function saverPath
  ${If} $AllUsers = 1
    Push "$SYSDIR\frostel.scr"
  ${Else}
    Push "$INSTDIR\frostel.scr"
  ${EndIf}
FunctionEnd

; Pushes 1 when the current user's screen saver is this installation's, else 0.
Function isFrostelCurrent
  ReadRegStr $2 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ReadRegStr $3 HKCU "${FROSTEL_KEY}" "ScreenSaverPath"
  Call saverPath
  Pop $4
  ${If} $2 != ""
  ${AndIf} $2 == $3
  ${OrIf} $2 == $4
    Push 1
  ${Else}
    Push 0
  ${EndIf}
FunctionEnd

Function makeCurrent
  Call saverPath
  Pop $0
  ${If} $AllUsers = 0
    ; Windows starts savers from this value without quotes: a short path keeps spaces out where it can.
    GetFullPathName /SHORT $1 $0
    ${If} $1 != ""
      StrCpy $0 $1
    ${EndIf}
  ${EndIf}
  ; What was there before, once, so that the uninstaller can put the switch back as it found it.
  ReadRegStr $1 HKCU "${FROSTEL_KEY}" "ScreenSaveActiveBefore"
  ${If} $1 == ""
    ClearErrors
    ReadRegStr $1 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${If} ${Errors}
      StrCpy $1 "none"
    ${EndIf}
    WriteRegStr HKCU "${FROSTEL_KEY}" "ScreenSaveActiveBefore" $1
  ${EndIf}
  WriteRegStr HKCU "${FROSTEL_KEY}" "ScreenSaverPath" $0
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $0
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_KEEP_AND_TELL})'
  DetailPrint "Frostel is your screen saver."
FunctionEnd

; Removes the folders this setup made on the way to $INSTDIR, from the deepest up to $R6, which was there before.
Function removeMadeFolders
  StrCpy $0 $INSTDIR
  ${Do}
    ${If} $0 == $R6
    ${OrIf} $0 == ""
      ${Break}
    ${EndIf}
    RMDir $0
    ${GetParent} $0 $0
  ${Loop}
FunctionEnd

Section "Frostel"
  SetRegView 64
  ${If} $AllUsers = 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}

  ; A folder that cannot be written is refused before anything is installed or registered.
  StrCpy $R6 $INSTDIR
  ${DoUntil} ${FileExists} "$R6\*.*"
    ${GetParent} $R6 $R6
  ${LoopUntil} $R6 == ""
  ClearErrors
  CreateDirectory $INSTDIR
  FileOpen $R7 "$INSTDIR\frostel-setup.probe" w
  ${If} ${Errors}
    Call removeMadeFolders
    MessageBox MB_OK|MB_ICONSTOP "Frostel cannot be installed in $INSTDIR: that folder cannot be written. Choose another folder, or install for yourself only." /SD IDOK
    SetErrorLevel 2
    Abort "The folder cannot be written; nothing was installed."
  ${EndIf}
  FileClose $R7
  Delete "$INSTDIR\frostel-setup.probe"

  SetOverwrite on
  SetOutPath $INSTDIR
  File "${BUILD}/frostel.exe"
  File "${BUILD}/README.txt"
  File "${BUILD}/LICENSE.txt"
  SetOutPath "$INSTDIR\data"
  !insertmacro FROSTEL_DATA_FILES
  ${If} $AllUsers = 1
    ; The system folder: where the Screen Saver settings list savers, whichever is chosen later.
    SetOutPath $SYSDIR
  ${Else}
    SetOutPath $INSTDIR
  ${EndIf}
  File "${BUILD}/frostel.scr"
  ; The demo finds data\ in its working directory: the shortcut starts it in its own folder.
  SetOutPath $INSTDIR
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Frostel.lnk" "$INSTDIR\frostel.exe" "" "$INSTDIR\frostel.exe" 0 SW_SHOWNORMAL "" \
    "A small real-time winter scene"

  ; The saver looks here for data\ when it has none beside it.
  WriteRegStr SHCTX "${FROSTEL_KEY}" "InstallDir" $INSTDIR
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Frostel"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\frostel.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "The Frostel developers"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" $INSTDIR
  ; _?= runs the uninstaller where it is, so that a script waits for it to end and no copy of it is left in the
  ; temporary folder until a restart.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" _?=$INSTDIR'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} $INSTDIR "/S=0K" $0 $1 $2
  ${If} $AllUsers = 1
    ${GetSize} $SYSDIR "/M=frostel.scr /S=0K /G=0" $1 $2 $3
    IntOp $0 $0 + $1
  ${EndIf}
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $MakeCurrent = 1
    Call makeCurrent
  ${EndIf}
SectionEnd

Function un.onInit
  SetRegView 64
  !insertmacro ONE_AT_A_TIME
  !insertmacro ADMIN_CHECK
  ; The machine's installation is the one registered with this folder; any other is the user's own.
  StrCpy $AllUsers 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $AllUsers 1
    ${If} $IsAdmin = 0
      MessageBox MB_OK|MB_ICONEXCLAMATION "Frostel is installed for all users: removing it needs administrator rights." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Function un.saverPath
  ${If} $AllUsers = 1
    Push "$SYSDIR\frostel.scr"
  ${Else}
    Push "$INSTDIR\frostel.scr"
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetRegView 64
  ${If} $AllUsers = 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}

  ; Named one by one: files of the user's own in these folders stay, and so do the folders then.
  ; A file already deleted by hand is simply not there to delete.
  Delete "$INSTDIR\frostel.exe"
  Delete "$INSTDIR\frostel.scr"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  !insertmacro FROSTEL_DELETE_DATA_FILES
  RMDir "$INSTDIR\data"
  Delete "$INSTDIR\uninstall.exe"
  RMDir $INSTDIR
  ${If} $AllUsers = 1
    Delete "$SYSDIR\frostel.scr"
  ${EndIf}
  Delete "$SMPROGRAMS\Frostel.lnk"

  ; A screen-saver setting left on a missing file would fall back silently: it is cleared, and the switch is put
  ; back as the setup program found it.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ReadRegStr $1 HKCU "${FROSTEL_KEY}" "ScreenSaverPath"
  Call un.saverPath
  Pop $2
  ${If} $0 != ""
  ${AndIf} $0 == $1
  ${OrIf} $0 == $2
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ReadRegStr $3 HKCU "${FROSTEL_KEY}" "ScreenSaveActiveBefore"
    ${If} $3 == "none"
      DeleteRegValue HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${ElseIf} $3 != ""
      WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" $3
    ${EndIf}
    ; Tell every window, without writing the setting again.
    System::Call 'user32::SendMessageTimeoutW(p 0xffff, i 0x1a, p 0, w "${DESKTOP_KEY}", i 2, i 5000, *p .r4)'
    DetailPrint "The screen-saver setting no longer names Frostel."
  ${EndIf}

  ; What the saver unpacked and kept for this user. The user's "Play the music" choice is the saver's, not this
  ; program's: it stays, as other programs' settings do.
  SetShellVarContext current
  RMDir /r "$LOCALAPPDATA\Frostel"
  DeleteRegValue HKCU "${FROSTEL_KEY}" "ScreenSaverPath"
  DeleteRegValue HKCU "${FROSTEL_KEY}" "ScreenSaveActiveBefore"
  ${If} $AllUsers = 1
    SetShellVarContext all
    DeleteRegKey HKLM "${FROSTEL_KEY}"
  ${Else}
    DeleteRegValue HKCU "${FROSTEL_KEY}" "InstallDir"
  ${EndIf}
  DeleteRegKey /ifempty HKCU "${FROSTEL_KEY}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${If} $AllUsers = 0
    ; Made for this installation when it was the user's first: gone again when nothing else is in it.
    DeleteRegKey /ifempty HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall"
  ${EndIf}
SectionEnd

; Run in place (_?=), the uninstaller cannot delete itself: a hidden cmd does it once this process has ended, then
; removes the folder if nothing of the user's is left in it.
Function un.onUninstSuccess
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    ; The user's programs folder goes too when this installation made it and nothing else is in it.
    StrCpy $0 ""
    ${GetParent} $INSTDIR $1
    SetShellVarContext current
    ${If} $AllUsers = 0
    ${AndIf} $1 == "$LOCALAPPDATA\Programs"
      StrCpy $0 ' & rmdir "$1" 2>nul'
    ${EndIf}
    SetOutPath $TEMP
    ExecShell "open" "$SYSDIR\cmd.exe" '/c for /l %i in (1,1,30) do (ping -n 2 127.0.0.1 >nul & del /f /q "$INSTDIR\uninstall.exe" 2>nul & if not exist "$INSTDIR\uninstall.exe" (rmdir "$INSTDIR" 2>nul$0 & exit))' SW_HIDE
  ${EndIf}
FunctionEnd
