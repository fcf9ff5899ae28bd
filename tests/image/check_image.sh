#!/usr/bin/env bash
# Checks the shipped image itself, as the oldest loaders it must satisfy would see it:
#   check_image.sh OBJDUMP quorvane.scr
# The first Windows 95 release loads a program only when every DLL it imports is there and every
# function it imports is exported; it knows nothing of TLS callbacks or delay-loading; it wants
# subsystem 4.0. The list below holds each function the program may import, every one of them
# exported by the first Windows 95 release and by NT 4.0. A new import fails this check until it
# is added here, after its availability on both has been checked. Every instruction of its code
# must run on a 486 with its floating-point unit, the least processor of those systems: the
# second list holds each instruction it may use, as objdump spells it, and a new one fails this
# check until it is added there, after it has been found in the 486's own instruction set. The
# image must also carry no mark of the build that made it (see rebuild.sh).
set -uo pipefail
objdump=$1 image=$2

ALLOWED="
ADVAPI32 RegCloseKey RegOpenKeyA RegQueryValueExA
GDI32 BitBlt CreateBitmap CreateCompatibleDC CreateDIBitmap CreateFontA CreatePalette DeleteDC
GDI32 DeleteObject GetObjectA GetStockObject RealizePalette SelectObject SelectPalette SetBkColor
GDI32 SetTextCharacterExtra SetTextColor StretchBlt
KERNEL32 CloseHandle CreateFileA DeleteFileA ExitProcess FindResourceA FreeLibrary FreeResource
KERNEL32 GetCommandLineA GetLocalTime GetModuleHandleA GetPrivateProfileIntA GetProcAddress
KERNEL32 GetSystemTime GetTempFileNameA GetTempPathA GetTickCount GetVersionExA
KERNEL32 GetWindowsDirectoryA GlobalAlloc GlobalFree GlobalLock GlobalUnlock LoadLibraryA
KERNEL32 LoadResource LockResource lstrcpyA lstrlenA SetUnhandledExceptionFilter SizeofResource
KERNEL32 Sleep SystemTimeToFileTime UnhandledExceptionFilter WriteFile
KERNEL32 WritePrivateProfileStringA
USER32 BeginPaint CharNextA CreateWindowExA DefWindowProcA DestroyWindow DialogBoxParamA
USER32 DispatchMessageA DrawTextA EndDialog EndPaint EqualRect FillRect FindWindowA
USER32 GetClientRect GetCursorPos GetDC GetDlgItem GetForegroundWindow GetMessageA GetParent
USER32 GetSystemMetrics GetWindowDC GetWindowRect GetWindowTextA IsWindow KillTimer LoadIconA
USER32 LoadStringA MessageBoxA PeekMessageA PostMessageA PostQuitMessage RegisterClassA
USER32 ReleaseDC SendMessageA SetCursor SetForegroundWindow SetTimer SetWindowPos
USER32 SetWindowTextA ShowWindow SystemParametersInfoA TranslateMessage wsprintfA
WINMM mciSendCommandA
"

# Of the 80486 and its x87 unit, nothing later: no conditional moves or fcomi (Pentium Pro),
# no cmpxchg8b, cpuid, rdtsc or rdmsr (Pentium), no long NOPs, MMX, SSE, fences or prefetches.
INSTRUCTIONS="
adc add addl addw and andb andl cbtw cltd cwtl dec decl div divl idiv idivl imul inc incl lea
leave mov movb movl movw movsbl movsbw movswl movzbl movzbw movzwl mul mull neg negl nop not
notl or orb orl orw sar sbb shl shld shr shrd sub subl xchg xor xorb xorl
bsf bsr bt btc btr bts bswap cmpxchg xadd
cmp cmpb cmpl cmpw test testb testl testw
seta setae setb setbe sete setg setge setl setle setne setno setnp setns seto setp sets
call jmp ret ja jae jb jbe je jecxz jg jge jl jle jne jno jnp jns jo jp js loop
push pushl pushw pop popl
cld std rep repz repnz cmpsb cmpsl lods lodsb lodsl movsb movsl movsw scas scasb stos stosb stosl
fabs fadd faddl faddp fadds fchs fcom fcoml fcomp fcompl fcompp fdiv fdivl fdivp fdivr fdivrl
fdivrp fiaddl fidivl fildl fildll fildq filds fimull fistl fistpl fistpll fistps fisubl fisubrl
fld fld1 fldcw fldl flds fldt fldz fmul fmull fmulp fmuls fnstcw fnstsw fsqrt fst fstl fstp
fstpl fstps fstpt fsts fsub fsubl fsubp fsubr fsubrl fsubrp ftst fucom fucomp fucompp fxam fxch
sahf
"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

headers=$("$objdump" -p "$image") || { echo "FAIL: $objdump cannot read $image"; exit 1; }
sections=$("$objdump" -h "$image")
field() { awk -v name="$1" '$1 == name { print $2; exit }' <<<"$headers"; }
directory() { awk -v entry="$1" '$1 == "Entry" && $2 == entry { print $3 " " $4; exit }' <<<"$headers"; }

grep -q "file format pei-i386" <<<"$headers" || fail "not an i386 image"
[ "$(field Magic)" = 010b ] || fail "not PE32 (magic $(field Magic))"
[ "$(field Subsystem)" = 00000002 ] || fail "not a Windows GUI program (subsystem $(field Subsystem))"
for version in SubsystemVersion OSystemVersion; do
    major=$(field "Major$version") minor=$(field "Minor$version")
    [ "$major.$minor" = 4.0 ] || fail "$version is $major.$minor, not 4.0"
