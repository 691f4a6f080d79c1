# Bash completion of sarnith: its options, the values of -d, -i, -p, --threads, files
# for -f, folders for -r and -s, and inside the quoted LQL statement its
# keywords, output names, search parameters and the gateway names of the
# root directory in use (-r on the line, else the stored default).
#
# The output names and search parameters come from the program on the line
# (--outputtypes, --parameters), so they are always the ones it knows.
#
# To add an option: add its forms to _sarnith_options; if it takes a value,
# add a case to _sarnith_option_value.

_sarnith_options=(
    -s --setrootdir
    -r --userootdir
    -g --getrootdir
    -f --file
    -d --delimiter
    -a --addenddelimiter
    -i --ipformat
    -m --parameters
    -o --outputtypes
    -p --priority
    -h --help
    -v --version
    --json
    --csv
    --threads
    --follow
)

# The reserved words of LQL: a gateway name that is one of them, or an
# output name or search parameter, must be quoted in a statement.
_sarnith_reserved=(all and day days enet error file from full hours in ip last not number or realtime
    select string tcp times to udp where)

# COMPREPLY gets the words of $2... that begin with $1 (any letter case,
# quotes not counted), each with the text $_sarnith_lead before it and a
# blank after it.
_sarnith_add_words()
{
    local prefix=${1,,} word bare
    prefix=${prefix//[\'\\]/}
    shift
    for word; do
        bare=${word,,}
        bare=${bare//[\'\\]/}
        [[ -n $word && $bare == "$prefix"* ]] && COMPREPLY+=("$_sarnith_lead$word ")
    done
}

# The names that a listing option of the program prints ($1: the option).
_sarnith_listed()
{
    "$_sarnith_program" "$1" 2>/dev/null | tail -n +2 | tr -s ' ' '\n'
}

# A word of the command line as the shell reads it: quotes removed, a
# leading ~ expanded.
_sarnith_dequote()
{
    local word=$1
    case $word in
    \'*\') word=${word:1:${#word}-2} ;;
    \"*\") word=${word:1:${#word}-2} ;;
    *) word=${word//\\/} ;;
    esac
    [[ $word == \~* ]] && word=$HOME${word:1}
    printf '%s\n' "$word"
}

# The root directory of the run: the last -r on the line, else the stored
# default.
_sarnith_root_dir()
{
    local i dir=
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i],,} in
        -r | --userootdir) ((i + 1 < COMP_CWORD)) && dir=$(_sarnith_dequote "${COMP_WORDS[i + 1]}") ;;
        esac
    done
    [[ -z $dir ]] && dir=$("$_sarnith_program" -g 2>/dev/null)
    [[ -d $dir ]] && printf '%s\n' "$dir"
}

