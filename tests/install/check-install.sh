#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# install_layout: Ohmrada installed the way a user gets a desktop program.
#
#  1. `cmake --install` into a staging folder (DESTDIR, prefix /usr):
#     - exactly the expected files, each identical to its source, the
#       programs executable and free of build-tree run paths, nothing else
#       executable or writable by others;
#     - desktop-file-validate and `appstreamcli validate --no-net` pass on the
#       installed desktop entry and metainfo, and the names in them (program,
#       icon, MIME type, desktop id) match the installed files;
#     - the MIME type, compiled with update-mime-database, makes *.odr and a
#       saved configuration without extension "application/x-ohmrada" with
#       the German comment, as a file manager asks for it;
#     - the manual page renders without warnings, names every option of
#       `ohmrada-calc --help` and the version, and shows the file --save
#       writes;
#     - ohmrada-calc prints the start-up results; ohmrada opens its window
#       offscreen and F1 shows a help page from share/ohmrada/help (and the
#       build-tree ohmrada one from ohmrada-help/ beside it);
#     - the command line of the desktop entry (Exec with %f, as a file
#       manager runs it for a double-clicked file) opens that file: its path
#       is in the window's title.
#  2. `cpack -G DEB` into a temporary folder:
#     - the control data (dpkg-deb -I) names the package, version and
#       architecture, and Depends is computed: versioned, and holding the
#       package of every library the programs link;
#     - every entry is root's with the usual modes (dpkg-deb -c);
#     - extracted into a throwaway folder (dpkg-deb -x): the same layout,
#       stripped programs, and ohmrada-calc and ohmrada behave as in 1.
#
# Nothing is installed into the machine's own system. A missing tool fails
# the test; scripts/deps.sh --test installs them.
#
# Usage: check-install.sh --source DIR --build DIR --config CFG --cmake CMAKE
#            --cpack CPACK --version VERSION --app-id ID
#            [--window EXE --build-help DIR --help-probe LIB --mime-probe EXE]
#            [--plot-module PATH]
# PATH: where the plot windows' module is installed, relative to the prefix.
# The --window group is given when the desktop program is built.
set -uo pipefail

source_dir= build_dir= config= cmake= cpack= version= app_id=
window= build_help= help_probe= mime_probe= plot_module=
while [[ $# -gt 0 ]]; do
    case "$1" in
        --source) source_dir=$2 ;;
        --build) build_dir=$2 ;;
        --config) config=$2 ;;
        --cmake) cmake=$2 ;;
        --cpack) cpack=$2 ;;
        --version) version=$2 ;;
        --app-id) app_id=$2 ;;
        --window) window=$2 ;;
        --build-help) build_help=$2 ;;
        --help-probe) help_probe=$2 ;;
        --mime-probe) mime_probe=$2 ;;
        --plot-module) plot_module=$2 ;;
        *) echo "check-install.sh: unknown argument $1" >&2; exit 2 ;;
    esac
    shift 2 || { echo "check-install.sh: $1 needs a value" >&2; exit 2; }
done
for required in source_dir build_dir cmake cpack version app_id; do
    [[ -n ${!required} ]] || { echo "check-install.sh: --${required%_dir} is missing" >&2; exit 2; }
done
if [[ -n $window && ( -z $build_help || -z $help_probe || -z $mime_probe ) ]]; then
    echo "check-install.sh: --window needs --build-help, --help-probe and --mime-probe" >&2
    exit 2
fi

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
die() {
    echo "FAIL: $*"
    echo "install_layout: stopped"
    exit 1
}
pass() { echo "ok: $*"; }
# checkpoint, then pass_if_clean MESSAGE: "ok" only when no check between the
# two failed.
checkpoint() { checkpoint_failures=$failures; }
pass_if_clean() { [[ $failures -ne $checkpoint_failures ]] || pass "$@"; }

