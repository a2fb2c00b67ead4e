# bash completion for keyshelf-cli: its commands, and each command's options. bash-completion loads it
# from share/bash-completion/completions; it needs none of bash-completion's helpers.
_keyshelf_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    case $prev in
        --vault | -o | --output)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
            return
            ;;
        --username | --location | --length | --with-username | --with-location | --listed)
            return
            ;;
    esac

    # The command is the first word that is not an option or the value of --vault.
    local command="" i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            --vault) ((i++)) ;;
            -*) ;;
            *)
                command=${COMP_WORDS[i]}
                break
                ;;
        esac
    done

    local options="--vault --help"
    case $command in
        "") options+=" --version" ;;
        ls) options+=" --with-username --with-location --stamp" ;;
        show) options+=" --with-username --with-location --listed --password" ;;
        add) options+=" --username --location --generate" ;;
        edit) options+=" --with-username --with-location --listed --username --location --password --generate" ;;
        rm) options+=" --with-username --with-location --listed --yes" ;;
        generate) options+=" --length" ;;
        import) options+=" --dry-run --replace --delete-file" ;;
        export) options+=" --output --force" ;;
    esac
    if [[ $command == import && $cur != -* ]]; then
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -X '!*.[cC][sS][vV]' -- "$cur") $(compgen -d -- "$cur"))
    elif [[ -z $command && $cur != -* ]]; then
        COMPREPLY=($(compgen -W "ls show add edit rm generate passwd seal unseal check import export" -- "$cur"))
    elif [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    fi
} &&
    complete -F _keyshelf_cli keyshelf-cli