done
# The link time stamp follows the COFF header's machine and section count. Any stamp but zero
# comes from the build's clock, and two builds of one commit would differ.
coff=$(($(od -An -tu4 -j60 -N4 "$image") + 4))
stamp=$(od -An -tu4 -j$((coff + 4)) -N4 "$image" | tr -d ' ')
[ "$stamp" = 0 ] || fail "its link time stamp is $stamp, not 0"
[ "$(directory 9)" = "00000000 00000000" ] || fail "it has a TLS directory: $(directory 9)"
[ "$(directory d)" = "00000000 00000000" ] || fail "it has delay-load imports: $(directory d)"

# The entry point must lie inside a section marked as code.
entry=$((0x$(field AddressOfEntryPoint) + 0x$(field ImageBase)))
entry_section=""
while read -r name size start kind; do
    if ((entry >= 0x$start && entry < 0x$start + 0x$size)); then
        entry_section="$name $kind"
        break
    fi
done < <(awk '$1 ~ /^[0-9]+$/ { name = $2; size = $3; start = $4; next }
    name != "" { print name, size, start, ($0 ~ /CODE/ ? "code" : "data"); name = "" }' <<<"$sections")
[ "${entry_section#* }" = code ] || fail "the entry point is not in a code section (${entry_section:-none})"

# Imports, one "DLL function" a line, the DLL without its extension and in capitals. Each DLL's
# header line names the columns, which binutils 2.40 and 2.44 lay out differently: "Hint/Ord
# Member-Name" against "Ordinal Hint Member-Name", a function imported by ordinal having no name.
imports=$(awk '
    /DLL Name:/ { dll = toupper($3); sub(/\.DLL$/, "", dll); name = 0; next }
    dll != "" && /^\tvma:/ {
        for (k = 2; k <= NF; k++) if ($k == "Member-Name") name = k
        next
    }
    dll != "" && name && /^\t[0-9a-f]+[ \t]/ {
        print dll, ($name == "" || $name == "<none>" ? "<ordinal " $2 ">" : $name)
    }
    /^$/ { dll = "" }' <<<"$headers")
[ -n "$imports" ] || fail "no imports found"
allowed=$(awk 'NF { for (k = 2; k <= NF; k++) print $1, $k }' <<<"$ALLOWED")
while read -r dll function; do
    [ -n "$dll" ] || continue
    case "$dll" in
    ADVAPI32 | GDI32 | KERNEL32 | USER32 | WINMM) ;;
    *)
        fail "imports $function from $dll, which is not one of the five system DLLs"
        continue
        ;;
    esac
    grep -qxF "$dll $function" <<<"$allowed" || fail "imports $dll $function, not on the list"
done <<<"$imports"

# Instructions. The linker writes the constructor and destructor lists (each -1, the entries, 0),
# which are addresses and not code, at the end of a section: binutils 2.40 at the end of .text,
# where the code then ends, and 2.44 at the end of .rdata, where the code takes all of .text.
# list_start SECTION: the offset in the section at which the two lists begin, if it ends with them.
list_start() {
    local size offset
    read -r size offset < <(awk -v name="$1" '$2 == name { print $3, $6; exit }' <<<"$sections")
    [ -n "$size" ] || return 0
    od -An -v -tx4 --endian=little -j$((0x$offset)) -N$((0x$size)) "$image" |
        awk '{ for (k = 1; k <= NF; k++) word[n++] = $k }
        END {
            k = n - 1
            for (list = 0; list < 2; list++) {
                if (word[k--] != "00000000") exit
                while (k >= 0 && word[k] != "ffffffff") k--
                if (k < 0) exit
                if (list == 1) print 4 * k
                k--
            }
        }'
}
read -r text_size text_start < <(awk '$2 == ".text" { print $3, $4; exit }' <<<"$sections")
code_end=$(list_start .text)
if [ -z "$code_end" ]; then
    code_end=$((0x$text_size))
    [ -n "$(list_start .rdata)" ] ||
        fail "neither its code nor its read-only data section ends with the constructor and destructor lists"
fi
# One "address bytes instruction" a line; a prefix (rep) counts with the instruction it leads.
code=$("$objdump" -d -j .text --stop-address=$((0x$text_start + code_end)) "$image")
too_new=$(awk -F'\t' -v allowed="$INSTRUCTIONS" '
    BEGIN { split(allowed, list, /[ \n]+/); for (k in list) ok[list[k]] = 1 }
    NF >= 3 && $1 ~ /^ *[0-9a-f]+:$/ {
        split($3, word, " ")
        bad = !(word[1] in ok)
        if (word[1] ~ /^rep/ && word[2] != "") bad = bad || !(word[2] in ok)
        if ($3 ~ /%(mm[0-7]|[xyz]mm)/ || $2 ~ /^((66|f2|f3) )*0f 1f/) bad = 1
        if (bad) { sub(/^ +/, "", $1); gsub(/ +$/, "", $2); print "0x" $1, $2 ":", $3 }
    }' <<<"$code")
if [ -n "$too_new" ]; then
    fail "$(grep -c . <<<"$too_new") instruction(s) not on the list of the 486's, the first:"
    head -n 5 <<<"$too_new" | sed 's/^/    /'
fi
instructions=$(grep -c $'^ *[0-9a-f]*:\t.*\t' <<<"$code")

count=$(grep -c . <<<"$imports")
if [ "$failures" -ne 0 ]; then
    echo "$image: $failures problem(s)"
    exit 1
fi
echo "$image: PE32 i386, GUI 4.0, entry in ${entry_section% *}, $count imports from" \
    "$(cut -d' ' -f1 <<<"$imports" | sort -u | tr '\n' ' ')all on the list;" \
    "$instructions instructions, all of the 486"
