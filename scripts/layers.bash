# Reads the layer graph of src/layers.txt for scripts/check-layers and scripts/layer-picture
# (sourced, not run): layer_names in the file's order (bottom up), and per layer the layers it
# uses directly (layer_uses) and its file patterns (layer_files).
# shellcheck shell=bash disable=SC2034 # the arrays are read by the scripts that source this

declare -a layer_names=()
declare -A layer_uses=() layer_files=()

# Fails with the line at fault when the file is not a graph drawn from the bottom up.
read_layers() { # file
    local file=$1 line name uses files used number=0 words
    while IFS= read -r line; do
        number=$((number + 1))
        if [[ $line =~ ^[[:space:]]*(#|$) ]]; then
            continue
        fi
        if ! [[ $line =~ ^([^|]*)\|([^|]*)\|([^|]*)$ ]]; then
            echo "$file:$number: expected 'layer | uses | files'" >&2
            return 1
        fi
        # Split on blanks without expanding the patterns.
        read -ra words <<<"${BASH_REMATCH[1]}"
        name=${words[*]-}
        read -ra words <<<"${BASH_REMATCH[2]}"
        uses=${words[*]-}
        read -ra words <<<"${BASH_REMATCH[3]}"
        files=${words[*]-}
        if ! [[ $name =~ ^[a-z_]+$ ]] || [ -n "${layer_files[$name]+set}" ] || [ -z "$files" ]; then
            echo "$file:$number: '$name' is not a new layer name with files" >&2
            return 1
        fi
        read -ra words <<<"$uses"
        for used in "${words[@]}"; do
            if [ -z "${layer_files[$used]+set}" ]; then
                echo "$file:$number: $name uses '$used', which is not a layer below it" >&2
                return 1
            fi
        done
        layer_names+=("$name")
        layer_uses[$name]=$uses
        layer_files[$name]=$files
    done <"$file"
}
