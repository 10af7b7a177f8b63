# bash completion for msgkeeper-cli

_msgkeeper_cli() {
    local cur prev words cword
    _init_completion || return

    local commands="backup restore inspect convert salvage merge archive device settings help"
    local formats="usms sms txt-ansi txt-utf8 txt-unicode csv-ansi csv-utf8 xml json"
    # The files that the commands read, told apart by content: Unicode backups, phone XML and
    # JSON Lines. merge's OUT and archive's DIR are offered the same way (folders among them),
    # since either can stand anywhere after a file.
    local readable='@(usms|xml|json|jsonl)'
    local global="--device --quiet -q --help -h --version -V"

    case $prev in
        --device)
            _filedir -d
            return
            ;;
        --folders)
            COMPREPLY=($(compgen -W "Draft Inbox Outbox Sentedbox Wastebox none" -- "${cur##*,}"))
            if [[ $cur == *,* ]]; then
                COMPREPLY=("${COMPREPLY[@]/#/${cur%,*},}")
            fi
            return
            ;;
    esac

    # The command and the positions of its arguments, skipping options and their values.
    local command="" sub="" position=0 i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --device | --folders) ((i++)) ;;
            -*) ;;
            *)
                if [[ -z $command ]]; then
                    command=${words[i]}
                elif [[ $command == device && -z $sub ]]; then
                    sub=${words[i]}
                else
                    ((position++))
                fi
                ;;
        esac
    done

    if [[ $cur == -* ]]; then
        local options=$global
        case $command in
            backup | settings | archive) options+=" --folders" ;;
            restore) options+=" --dry-run" ;;
            device) [[ $sub == init ]] && options+=" --demo" ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    case $command in
        "") COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
        help) ((position == 0)) && COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
        device) [[ -z $sub ]] && COMPREPLY=($(compgen -W "init list" -- "$cur")) ;;
        backup)
            if ((position == 0)); then
                COMPREPLY=($(compgen -W "$formats" -- "$cur"))
            else
                _filedir
            fi
            ;;
        convert)
            if ((position == 1)); then
                COMPREPLY=($(compgen -W "$formats" -- "$cur"))
            elif ((position == 0)); then
                _filedir "$readable"
            else
                _filedir
            fi
            ;;
        restore | inspect | merge | archive) _filedir "$readable" ;;
        salvage)
            if ((position == 0)); then
                _filedir "$readable"
            else
                _filedir
            fi
            ;;
    esac
} &&
    complete -F _msgkeeper_cli msgkeeper-cli
