; SPDX-License-Identifier: MIT
; The Windows installer of Lanbrook, made by scripts/package-windows-installer.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=<x.y.z> -DSTAGE=<folder> -DLICENSE_FILE=<text>
;            -DUNINSTALL_LIST=<nsh> -DOUTFILE=<setup.exe> lanbrook.nsi
; STAGE is the folder of the Windows package (the programs, LICENSES\, relink\,
; 说明.txt); every file in it is installed.
;
; For all users (C:\Program Files\Lanbrook, HKLM) when run with administrator
; rights, otherwise for the current user (%LOCALAPPDATA%\Programs\Lanbrook,
; HKCU); the page 选择用户 or /AllUsers and /CurrentUser choose. Silent: /S.
; The uninstaller removes what was installed; the user's database
; (%USERPROFILE%\FileInfoData) stays unless its component is chosen, or
; /REMOVEDATA is given to a silent uninstall.

; A 64-bit installer, like the programs it installs: it sees the 64-bit
; Program Files folder and registry without redirection.
Target amd64-unicode
SetCompressor /SOLID lzma

!define APP_NAME "Lanbrook"
!define APP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lanbrook"
!define DATA_DIR "$PROFILE\FileInfoData"

Name "${APP_NAME}"
OutFile "${OUTFILE}"
BrandingText "${APP_NAME} ${VERSION}"

; Highest: administrators are asked to elevate (all users by default),
; other users install for themselves without being asked.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${APP_NAME}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${APP_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\lanbrook.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${APP_NAME}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${APP_NAME} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "The Lanbrook developers"

Function .onInit
    SetRegView 64
    !insertmacro MULTIUSER_INIT
FunctionEnd

Section "${APP_NAME}" SecProgram
    SectionIn RO
    Call ProgramsClosed
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\${APP_NAME}.lnk" "$INSTDIR\lanbrook.exe"

    ; The entry in the system's list of programs; the uninstaller is told
    ; which list it belongs to.
    WriteRegStr SHCTX "${APP_KEY}" "DisplayName" "${APP_NAME}"
    WriteRegStr SHCTX "${APP_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${APP_KEY}" "Publisher" "The Lanbrook developers"
    WriteRegStr SHCTX "${APP_KEY}" "DisplayIcon" "$INSTDIR\lanbrook.exe"
    WriteRegStr SHCTX "${APP_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${APP_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
    WriteRegStr SHCTX "${APP_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
    WriteRegDWORD SHCTX "${APP_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${APP_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD SHCTX "${APP_KEY}" "EstimatedSize" $0
SectionEnd

; What the installer wrote, by name (UNINSTALL_LIST: a Delete or RMDir /r
; for each file and folder at the top of STAGE): a folder chosen by the user
; may hold other files, which stay.
Section "un.${APP_NAME}" SecUnProgram
    SectionIn RO
    Call un.ProgramsClosed
    Delete "$SMPROGRAMS\${APP_NAME}.lnk"
    !include "${UNINSTALL_LIST}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey SHCTX "${APP_KEY}"
SectionEnd

; A running program's file can be neither replaced nor deleted: installing
; over it or uninstalling it would leave a mix of old and new files, or a
; program without its entry in the list of programs. So both stop before
; they change anything (silent ones with exit code 2) while Lanbrook runs,
; which they learn by opening the programs for writing.
; ($1 becomes "busy" when FILE exists and cannot be opened for writing.)
!macro FILE_IN_USE FILE
    ${If} ${FileExists} "${FILE}"
        ClearErrors
        FileOpen $0 "${FILE}" a
        ${If} ${Errors}
            StrCpy $1 busy
        ${Else}
            FileClose $0
        ${EndIf}
    ${EndIf}
!macroend
!macro PROGRAMS_CLOSED UN
Function ${UN}ProgramsClosed
retry:
    StrCpy $1 ""
    !insertmacro FILE_IN_USE "$INSTDIR\lanbrook.exe"
    !insertmacro FILE_IN_USE "$INSTDIR\lanbrook-scan.exe"
    ${If} $1 == busy
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Lanbrook 正在运行。请关闭它，然后点击“重试”。" /SD IDCANCEL IDRETRY retry
        SetErrorLevel 2
        Abort
    ${EndIf}
FunctionEnd
!macroend
!insertmacro PROGRAMS_CLOSED ""
!insertmacro PROGRAMS_CLOSED "un."

Section /o "un.删除数据库（${DATA_DIR}）" SecRemoveData
    RMDir /r "${DATA_DIR}"
SectionEnd

Function un.onInit
    SetRegView 64
    !insertmacro MULTIUSER_UNINIT
    ; A silent uninstall removes the database only when asked.
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/REMOVEDATA" $1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecRemoveData}
    ${EndIf}
FunctionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecUnProgram} "删除程序文件、开始菜单项和程序列表中的条目。"
    !insertmacro MUI_DESCRIPTION_TEXT ${SecRemoveData} "同时删除当前用户的文件数据库。不选时数据库保留，重新安装后可继续使用。"
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
