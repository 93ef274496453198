#!/usr/bin/env bash
# Checks a Windows binary's export and import tables:
#   check_binary.sh OBJDUMP FILE "EXPORTS" "ALLOWED IMPORTS"
# EXPORTS is the exact, space-separated set of export names ("" for none);
# every imported DLL must be one of ALLOWED IMPORTS (case-insensitive).
set -eu
objdump=$1 file=$2 want_exports=$3 allowed=$4
dump=$("$objdump" -p "$file")
exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort | tr '\n' ' ' | sed 's/ $//')
want=$(printf '%s\n' $want_exports | sed '/^$/d' | sort | tr '\n' ' ' | sed 's/ $//')
status=0
if [ "$exports" != "$want" ]; then
  echo "exports are [$exports], expected [$want]"; status=1
fi
for dll in $(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
  if ! printf '%s\n' $allowed | grep -qix "$dll"; then
    echo "imports $dll, which is not a system DLL we allow"; status=1
  fi
done
[ $status = 0 ] && echo "exports: [$exports]; imports: $(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')"
exit $status
