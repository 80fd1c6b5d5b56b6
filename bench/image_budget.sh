#!/usr/bin/env bash
# Size budget of the firmware image: flash against the 128 KB below the record
# sector and against the 32 KB the whole application aims to stay within,
# flash by part of the system from the link map, RAM against the chip's
# 128 KB, the deepest single stack frame from the compiler's stack-usage
# files, and the worst-case stack from the call graph against its reserve.
#
# usage: image_budget.sh <tiltmon.elf>
set -euo pipefail

elf=${1:?usage: image_budget.sh <tiltmon.elf>}
size_tool=${ARM_SIZE:-arm-none-eabi-size}
flash_budget=131072 # 0x08000000 up to the record sector at 0x08020000
flash_aim=32768     # the whole application, C library included
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
if ((flash <= flash_aim)); then
    printf '  %-28s %8d bytes to spare below %d (aim: the whole image in 32 KB)\n' "flash aim" "$((flash_aim - flash))" "$flash_aim"
else
    printf '  %-28s %8d bytes OVER %d (aim: the whole image in 32 KB)\n' "flash aim" "$((flash - flash_aim))" "$flash_aim"
fi
printf '  %-28s %8d of %d bytes (%s%%)\n' "RAM in use (data+bss+stack)" "$ram" "$ram_budget" "$(percent "$ram" "$ram_budget")"

# Flash by part, from the link map beside the image: every input section of
# the sections kept in flash (initialised data counts by its initial values),
# by the folder of the object it comes from.
map=${elf%.elf}.map
if [[ -f $map ]]; then
    echo "  flash by part (link map):"
    awk '
        function hex(text,    i, digit, value) {
            value = 0
            text = tolower(substr(text, 3))
            for (i = 1; i <= length(text); i++) {
                digit = index("0123456789abcdef", substr(text, i, 1)) - 1
                value = value * 16 + digit
            }
            return value
        }
        function part(file) {
            if (file == "") return "alignment fill"
            if (file ~ /Libraries\//) return "peripheral layer (Libraries/)"
            if (file ~ /Utilities\/Board\//) return "board drivers and font (Utilities/Board/)"
            if (file ~ /Utilities\/System\//) return "console, system calls, diagnostics"
            if (file ~ /startup\//) return "vector table and reset (startup/)"
            if (file ~ /\/src\//) return "application and clock set-up (src/)"
            return "C library, maths and runtime"
        }
        # Merged string sections overlap: each byte counts once, for the first
        # object that brings it.
        function count(address, size, file,    from, to) {
            from = hex(address); to = from + hex(size)
            if (from < reach) from = reach
            if (to > from) { bytes[part(file)] += to - from; reach = to }
        }
        /^Linker script and memory map/ { in_map = 1; next }
        !in_map { next }
        /^[.][^ ]/ {
            kept = $1 ~ /^[.](isr_vector|text|rodata|init_array|fini_array|preinit_array|ARM[.]exidx|ARM[.]extab|data)$/
            pending = 0
            reach = 0
            next
        }
        !kept { next }
        /^ [*]fill[*]/ { if (NF >= 3) count($2, $3, ""); next }
        /^ [.]/ {
            if (NF >= 4 && $2 ~ /^0x/ && $3 ~ /^0x/) { count($2, $3, $4); pending = 0 } else if (NF == 1) pending = 1
            next
        }
        pending && NF >= 3 && $1 ~ /^0x/ && $2 ~ /^0x/ { count($1, $2, $3); pending = 0; next }
        { pending = 0 }
        END { for (name in bytes) if (bytes[name] > 0) printf "    %8d  %s\n", bytes[name], name }
    ' "$map" | sort -k1,1nr | awk -v flash="$flash" '
        { print; total += $1 }
        END { printf "    %8d  in all%s\n", total, total == flash ? "" : " (the sections above say " flash ")" }'

else
    echo "  no link map at $map"
fi

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

# The worst-case stack of the four contexts nested, from the call graph.
"$(dirname "$0")/../tools/stack/stack_depth.py" "$(dirname "$elf")" --summary ||
    echo "  (the worst case does not fit the reserve, or the image could not be analysed)"
