; The per-user installer of ZOLVANTEK: no administrator rights, the program under the
; user's own programs folder, a Start menu entry, autostart as `zolvantek --autostart on`
; sets it, and an uninstaller in "Apps & features" that leaves the stored lists alone.
; makensis is given PROGRAM_DIR (the built program with help\ and licenses\), ICON,
; SIDE_IMAGE, OUTFILE and the versions; see CMakeLists.txt beside this file.

Unicode true
; The program is 64-bit only, so is its installer; it also runs where Wine has no 32-bit part.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define APP_ID "com.brindlex.Zolvantek"
!define PUBLISHER "Brindlex Software Solutions"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP_ID}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; The program's single-instance mark (platform/windows/single_instance.cpp).
!define INSTANCE_MUTEX "Local\${APP_ID}"
!define SYNCHRONIZE 0x00100000
!define SHORTCUT "$SMPROGRAMS\ZOLVANTEK.lnk"

Name "ZOLVANTEK"
Caption "ZOLVANTEK ${DISPLAY_VERSION} Setup"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\ZOLVANTEK"
; An update goes where the last install went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PUBLISHER}"

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey "ProductName" "Brindlex ZOLVANTEK"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "ZOLVANTEK Setup"
VIAddVersionKey "FileVersion" "${DISPLAY_VERSION}"
VIAddVersionKey "ProductVersion" "${DISPLAY_VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

Var WasRunning

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEFINISHPAGE_BITMAP "${SIDE_IMAGE}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${SIDE_IMAGE}"
!define MUI_WELCOMEPAGE_TEXT "Setup will install ZOLVANTEK ${SHORT_VERSION} for you alone, in your \
own programs folder: no administrator rights are needed.$\r$\n$\r$\nIf ZOLVANTEK is running, \
Setup ends it and starts it again when it is done. Your lists of directories and programs \
are kept.$\r$\n$\r$\nClick Next to continue."
!define MUI_UNCONFIRMPAGE_TEXT_TOP "ZOLVANTEK will be removed from the folder below. Your lists \
of directories and programs stay, for a later install or the portable program."
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ZOLVANTEK now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Ends a running ZOLVANTEK, so its files can be replaced or removed: the mark tells whether
; one runs (there is at most one in the session), and is gone once the process has ended.
!macro END_RUNNING un
Function ${un}EndRunning
    StrCpy $WasRunning 0
    System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE_MUTEX}") p .r0'
    ${If} $0 P= 0
        Return
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    StrCpy $WasRunning 1
    DetailPrint "Ending the running ZOLVANTEK"
    nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM zolvantek.exe'
    Pop $0
    StrCpy $1 0
    ${Do}
        Sleep 100
        System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE_MUTEX}") p .r0'
        ${If} $0 P= 0
            ${Break}
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p r0)'
        IntOp $1 $1 + 1
    ${LoopUntil} $1 >= 100
FunctionEnd
!macroend
!insertmacro END_RUNNING ""
!insertmacro END_RUNNING "un."

Function StartProgram
    ; The hidden section has already started again the one that was running.
    ${If} $WasRunning != 1
        Exec '"$INSTDIR\zolvantek.exe"'
    ${EndIf}
FunctionEnd

Section "ZOLVANTEK" SecProgram
    SectionIn RO
    Call EndRunning
    SetOutPath "$INSTDIR"
    File "${PROGRAM_DIR}\zolvantek.exe"
    SetOutPath "$INSTDIR\help"
    File "${PROGRAM_DIR}\help\*.*"
    SetOutPath "$INSTDIR\licenses"
    File "${PROGRAM_DIR}\licenses\*.*"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "${SHORTCUT}" "$INSTDIR\zolvantek.exe" "" "$INSTDIR\zolvantek.exe" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "ZOLVANTEK"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${DISPLAY_VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zolvantek.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "VersionMajor" ${VERSION_MAJOR}
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "VersionMinor" ${VERSION_MINOR}
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The program writes the value itself, so installer and `--autostart on` can never differ.
Section "Start ZOLVANTEK when I sign in" SecAutostart
    ExecWait '"$INSTDIR\zolvantek.exe" --autostart on'
SectionEnd

Section "-Finish"
    ${IfNot} ${SectionIsSelected} ${SecAutostart}
        ExecWait '"$INSTDIR\zolvantek.exe" --autostart off'
    ${EndIf}
    ${If} $WasRunning == 1
        Exec '"$INSTDIR\zolvantek.exe"'
    ${EndIf}
SectionEnd

Function .onInit
    ; An update keeps the autostart choice made before; a first install has it on.
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "UninstallString"
    ${If} $0 != ""
        ReadRegStr $1 HKCU "${RUN_KEY}" "${APP_ID}"
        ${If} $1 == ""
            !insertmacro UnselectSection ${SecAutostart}
        ${EndIf}
    ${EndIf}
FunctionEnd

; The stored lists (HKCU\Software\Brindlex Software Solutions\Zolvantek) stay: a later
; install, or the portable program, finds them again.
Section "Uninstall"
    Call un.EndRunning
    Delete "$INSTDIR\zolvantek.exe"
    RMDir /r "$INSTDIR\help"
    RMDir /r "$INSTDIR\licenses"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "${SHORTCUT}"
    DeleteRegValue HKCU "${RUN_KEY}" "${APP_ID}"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
