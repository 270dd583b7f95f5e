# bash completion for pelicano-ftp

_pelicano_ftp() {
    local cur prev words cword
    _init_completion -n : || return  # a URL's colons stay in the word

    case $prev in
        -P | -u | --cd | --trust) return ;;
        --tls) COMPREPLY=($(compgen -W 'auto require off implicit' -- "$cur")); return ;;
        -t) COMPREPLY=($(compgen -W 'ascii binary' -- "$cur")); return ;;
    esac

    # Find the host and the command among the words typed so far.
    local i positional=0 command=
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            -P | -u | --cd | -t | --tls | --trust) ((i++)) ;;
            -*) ;;
            *)
                ((positional++))
                if ((positional == 2)); then command=${words[i]}; break; fi
                ;;
        esac
    done

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '-P -u --password-stdin --cd -t -f --tls --trust --help --version' -- "$cur"))
        elif ((positional == 1)); then
            COMPREPLY=($(compgen -W 'pwd ls mkdir rmdir rm mv put get sync' -- "$cur"))
        elif [[ $cur == *://* ]]; then
            _known_hosts_real -p "${cur%%://*}://" -- "${cur#*://}"
            __ltrim_colon_completions "$cur"
        else
            # A bare host lets the server choose; a scheme forces FTP, FTP over TLS or SFTP.
            _known_hosts_real -- "$cur"
            local schemes=($(compgen -W 'ftp:// ftps:// sftp://' -- "$cur"))
            ((${#schemes[@]})) && compopt -o nospace
            COMPREPLY+=("${schemes[@]}")
            __ltrim_colon_completions "$cur"
        fi
        return
    fi
    case $command in
        ls) COMPREPLY=($(compgen -W '-l' -- "$cur")) ;;
        put)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '-c --in-place -r --exclude --parallel' -- "$cur"))
            else
                _filedir
            fi
            ;;
        sync)
            case $prev in
                --exclude | --parallel) return ;;
            esac
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--dry-run --delete --exclude --parallel --size-only' -- "$cur"))
            else
                _filedir -d  # the local folder; the remote one is not completed
            fi
            ;;
        get) ((cword - i == 2)) && _filedir ;;
    esac
}
complete -F _pelicano_ftp pelicano-ftp
