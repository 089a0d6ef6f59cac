# bash completion for quorvex: commands, options, and flash names from the
# target's listing of the current folder.
_quorvex() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local commands="info volumes ls stat cat get put sync cmp rm mv mkdir rmdir chmod df format rtc reset settings"
    local globals="--target --core --instance --path --trace --progress --json --quiet --verbose --version --help"
    case $prev in
        --core) COMPREPLY=($(compgen -W "cp ap" -- "$cur")); return ;;
        --progress) COMPREPLY=($(compgen -W "auto bar json none" -- "$cur")); return ;;
        --trace) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        --target|--instance|--path) return ;;
    esac
    local command="" word
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        [[ " $commands " == *" $word "* ]] && { command=$word; break; }
    done
    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands $globals" -- "$cur"))
        return
    fi
    case $command in
        ls) COMPREPLY=($(compgen -W "-l -t -S -r $globals" -- "$cur")) ;;
        df) COMPREPLY=($(compgen -W "-h $globals" -- "$cur")) ;;
        put) COMPREPLY=($(compgen -W "-r --verify --no-verify --keep-partial" -- "$cur") $(compgen -f -- "$cur")) ;;
        sync) COMPREPLY=($(compgen -W "--pull --checksum --delete --dry-run" -- "$cur") $(compgen -d -- "$cur")) ;;
        cmp) COMPREPLY=($(compgen -W "--clean" -- "$cur") $(compgen -f -- "$cur")) ;;
        format) COMPREPLY=($(compgen -W "--yes" -- "$cur")) ;;
        mkdir) COMPREPLY=($(compgen -W "--mode" -- "$cur")) ;;
        settings) COMPREPLY=($(compgen -W "'Update RTC' 'Update Diagnosis Information' 'Available Space' 'FDI Ver Check' 'Verify After Write'" -- "$cur")) ;;
        get|cat|stat|rm|mv|rmdir|chmod)
            local names
            names=$(quorvex -q --core "${QUORVEX_CORE:-cp}" ls 2>/dev/null </dev/null)
            COMPREPLY=($(compgen -W "$names" -- "$cur") $(compgen -f -- "$cur")) ;;
    esac
}
complete -F _quorvex quorvex
