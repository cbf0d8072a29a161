; The demo organ in the user's BRIMWELL. The installer writes a demo file
; where there is none, or where the file is still as it last wrote it (its
; modification time recorded in DEMO_RECORD); any other file under a demo
; name is the user's and is kept, by an upgrade and by the uninstaller alike.
; The list of files is staged by scripts/package-windows as demo_files.nsh:
; one DEMO_FILE FOLDER RELATIVE SOURCE line per file.

!macro DEMO_STATE_FUNCTION UN
; Pops a path inside BRIMWELL; pushes "absent", "ours" or "theirs".
Function ${UN}DemoFileState
  Exch $0
  Push $1
  Push $2
  Push $3
  ClearErrors
  ReadINIStr $3 "${DEMO_RECORD}" "files" $0
  ClearErrors
  GetFileTime "${BRIMWELL}\$0" $1 $2
  ${If} ${Errors}
    StrCpy $0 "absent"
  ${ElseIf} "$1 $2" == $3
    StrCpy $0 "ours"
  ${Else}
    StrCpy $0 "theirs"
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd
!macroend

!insertmacro DEMO_STATE_FUNCTION ""
!insertmacro DEMO_STATE_FUNCTION "un."

; Pops a path inside BRIMWELL just written and records its time.
Function RecordDemoFile
  Exch $0
  Push $1
  Push $2
  GetFileTime "${BRIMWELL}\$0" $1 $2
  WriteINIStr "${DEMO_RECORD}" "files" $0 "$1 $2"
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

!macro DEMO_FILE FOLDER RELATIVE SOURCE
  Push "${RELATIVE}"
  Call DemoFileState
  Pop $0
  ${If} $0 == "theirs"
    DetailPrint "Kept your own ${BRIMWELL}\${RELATIVE}"
  ${Else}
    SetOutPath "${FOLDER}"
    File "${SOURCE}"
    Push "${RELATIVE}"
    Call RecordDemoFile
  ${EndIf}
!macroend

Function InstallDemoOrgan
  Push $0
  !include "${STAGE}/demo_files.nsh"
  Pop $0
FunctionEnd

!macroundef DEMO_FILE
!macro DEMO_FILE FOLDER RELATIVE SOURCE
  Push "${RELATIVE}"
  Call un.DemoFileState
  Pop $0
  ${If} $0 == "ours"
    Delete "${BRIMWELL}\${RELATIVE}"
  ${EndIf}
  !if "${FOLDER}" != "${BRIMWELL}"
    RMDir "${FOLDER}"
  !endif
!macroend

Function un.RemoveDemoOrgan
  Push $0
  !include "${STAGE}/demo_files.nsh"
  Pop $0
FunctionEnd
