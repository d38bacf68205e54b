; The peer installer of scripts/benchmark.sh: what a publisher would generate
; instead of writing setup.exe, doing the same job silently. It installs from
; the folder beside it into $INSTDIR (C:\Velq, or /D=FOLDER):
; - the plain files of each of the five listed folders, each target folder
;   cleared first;
; - the eleven program files under their lower-case names;
; - the three [Owner] values of VelQ.ini in the Windows folder;
; - the three shortcuts to VelQ.exe.
; It does not start the installed program (no Exec). A failed step ends it
; with exit code 2.
;   makensis -V2 -DOUTFILE=FILE peer_installer.nsi
Unicode true
Target amd64-unicode
SetCompressor zlib
SilentInstall silent
RequestExecutionLevel user
Name "Velquor"
OutFile "${OUTFILE}"
InstallDir "C:\Velq"

!macro Fail
    IfErrors 0 +2
        Abort
!macroend

!macro Folder NAME
    RMDir /r "$INSTDIR\${NAME}"
    ClearErrors
    CreateDirectory "$INSTDIR\${NAME}"
    CopyFiles /SILENT /FILESONLY "$EXEDIR\${NAME}\*.*" "$INSTDIR\${NAME}"
    !insertmacro Fail
!macroend

!macro File NAME LOWER
    CopyFiles /SILENT "$EXEDIR\${NAME}" "$INSTDIR\${LOWER}"
    !insertmacro Fail
!macroend

Section
    ReadRegStr $0 HKLM "Software\Microsoft\Windows\CurrentVersion" "RegisteredOwner"
    StrCmp $0 "" 0 +2
        ReadRegStr $0 HKCU "Software\Microsoft\MS Setup (ACME)\User Info" "DefName"
    ClearErrors
    WriteINIStr "$WINDIR\VelQ.ini" "Owner" "USER NAME" "Bench User"
    WriteINIStr "$WINDIR\VelQ.ini" "Owner" "DEFAULT NAME" "$0"
    WriteINIStr "$WINDIR\VelQ.ini" "Owner" "Dir" "$INSTDIR"
    SetOutPath "$INSTDIR"
    !insertmacro Fail

    !insertmacro Folder "dibs"
    !insertmacro Folder "exams"
    !insertmacro Folder "exercise"
    !insertmacro Folder "Figures"
    !insertmacro Folder "flags"

    !insertmacro File "VelQ.hlp" "velq.hlp"
    !insertmacro File "VelQ.exe" "velq.exe"
    !insertmacro File "VelQ.dll" "velq.dll"
    !insertmacro File "readme.txt" "readme.txt"
    !insertmacro File "BTNBTNVB.VBX" "btnbtnvb.vbx"
    !insertmacro File "FADERVB.VBX" "fadervb.vbx"
    !insertmacro File "FRAMEVB.VBX" "framevb.vbx"
    !insertmacro File "KNOBVB.VBX" "knobvb.vbx"
    !insertmacro File "LEDVB.VBX" "ledvb.vbx"
    !insertmacro File "SPINVB.VBX" "spinvb.vbx"
    !insertmacro File "SS3D.VBX" "ss3d.vbx"

    ; The working folder of a shortcut is the output path, $INSTDIR.
    CreateShortCut "$DESKTOP\Velquor.lnk" "$INSTDIR\VelQ.exe" "" "" 0 SW_SHOWNORMAL "" \
        "Velquor - for all your FCC Exams"
    CreateShortCut "$SMPROGRAMS\Velquor.lnk" "$INSTDIR\VelQ.exe" "" "" 0 SW_SHOWNORMAL "" \
        "Velquor - for all your FCC Exams"
    CreateShortCut "$STARTMENU\Velquor.lnk" "$INSTDIR\VelQ.exe" "" "" 0 SW_SHOWNORMAL "" \
        "Velquor - for all your FCC Exams"
    !insertmacro Fail
SectionEnd
