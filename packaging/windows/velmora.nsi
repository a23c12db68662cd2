; The Windows installer: the program, velmora-cli, help.txt, Qt and the MinGW runtime, a Start-menu
; entry and an uninstaller that removes exactly the files it installed. Built by
; scripts/windows/package.sh with makensis:
;   makensis -DVERSION=1.0.0 -DOUTFILE=... -DSTAGE=... -DFILES=... -DUNFILES=... velmora.nsi
; FILES and UNFILES are the lists package.sh writes from the staged folder: File and Delete lines.

; A 64-bit installer for a 64-bit program.
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "x64.nsh"
!include "WinVer.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"

Name "Velmora 汇款单打印"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Velmora"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "Velmora ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=2052 "ProductName" "Velmora"
VIAddVersionKey /LANG=2052 "FileDescription" "Velmora 汇款单打印 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "Velmora"

!define MUI_ICON "velmora.ico"
!define MUI_UNICON "velmora.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\velmora.exe"
!define MUI_FINISHPAGE_RUN_TEXT "启动 Velmora"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\help.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "查看使用说明"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Function .onInit
  ${IfNot} ${RunningX64}
  ${OrIfNot} ${AtLeastWin10}
    MessageBox MB_OK|MB_ICONSTOP "Velmora 需要 64 位的 Windows 10 或 Windows 11。" /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Velmora"
  SetOutPath "$INSTDIR"
  !include "${FILES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetOutPath "$INSTDIR"
  CreateDirectory "$SMPROGRAMS\Velmora"
  CreateShortcut "$SMPROGRAMS\Velmora\Velmora 汇款单打印.lnk" "$INSTDIR\velmora.exe" "" "$INSTDIR\velmora.exe" 0
  CreateShortcut "$SMPROGRAMS\Velmora\使用说明.lnk" "$INSTDIR\help.txt"
  CreateShortcut "$SMPROGRAMS\Velmora\卸载 Velmora.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Velmora 汇款单打印"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Velmora"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\velmora.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there goes: the operator's settings (in the registry) and print journal
; (in the user's AppData folder) stay, and so does anything else found in the folder.
Section "Uninstall"
  !include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\Velmora\Velmora 汇款单打印.lnk"
  Delete "$SMPROGRAMS\Velmora\使用说明.lnk"
  Delete "$SMPROGRAMS\Velmora\卸载 Velmora.lnk"
  RMDir "$SMPROGRAMS\Velmora"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
