#!/usr/bin/env bash
# The Debian package end to end: scripts/package builds it into BUILD_DIR, lintian finds no
# error in it, and, unpacked with dpkg -x into a temporary root, it holds the programs, their
# frameworks and data where Debian wants them, without a path of this machine's build in its
# programs; its desktop entry, AppStream and MIME files pass their validators, and the unpacked
# lumenreel-render renders one second of an unpacked example with the unpacked demo sound.
# Exits 77 (skipped), saying why, when a tool it needs is missing.
#   DebianPackageTest.sh SOURCE_DIR BUILD_DIR PROJECT_VERSION
set -euo pipefail
source=$1
build=$2
project_version=$3

for tool in dpkg-deb dpkg-shlibdeps dpkg-buildflags dpkg-architecture lintian appstreamcli desktop-file-validate \
    update-mime-database ffprobe ffmpeg readelf; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed (scripts/packages.txt lists its package)"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAILED: $1" >&2
    failures=$((failures + 1))
}

# The package, built as a user builds it (the packages are known to be there).
LUMENREEL_SKIP_ENSURE_PACKAGES=1 "$source/scripts/package" "$build" >"$work/package.log" 2>&1 || {
    tail -n 40 "$work/package.log" >&2
    echo "scripts/package failed" >&2
    exit 1
}
deb=$(tail -n 1 "$work/package.log")
arch=$(dpkg --print-architecture)
version=$(dpkg-deb -f "$deb" Version)
[[ $deb == /* && -f $deb ]] || { echo "scripts/package printed no package: $deb" >&2; exit 1; }
[ "$(basename "$deb")" = "lumenreel_${version}_${arch}.deb" ] ||
    fail "the package is named $(basename "$deb"), not lumenreel_${version}_${arch}.deb"
[[ $version =~ ^${project_version//./\\.}(\+git[0-9]+\.g[0-9a-f]+)?$ ]] ||
    fail "version $version is not $project_version[+git<commits>.g<hash>]"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6core6 libqt6widgets6 libavformat libegl1 qt6-image-formats-plugins \
    libqt6svg6 libegl-mesa0 libgl1-mesa-dri; do
    [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done

# lintian: no error (its warnings are listed in the README).
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || {
    cat "$work/lintian.log" >&2
    fail "lintian found errors"
}
grep -E '^[EW]: ' "$work/lintian.log" || true

root="$work/root"
dpkg -x "$deb" "$root"
libdir=usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/lumenreel
for path in usr/bin/lumenreel usr/bin/lumenreel-render \
    "$libdir/Frameworks/System.framework/System" \
    "$libdir/Frameworks/System.framework/Resources/Info.plist" \
    "$libdir/Frameworks/CoreServices.framework/CoreServices" \
    usr/share/lumenreel/interface/MainMenu.xml usr/share/lumenreel/interface/Languages/de.plist \
    usr/share/lumenreel/play.pdf usr/share/lumenreel/examples/Aurora.fs \
    usr/share/lumenreel/examples/SunsetWaves.glsl usr/share/lumenreel/examples/demo-arpeggio.m4a \
    usr/share/applications/lumenreel.desktop usr/share/icons/hicolor/scalable/apps/lumenreel.svg \
    usr/share/metainfo/org.lumenreel.Lumenreel.metainfo.xml usr/share/mime/packages/lumenreel.xml \
    usr/share/man/man1/lumenreel.1.gz usr/share/man/man1/lumenreel-render.1.gz \
    usr/share/bash-completion/completions/lumenreel-render usr/share/doc/lumenreel/copyright \
    usr/share/doc/lumenreel/changelog.gz; do
    [ -f "$root/$path" ] || fail "not in the package: /$path"
done
stray=$(cd "$root" && find . -mindepth 1 -maxdepth 1 ! -name usr)
[ -z "$stray" ] || fail "outside /usr: $stray"

# Built for this tree and no other: no path of the build machine, no search path but the
# executable's own, the window's signature kept through stripping.
while IFS= read -r -d '' file; do
    if readelf -h "$file" >/dev/null 2>&1; then
        for path in "$source" "$build" "$(cd "$source" && pwd -P)"; do
            if grep -qF "$path" "$file"; then
                fail "${file#"$root"} holds the build path $path"
            fi
        done
        runpath=$(readelf -d "$file" | sed -nE 's/.*\((RPATH|RUNPATH)\).*\[(.*)\]/\2/p')
        [[ -z $runpath || $runpath == '$ORIGIN'* ]] ||
            fail "${file#"$root"} searches libraries in $runpath"
        if readelf -S "$file" | grep -q ' \.symtab '; then
            fail "${file#"$root"} is not stripped"
        fi
    fi
done < <(find "$root" -type f -print0)
readelf -n "$root/usr/bin/lumenreel" | grep -q Lumenreel ||
    fail "the packaged lumenreel lost its code signature"
"$root/usr/bin/lumenreel-render" --version | grep -qxF "lumenreel-render $version" ||
    fail "lumenreel-render --version does not say $version"

desktop-file-validate "$root/usr/share/applications/lumenreel.desktop" ||
    fail "desktop-file-validate"
grep -qx 'Exec=lumenreel %f' "$root/usr/share/applications/lumenreel.desktop" ||
    fail "the desktop entry does not pass the opened file to lumenreel"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.lumenreel.Lumenreel.metainfo.xml" \
    >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log" >&2; fail "appstreamcli validate"; }
grep -qF "version=\"$version\"" "$root/usr/share/metainfo/org.lumenreel.Lumenreel.metainfo.xml" ||
    fail "the AppStream release is not $version"
mkdir -p "$work/mime/packages"
cp "$root/usr/share/mime/packages/lumenreel.xml" "$work/mime/packages/"
update-mime-database "$work/mime" >/dev/null 2>&1 || fail "update-mime-database"
for glob in text/x-isf:\*.fs text/x-glsl:\*.glsl text/x-glsl:\*.frag; do
    grep -qF ":$glob" "$work/mime/globs2" 2>/dev/null || fail "no MIME glob $glob"
done
zcat "$root/usr/share/man/man1/lumenreel-render.1.gz" | grep -q "^\.TH LUMENREEL-RENDER 1 .*$version" ||
    fail "the manual page of lumenreel-render is not of version $version"

# One second at 10 frames per second from the unpacked tree: 11 frames, animated, with sound.
examples="$root/usr/share/lumenreel/examples"
mkdir -p "$work/home" "$work/movies"
if ! env HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data" \
    XDG_RUNTIME_DIR="$work/home" TMPDIR="$work" \
    timeout 300 "$root/usr/bin/lumenreel-render" --size 64x48 --fps 10 --duration 1 \
    --audio "$examples/demo-arpeggio.m4a" --output "$work/movies" "$examples/Aurora.fs" \
    >"$work/render.out" 2>"$work/render.err"; then
    tail -n 5 "$work/render.err" >&2
    fail "the unpacked lumenreel-render failed"
else
    movie="$work/movies/Aurora.mov"
    [ "$(cat "$work/render.out")" = "$movie" ] || fail "lumenreel-render printed $(cat "$work/render.out")"
    video=$(ffprobe -v error -select_streams v -count_frames \
        -show_entries stream=codec_name,width,height,nb_read_frames -of csv=p=0 "$movie")
    [ "$video" = "qtrle,64,48,11" ] || fail "the movie's video is $video, not qtrle,64,48,11"
    audio=$(ffprobe -v error -select_streams a -show_entries stream=codec_type -of csv=p=0 "$movie")
    [ "$audio" = audio ] || fail "the movie has no sound track"
    distinct=$(ffmpeg -v error -i "$movie" -map 0:v -f framemd5 - | grep -v '^#' |
        awk -F, '{print $6}' | sort -u | wc -l)
    [ "$distinct" -ge 10 ] || fail "only $distinct of 11 frames differ: the composition did not move"
fi

if [ $failures -gt 0 ]; then
    echo "$failures checks failed" >&2
    exit 1
fi
echo "$deb: lintian, contents, validators and a render from the unpacked tree are fine"
