# shellcheck shell=bash
# Shared Wine set-up for Quillmark's scripts (wine-run, run-quillmark).
# Source it; it defines functions only and changes nothing by itself.
#
# Environment read here:
#   QUILL_WINE_TEMPLATE  template prefix to copy (default: <build dir>/wine-template,
#                        else ${XDG_CACHE_HOME:-~/.cache}/quillmark/wine-template)
#   QUILL_WINE_VERBOSE   non-empty: say what is being done on stderr
#   QUILL_WINEDEBUG      WINEDEBUG value for the program (default -all)

QUILL_LOCALE=ja_JP.UTF-8

here_env=$(dirname "${BASH_SOURCE[0]}")
# shellcheck source=scripts/display-env.sh
source "$here_env/display-env.sh"

quill_have_locale() { locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; }

# Exports what every Wine start needs: Japanese locale (ANSI code page 932),
# no Mono/Gecko prompts, no debug chatter.
quill_wine_env() {
    command -v wine >/dev/null || quill_fail "wine is not installed (see scripts/install-deps)" || return
    quill_have_locale || quill_fail "locale $QUILL_LOCALE is missing; as root run:" \
        "localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 (or scripts/install-deps)" || return
    export LANG=$QUILL_LOCALE LC_ALL=$QUILL_LOCALE
    export WINEDEBUG=${QUILL_WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=win64
    unset WINELOADERNOEXEC WINESERVER
}

# Prints the CMake build directory that holds $1 (a file or directory), if any.
quill_build_dir_of() {
    local d
    d=$(cd "$(dirname "$1")" 2>/dev/null && pwd) || return 1
    while [[ $d != / ]]; do
        [[ -f $d/CMakeCache.txt ]] && { echo "$d"; return 0; }
        d=$(dirname "$d")
    done
    return 1
}

# Prints the template prefix path to use for program $1.
quill_template_path() {
    local build
    if [[ -n ${QUILL_WINE_TEMPLATE:-} ]]; then
        echo "$QUILL_WINE_TEMPLATE"
    elif build=$(quill_build_dir_of "$1"); then
        echo "$build/wine-template"
    else
        echo "${XDG_CACHE_HOME:-$HOME/.cache}/quillmark/wine-template"
    fi
}

quill_template_stamp() { echo "$(wine --version) $(uname -m) $QUILL_LOCALE v1"; }

# Makes template prefix $1 unless a finished one is there. Concurrent callers
# serialise on "$1.lock"; the prefix is built beside it and renamed into place,
# so a half-made template is never seen.
quill_template_ensure() {
    local tpl=$1 lockfd stamp
    stamp=$(quill_template_stamp)
    [[ -f $tpl/.quill-template && $(<"$tpl/.quill-template") == "$stamp" ]] && return 0
    mkdir -p "$(dirname "$tpl")" || return
    exec {lockfd}>"$tpl.lock" || return
    flock "$lockfd"
    if ! [[ -f $tpl/.quill-template && $(<"$tpl/.quill-template") == "$stamp" ]]; then
        quill_say "creating Wine template prefix $tpl"
        rm -rf "$tpl" "$tpl.new"
        # Wine's own processes must not inherit the lock.
        if (quill_template_build "$tpl.new" "$stamp") {lockfd}>&-; then
            mv "$tpl.new" "$tpl"
        else
            rm -rf "$tpl.new"
            exec {lockfd}>&-
            quill_fail "could not create the Wine prefix $tpl"
            return
        fi
    fi
    exec {lockfd}>&-
}

quill_template_build() {
    local prefix=$1 stamp=$2 home
    export WINEPREFIX=$prefix
    unset DISPLAY
    wineboot -i >/dev/null 2>&1 || return
    wineserver -w
    # A crashing test program must not wait on a crash dialog.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1 || return
    wineserver -w
    # Wine links the profile folders (Desktop, Documents, ...) to the Unix home;
    # make them plain folders so programs under test cannot write outside the prefix.
    for home in "$prefix"/drive_c/users/*/; do
        find "$home" -maxdepth 2 -type l -lname '/*' -print0 |
            while IFS= read -r -d '' link; do rm -f "$link" && mkdir -p "$link"; done
    done
    echo "$stamp" >"$prefix/.quill-template"
}

# Copies template $1 to new prefix $2.
quill_prefix_copy() { cp -a "$1" "$2"; }

# Waits for every process of $WINEPREFIX to end (at most $1 seconds), then
# stops the prefix's wineserver if it is still there.
quill_wineserver_finish() {
    local limit=$1
    [[ -n ${WINEPREFIX:-} && -d $WINEPREFIX ]] || return 0
    if ! timeout "$limit" wineserver -w 2>/dev/null; then
        echo "${QUILL_SCRIPT:-wine}: Wine processes still running after ${limit}s; killing them" >&2
        wineserver -k 2>/dev/null
        timeout 10 wineserver -w 2>/dev/null
    fi
    return 0
}
