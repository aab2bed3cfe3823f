; The Windows installer of Verdin, built on Debian by scripts/build-windows.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.9 -DSTAGE=<package folder>
;            -DFILES=<folder of the file lists> -DOUTFILE=<setup.exe> verdin-setup.nsi
; STAGE holds the programs as they are installed; the build script writes
; the two lists of its files (install-files.nsh, uninstall-files.nsh), so
; that the uninstaller removes exactly what was installed and nothing else
; in the folder the user chose. The estimates and data in the user's
; Documents\Verdin are the user's own and stay.

Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "x64.nsh"

!define SHORTCUT_NAME "Verdin — расчет стоимости проектных работ"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Verdin"
!define FILE_TYPE "Verdin.Estimate"

Name "Verdin ${VERSION}"
Caption "Установка Verdin ${VERSION}"
UninstallCaption "Удаление Verdin"
BrandingText "Verdin ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Verdin"
InstallDirRegKey HKLM "Software\Verdin" "InstallDir"

!define MUI_ABORTWARNING
!define MUI_ICON "verdin.ico"
!define MUI_UNICON "verdin.ico"
!define MUI_WELCOMEPAGE_TITLE "Установка Verdin ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "Программа установит Verdin — расчет стоимости проектных работ по сборнику базовых цен СБЦ 20-2008 и составление смет.$\r$\n$\r$\nНажмите «Далее», чтобы продолжить."
!define MUI_FINISHPAGE_RUN "$INSTDIR\verdin.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Запустить Verdin"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "Verdin работает только в 64-разрядной Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Verdin"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  !include "${FILES}/install-files.nsh"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${SHORTCUT_NAME}.lnk" "$INSTDIR\verdin.exe" "" "$INSTDIR\verdin.exe" 0 \
    SW_SHOWNORMAL "" "Расчет стоимости проектных работ и составление смет"

  ; An .isx file (the input data of an estimate) opens with Verdin.
  WriteRegStr HKLM "Software\Classes\.isx" "" "${FILE_TYPE}"
  WriteRegStr HKLM "Software\Classes\${FILE_TYPE}" "" "Исходные данные сметы Verdin"
  WriteRegStr HKLM "Software\Classes\${FILE_TYPE}\DefaultIcon" "" "$INSTDIR\verdin.exe,0"
  WriteRegStr HKLM "Software\Classes\${FILE_TYPE}\shell\open\command" "" '"$INSTDIR\verdin.exe" "%1"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  WriteRegStr HKLM "Software\Verdin" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${SHORTCUT_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Verdin"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\verdin.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${SHORTCUT_NAME}.lnk"
  !include "${FILES}/uninstall-files.nsh"
  Delete "$INSTDIR\uninstall.exe"
  ; Empty folders only: anything the user put there stays.
  RMDir "$INSTDIR"

  ; The file type is removed only while it is still Verdin's.
  ReadRegStr $0 HKLM "Software\Classes\.isx" ""
  StrCmp $0 "${FILE_TYPE}" 0 +2
    DeleteRegKey HKLM "Software\Classes\.isx"
  DeleteRegKey HKLM "Software\Classes\${FILE_TYPE}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  DeleteRegKey HKLM "Software\Verdin"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
