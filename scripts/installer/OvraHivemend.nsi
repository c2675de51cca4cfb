; Installer of Ovra Hivemend, built by makensis from the build tree:
;   makensis -DVERSION=x.y.z -DEXE32=path\OvraHivemend.exe -DEXE64=path\OvraHivemend64.exe
;            -DHELP=path\help.html -DOUTFILE=path\OvraHivemend-Setup.exe OvraHivemend.nsi
; With both programs it is an x86 installer that runs on every Windows and
; installs the program that fits: the 64-bit one on 64-bit Windows. With
; -DAMD64 and only EXE64 it is a 64-bit installer of the 64-bit program.
; Installs into Program Files with a Start menu shortcut and an uninstaller,
; and registers under Add/Remove Programs. The uninstaller keeps the backups
; folder unless the user agrees to remove it; a silent uninstall keeps it.
!ifdef AMD64
  Target amd64-unicode
!else
  Unicode true
!endif
SetCompressor /SOLID lzma

!include LogicLib.nsh
!pragma warning disable 6012 ; labels LogicLib makes for branches a target leaves out
!include x64.nsh

!ifndef VERSION
  !define VERSION "1.0.0"
!endif
!ifndef OUTFILE
  !define OUTFILE "OvraHivemend-Setup.exe"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ovra Hivemend"

Name "Ovra Hivemend"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Ovra Hivemend"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Ovra Hivemend"
VIAddVersionKey "FileDescription" "Ovra Hivemend Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Ovra Hivemend"

Var Program

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
!ifdef EXE64
  ${If} ${RunningX64}
    ; The 64-bit program, its files in the 64-bit Program Files and its entry
    ; in the 64-bit registry, where 64-bit Windows looks for it.
    SetRegView 64
    ${If} $INSTDIR == "$PROGRAMFILES\Ovra Hivemend"
      StrCpy $INSTDIR "$PROGRAMFILES64\Ovra Hivemend"
    ${EndIf}
    StrCpy $Program "OvraHivemend64.exe"
    Return
  ${EndIf}
!endif
!ifdef EXE32
  StrCpy $Program "OvraHivemend.exe"
!else
  MessageBox MB_OK|MB_ICONSTOP "This installer needs 64-bit Windows." /SD IDOK
  Abort
!endif
FunctionEnd

Section "Ovra Hivemend"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
!ifdef EXE64
  ${If} $Program == "OvraHivemend64.exe"
    File "/oname=OvraHivemend64.exe" "${EXE64}"
  ${EndIf}
!endif
!ifdef EXE32
  ${If} $Program == "OvraHivemend.exe"
    File "/oname=OvraHivemend.exe" "${EXE32}"
  ${EndIf}
!endif
  File "/oname=help.html" "${HELP}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Ovra Hivemend.lnk" "$INSTDIR\$Program"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Ovra Hivemend"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\$Program,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Ovra Hivemend"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
!ifdef EXE64
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!endif
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\OvraHivemend.exe"
  Delete "$INSTDIR\OvraHivemend64.exe"
  Delete "$INSTDIR\help.html"
  Delete "$SMPROGRAMS\Ovra Hivemend.lnk"

  ; The backups are the only way back for entries the program removed.
  IfFileExists "$INSTDIR\backups\*.*" 0 backups_done
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
      "Remove the registry backups in $INSTDIR\backups as well?$\r$\nWithout them, entries removed by Ovra Hivemend cannot be put back." \
      /SD IDNO IDNO backups_done
    RMDir /r "$INSTDIR\backups"
  backups_done:

  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; Last, so that the entry disappears only once the files are gone.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
