; Set-up of Reelkeep: a 64-bit installer built on Linux by makensis.
; makensis -DPROGRAM_FOLDER=<folder with ffmpeg.exe, player.swf and Help.chm>
;          -DSETUP_PROGRAM=<the Reelkeep.exe to install> -DICON=<program icon> -DOUTFILE=<setup.exe>
Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
; One lzma stream over every file: ffmpeg.exe is most of the set-up and compresses far
; better with a dictionary that spans it than a zip does file by file. 64 MB covers the
; whole of ffmpeg.exe; the set-up needs that much memory while it expands.
SetCompressor /SOLID lzma
SetCompressorDictSize 64

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "Reelkeep"
!define VERSION "1.21"
!define PUBLISHER "Reelkeep"
!define WEBSITE "https://www.reelkeep.com/"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Reelkeep"
!define SETTINGS_KEY "SOFTWARE\Reelkeep"
; The running program quits at once, without its own question, when it gets this message.
!define QUIT_MESSAGE "Reelkeep.QuitForSetup"
!define CLIP_LIST_ID 1009

!macro REQUIRE_DEFINE name
  !ifndef ${name}
    !error "${name} is not defined"
  !endif
!macroend
!insertmacro REQUIRE_DEFINE PROGRAM_FOLDER
!insertmacro REQUIRE_DEFINE SETUP_PROGRAM
!insertmacro REQUIRE_DEFINE ICON
!ifndef OUTFILE
  !define OUTFILE "Reelkeep-${VERSION}-setup.exe"
!endif
; A signed release signs its uninstaller as well (installer/sign.sh, in place).
!ifdef SIGN_SCRIPT
  !uninstfinalize '"${SIGN_SCRIPT}" "--certificate=${SIGN_CERT}" "--key=${SIGN_KEY}" "--timestamp=${SIGN_TIMESTAMP}" "%1"'
!endif

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Reelkeep.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Reelkeep"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Closes a running Reelkeep through its own Quit: finds its main window (a dialog titled
; "Reelkeep" holding the clip list; message boxes share the title), asks, then posts the
; quit message and waits for the process to end. Aborts when the user says no.
!macro CLOSE_RUNNING_PROGRAM un
Function ${un}CloseRunningProgram
  StrCpy $0 0
  find:
    System::Call 'user32::FindWindowExW(p 0, p r0, w "#32770", w "${PRODUCT}") p.r0'
    StrCmp $0 0 done
    System::Call 'user32::GetDlgItem(p r0, i ${CLIP_LIST_ID}) p.r1'
    StrCmp $1 0 find
  ${IfNot} ${Silent}
    MessageBox MB_OKCANCEL|MB_ICONQUESTION "${PRODUCT} is running. Setup will close it now (it stops watching your browsers until you start it again).$\n$\nClose ${PRODUCT} and continue?" IDOK quit
    Abort
  ${EndIf}
  quit:
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r2)'
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r2) p.r3'
    System::Call 'user32::RegisterWindowMessageW(w "${QUIT_MESSAGE}") i.r4'
    System::Call 'user32::PostMessageW(p r0, i r4, p 0, p 0)'
    StrCmp $3 0 done
    System::Call 'kernel32::WaitForSingleObject(p r3, i 15000)'
    System::Call 'kernel32::CloseHandle(p r3)'
  done:
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING_PROGRAM ""
!insertmacro CLOSE_RUNNING_PROGRAM "un."

; Lets the local Users group modify a folder and what it will hold, beside the rights the
; folder has already. The group by its well-known SID, as its name is translated on
; non-English Windows. Takes the folder on the stack.
Function GrantUsersModify
  Exch $0
  Push $1
  nsExec::Exec '"$SYSDIR\icacls.exe" "$0" /grant *S-1-5-32-545:(OI)(CI)M'
  Pop $1
  ${If} $1 != 0
    DetailPrint "Cannot give the users write access to $0 (icacls: $1)."
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} needs a 64-bit Windows."
    Abort
  ${EndIf}
  SetRegView 64
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  Call CloseRunningProgram
  SetOutPath "$INSTDIR"
  File "${SETUP_PROGRAM}"
  File "${PROGRAM_FOLDER}\ffmpeg.exe"
  File "${PROGRAM_FOLDER}\player.swf"
  File "${PROGRAM_FOLDER}\Help.chm"
  CreateDirectory "$INSTDIR\Videos"
  CreateDirectory "$INSTDIR\Updates"
  ; An update runs this set-up from Updates\: the marker that made the old version stop
  ; must go, or the new one would refuse to start too.
  Delete "$INSTDIR\Updates\update.dat"
  ; The program writes its library and downloads updates beside itself, as the user.
  Push "$INSTDIR\Videos"
  Call GrantUsersModify
  Push "$INSTDIR\Updates"
  Call GrantUsersModify

  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Reelkeep.exe" "" "$INSTDIR\Reelkeep.exe" 0 \
    SW_SHOWNORMAL "" "Keeps the videos you watch in your browsers"

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Reelkeep.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${WEBSITE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/M=*.* /S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Desktop shortcut" SecDesktop
  SetShellVarContext all
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\Reelkeep.exe" "" "$INSTDIR\Reelkeep.exe" 0
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "The program, ffmpeg, the preview player and the user's guide."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "A shortcut to ${PRODUCT} on the desktop."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function un.onInit
  SetRegView 64
FunctionEnd

; Pushes 1 when the library folder holds anything, else 0.
Function un.HasClips
  Push 0
  FindFirst $0 $1 "$INSTDIR\Videos\*"
  ${DoWhile} $1 != ""
    ${If} $1 != "."
    ${AndIf} $1 != ".."
      Pop $2
      Push 1
      ${Break}
    ${EndIf}
    FindNext $0 $1
  ${Loop}
  FindClose $0
FunctionEnd

Section "Uninstall"
  Call un.CloseRunningProgram
  Delete "$INSTDIR\Reelkeep.exe"
  Delete "$INSTDIR\ffmpeg.exe"
  Delete "$INSTDIR\player.swf"
  Delete "$INSTDIR\Help.chm"
  RMDir /r "$INSTDIR\Updates"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  ; Made by "Run program at startup" in the general settings: in the user's own Startup
  ; folder, and in the all-users one by earlier builds.
  Delete "$SMSTARTUP\${PRODUCT}.lnk"
  SetShellVarContext current
  Delete "$SMSTARTUP\${PRODUCT}.lnk"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ; The clips are the user's: they go only on an explicit Yes, never in a silent run.
  Call un.HasClips
  Pop $0
  ${If} $0 == 0
    RMDir "$INSTDIR\Videos"
  ${Else}
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Delete your clips too?$\n$\nThe Videos folder in $INSTDIR holds the videos ${PRODUCT} has kept. Answer No to keep them." /SD IDNO IDYES deleteClips
    Goto keepClips
  deleteClips:
    RMDir /r "$INSTDIR\Videos"
  keepClips:
  ${EndIf}
  Delete "$INSTDIR\Uninstall.exe"
  ; Removes the folder only when nothing of the user's is left in it.
  RMDir "$INSTDIR"
SectionEnd
