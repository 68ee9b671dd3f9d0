; Setup of the Tarnwick suite. It installs the 32-bit programs on every
; Windows (the platform's spreadsheet driver that the export uses exists for
; 32-bit processes only), adds Start-menu entries and an entry in the list
; of installed programs, and upgrades in place. Each user's settings,
; database and photo archive live in that user's own folders, never in the
; program folder: neither an upgrade nor the uninstaller touches them.
;
; makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0 -DPROGRAM_FOLDER=DIR
;   -DPROGRAM_FILES=program_files.nsh -DSETUP_FILE=OUT.exe tarnwick.nsi
; (program_files.nsh is written by list_program_files.cmake.)

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include WinVer.nsh
!include "${PROGRAM_FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwick"
!define MENU_FOLDER "$SMPROGRAMS\Tarnwick"
; Exit codes beside 0 (done) and 2 (a silent run found a program of the
; suite running and changed nothing).
!define EXIT_OLDER_WINDOWS 1
!define EXIT_FILES_NOT_REPLACED 3
; ERROR_ELEVATION_REQUIRED, which deployment tools know.
!define EXIT_NOT_ADMINISTRATOR 740
!define RECORDS_KEPT_TEXT "各用户的设置 RoraDI.ini、读卡数据库 card2 和照片存档都保存在用户自己的文件夹（%APPDATA%\Tarnwick，或在配置中选定的保存文件夹）中，卸载时不会删除。"

Name "Tarnwick ${VERSION}"
OutFile "${SETUP_FILE}"
; $PROGRAMFILES of a 32-bit setup is the 32-bit Program Files folder on
; 64-bit Windows too.
InstallDir "$PROGRAMFILES\Tarnwick"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
; A file that cannot be replaced (held open by another program) stops the
; setup, which then exits with EXIT_FILES_NOT_REPLACED: skipping it would
; leave programs of two versions side by side and report success.
AllowSkipFiles off
ShowInstDetails show
ShowUninstDetails show

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
; No "run Tarnwick" box on the last page: the setup runs with an
; administrator's rights, often under an administrator's account, and the
; program started from it would keep its settings and first reads in that
; account's profile instead of the clerk's.
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "Tarnwick 已卸载"
!define MUI_FINISHPAGE_TEXT "程序文件夹和开始菜单项已删除。$\r$\n$\r$\n${RECORDS_KEPT_TEXT}"
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "SimpChinese"

; Waits until no program of the suite runs from $INSTDIR: a running program
; keeps its file open, so the file cannot be opened for writing. Asks the
; user to close it; a silent run, which cannot ask, ends with exit code 2
; and changes nothing.
!macro WaitForSuiteClosed
  FindFirst $R1 $R0 "$INSTDIR\*.exe"
  ${DoWhile} $R0 != ""
    ${If} $R0 != "Uninstall.exe"
      ${Do}
        ClearErrors
        FileOpen $R2 "$INSTDIR\$R0" a
        ${IfNot} ${Errors}
          FileClose $R2
          ${Break}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$R0 正在运行。请先关闭它，然后点击“重试”。" /SD IDCANCEL IDRETRY +2
        Quit
      ${Loop}
    ${EndIf}
    FindNext $R1 $R0
  ${Loop}
  FindClose $R1
!macroend

!macro RefuseOlderWindows
  MessageBox MB_OK|MB_ICONSTOP "Tarnwick 需要 Windows 7 SP1 或更高版本。" /SD IDOK
  SetErrorLevel ${EXIT_OLDER_WINDOWS}
  Quit
!macroend

; The program folder under Program Files, the entries for all users and the
; registry entry need an administrator's rights. Without them (a standard
; account with the elevation prompt turned off, or a start that skipped
; it) every write would fail one by one: stop before the first.
!macro RefuseWithoutAdministratorRights
  UserInfo::GetAccountType
  Pop $R0
  ${If} $R0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "安装和卸载 Tarnwick 需要管理员权限。请右键单击此程序，选择“以管理员身份运行”。" /SD IDOK
    SetErrorLevel ${EXIT_NOT_ADMINISTRATOR}
    Quit
  ${EndIf}
!macroend

; The programs are built for Windows 7 SP1 and later.
Function .onInit
  ${IfNot} ${AtLeastWin7}
    !insertmacro RefuseOlderWindows
  ${EndIf}
  ${If} ${IsWin7}
  ${AndIf} ${AtMostServicePack} 0
    !insertmacro RefuseOlderWindows
  ${EndIf}
  !insertmacro RefuseWithoutAdministratorRights
FunctionEnd

; Called when a file could not be replaced and the setup stopped part way.
Function .onInstFailed
  SetErrorLevel ${EXIT_FILES_NOT_REPLACED}
FunctionEnd

Function un.onInit
  !insertmacro RefuseWithoutAdministratorRights
FunctionEnd

Section "-programs"
  !insertmacro WaitForSuiteClosed
  !insertmacro InstallProgramFiles
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  SetShellVarContext all
  CreateDirectory "${MENU_FOLDER}"
  CreateShortCut "${MENU_FOLDER}\Tarnwick.lnk" "$INSTDIR\Tarnwick.exe"
  ; The query tool and the blacklist editor get their entries from the
  ; build that ships them.
  !if /FileExists "${PROGRAM_FOLDER}/Pellory.exe"
    CreateShortCut "${MENU_FOLDER}\Pellory.lnk" "$INSTDIR\Pellory.exe"
  !endif
  !if /FileExists "${PROGRAM_FOLDER}/BlackList.exe"
    CreateShortCut "${MENU_FOLDER}\BlackList.lnk" "$INSTDIR\BlackList.exe"
  !endif

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tarnwick"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tarnwick 开发组"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tarnwick.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "桌面快捷方式" desktopEntry
  SetShellVarContext all
  CreateShortCut "$DESKTOP\Tarnwick.lnk" "$INSTDIR\Tarnwick.exe"
SectionEnd

Section "Uninstall"
  !insertmacro WaitForSuiteClosed
  !insertmacro RemoveProgramFiles
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "${MENU_FOLDER}\Tarnwick.lnk"
  Delete "${MENU_FOLDER}\Pellory.lnk"
  Delete "${MENU_FOLDER}\BlackList.lnk"
  RMDir "${MENU_FOLDER}"
  Delete "$DESKTOP\Tarnwick.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DetailPrint "${RECORDS_KEPT_TEXT}"
SectionEnd
