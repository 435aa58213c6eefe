# Shared by the zip and installer checks: every DLL that an .exe or .dll under the current
# folder imports is there too (any case) or is one of Windows' own. Source it; call
# check_imports OBJDUMP.
check_imports() {
    local objdump=$1
    # Windows' own libraries, as the programs and Qt's plugins import them.
    local system='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comdlg32|ws2_32|winmm|imm32|
dwmapi|uxtheme|userenv|version|netapi32|mpr|setupapi|wtsapi32|msvcrt|shlwapi|comctl32|
winspool\.drv|secur32|crypt32|bcrypt|iphlpapi|dnsapi|opengl32|d3d9|d3d11|dxgi|cfgmgr32|
shcore|authz|rpcrt4|ntdll|api-ms-win-.*)\.dll$'
    system=$(tr -d '\n' <<<"$system")
    local shipped missing=0 binary dll name
    shipped=$(find . -iname '*.dll' -printf '%f\n' | tr 'A-Z' 'a-z')
    while IFS= read -r -d '' binary; do
        while read -r dll; do
            name=$(tr 'A-Z' 'a-z' <<<"$dll")
            if ! grep -qxF "$name" <<<"$shipped" && ! grep -qE "$system" <<<"$name"; then
                echo "$binary imports $dll, which is neither shipped nor Windows' own"
                missing=1
            fi
        done < <("$objdump" -p "$binary" | awk '/DLL Name:/ {print $3}')
    done < <(find . \( -iname '*.exe' -o -iname '*.dll' \) -print0)
    [ $missing -eq 0 ] || return 1
    echo "every imported DLL is shipped or Windows' own"
}
