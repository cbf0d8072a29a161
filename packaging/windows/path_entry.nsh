; The install folder as one entry of the user's Path (HKCU\Environment),
; added once and taken out again; the other entries stay as they are. A Path
; too long for the installer's strings is left untouched, with a note.

!macro PATH_FUNCTIONS UN
; Pops an entry and then a Path; pushes the Path without that entry
; (compared without regard to letter case, with or without a trailing
; backslash).
Function ${UN}PathWithoutEntry
  Exch $0
  Exch
  Exch $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  StrCpy $2 ""
  StrCpy $3 ""
  StrCpy $5 0
  StrCpy $6 0
  ${Do}
    StrCpy $4 $1 1 $5
    ${If} $4 == ";"
    ${OrIf} $4 == ""
      ${If} $3 != $0
      ${AndIf} $3 != "$0\"
        ${If} $6 == 1
          StrCpy $2 "$2;$3"
        ${Else}
          StrCpy $2 $3
          StrCpy $6 1
        ${EndIf}
      ${EndIf}
      StrCpy $3 ""
      ${IfThen} $4 == "" ${|} ${ExitDo} ${|}
    ${Else}
      StrCpy $3 "$3$4"
    ${EndIf}
    IntOp $5 $5 + 1
  ${Loop}
  StrCpy $0 $2
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Pushes the user's Path, or "!" when it is too long to be read whole.
Function ${UN}ReadUserPath
  Push $0
  Push $1
  ReadRegStr $0 HKCU "Environment" "Path"
  StrLen $1 $0
  IntOp $1 $1 + 256
  ${If} $1 >= ${NSIS_MAX_STRLEN}
    DetailPrint "Your Path is too long to change here: add or remove $INSTDIR yourself."
    StrCpy $0 "!"
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

Function ${UN}WriteUserPath
  Exch $0
  ${If} $0 == ""
    DeleteRegValue HKCU "Environment" "Path"
  ${Else}
    WriteRegExpandStr HKCU "Environment" "Path" $0
  ${EndIf}
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  Pop $0
FunctionEnd
!macroend

!insertmacro PATH_FUNCTIONS ""
!insertmacro PATH_FUNCTIONS "un."

; Pops a folder and makes it the last entry of the user's Path, unless it is
; one already.
Function AddPathEntry
  Exch $0
  Push $1
  Push $2
  Call ReadUserPath
  Pop $1
  ${If} $1 != "!"
    Push $1
    Push $0
    Call PathWithoutEntry
    Pop $2
    ${If} $2 == $1
      StrCpy $2 $1 1 -1
      ${If} $1 == ""
      ${OrIf} $2 == ";"
        StrCpy $1 "$1$0"
      ${Else}
        StrCpy $1 "$1;$0"
      ${EndIf}
      Push $1
      Call WriteUserPath
    ${EndIf}
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Pops a folder and takes it out of the user's Path.
Function un.RemovePathEntry
  Exch $0
  Push $1
  Push $2
  Call un.ReadUserPath
  Pop $1
  ${If} $1 != "!"
    Push $1
    Push $0
    Call un.PathWithoutEntry
    Pop $2
    ${If} $2 != $1
      Push $2
      Call un.WriteUserPath
    ${EndIf}
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
