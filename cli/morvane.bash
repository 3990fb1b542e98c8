# bash completion for morvane: commands, their options, formats, files and folders, and the
# library's own category paths and items (asked of morvane itself, on the library given with
# --library when there is one).

_morvane_library_words() {
    local library=() i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case "${COMP_WORDS[i]}" in
            -l | --library) library=(--library "${COMP_WORDS[i + 1]}") ;;
        esac
    done
    # One candidate a line; names hold blanks, so the words are split at line ends only.
    local IFS=$'\n' line words
    if [[ $1 == categories ]]; then
        words=$(morvane list --categories "${library[@]}" 2>/dev/null)
    else
        words=$(morvane list "${library[@]}" 2>/dev/null | cut -f2)
    fi
    for line in $words; do
        [[ $line == "$cur"* ]] && COMPREPLY+=("$(printf '%q' "$line")")
    done
}

_morvane() {
    local cur prev command i
    COMPREPLY=()
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="list search show add edit rm mv mkcat check compact repair replicate sync backup import export help"
    local common="--library --json --yes --no --help"
    for ((i = 1; i < COMP_CWORD; i++)); do
        case "${COMP_WORDS[i]}" in
            -l | --library | --category | --name | --desc | --type | --file | --output | -o | --level) ((i++)) ;;
            -*) ;;
            *) command=${COMP_WORDS[i]}; break ;;
        esac
    done

    case $prev in
        -l | --library | --file | --output | -o)
            compopt -o filenames
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
        --type) COMPREPLY=($(compgen -W "text web file" -- "$cur")); return ;;
        --level) COMPREPLY=($(compgen -W "0 1 2 3 4" -- "$cur")); return ;;
        --category) _morvane_library_words categories; return ;;
        --name | --desc) return ;;
    esac

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands $common" -- "$cur"))
        return
    fi
    local options
    case $command in
        list) options="--categories" ;;
        show) options="--output" ;;
        add) options="--category --name --desc --type --file" ;;
        sync) options="--import --export --both --no-backup" ;;
        backup) options="--zip --level" ;;
        import) options="--category --replace" ;;
        export) options="--category" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options $common" -- "$cur"))
        return
    fi
    # The position of the argument being completed, after the command.
    local arguments=0
    for ((i = i + 1; i < COMP_CWORD; i++)); do
        case "${COMP_WORDS[i]}" in
            -l | --library | --category | --name | --desc | --type | --file | --output | -o | --level) ((i++)) ;;
            -*) ;;
            *) ((arguments++)) ;;
        esac
    done
    case $command:$arguments in
        help:0) COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
        import:0 | export:0) COMPREPLY=($(compgen -W "vscode pet folder" -- "$cur")) ;;
        import:1 | export:1 | replicate:0 | sync:0 | backup:0)
            compopt -o filenames
            COMPREPLY=($(compgen -f -- "$cur")) ;;
        list:0 | mkcat:0 | mv:1) _morvane_library_words categories ;;
        show:0 | edit:0 | rm:0 | mv:0) _morvane_library_words items ;;
    esac
}

complete -F _morvane morvane
