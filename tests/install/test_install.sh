#!/usr/bin/env bash
# The installed kit. "test_install.sh CHECK BUILD_DIR SOURCE_DIR" installs the built kit
# into a temporary prefix (below TMPDIR) and runs one group of checks on it:
#   layout      what goes where, valid desktop entries, metainfo, icons and man pages
#   commands    the installed quarvel on the sample, with no program folder given
#   windows     the installed editor, reader and branding tool started on the sample
#   file_types  the project file type and the programs offered for it and for books
#   read_only   a read-only installed program folder: nothing written, nothing lost
#   package     the Debian package: its files, its dependencies, lintian
# Every program runs with a temporary home and XDG folders. Prints one line per check
# and "N passed, N failed" at the end; the exit status is 1 when any check failed.
set -uo pipefail

check=$1
build=$(cd "$2" && pwd)
source=$(cd "$3" && pwd)

# The window checks need a display; without one the script runs itself under Xvfb.
if [ -z "${DISPLAY:-}" ] && { [ "$check" = windows ] || [ "$check" = read_only ]; }; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

scratch=$(mktemp -d -t quarvel_install.XXXXXX)
cleanup() {
  chmod -R u+w "$scratch" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok   $*"; }
fail() { failed=$((failed + 1)); echo "FAIL $*"; }
# expect DESCRIPTION COMMAND...: the command succeeds.
expect() {
  local what=$1
  shift
  if "$@" >"$scratch/out" 2>&1; then pass "$what"; else fail "$what"; sed 's/^/     /' "$scratch/out" | head -40; fi
}
# same DESCRIPTION ACTUAL EXPECTED
same() {
  if [ "$2" = "$3" ]; then pass "$1"; else fail "$1: got \"$2\", expected \"$3\""; fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

prefix=$scratch/prefix
version=$(sed -n 's/^project(Quarvel VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
ids=(com.brevant.Tomewright com.brevant.Inkstamp com.brevant.Pagelamp)
programs=(quarvel tomewright inkstamp pagelamp)

install_kit() {
  if ! cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log"
    fail "cmake --install into a temporary prefix"
    finish
  fi
}

# A home of its own: settings, the user's data folder and the desktop's databases.
export HOME=$scratch/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
export XDG_CONFIG_DIRS=$scratch/etc-xdg XDG_RUNTIME_DIR=$scratch/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_DIRS"
chmod 700 "$XDG_RUNTIME_DIR"
unset XDG_CURRENT_DESKTOP
export QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --no-sandbox"

# Every entry below a folder with its size, mode and time of change.
snapshot() { (cd "$1" && find . -printf '%p %s %m %T@\n' | sort); }

# The sample project copied to the work folder, and compiled there by the installed kit.
work=$scratch/work
copy_sample() {
  mkdir -p "$work"
  cp -r "$source/samples/Lighthouse/." "$work/"
}
compile_sample() {
  (cd "$scratch" && "$prefix/bin/quarvel" compile "$work/Lighthouse.ebp" --output "$work/Lighthouse.exe") \
    >"$scratch/compile.out" 2>&1
}

# Starts a program in the background; its process id in $started.
start() {
  local log=$1
  shift
  "$@" >"$log" 2>&1 &
  started=$!
}
# wait_window NAME SECONDS: the id of the first window whose name matches NAME.
wait_window() {
  local i
  for ((i = 0; i < $2 * 2; i++)); do
    if id=$(xdotool search --name "$1" 2>/dev/null | head -n 1) && [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.5
  done
  return 1
}
# stop PID: ends a program this script started.
stop() {
  kill "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}
# wait_exit PID SECONDS: waits for a program to end by itself; its exit status.
wait_exit() {
  local i
  for ((i = 0; i < $2 * 2; i++)); do
    if ! kill -0 "$1" 2>/dev/null; then
      wait "$1"
      return
    fi
    sleep 0.5
  done
  stop "$1"
  return 124
}
screenshot() {
  mkdir -p "$build/tests/install-screens"
  import -window root "$build/tests/install-screens/$1.png" 2>/dev/null
}

# Starts the installed editor on the sample project, then ends it with Ctrl+Q as a user
# would; the recent list it writes at the end names the project it opened.
editor_opens_sample_and_exits() {
  local name=$1
  shift
  rm -f "$XDG_CONFIG_HOME/Brevant/Quarvel.conf"
  start "$scratch/$name.log" "$@" "$prefix/bin/tomewright" "$work/Lighthouse.ebp"
  local pid=$started window
  if ! window=$(wait_window "^Quarvel $version\$" 90); then
    stop "$pid"
    fail "$name: the editor's main window appears"
    sed 's/^/     /' "$scratch/$name.log" | tail -20
    return
  fi
  pass "$name: the editor's main window appears"
  # The tips come up at the first start; they are closed before the editor is.
  local tips
  if tips=$(wait_window "^Tip of the Day\$" 30); then
    sleep 2
    screenshot "$name-tips"
    xdotool windowfocus --sync "$tips" 2>/dev/null
    xdotool key --clearmodifiers Escape
    sleep 1
  fi
  if xdotool search --name "^Tip of the Day\$" >/dev/null 2>&1; then
    fail "$name: the tips close on Escape"
  else
    pass "$name: the tips close on Escape"
  fi
  sleep 2
  screenshot "$name"
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key --clearmodifiers ctrl+q
  wait_exit "$pid" 60
  same "$name: the editor ends cleanly on Ctrl+Q" "$?" 0
  if grep -q "Lighthouse.ebp" "$XDG_CONFIG_HOME/Brevant/Quarvel.conf" 2>/dev/null; then
    pass "$name: the editor opened the sample project (its recent list names it)"
  else
    fail "$name: the editor opened the sample project (its recent list names it)"
    sed 's/^/     /' "$scratch/$name.log" | tail -20
  fi
}

case $check in

layout)
  install_kit
  for p in "${programs[@]}"; do
    expect "bin/$p is an executable" test -x "$prefix/bin/$p"
  done
  same "bin holds the four programs and nothing else" "$(ls "$prefix/bin" | sort | tr '\n' ' ')" \
    "inkstamp pagelamp quarvel tomewright "
  data=$prefix/share/quarvel
  for f in Pagelamp.exe Splash.bmp License.txt Help/tomewright.html DefaultProject/DefaultProject.ebp \
    System/Application.ico Special/Special.xml Tips/Tip01.htm Templates/Novel.ebt; do
    expect "share/quarvel/$f is installed" test -f "$data/$f"
  done
  same "share/quarvel holds the shipped data" "$(ls "$data" | sort | tr '\n' ' ')" \
    "DefaultProject Help License.txt Pagelamp.exe Special Splash.bmp System Templates Tips "
  same "nothing in share/quarvel is executable" "$(find "$data" -type f -perm /111 | wc -l)" 0
  same "the shipped data is installed byte for byte" \
    "$(cd "$build/bin" && find DefaultProject Help Special System Templates Tips Pagelamp.exe Splash.bmp License.txt \
      -type f -exec md5sum {} + | sort | md5sum)" \
    "$(cd "$data" && find . -type f -printf '%P\n' | xargs md5sum | sort | md5sum)"
  for id in "${ids[@]}"; do
    expect "$id.desktop is valid" desktop-file-validate "$prefix/share/applications/$id.desktop"
    expect "$id.metainfo.xml is valid" appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
    expect "$id has a scalable icon" test -s "$prefix/share/icons/hicolor/scalable/apps/$id.svg"
    for size in 16 22 24 32 48 64 128 256; do
      png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
      same "$id ${size}x${size} icon" "$(file -b "$png" | cut -d, -f1-2)" "PNG image data, $size x $size"
    done
    icon=$(sed -n 's/^Icon=//p' "$prefix/share/applications/$id.desktop")
    same "$id.desktop names its own icon" "$icon" "$id"
  done
  expect "the project file type is installed" test -s "$prefix/share/mime/packages/quarvel.xml"
  expect "the project file's icon is installed" \
    test -s "$prefix/share/icons/hicolor/scalable/mimetypes/application-x-quarvel-project.svg"
  for p in "${programs[@]}"; do
    page=$prefix/share/man/man1/$p.1.gz
    expect "man page $p(1) is installed" test -s "$page"
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    same "man page $p(1) formats without warnings" "$warnings" ""
    title=$(MANWIDTH=80 man -l "$page" 2>/dev/null | sed -n '/^NAME/{n;p;q}' | sed 's/^ *//')
    case $title in "$p - "*) pass "man page $p(1) is named $p" ;; *) fail "man page $p(1) named \"$title\"" ;; esac
    out=$(env -u DISPLAY "$prefix/bin/$p" --version 2>&1)
    same "$p --version without a display" "$out" "$p $version"
    expect "$p --help without a display" env -u DISPLAY "$prefix/bin/$p" --help
  done
  # Every command the command line offers is described in its man page.
  man_text=$(MANWIDTH=200 man -l "$prefix/share/man/man1/quarvel.1.gz" 2>/dev/null)
  for command in $("$prefix/bin/quarvel" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z]*\) .*/\1/p'); do
    if grep -qE "^ +$command " <<<"$man_text"; then pass "quarvel(1) describes \"$command\""; else
      fail "quarvel(1) does not describe \"$command\""; fi
  done
  same "no installed program looks into the build tree" \
    "$(for p in "${programs[@]}"; do readelf -d "$prefix/bin/$p" | grep -E 'RPATH|RUNPATH'; done | grep -c "$build")" 0
  finish
  ;;

commands)
  install_kit
  copy_sample
  before=$(snapshot "$prefix")
  if compile_sample; then pass "installed quarvel compiles the sample"; else
    fail "installed quarvel compiles the sample"
    cat "$scratch/compile.out"
    finish
  fi
  same "the book's path is the last line" "$(tail -n 1 "$scratch/compile.out")" "$work/Lighthouse.exe"
  title=$("$prefix/bin/quarvel" inspect "$work/Lighthouse.exe" | grep -m1 -i "title")
  case $title in *"The Lamp on Gull Rock"*) pass "inspect shows the book's title" ;; *) fail "inspect: \"$title\"" ;; esac
  # The installed kit makes the same book as the build tree's (reader and system files
  # come from the installed program folder).
  SOURCE_DATE_EPOCH=1700000000 "$prefix/bin/quarvel" compile "$work/Lighthouse.ebp" --output "$scratch/a.exe" >/dev/null
  SOURCE_DATE_EPOCH=1700000000 "$build/bin/quarvel" compile "$work/Lighthouse.ebp" --output "$scratch/b.exe" >/dev/null
  expect "installed and build-tree kits compile identical books" cmp "$scratch/a.exe" "$scratch/b.exe"
  expect "unpack of the installed kit's book" "$prefix/bin/quarvel" unpack "$work/Lighthouse.exe" "$scratch/unpacked"
  expect "the unpacked pages hold the title page" test -f "$scratch/unpacked/files/Index.htm"

  # New projects from the installed default project and template.
  expect "new from the installed template \"Novel\"" \
    "$prefix/bin/quarvel" new "$scratch/novel.ebp" --template Novel
  expect "the new project holds the template's pages" grep -qi "chapter" "$scratch/novel.ebp"
  default_title=$(grep -o 'ApplicationTitle="[^"]*"' "$prefix/share/quarvel/DefaultProject/DefaultProject.ebp")
  "$prefix/bin/quarvel" new "$scratch/plain.ebp" >/dev/null
  same "new starts from the installed default project" \
    "$(grep -o 'ApplicationTitle="[^"]*"' "$scratch/plain.ebp")" "$default_title"

  # The user's own default project and template come first.
  mine=$XDG_DATA_HOME/quarvel
  mkdir -p "$mine/DefaultProject" "$mine/Templates/Diary.files"
  cp "$work/Lighthouse.ebp" "$mine/DefaultProject/DefaultProject.ebp"
  cp -r "$work/Lighthouse.files" "$mine/DefaultProject/DefaultProject.files"
  cp -r "$work/Lighthouse.system" "$mine/DefaultProject/DefaultProject.system"
  printf '<template Caption="Diary">\r\n  <page path="day.htm" Caption="A day"/>\r\n</template>\r\n' \
    >"$mine/Templates/Diary.ebt"
  printf '<html><body>${NAME}</body></html>' >"$mine/Templates/Diary.files/day.htm"
  expect "new with the user's template \"Diary\"" "$prefix/bin/quarvel" new "$scratch/diary.ebp" --template Diary
  expect "the user's template page is in the story" grep -q 'name="A day"' "$scratch/diary.ebp"
  same "new starts from the user's default project" \
    "$(grep -o 'ApplicationTitle="[^"]*"' "$scratch/diary.ebp")" 'ApplicationTitle="The Lamp on Gull Rock"'
  expect "the installed templates are still offered" "$prefix/bin/quarvel" new "$scratch/album.ebp" --template "Photo Album"
  same "the installed kit is unchanged" "$(snapshot "$prefix")" "$before"
  finish
  ;;

windows)
  install_kit
  copy_sample
  compile_sample || { fail "installed quarvel compiles the sample"; finish; }
  before=$(snapshot "$prefix")

  # The reader shows the book's first page and its window carries the book's caption.
  start "$scratch/reader.log" "$prefix/bin/pagelamp" --timing "$work/Lighthouse.exe"
  pid=$started
  shown=no
  for ((i = 0; i < 180; i++)); do
    grep -q "first page shown" "$scratch/reader.log" && { shown=yes; break; }
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  same "the installed reader shows the book's first page" "$shown" yes
  if wait_window "The Lamp on Gull Rock" 30 >/dev/null; then pass "the reader's window carries the book's caption"
  else fail "the reader's window carries the book's caption"; fi
  sleep 5 # past the splash
  screenshot reader
  stop "$pid"
  [ "$shown" = yes ] || sed 's/^/     /' "$scratch/reader.log" | tail -20

  # The reader refuses what is no book, in batch mode without a window.
  "$prefix/bin/pagelamp" --batch "$work/Lighthouse.ebp" >/dev/null 2>&1
  same "the installed reader refuses a project file" "$?" 1

  editor_opens_sample_and_exits editor

  # The branding tool opens the book.
  start "$scratch/inkstamp.log" "$prefix/bin/inkstamp" "$work/Lighthouse.exe"
  pid=$started
  if wait_window "^Inkstamp $version" 60 >/dev/null; then pass "the installed branding tool's window appears"
  else fail "the installed branding tool's window appears"; fi
  sleep 3
  screenshot inkstamp
  if kill -0 "$pid" 2>/dev/null; then pass "the branding tool runs on the book"; else
    fail "the branding tool runs on the book"
    sed 's/^/     /' "$scratch/inkstamp.log" | tail -20
  fi
  stop "$pid"
  same "the installed kit is unchanged" "$(snapshot "$prefix")" "$before"
  finish
  ;;

file_types)
  install_kit
  copy_sample
  compile_sample || { fail "installed quarvel compiles the sample"; finish; }
  expect "update-mime-database" update-mime-database "$prefix/share/mime"
  expect "update-desktop-database" update-desktop-database "$prefix/share/applications"
  # The desktop finds the kit's programs on the PATH (GIO ignores entries whose program
  # it cannot find) and its data in the prefix.
  export XDG_DATA_DIRS=$prefix/share:/usr/share PATH=$prefix/bin:$PATH
  same "xdg-mime: the sample project's type" "$(xdg-mime query filetype "$work/Lighthouse.ebp")" \
    application/x-quarvel-project
  cp "$work/Lighthouse.ebp" "$scratch/renamed.txt"
  same "xdg-mime: a project file under another name (its root element)" \
    "$(xdg-mime query filetype "$scratch/renamed.txt")" application/x-quarvel-project
  printf '<?xml version="1.0"?>\n<notes><project name="x"/></notes>\n' >"$scratch/other.xml"
  same "xdg-mime: other XML stays XML" "$(xdg-mime query filetype "$scratch/other.xml")" application/xml
  same "xdg-mime: the project's default program" \
    "$(xdg-mime query default application/x-quarvel-project)" com.brevant.Tomewright.desktop
  same "gio: the project's default program" \
    "$(gio mime application/x-quarvel-project | sed -n '1s/.*: //p')" com.brevant.Tomewright.desktop
  same "xdg-mime: the compiled book's type" "$(xdg-mime query filetype "$work/Lighthouse.exe")" \
    application/x-ms-dos-executable
  cache=$prefix/share/applications/mimeinfo.cache
  for type in application/x-ms-dos-executable application/vnd.microsoft.portable-executable; do
    if grep -q "^$type=.*com.brevant.Pagelamp.desktop" "$cache"; then pass "the reader is offered for $type"
    else fail "the reader is offered for $type"; fi
  done
  if gio mime application/x-ms-dos-executable | sed -n '/^Registered/,$p' | grep -q com.brevant.Pagelamp.desktop; then
    pass "gio: the reader is among the programs for Windows programs"
  else
    fail "gio: the reader is among the programs for Windows programs"
  fi
  same "the kit names itself the default of no type" \
    "$(find "$prefix" -name '*mimeapps.list' -o -name defaults.list | wc -l)" 0
  # A desktop that made another program the default for Windows programs keeps it.
  mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
  printf '[Desktop Entry]\nType=Application\nName=Other\nExec=true %%f\nMimeType=application/x-ms-dos-executable;\n' \
    >"$XDG_DATA_HOME/applications/other-runner.desktop"
  printf '[Default Applications]\napplication/x-ms-dos-executable=other-runner.desktop;\n' \
    >"$XDG_CONFIG_HOME/mimeapps.list"
  same "the desktop's own default for Windows programs stays" \
    "$(xdg-mime query default application/x-ms-dos-executable)" other-runner.desktop
  same "gio: the desktop's own default for Windows programs stays" \
    "$(gio mime application/x-ms-dos-executable | sed -n '1s/.*: //p')" other-runner.desktop
  same "the project file is no Windows program" "$(xdg-mime query default application/x-quarvel-project)" \
    com.brevant.Tomewright.desktop
  finish
  ;;

