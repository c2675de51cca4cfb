; Installer of Ovra Hivemend, built by makensis from the build tree:
;   makensis -DVERSION=x.y.z -DEXE=path\OvraHivemend.exe -DHELP=path\help.html
;            -DOUTFILE=path\OvraHivemend-Setup.exe OvraHivemend.nsi
; Installs into Program Files with a Start menu shortcut and an uninstaller,
; and registers under Add/Remove Programs. The uninstaller keeps the backups
; folder unless the user agrees to remove it; a silent uninstall keeps it.
Unicode true
SetCompressor /SOLID lzma

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

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Ovra Hivemend"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=OvraHivemend.exe" "${EXE}"
  File "/oname=help.html" "${HELP}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Ovra Hivemend.lnk" "$INSTDIR\OvraHivemend.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Ovra Hivemend"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\OvraHivemend.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Ovra Hivemend"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\OvraHivemend.exe"
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
