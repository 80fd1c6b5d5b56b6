#!/usr/bin/env bash
# Size budget of the firmware image: flash against the 128 KB below the record
# sector, RAM against the chip's 128 KB, and the deepest single stack frame
# from the compiler's stack-usage files.
#
# usage: image_budget.sh <tiltmon.elf>
set -euo pipefail

elf=${1:?usage: image_budget.sh <tiltmon.elf>}
size_tool=${ARM_SIZE:-arm-none-eabi-size}
flash_budget=131072 # 0x08000000 up to the record sector at 0x08020000
ram_budget=131072

[[ -f $elf ]] || {
    echo "image_budget: no image at $elf: build it first (cmake --preset target && cmake --build build/target -j2)" >&2
    exit 1
}

# Sections by where they live: flash contents, initialised data (RAM, with
# its initial values in flash), zero-initialised data, the stack reserve.
read -r text data bss stack < <("$size_tool" -A -d "$elf" | awk '
    $1 == ".data" { data += $2; next }
    $1 == ".bss" { bss += $2; next }
    $1 == "._user_heap_stack" { stack += $2; next }
    $3 >= 134217728 && $3 < 135266304 { text += $2 }   # 0x08000000 .. 0x08100000
    END { printf "%d %d %d %d\n", text, data, bss, stack }')

flash=$((text + data))
ram=$((data + bss + stack))

percent() { awk -v part="$1" -v whole="$2" 'BEGIN { printf "%.1f", 100 * part / whole }'; }

echo "Image budget of $elf"
printf '  %-28s %8d bytes\n' "text (code, constants)" "$text"
printf '  %-28s %8d bytes\n' "data (initialised)" "$data"
printf '  %-28s %8d bytes\n' "bss (zero-initialised)" "$bss"
printf '  %-28s %8d bytes\n' "stack reserve" "$stack"
printf '  %-28s %8d of %d bytes (%s%%)\n' "flash used (text + data)" "$flash" "$flash_budget" "$(percent "$flash" "$flash_budget")"
printf '  %-28s %8d of %d bytes (%s%%)\n' "RAM in use (data+bss+stack)" "$ram" "$ram_budget" "$(percent "$ram" "$ram_budget")"

# Stack-usage files sit next to the objects of the build that made the image.
mapfile -t usage_files < <(find "$(dirname "$elf")" -name '*.su' 2>/dev/null)
if ((${#usage_files[@]} > 0)); then
    echo "  deepest single frames (bytes, kind, function):"
    cat "${usage_files[@]}" | sort -t $'\t' -k2,2nr |
        awk -F '\t' 'NR <= 5 {
            file = $1; name = $1
            if (match($1, /:[0-9]+:[0-9]+:/)) { file = substr($1, 1, RSTART - 1); name = substr($1, RSTART + RLENGTH) }
            printf "    %6d  %-8s %s (%s)\n", $2, $3, name, file
        }'
else
    echo "  no stack-usage files (.su) found next to the image"
fi