read_only)
  install_kit
  copy_sample
  compile_sample || { fail "installed quarvel compiles the sample"; finish; }
  before=$(snapshot "$prefix")
  # Read-only for real: root writes past permission bits, so as root the prefix is
  # mounted read-only in a mount namespace of the programs' own.
  chmod -R a-w "$prefix"
  run=()
  if [ "$(id -u)" -eq 0 ] && unshare -m true 2>/dev/null; then
    run=(unshare -m --propagation private sh -c 'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" && exec "$@"'
      "$prefix")
    if "${run[@]}" touch "$prefix/share/quarvel/written" 2>/dev/null; then
      fail "the prefix is read-only for the programs"
    else
      pass "the prefix is read-only for the programs"
    fi
  fi
  # The editor's Save Project As Default with this program folder (the editor's own
  # test of it, run against the installed folder).
  env QUARVEL_TEST_PROGRAM_FOLDER="$prefix/share/quarvel" QT_QPA_PLATFORM=xcb \
    "${run[@]}" "$build/tests/tests_ui_main" --gtest_filter='InstalledFolderTest.*' >"$scratch/gtest.out" 2>&1
  same "Save Project As Default with the installed read-only program folder" \
    "$(grep -E '^\[  (PASSED|FAILED)  \]' "$scratch/gtest.out" | head -n 1)" "[  PASSED  ] 2 tests."
  grep -q '^\[  PASSED  \] 2 tests.' "$scratch/gtest.out" || grep -E '^\[  FAILED|Failure|Expected|Which is' "$scratch/gtest.out" | head -30
  editor_opens_sample_and_exits read_only_editor "${run[@]}"
  # The user's own default project, as Save Project As Default leaves it, is where
  # the installed kit starts new projects.
  mine=$XDG_DATA_HOME/quarvel/DefaultProject
  mkdir -p "$mine"
  cp "$work/Lighthouse.ebp" "$mine/DefaultProject.ebp"
  cp -r "$work/Lighthouse.files" "$mine/DefaultProject.files"
  cp -r "$work/Lighthouse.system" "$mine/DefaultProject.system"
  expect "new from the user's default project beside a read-only kit" \
    "${run[@]}" "$prefix/bin/quarvel" new "$scratch/new.ebp"
  same "the new project is the user's default" "$(grep -o 'ApplicationTitle="[^"]*"' "$scratch/new.ebp")" \
    'ApplicationTitle="The Lamp on Gull Rock"'
  chmod -R u+w "$prefix"
  same "the installed kit is unchanged" "$(snapshot "$prefix")" "$before"
  finish
  ;;

package)
  if ! cpack --config "$build/CPackConfig.cmake" -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    fail "cpack makes the Debian package"
    finish
  fi
  deb=$(ls "$scratch"/pkg/*.deb 2>/dev/null | head -n 1)
  expect "cpack makes the Debian package" test -s "$deb"
  same "the package's name" "$(basename "$deb")" "quarvel_${version}_$(dpkg --print-architecture).deb"
  dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||; s|/$||' | sort >"$scratch/contents"
  for f in usr/bin/quarvel usr/bin/tomewright usr/bin/inkstamp usr/bin/pagelamp \
    usr/share/quarvel/Pagelamp.exe usr/share/quarvel/Splash.bmp usr/share/quarvel/License.txt \
    usr/share/quarvel/Help/tomewright.html usr/share/quarvel/DefaultProject/DefaultProject.ebp \
    usr/share/quarvel/System/Application.ico usr/share/quarvel/Templates/Novel.ebt \
    usr/share/quarvel/Tips/Tip01.htm usr/share/quarvel/Special/Special.xml \
    usr/share/applications/com.brevant.Tomewright.desktop usr/share/applications/com.brevant.Inkstamp.desktop \
    usr/share/applications/com.brevant.Pagelamp.desktop usr/share/mime/packages/quarvel.xml \
    usr/share/metainfo/com.brevant.Tomewright.metainfo.xml usr/share/icons/hicolor/scalable/apps/com.brevant.Pagelamp.svg \
    usr/share/icons/hicolor/48x48/apps/com.brevant.Inkstamp.png usr/share/man/man1/quarvel.1.gz \
    usr/share/man/man1/tomewright.1.gz usr/share/doc/quarvel/copyright usr/share/doc/quarvel/changelog.gz; do
    if grep -qx "$f" "$scratch/contents"; then pass "the package holds /$f"; else fail "the package holds /$f"; fi
  done
  same "the package holds nothing outside /usr" "$(grep -cvE '^(\.|usr|usr/.*)$' "$scratch/contents")" 0
  same "no test or benchmark program is packaged" "$(grep -cE '(^|/)(tests_|bench_)' "$scratch/contents")" 0
  depends=$(dpkg-deb -f "$deb" Depends)
  for lib in libc6 libqt6widgets6 libqt6webenginecore6 zlib1g qt6-qpa-plugins libqt6svg6; do
    case $depends in *"$lib"*) pass "depends on $lib" ;; *) fail "depends on $lib (Depends: $depends)" ;; esac
  done
  # Case folding is built in (tables written from ICU at build time): no ICU at run time.
  case $depends in *libicu*) fail "needs no ICU (Depends: $depends)" ;; *) pass "needs no ICU" ;; esac
  # Cabinets are written and read with zlib.
  case $depends in *libgcab*) fail "needs no libgcab (Depends: $depends)" ;; *) pass "needs no libgcab" ;; esac
  mkdir -p "$scratch/unpacked"
  dpkg-deb -x "$deb" "$scratch/unpacked"
  for p in "${programs[@]}"; do
    case $(file -b "$scratch/unpacked/usr/bin/$p") in *", stripped"*) pass "$p is stripped" ;;
    *) fail "$p is stripped" ;; esac
  done
  lintian --tag-display-limit 0 "$deb" >"$scratch/lintian.out" 2>&1
  sed 's/^/     /' "$scratch/lintian.out"
  same "lintian reports no errors" "$(grep -c '^E:' "$scratch/lintian.out")" 0
  finish
  ;;

*)
  echo "unknown check \"$check\"" >&2
  exit 2
  ;;
esac
