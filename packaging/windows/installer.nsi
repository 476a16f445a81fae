; The Windows installer of fiscal-service (NSIS 3, built on Linux by
; scripts/package-windows). A 64-bit installer for a per-machine install under
; Program Files, with Start-menu entries, an optional desktop shortcut, an
; entry in "Apps and features", and, when chosen, fiscal-server installed as a
; Windows service. Silent: setup.exe /S [/SERVICE] [/PORT=8001] [/COM=1]
; [/BAUD=9600] [/NODESKTOP] [/D=folder]; uninstall.exe /S.
;
; Defined by the caller: VERSION (2.1), STAGE (the folder with the programs,
; README.txt and fiscal-service.ico), OUTFILE.

Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "fiscal-service"
!define PUBLISHER "the fiscal-service developers"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define SETTINGS_KEY "Software\${PRODUCT}"
!define SERVICE_NAME "fiscal-server"
; Where fiscal-server keeps the service's configuration and log: %ProgramData%
; (what $APPDATA names after SetShellVarContext all).
!define SERVICE_DATA "$APPDATA\fiscal-service"
!define DEFAULT_PORT 8001

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${SETTINGS_KEY}" "InstallDir"
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${COPYRIGHT}"

!define MUI_ICON "${STAGE}\fiscal-service.ico"
!define MUI_UNICON "${STAGE}\fiscal-service.ico"
!define MUI_ABORTWARNING
!define MUI_LANGDLL_ALLLANGUAGES
!define MUI_LANGDLL_REGISTRY_ROOT HKLM
!define MUI_LANGDLL_REGISTRY_KEY "${SETTINGS_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "Language"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
Page custom ServicePage ServicePageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Bulgarian"
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_RESERVEFILE_LANGDLL