# The programs under test run in the caller's locale (CI runs this under
# German and French ones); the tools whose output is read run in C.UTF-8.
if [[ -n ${LC_ALL+set} ]]; then
    caller_locale=(LC_ALL="$LC_ALL")
else
    caller_locale=(-u LC_ALL)
fi
as_caller() { env "${caller_locale[@]}" "$@"; }
export LC_ALL=C.UTF-8
unset DESTDIR

tool_packages=(
    desktop-file-validate:desktop-file-utils appstreamcli:appstream dpkg:dpkg
    dpkg-deb:dpkg dpkg-shlibdeps:dpkg-dev file:file readelf:binutils
    update-mime-database:shared-mime-info groff:groff-base tbl:groff-base
    ldd:libc-bin timeout:coreutils realpath:coreutils)
missing=()
for entry in "${tool_packages[@]}"; do
    command -v "${entry%%:*}" >/dev/null || missing+=("${entry%%:*} (package ${entry#*:})")
done
[[ ${#missing[@]} -eq 0 ]] || die "missing tools: ${missing[*]}; run scripts/deps.sh --test"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/ohmrada-install.XXXXXX") || die "no temporary folder"
if [[ -n ${OHMRADA_KEEP_INSTALL_TEST:-} ]]; then
    echo "install_layout: keeping $tmp"
else
    trap 'rm -rf "$tmp"' EXIT
fi
mkdir -m 700 "$tmp/runtime"
mime_icon=application-x-ohmrada
mime_type=application/x-ohmrada
arch=$(dpkg --print-architecture)

# The help pages as the build wrote them (relative paths).
help_pages() {
    (cd "$build_help" && find . -type f -printf '%P\n' | sort)
}

# Every file a user gets, relative to the root of the installation.
expected_files() {
    {
        echo usr/bin/ohmrada-calc
        echo usr/libexec/ohmrada/ohmrada-simulation-worker
        echo usr/share/man/man1/ohmrada-calc.1
        echo usr/share/doc/ohmrada/copyright
        if [[ -n $window ]]; then
            echo usr/bin/ohmrada
            [[ -z $plot_module ]] || echo "usr/$plot_module"
            echo "usr/share/applications/$app_id.desktop"
            echo "usr/share/metainfo/$app_id.metainfo.xml"
            echo "usr/share/mime/packages/$app_id.xml"
            echo "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
            echo "usr/share/icons/hicolor/32x32/apps/$app_id.png"
            echo "usr/share/icons/hicolor/scalable/mimetypes/$mime_icon.svg"
            echo "usr/share/icons/hicolor/32x32/mimetypes/$mime_icon.png"
            help_pages | sed 's|^|usr/share/ohmrada/help/|'
        fi
    } | sort
}

# Installed file -> the source it must be identical to.
source_of() {
    case "$1" in
        usr/share/man/man1/ohmrada-calc.1) echo "$source_dir/packaging/ohmrada-calc.1" ;;
        usr/share/doc/ohmrada/copyright) echo "$source_dir/LICENSE" ;;
        usr/share/applications/*) echo "$source_dir/packaging/$app_id.desktop" ;;
        usr/share/metainfo/*) echo "$source_dir/packaging/$app_id.metainfo.xml" ;;
        usr/share/mime/packages/*) echo "$source_dir/packaging/ohmrada-mime.xml" ;;
        usr/share/icons/*.svg) echo "$source_dir/res/icon/ohmrada.svg" ;;
        usr/share/icons/*.png) echo "$source_dir/res/icon/ohmrada-32.png" ;;
        usr/share/ohmrada/help/*) echo "$build_help/${1#usr/share/ohmrada/help/}" ;;
    esac
}

# check_layout ROOT LABEL [stripped]
check_layout() {
    local root=$1 label=$2 stripped=${3:-}
    local actual
    actual=$(cd "$root" && find . \( -type f -o -type l \) -printf '%P\n' | sort)
    if ! diff -u <(expected_files) <(echo "$actual") >"$tmp/layout.diff"; then
        fail "$label: the installed files differ from the expected ones (- expected, + installed):"
        sed -n '3,$p' "$tmp/layout.diff"
    else
        pass "$label: $(echo "$actual" | wc -l) files, as expected"
    fi

    local file src
    while read -r file; do
        [[ -e $root/$file ]] || continue
        src=$(source_of "$file")
        if [[ -n $src ]] && ! cmp -s "$src" "$root/$file"; then
            fail "$label: $file is not a copy of ${src#"$source_dir"/}"
        fi
    done < <(expected_files)

    local program description
    for program in "$root"/usr/bin/*; do
        [[ -f $program ]] || continue
        [[ -x $program ]] || fail "$label: ${program#"$root"/} is not executable"
        description=$(file -b "$program")
        [[ $description == ELF*executable* ]] ||
            fail "$label: ${program#"$root"/} is not an ELF program: $description"
        if [[ -n $stripped && $description != *", stripped"* ]]; then
            fail "$label: ${program#"$root"/} is not stripped: $description"
        fi
        if readelf -dW "$program" | grep -E '\((RPATH|RUNPATH)\)' |
                grep -qF -e "$build_dir" -e "$source_dir"; then
            fail "$label: ${program#"$root"/} keeps a build-tree run path:" \
                "$(readelf -dW "$program" | grep -E 'RPATH|RUNPATH')"
        fi
    done
    local loose
    loose=$(cd "$root" && find . -perm /022 ! -type l -printf '%P\n')
    [[ -z $loose ]] || fail "$label: writable by group or others: $loose"
    loose=$(cd "$root" && find usr/share -type f -perm /111 -printf "%p\n" 2>/dev/null)
    [[ -z $loose ]] || fail "$label: data files marked executable: $loose"

    if [[ -n $window ]]; then
        local png=$root/usr/share/icons/hicolor/32x32/apps/$app_id.png
        local svg=$root/usr/share/icons/hicolor/scalable/apps/$app_id.svg
        [[ ! -e $png || $(file -b "$png") == "PNG image data, 32 x 32,"* ]] ||
            fail "$label: the 32x32 icon is $(file -b "$png")"
        [[ ! -e $svg || $(file -b "$svg") == *"SVG Scalable Vector Graphics image"* ]] ||
            fail "$label: the scalable icon is $(file -b "$svg")"
    fi
}

# check_calc ROOT LABEL: the start-up results, and the version.
check_calc() {
    local calc=$1/usr/bin/ohmrada-calc label=$2 out
    checkpoint
    if ! out=$(as_caller "$calc" --format json 2>&1); then
        fail "$label: ohmrada-calc --format json failed: $out"
    elif ! grep -qF '"1007": "68.901"' <<<"$out"; then
        fail "$label: ohmrada-calc does not show the start-up efficiency 68.901: $out"
    fi
    if ! out=$(as_caller "$calc" 2>&1); then
        fail "$label: ohmrada-calc failed: $out"
    elif ! grep -qE '^  Wirkungsgrad: +68\.901 %$' <<<"$out"; then
        fail "$label: the table of ohmrada-calc lacks 'Wirkungsgrad: 68.901 %': $out"
    fi
    out=$(as_caller "$calc" --version 2>&1)
    [[ $out == "ohmrada-calc $version" ]] ||
        fail "$label: ohmrada-calc --version says '$out', not 'ohmrada-calc $version'"
    pass_if_clean "$label: ohmrada-calc prints the start-up results"
}

# check_window EXE HELP_DIR LABEL [FILE]: the window opens offscreen, and F1
# shows a page of HELP_DIR identical to the source's. With FILE, the program
# is started as the desktop entry's Exec line starts it for that file, and
# the window's title must name the file.
check_window() {
    local exe=$1 help_dir=$2 label=$3 file=${4-} out rc
    local -a command=("$exe")
    if [[ -n $file ]]; then
        local word
        command=()
        for word in $(entry Exec); do
            case "$word" in
                ohmrada) command+=("$exe") ;;
                %f) command+=("$file") ;;
                *) command+=("$word") ;;
            esac
        done
    fi
    out=$(as_caller env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen \
        XDG_RUNTIME_DIR="$tmp/runtime" LD_PRELOAD="$help_probe" \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0:detect_leaks=0" \
        timeout 90 "${command[@]}" 2>"$tmp/window.err")
    rc=$?
    if [[ $rc -ne 0 ]]; then
        fail "$label: ohmrada ended with $rc: $out $(cat "$tmp/window.err")"
        return
    fi
    local title page chars
    title=$(sed -n 's/^probe: window //p' <<<"$out")
    page=$(sed -n 's/^probe: help //p' <<<"$out")
    chars=$(sed -n 's/^probe: help-text //p' <<<"$out")
    [[ $title == Ohmrada* ]] || fail "$label: the window's title is '$title'"
    if [[ -n $file && $title != "Ohmrada -- $file" ]]; then
        fail "$label: started as the desktop entry starts it for $file, the title is '$title'"
        return
    fi
    if [[ -z $page ]]; then
        fail "$label: no help page was shown: $out"
        return
    fi
    local want got
    want=$(realpath -m "$help_dir")
    got=$(realpath -m "$(dirname "$page")")
    if [[ $got != "$want" ]]; then
        fail "$label: the help came from $got, not from $want"
    elif ! cmp -s "$page" "$build_help/$(basename "$page")"; then
        fail "$label: the help page $page is not the build's $(basename "$page")"
    elif [[ ! $chars =~ ^[0-9]+$ || $chars -eq 0 ]]; then
        fail "$label: the help page shows no text"
    else
        pass "$label: window '${title#"Ohmrada -- $tmp"/}', F1 shows ${page#"$tmp"/}"
    fi
}

field_of() { # field_of NAME < control
    sed -n "s/^$1: //p"
}

echo "== cmake --install into a staging folder"
stage=$tmp/stage
if ! DESTDIR=$stage "$cmake" --install "$build_dir" --prefix /usr ${config:+--config "$config"} \
        >"$tmp/install.log" 2>&1; then
    cat "$tmp/install.log"
    die "cmake --install failed"
fi
check_layout "$stage" staged

if [[ -n $window ]]; then
    echo "== desktop entry and metainfo"
    desktop=$stage/usr/share/applications/$app_id.desktop
    metainfo=$stage/usr/share/metainfo/$app_id.metainfo.xml
    mime_xml=$stage/usr/share/mime/packages/$app_id.xml
    if out=$(desktop-file-validate "$desktop" 2>&1) && [[ -z $out ]]; then
        pass "desktop-file-validate"
    else
        fail "desktop-file-validate: $out"
    fi
    if out=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
        pass "appstreamcli validate --no-net"
    else
        fail "appstreamcli validate --no-net: $out"
    fi

    checkpoint
    entry() { sed -n "s/^$1=//p" "$desktop"; }
    [[ $(entry Exec) == "ohmrada %f" ]] ||
        fail "desktop entry: Exec=$(entry Exec), not 'ohmrada %f' (the file a file manager opens)"
    for key in Exec TryExec; do
        program=$(entry "$key" | cut -d' ' -f1)
        [[ -n $program && -x $stage/usr/bin/$program ]] ||
            fail "desktop entry: $key=$program is not an installed program"
    done
    [[ $(entry Icon) == "$app_id" ]] || fail "desktop entry: Icon=$(entry Icon), not $app_id"
    [[ $(entry Categories) == "Education;Engineering;Electronics;" ]] ||
        fail "desktop entry: Categories=$(entry Categories)"
    [[ ";$(entry MimeType)" == *";$mime_type;"* ]] ||
        fail "desktop entry: MimeType=$(entry MimeType) lacks $mime_type"
    [[ $(entry 'Name') == Ohmrada && -n $(entry 'Comment\[de\]') && -n $(entry 'GenericName\[de\]') ]] ||
        fail "desktop entry: Name, German GenericName and Comment are missing"
    grep -qF "<id>$app_id</id>" "$metainfo" || fail "metainfo: the id is not $app_id"
    grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
        fail "metainfo: does not launch $app_id.desktop"
    grep -qF "<release version=\"$version\"" "$metainfo" ||
        fail "metainfo: no release $version"
    grep -qF "<mediatype>$mime_type</mediatype>" "$metainfo" ||
        fail "metainfo: does not provide $mime_type"
    while read -r program; do
        [[ -x $stage/usr/bin/$program ]] || fail "metainfo: provides $program, which is not installed"
    done < <(sed -n 's|.*<binary>\(.*\)</binary>.*|\1|p' "$metainfo")
    grep -q '<summary xml:lang="de">' "$metainfo" || fail "metainfo: no German summary"
    grep -qF "<mime-type type=\"$mime_type\">" "$mime_xml" || fail "MIME package: no $mime_type"
    pass_if_clean "desktop entry, metainfo and MIME package name each other"

    echo "== the MIME type as a file manager sees it"
    checkpoint
    mimedb=$tmp/mimedb/share/mime
    mkdir -p "$mimedb/packages" "$tmp/empty" "$tmp/files"
    cp "$mime_xml" "$mimedb/packages/"
    if ! out=$(XDG_DATA_DIRS="$tmp/mimedb/share:/usr/share" XDG_DATA_HOME="$tmp/empty" \
            update-mime-database "$mimedb" 2>&1) || [[ -n $out ]]; then
        fail "update-mime-database: $out"
    fi
    grep -qxF "50:$mime_type:*.odr" "$mimedb/globs2" ||
        fail "the compiled MIME database has no glob *.odr for $mime_type"
    if as_caller "$stage/usr/bin/ohmrada-calc" --save "$tmp/files/netzteil.odr" >/dev/null; then
        cp "$tmp/files/netzteil.odr" "$tmp/files/netzteil"
        cp "$tmp/files/netzteil.odr" "$tmp/files/mein netzteil.odr"
        printf 'Einkaufsliste\n' >"$tmp/files/notiz.txt"
        files=("$tmp/files/netzteil.odr" "$tmp/files/netzteil" "$tmp/files/notiz.txt")
        mime_lookup() { # mime_lookup DATA_DIRS LANG FILE...
            local dirs=$1 lang=$2
            shift 2
            env XDG_DATA_DIRS="$dirs" XDG_DATA_HOME="$tmp/empty" LC_ALL="$lang" LANG="$lang" \
                LANGUAGE="${lang%%_*}" "$mime_probe" "$@" 2>/dev/null | sed "s|^$tmp/files/||"
        }
        expect_de=$(printf '%s\t%s\t%s\n' \
            netzteil.odr "$mime_type" Ohmrada-Konfiguration \
            netzteil "$mime_type" Ohmrada-Konfiguration)
        got=$(mime_lookup "$tmp/mimedb/share:/usr/share" de_DE.UTF-8 "${files[@]}")
        [[ $(head -2 <<<"$got") == "$expect_de" ]] ||
            fail "German desktop: the saved configuration is not an Ohmrada-Konfiguration: $got"
        [[ $(sed -n 3p <<<"$got" | cut -f2) == text/plain ]] ||
            fail "a plain text file is no longer text/plain: $got"
        got=$(mime_lookup "$tmp/mimedb/share:/usr/share" C "${files[0]}")
        [[ $got == "netzteil.odr	$mime_type	Ohmrada configuration" ]] ||
            fail "other languages: $got"
        got=$(mime_lookup "$tmp/empty" C "${files[0]}")
        [[ $got != *"$mime_type"* ]] ||
            fail "the type is known without the installed package, so the check proves nothing: $got"
        pass_if_clean "*.odr and saved configurations are Ohmrada-Konfiguration"
    else
        fail "ohmrada-calc --save could not write a configuration"
    fi
fi

echo "== the manual page"
checkpoint
man_page=$stage/usr/share/man/man1/ohmrada-calc.1
if ! out=$(groff -t -man -Tutf8 -ww -z "$man_page" 2>&1) || [[ -n $out ]]; then
    fail "groff warns on the manual page: $out"
fi
help_options=$(as_caller "$stage/usr/bin/ohmrada-calc" --help |
    grep -oE '(^|[ ,|[])--?[a-z]+' | grep -oE -- '--?[a-z]+' | sort -u)
[[ $help_options == *--format* ]] || fail "ohmrada-calc --help names no options: $help_options"
# Each option heads its own tagged paragraph: ".TP", then ".B \-\-name"
# (or .BI, .BR).
for option in $help_options; do
    option="${option//-/\\-}" awk 'previous == ".TP" && ($1 == ".B" || $1 == ".BI" || $1 == ".BR") &&
            $2 == ENVIRON["option"] { found = 1 } { previous = $0 } END { exit !found }' "$man_page" ||
        fail "the manual page has no paragraph for $option of --help"
done
grep -qE "^\.TH OHMRADA\\\\-CALC 1 .*\"Ohmrada $version\"" "$man_page" ||
    fail "the manual page's title does not name version $version"
if as_caller "$stage/usr/bin/ohmrada-calc" --save "$tmp/startup.odr" >/dev/null; then
    while IFS= read -r line; do
        grep -qxF -- "${line%$'\r'}" "$man_page" ||
            fail "the manual page's example file lacks the line '${line%$'\r'}'"
    done <"$tmp/startup.odr"
fi
pass_if_clean "the manual page (options checked: $(tr '\n' ' ' <<<"$help_options"))"

echo "== the staged programs"
check_calc "$stage" staged
if [[ -n $window ]]; then
    check_window "$stage/usr/bin/ohmrada" "$stage/usr/share/ohmrada/help" staged
    check_window "$stage/usr/bin/ohmrada" "$stage/usr/share/ohmrada/help" \
        "staged, from the desktop entry" "$tmp/files/mein netzteil.odr"
    check_window "$window" "$build_help" build-tree
fi

echo "== cpack -G DEB"
pkg=$tmp/pkg
mkdir -p "$pkg"
if ! (cd "$pkg" && "$cpack" -G DEB --config "$build_dir/CPackConfig.cmake" -B "$pkg" \
        ${config:+-C "$config"}) >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log"
    die "cpack -G DEB failed"
fi
debs=("$pkg"/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || die "cpack made ${#debs[@]} packages: ${debs[*]}"
deb=${debs[0]}
[[ $(basename "$deb") == "ohmrada_${version}_$arch.deb" ]] ||
    fail "the package is named $(basename "$deb"), not ohmrada_${version}_$arch.deb"

control=$(dpkg-deb -I "$deb" control) || die "dpkg-deb -I cannot read $deb"
echo "$control" | sed 's/^/    /'
[[ $(field_of Package <<<"$control") == ohmrada ]] || fail "control: Package is not ohmrada"
[[ $(field_of Version <<<"$control") == "$version" ]] || fail "control: Version is not $version"
[[ $(field_of Architecture <<<"$control") == "$arch" ]] || fail "control: Architecture is not $arch"
[[ $(field_of Section <<<"$control") == electronics ]] || fail "control: Section is not electronics"
[[ -n $(field_of Maintainer <<<"$control") && -n $(field_of Description <<<"$control") ]] ||
    fail "control: no Maintainer or Description"

depends=$(field_of Depends <<<"$control")
# The package names in Depends, alternatives included.
depends_names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//' | sed '/^$/d' | sort -u)
# versioned_dependency NAME: Depends holds "NAME (>= VERSION)", the form
# dpkg-shlibdeps writes.
versioned_dependency() {
    local entry
    while read -r entry; do
        [[ $entry == "$1 (>= "?*")" ]] && return 0
    done < <(tr ',' '\n' <<<"$depends" | sed 's/^ *//')
    fail "control: Depends lacks a versioned $1: '$depends'"
}
versioned_dependency libc6
versioned_dependency libstdc++6
if [[ -n $window ]]; then
    versioned_dependency libqt6core6
    versioned_dependency libqt6gui6
    versioned_dependency libqt6widgets6
    [[ $(field_of Recommends <<<"$control") == *qt6-translations-l10n* ]] ||
        fail "control: Recommends lacks qt6-translations-l10n"
fi
# ngspice is loaded at run time for the simulation, unseen by dpkg-shlibdeps.
[[ $(field_of Recommends <<<"$control") == *libngspice0* ]] ||
    fail "control: Recommends lacks libngspice0"

echo "== dpkg-deb -c"
checkpoint
listing=$(dpkg-deb -c "$deb") || die "dpkg-deb -c cannot list $deb"
while read -r mode owner _ _ _ path _; do
    [[ $owner == root/root ]] || fail "package: $path belongs to $owner"
    case "$mode:$path" in
        d*) [[ $mode == drwxr-xr-x ]] || fail "package: directory $path has mode $mode" ;;
        *:./usr/bin/*|*:./usr/libexec/ohmrada/*)
            [[ $mode == -rwxr-xr-x ]] || fail "package: program $path has mode $mode" ;;
        *) [[ $mode == -rw-r--r-- ]] || fail "package: $path has mode $mode" ;;
    esac
done <<<"$listing"
pass_if_clean "package: $(wc -l <<<"$listing") entries, all root's with the usual modes"

echo "== dpkg-deb -x into a throwaway folder"
extract=$tmp/extract
dpkg-deb -x "$deb" "$extract" || die "dpkg-deb -x failed"
check_layout "$extract" package stripped

checkpoint
# Depends computed: it holds the package of every library the programs link
# (ldd runs the loader on the package's own programs only).
for program in "$extract"/usr/bin/* ${plot_module:+"$extract/usr/$plot_module"}; do
    resolved=$(ldd "$program") || fail "ldd cannot read $(basename "$program")"
    while read -r soname; do
        # "lib => /path (...)", or for the loader itself "/path/lib (...)" (a
        # program built with thread-local data from position-independent code
        # names the loader for __tls_get_addr).
        path=$(awk -v lib="$soname" '$1 == lib && $2 == "=>" { print $3; exit }
                                     substr($1, length($1) - length(lib)) == "/" lib { print $1; exit }' \
            <<<"$resolved")
        owner=
        for candidate in "$path" "$(realpath -m "$path")" "${path#/usr}" "/usr${path}"; do
            [[ -n $candidate ]] || continue
            owner=$(dpkg -S "$candidate" 2>/dev/null | head -1 | cut -d: -f1) && [[ -n $owner ]] && break
        done
        if [[ -z $owner ]]; then
            fail "$(basename "$program") links $soname, which no installed package holds"
        elif ! grep -qxF "$owner" <<<"$depends_names"; then
            fail "$(basename "$program") links $soname from $owner, which Depends lacks: '$depends'"
        fi
    done < <(readelf -dW "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
done
pass_if_clean "control: Depends holds the package of every linked library"

check_calc "$extract" package
if [[ -n $window ]]; then
    check_window "$extract/usr/bin/ohmrada" "$extract/usr/share/ohmrada/help" package
fi

if [[ $failures -ne 0 ]]; then
    echo "install_layout: $failures check(s) failed"
    exit 1
fi
echo "install_layout: all checks passed"