# The gateway names configured in Ostrel.cfg of the root directory: FWNAMEn
# for n below NRFIREWALLS (keys in any case, the first of equal keys counts).
_sarnith_gateways()
{
    local dir
    dir=$(_sarnith_root_dir) || return
    awk '
        function trim(s) { gsub(/^[[:space:][:cntrl:]]+|[[:space:][:cntrl:]]+$/, "", s); return s }
        /^[[:space:][:cntrl:]]*#/ || index($0, "=") == 0 { next }
        {
            key = toupper(trim(substr($0, 1, index($0, "=") - 1)))
            value = substr($0, index($0, "=") + 1)
            sub(/#.*/, "", value)
            if (!(key in seen)) { seen[key] = 1; values[key] = trim(value) }
        }
        END {
            for (n = 0; n < values["NRFIREWALLS"] + 0; n++)
                if (("FWNAME" n) in values) print values["FWNAME" n]
        }' "$dir/Ostrel.cfg" 2>/dev/null
}

# The words that may follow the statement text $1 (the text before the word
# being typed), one to a line.
_sarnith_statement_words()
{
    local text=${1,,}
    # Quoted values are no keywords: each counts as one word.
    while [[ $text == *\'*\'* ]]; do
        text="${text%%\'*} value ${text#*\'*\'}"
    done
    # Inside the list of an IN statement, values follow.
    [[ $text =~ [[:space:]]in[[:space:]]*\([^\)]*$ ]] && return
    text=${text//,/ }
    text=${text//\(/ ( }
    text=${text//\)/ ) }
    text=${text//[\[\]]/ }
    text=${text//[=<>]/ = }
    local -a tokens
    read -ra tokens <<<"$text"
    local token clause=
    for token in "${tokens[@]}"; do
        case $token in select | from | where) clause=$token ;; esac
    done
    local last= before=
    ((${#tokens[@]} > 0)) && last=${tokens[-1]}
    ((${#tokens[@]} > 1)) && before=${tokens[-2]}
    case $clause in
    '') printf '%s\n' select ;;
    select)
        _sarnith_listed --outputtypes
        printf '%s\n' from
        ;;
    from)
        case $last in
        last) printf '%s\n' days hours full ;;
        full) printf '%s\n' day days hours ;;
        days | hours | file | times | to) ;;
        *)
            _sarnith_gateways | _sarnith_quote_names
            printf '%s\n' all file times last and where
            ;;
        esac
        ;;
    where)
        case $last in
        where | and | or | not | \()
            _sarnith_listed --parameters
            printf '%s\n' not
            ;;
        \)) printf '%s\n' and or ;;
        *) [[ $before == = ]] && printf '%s\n' and or ;;
        esac
        ;;
    esac
}

# Gateway names that the statement must quote (all digits, or a keyword)
# in single quotes, written for the quote the statement is in.
_sarnith_quote_names()
{
    local -A reserved
    local name
    for name in "${_sarnith_reserved[@]}" $(_sarnith_listed --parameters) $(_sarnith_listed --outputtypes); do
        reserved[$name]=1
    done
    while IFS= read -r name; do
        if [[ $name =~ ^[0-9]+$ || -n ${reserved[${name,,}]-} ]]; then
            [[ $_sarnith_quote == \' ]] && name="'\\''$name'\\''" || name="'$name'"
        fi
        printf '%s\n' "$name"
    done
}

# Completes inside the statement; $1 is its text up to the cursor, without
# the opening quote.
_sarnith_statement()
{
    local text=$1
    local word=${text##*[[:space:],()=<>\[\]]}
    local before=${text%"$word"}
    local quotes=${before//[!\']/}
    ((${#quotes} % 2)) && return # inside a quoted value
    local -a words
    mapfile -t words < <(_sarnith_statement_words "$before")
    local _sarnith_lead=$before
    # A list being shown needs the words alone; one being inserted needs
    # them with the text before, which the shell replaces as a whole.
    [[ ${COMP_TYPE-} == 63 ]] && _sarnith_lead=
    _sarnith_add_words "$word" "${words[@]}"
    # A single match would close the statement's quote: offer it twice,
    # with one and with two blanks, so that only its common part is
    # inserted, the word and one blank.
    if ((${#COMPREPLY[@]} == 1)) && [[ -n $_sarnith_quote ]]; then
        COMPREPLY+=("${COMPREPLY[0]} ")
    fi
}

# The values of ';' ',' '#' and a tab: quoted for the shell, unless the
# word already opened a quote.
_sarnith_delimiters()
{
    local _sarnith_lead=
    if [[ -n $_sarnith_quote ]]; then
        _sarnith_add_words "$1" ';' ',' '#' '\t'
    else
        _sarnith_add_words "$1" "';'" "','" "'#'" "'\\t'"
    fi
}

# Completes the value of option $1 (in lower case); fails when $1 takes none.
_sarnith_option_value()
{
    local cur=$2 _sarnith_lead=
    case $1 in
    -s | --setrootdir | -r | --userootdir)
        compopt -o filenames +o nospace
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        ;;
    -f | --file)
        compopt -o filenames +o nospace
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        ;;
    -d | --delimiter) _sarnith_delimiters "$cur" ;;
    -i | --ipformat) _sarnith_add_words "$cur" s f i ;;
    -p | --priority) _sarnith_add_words "$cur" low normal high ;;
    --threads) _sarnith_add_words "$cur" 1 2 4 8 ;;
    *) return 1 ;;
    esac
}

_sarnith()
{
    COMPREPLY=()
    local word=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1],,}
    local cur=$2
    local _sarnith_quote=
    [[ $word == [\"\']* ]] && _sarnith_quote=${word:0:1}
    local _sarnith_program=${COMP_WORDS[0]}
    [[ $_sarnith_program == \~* ]] && _sarnith_program=$HOME${_sarnith_program:1}
    compopt -o nospace

    _sarnith_option_value "$prev" "$cur" && return
    if [[ -z $_sarnith_quote && $cur == -* ]]; then
        local _sarnith_lead=
        _sarnith_add_words "$cur" "${_sarnith_options[@]}"
    elif [[ $prev == -a || $prev == --addenddelimiter ]] && [[ -z $cur || $cur != [sS]* ]]; then
        _sarnith_delimiters "$cur"
    elif [[ -n $_sarnith_quote ]]; then
        _sarnith_statement "$cur"
    elif [[ -z $cur || select == "${cur,,}"* ]]; then
        COMPREPLY=('"select ')
    fi
}

complete -F _sarnith sarnith