; --- Texts (Bulgarian first: the program's own language) --------------------
LangString SecMain ${LANG_BULGARIAN} "Програмите"
LangString SecMain ${LANG_ENGLISH} "The programs"
LangString SecDesktop ${LANG_BULGARIAN} "Икона на работния плот"
LangString SecDesktop ${LANG_ENGLISH} "Desktop shortcut"
LangString SecService ${LANG_BULGARIAN} "Печатният сървър като услуга на Windows"
LangString SecService ${LANG_ENGLISH} "The print server as a Windows service"
LangString DescMain ${LANG_BULGARIAN} "fiscal-service.exe, fiscal-cli.exe, fiscal-server.exe и ръководството."
LangString DescMain ${LANG_ENGLISH} "fiscal-service.exe, fiscal-cli.exe, fiscal-server.exe and the manual."
LangString DescDesktop ${LANG_BULGARIAN} "Икона на сервизната програма на работния плот."
LangString DescDesktop ${LANG_ENGLISH} "A shortcut to the service program on the desktop."
LangString DescService ${LANG_BULGARIAN} "fiscal-server обслужва принтера по HTTP за търговския софтуер и се стартира с Windows."
LangString DescService ${LANG_ENGLISH} "fiscal-server serves the printer over HTTP to shop software and starts with Windows."
LangString PageTitle ${LANG_BULGARIAN} "Печатен сървър"
LangString PageTitle ${LANG_ENGLISH} "Print server"
LangString PageSub ${LANG_BULGARIAN} "Портът, на който услугата слуша, и принтерът, който обслужва."
LangString PageSub ${LANG_ENGLISH} "The port the service listens on and the printer it serves."
LangString LabelPort ${LANG_BULGARIAN} "HTTP порт (само за този компютър, 127.0.0.1):"
LangString LabelPort ${LANG_ENGLISH} "HTTP port (this computer only, 127.0.0.1):"
LangString LabelCom ${LANG_BULGARIAN} "COM порт на принтера:"
LangString LabelCom ${LANG_ENGLISH} "The printer's COM port:"
LangString LabelBaud ${LANG_BULGARIAN} "Скорост (бода):"
LangString LabelBaud ${LANG_ENGLISH} "Speed (baud):"
LangString BadPort ${LANG_BULGARIAN} "Портът трябва да е от 1 до 65535."
LangString BadPort ${LANG_ENGLISH} "The port must be 1 to 65535."
LangString BadCom ${LANG_BULGARIAN} "COM портът трябва да е от 1 до 255."
LangString BadCom ${LANG_ENGLISH} "The COM port must be 1 to 255."
LangString ServiceFailed ${LANG_BULGARIAN} "Услугата не можа да се инсталира (код $0). Подробности: ${SERVICE_DATA}\fiscal-server.log"
LangString ServiceFailed ${LANG_ENGLISH} "The service could not be installed (code $0). Details: ${SERVICE_DATA}\fiscal-server.log"
LangString LinkApp ${LANG_BULGARIAN} "Сервизна програма за фискални принтери"
LangString LinkApp ${LANG_ENGLISH} "Сервизна програма за фискални принтери"
LangString LinkManual ${LANG_BULGARIAN} "Ръководство"
LangString LinkManual ${LANG_ENGLISH} "Ръководство"
LangString LinkUninstall ${LANG_BULGARIAN} "Деинсталиране"
LangString LinkUninstall ${LANG_ENGLISH} "Деинсталиране"
LangString LinkPage ${LANG_BULGARIAN} "Печатният сървър в браузъра"
LangString LinkPage ${LANG_ENGLISH} "Печатният сървър в браузъра"

Var ServicePort
Var ServiceCom
Var ServiceBaud
Var PortField
Var ComField
Var BaudField

; --- Installation ------------------------------------------------------------
Section "!$(SecMain)" SecMainId
  SectionIn RO
  SetShellVarContext all
  ; A service installed before runs the old program: stop it for the copy.
  ${If} ${FileExists} "$INSTDIR\fiscal-server.exe"
    nsExec::Exec '"$INSTDIR\fiscal-server.exe" --uninstall-service'
    Pop $0
  ${EndIf}
  SetOutPath "$INSTDIR"
  File "${STAGE}\fiscal-service.exe"
  File "${STAGE}\fiscal-cli.exe"
  File "${STAGE}\fiscal-server.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\fiscal-service.ico"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The Start-menu names are the program's own, in Bulgarian, whatever the
  ; installer's language.
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\$(LinkApp).lnk" "$INSTDIR\fiscal-service.exe" "" \
      "$INSTDIR\fiscal-service.ico" 0
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\$(LinkManual).lnk" "$INSTDIR\README.txt"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\$(LinkUninstall).lnk" "$INSTDIR\uninstall.exe" "" \
      "$INSTDIR\fiscal-service.ico" 0

  WriteRegStr HKLM "${SETTINGS_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\fiscal-service.exe,0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "$(SecDesktop)" SecDesktopId
  SetShellVarContext all
  CreateShortcut "$DESKTOP\$(LinkApp).lnk" "$INSTDIR\fiscal-service.exe" "" \
      "$INSTDIR\fiscal-service.ico" 0
SectionEnd

Section /o "$(SecService)" SecServiceId
  SetShellVarContext all
  DetailPrint "fiscal-server --install-service --listen 127.0.0.1:$ServicePort --baud $ServiceBaud --com $ServiceCom"
  nsExec::ExecToLog '"$INSTDIR\fiscal-server.exe" --install-service --listen 127.0.0.1:$ServicePort --baud $ServiceBaud --com "$ServiceCom=\\.\COM$ServiceCom"'
  Pop $0
  ${If} $0 != 0
    MessageBox MB_ICONEXCLAMATION "$(ServiceFailed)" /SD IDOK
    SetErrorLevel 3
  ${Else}
    ; The server's own page (its printers, reports and today's sales) opens in
    ; the default browser: an internet shortcut needs nothing else.
    WriteINIStr "$SMPROGRAMS\${PRODUCT}\$(LinkPage).url" "InternetShortcut" "URL" \
      "http://localhost:$ServicePort/"
    WriteINIStr "$SMPROGRAMS\${PRODUCT}\$(LinkPage).url" "InternetShortcut" "IconFile" \
      "$INSTDIR\fiscal-service.ico"
    WriteINIStr "$SMPROGRAMS\${PRODUCT}\$(LinkPage).url" "InternetShortcut" "IconIndex" "0"
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMainId} "$(DescMain)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktopId} "$(DescDesktop)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecServiceId} "$(DescService)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; /X=value or /X from the command line into $R0 (error flag when absent).
!macro Option NAME
  ClearErrors
  ${GetOptions} $R9 "/${NAME}" $R0
!macroend

