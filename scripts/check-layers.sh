#!/usr/bin/env bash
# Fails when a file of the platform layer (vorncommon/) or of the data model (src/core) includes
# a header of a higher layer. An exported header belongs to the folder of src/ that implements
# it; a header-only one belongs to the highest layer of what it includes.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A layer_of_header
declare -A implemented_in
while IFS= read -r f; do
    name=$(basename "$f" .cpp)
    rel=${f#src/}
    implemented_in[$name]=${rel%%/*}
done < <(find src -name '*.cpp')

exported_includes() { sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<Hyx\/\([A-Za-z0-9_]*\)\.h>.*/\1/p' "$1"; }

# Prints "core" when the header stays within the data model, else the higher folder it needs.
header_layer() {
    local name=$1
    if [ -n "${layer_of_header[$name]+x}" ]; then
        echo "${layer_of_header[$name]}"
        return
    fi
    layer_of_header[$name]=core # breaks include cycles
    local layer=core
    if [ -n "${implemented_in[$name]+x}" ]; then
        layer=${implemented_in[$name]}
    elif [ -f "include/Hyx/$name.h" ]; then
        local dep
        for dep in $(exported_includes "include/Hyx/$name.h"); do
            local l
            l=$(header_layer "$dep")
            if [ "$l" != core ]; then
                layer=$l
                break
            fi
        done
    fi
    layer_of_header[$name]=$layer
    echo "$layer"
}

status=0
while IFS= read -r f; do
    if grep -Eq '^[[:space:]]*#[[:space:]]*include[[:space:]]*"(impl|io|graph|datatypes|filters|compression|texture)/' "$f"; then
        echo "$f includes a private header of a higher layer" >&2
        status=1
    fi
    for dep in $(exported_includes "$f"); do
        if [[ $f == vorncommon/* ]]; then
            echo "$f includes <Hyx/$dep.h>: the platform layer includes nothing of the library" >&2
            status=1
            continue
        fi
        l=$(header_layer "$dep")
        if [ "$l" != core ]; then
            echo "$f includes <Hyx/$dep.h>, which belongs to src/$l" >&2
            status=1
        fi
    done
done < <(find src/core vorncommon -name '*.cpp' -o -name '*.h' | sort; find include/Hyx -name '*.h' | while read -r h; do
    n=$(basename "$h" .h); [ "${implemented_in[$n]:-}" = core ] && echo "$h"; done)
exit $status
