# bash completion for q5upgrade                             -*- shell-script -*-
#
# Installed as /usr/share/bash-completion/completions/q5upgrade. Needs no
# helper from the bash-completion package, so it also works when sourced
# by hand. Completes the tree interface's options and their values, and
# paths: directories and *.c/*.h files (any file when none of those match).

_q5upgrade_paths() {
    # $1: the word so far; $2: "dirs" for directories only.
    local IFS=$'\n'
    compopt -o filenames 2>/dev/null
    if [[ $2 == dirs ]]; then
        COMPREPLY=($(compgen -d -- "$1"))
        return
    fi
    COMPREPLY=($(compgen -d -- "$1") $(compgen -f -X '!*.[ch]' -- "$1"))
    [[ ${#COMPREPLY[@]} -eq 0 ]] && COMPREPLY=($(compgen -f -- "$1"))
}

_q5upgrade_rules() {
    echo q5-aliased-call q5-char-literal-split q5-comment-removed q5-conversion-failed \
        q5-convertible q5-declaration q5-directive-in-list q5-dropped-arguments \
        q5-lost-tokens q5-macro-pairs q5-malformed-pair q5-malformed-suppression \
        q5-missed-call q5-shifted-pairing q5-stringized-call q5-terminator-as-value q5-terminator-guess \
        q5-too-complex q5-unclosed-pair q5-unproven q5-unterminated-list q5-unused-suppression \
        q5-xt-special-argument
}

# _q5upgrade_value OPTION WORD: completes the value of OPTION; returns 1
# when OPTION takes no value.
_q5upgrade_value() {
    case $1 in
        --output-format)
            COMPREPLY=($(compgen -W 'text json github sarif' -- "$2")) ;;
        --color)
            COMPREPLY=($(compgen -W 'auto always never' -- "$2")) ;;
        --select | --ignore | --explain)
            COMPREPLY=($(compgen -W "$(_q5upgrade_rules)" -- "$2")) ;;
        --report | --files-from | --config | --compile-commands)
            local IFS=$'\n'
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$2")) ;;
        -I | -p)
            _q5upgrade_paths "$2" dirs ;;
        -j | --jobs | --include | --extend-include | --exclude)
            COMPREPLY=() ;;  # a number or a pattern: nothing to offer
        *)
            return 1 ;;
    esac
    return 0
}

_q5upgrade() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev='' i
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}

    # "--option=value": bash makes '=' a word of its own when it is in
    # COMP_WORDBREAKS (the default), else it stays inside the word.
    if [[ $cur == = && $prev == --* ]]; then
        _q5upgrade_value "$prev" '' && return
    elif [[ $prev == = ]] && ((COMP_CWORD > 1)) && [[ ${COMP_WORDS[COMP_CWORD - 2]} == --* ]]; then
        _q5upgrade_value "${COMP_WORDS[COMP_CWORD - 2]}" "$cur" && return
    elif [[ $cur == --*=* ]]; then
        if _q5upgrade_value "${cur%%=*}" "${cur#*=}"; then
            local option=${cur%%=*}
            for i in "${!COMPREPLY[@]}"; do COMPREPLY[i]=$option=${COMPREPLY[i]}; done
            return
        fi
    elif [[ $prev == -* ]]; then
        # The value in the next word: --report FILE, -I DIR, -j N.
        _q5upgrade_value "$prev" "$cur" && return
    fi

    # After "--" every word is a path.
    for ((i = 1; i < COMP_CWORD; i++)); do
        if [[ ${COMP_WORDS[i]} == -- ]]; then
            _q5upgrade_paths "$cur"
            return
        fi
    done

    if [[ $cur == -* ]]; then
        local options='-d --diff -c --check -i --in-place --stdout -j --jobs=
            --include= --extend-include= --exclude= --force-exclude --no-ignore
            --files-from= -0 -z --null -I --config= --isolated --select= --ignore=
            --unsafe-fixes --verify -p --compile-commands= --statistics --output-format= --color= --report= --werror
            --exit-zero --verbose -q --quiet --list-rules --explain= -h --help
            -V --version'
        # The classic "-upgrade file" form, only as the first word (after
        # a tree option it would be read as one).
        ((COMP_CWORD == 1)) && options+=' -upgrade'
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
        return
    fi
    _q5upgrade_paths "$cur"
}

complete -F _q5upgrade q5upgrade

# ex: filetype=sh