Function .onInit
  SetShellVarContext all
  SetRegView 64
  !insertmacro MUI_LANGDLL_DISPLAY
  StrCpy $ServicePort ${DEFAULT_PORT}
  StrCpy $ServiceCom 1
  StrCpy $ServiceBaud 9600
  ${GetParameters} $R9
  !insertmacro Option "SERVICE"
  ${IfNot} ${Errors}
    SectionGetFlags ${SecServiceId} $0
    IntOp $0 $0 | ${SF_SELECTED}
    SectionSetFlags ${SecServiceId} $0
  ${EndIf}
  !insertmacro Option "NODESKTOP"
  ${IfNot} ${Errors}
    SectionSetFlags ${SecDesktopId} 0
  ${EndIf}
  !insertmacro Option "PORT="
  ${IfNot} ${Errors}
    StrCpy $ServicePort $R0
  ${EndIf}
  !insertmacro Option "COM="
  ${IfNot} ${Errors}
    StrCpy $ServiceCom $R0
  ${EndIf}
  !insertmacro Option "BAUD="
  ${IfNot} ${Errors}
    StrCpy $ServiceBaud $R0
  ${EndIf}
FunctionEnd

Function ServicePage
  ${IfNot} ${SectionIsSelected} ${SecServiceId}
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "$(PageTitle)" "$(PageSub)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 60% 12u "$(LabelPort)"
  ${NSD_CreateNumber} 62% 0 20% 12u "$ServicePort"
  Pop $PortField
  ${NSD_CreateLabel} 0 20u 60% 12u "$(LabelCom)"
  ${NSD_CreateNumber} 62% 20u 20% 12u "$ServiceCom"
  Pop $ComField
  ${NSD_CreateLabel} 0 40u 60% 12u "$(LabelBaud)"
  ${NSD_CreateDropList} 62% 40u 20% 80u ""
  Pop $BaudField
  ${NSD_CB_AddString} $BaudField "9600"
  ${NSD_CB_AddString} $BaudField "19200"
  ${NSD_CB_AddString} $BaudField "38400"
  ${NSD_CB_AddString} $BaudField "57600"
  ${NSD_CB_AddString} $BaudField "115200"
  ${NSD_CB_SelectString} $BaudField "$ServiceBaud"
  nsDialogs::Show
FunctionEnd

Function ServicePageLeave
  ${NSD_GetText} $PortField $ServicePort
  ${NSD_GetText} $ComField $ServiceCom
  ${NSD_GetText} $BaudField $ServiceBaud
  ${If} $ServicePort < 1
  ${OrIf} $ServicePort > 65535
    MessageBox MB_ICONSTOP "$(BadPort)"
    Abort
  ${EndIf}
  ${If} $ServiceCom < 1
  ${OrIf} $ServiceCom > 255
    MessageBox MB_ICONSTOP "$(BadCom)"
    Abort
  ${EndIf}
FunctionEnd

; --- Uninstallation ----------------------------------------------------------
Function un.onInit
  SetShellVarContext all
  SetRegView 64
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  ; Stops and removes the service when it is installed; says so when not.
  nsExec::ExecToLog '"$INSTDIR\fiscal-server.exe" --uninstall-service'
  Pop $0
  ; The service's own files; anything else in its folder is left alone.
  Delete "${SERVICE_DATA}\fiscal-server.json"
  Delete "${SERVICE_DATA}\fiscal-server.log"
  Delete "${SERVICE_DATA}\fiscal-server.log.1"
  Delete "${SERVICE_DATA}\sales-journal.jsonl"
  Delete "${SERVICE_DATA}\sales-journal.jsonl.new"
  Delete "${SERVICE_DATA}\sales-journal.jsonl.lock"
  RMDir "${SERVICE_DATA}"

  Delete "$INSTDIR\fiscal-service.exe"
  Delete "$INSTDIR\fiscal-cli.exe"
  Delete "$INSTDIR\fiscal-server.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\fiscal-service.ico"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}\$(LinkApp).lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\$(LinkManual).lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\$(LinkUninstall).lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\$(LinkPage).url"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$DESKTOP\$(LinkApp).lnk"

  DeleteRegKey HKLM "${UNINST_KEY}"
  DeleteRegKey HKLM "${SETTINGS_KEY}"
SectionEnd
