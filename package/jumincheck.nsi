; The Windows setup program of jumincheck (scripts/package.sh runs makensis
; on it). It installs the program and its README under Program Files with a
; Start-menu entry, and an uninstaller that removes all three. It never
; writes into C:\TELVARO: that folder belongs to the pharmacy system, whose
; INI file and crypto module the program only reads and loads from there.
;
; Defines: EXE (the built jumincheck.exe), README (the README as text),
; OUTFILE (the setup program to write), VERSION; AMD64 for a 64-bit setup
; program of a 64-bit build (the pharmacy's program is the 32-bit one).
Unicode true
!ifdef AMD64
  Target amd64-unicode
!endif
SetCompressor /SOLID lzma

!define APP "jumincheck"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP} ${VERSION}"
Caption "${APP} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
!ifdef AMD64
  InstallDir "$PROGRAMFILES64\${APP}"
!else
  InstallDir "$PROGRAMFILES\${APP}"
!endif
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The pharmacy system's folder is never a place to install into.
Function .onVerifyInstDir
  StrCpy $0 "$INSTDIR\" 11
  StrCmp $0 "C:\TELVARO\" 0 +2
    Abort
FunctionEnd

Section "jumincheck"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=jumincheck.exe" "${EXE}"
  File "/oname=README.txt" "${README}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\${APP}"
  CreateShortcut "$SMPROGRAMS\${APP}\${APP}.lnk" "$INSTDIR\jumincheck.exe"
  CreateShortcut "$SMPROGRAMS\${APP}\README.lnk" "$INSTDIR\README.txt"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${APP}\${APP}.lnk"
  Delete "$SMPROGRAMS\${APP}\README.lnk"
  RMDir "$SMPROGRAMS\${APP}"
  Delete "$INSTDIR\jumincheck.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
