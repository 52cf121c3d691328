#!/bin/sh
# Passes when every program imports only DLLs that every Windows has, and
# says which one does not.
#   check-imports.sh OBJDUMP PROGRAM...
objdump=$1
shift
allowed=" KERNEL32.DLL USER32.DLL GDI32.DLL COMCTL32.DLL SHELL32.DLL OLE32.DLL SETUPAPI.DLL SHLWAPI.DLL MSVCRT.DLL ADVAPI32.DLL CABINET.DLL "
status=0
for program in "$@"; do
    dlls=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'a-z' 'A-Z')
    [ -n "$dlls" ] || { echo "check-imports: no import list read from $program"; status=1; continue; }
    for dll in $dlls; do
        case "$allowed" in
            *" $dll "*) ;;
            *) echo "check-imports: $(basename "$program") imports $dll, which not every Windows has"; status=1 ;;
        esac
    done
    echo "check-imports: $(basename "$program"): $(echo $dlls)"
done
exit $status
