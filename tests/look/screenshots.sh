#!/usr/bin/env bash
# Photographs every page of the controller TessalySync, in several languages, for the
# developers to look at (not run by CTest).
#
#   bash tests/look/screenshots.sh [OUT_DIR]        (default /tmp/tessaly-look)
#
# It runs the real program under Xvfb (a 1280x800 screen, no window manager) in a private
# TESSALY_ROOT holding a GLOBAL_SETTING.dat of the language, a SESSION_CONFIG.dat with one
# sample task and a LOG.dat with a few records, shows each page through the program's look
# aid TESSALY_SHOW_PAGE (tasks, wizard, restore, log, settings), and writes the 800x600
# window as OUT_DIR/<language>-<page>.png.
#
# Environment: TESSALY_CONTROLLER (default build/controller/TessalySync of this checkout),
# LANGUAGES (default "English Russian German"; any of the nine names without spaces, e.g.
# SimplifiedChinese), PAGES (default "tasks wizard restore log settings"; also wizard1 to
# wizard9 and settings0 to settings5).
# Needs xvfb-run, xwininfo (x11-utils) and import (imagemagick).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"

# Everything below runs on a private X server of its own.
if [ -z "${TESSALY_LOOK_XVFB:-}" ]; then
  export TESSALY_LOOK_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" bash "$0" "$@"
fi

out="${1:-/tmp/tessaly-look}"
controller="${TESSALY_CONTROLLER:-$repo/build/controller/TessalySync}"
languages=(${LANGUAGES:-English Russian German})
pages=(${PAGES:-tasks wizard restore log settings})
mkdir -p "$out"
[ -x "$controller" ] || { echo "no controller at $controller (build it first)" >&2; exit 1; }

# The stored language names: "SimplifiedChinese" -> "Simplified Chinese".
stored_name() {
  case "$1" in
    SimplifiedChinese) echo "Simplified Chinese" ;;
    TraditionalChinese) echo "Traditional Chinese" ;;
    *) echo "$1" ;;
  esac
}

# A LOG.dat in the service's layout (the checksum is not checked by the controller).
write_log() {
  local file="$1"
  {
    printf '<description>\n\t<version>1.0</version>\n\t<magic>E697A5E5BF97</magic>\n'
    printf '\t<vendor>BRELKIN</vendor>\n\t<type>log</type>\n'
    printf '\t<misc>00000000000000000000000000000000</misc>\n</description>\n'
    printf '<configuration>\n\t<count>4</count>\n'
    local i=0
    while IFS='|' read -r type domain t1 t2 content; do
      i=$((i + 1))
      printf '\t<log id="%d">\n\t\t<type>%s</type>\n\t\t<level>0</level>\n' "$i" "$type"
      printf '\t\t<domain>%s</domain>\n\t\t<uuid></uuid>\n' "$domain"
      printf '\t\t<time1>%s</time1>\n\t\t<time2>%s</time2>\n' "$t1" "$t2"
      printf '\t\t<content>%s</content>\n\t</log>\n' "$content"
    done <<'RECORDS'
message|OTHERS|2026-03-01T08:00:01Z|2026-03-01T08:00:01Z|The service started.
message|Photos|2026-03-01T09:30:00Z|2026-03-01T09:41:12Z|Backup of /home/user/Pictures/Holiday 2025 is complete.
warning|Photos|2026-03-02T09:30:00Z|2026-03-02T09:30:05Z|The file /home/user/Pictures/locked.raw was not backed up.
error|Documents|2026-03-03T21:15:00Z|2026-03-03T21:15:02Z|Cannot reach the share \\192.168.1.20\backup.
RECORDS
    printf '</configuration>\n'
  } > "$file"
}

write_task() {
  local file="$1" source="$2"
  cat > "$file" <<XML
<description>
    <version>1.0</version>
    <magic>E4BBBBE58AA1</magic>
    <vendor>BRELKIN</vendor>
    <type>session</type>
    <misc>xxxxx</misc>
</description>
<configuration>
    <count>1</count>
    <session id="1">
        <uuid>5b1e1d0c-7a8f-4c2e-9d3b-2f6a4e8c1b07</uuid>
        <name>Photos</name>
        <filter>
            <filter_type>include</filter_type>
            <extension>
                <alias_cnt>1</alias_cnt>
                <alias id="1">
                    <name>customize</name>
                    <count>1</count>
                    <ext id="1">.*</ext>
                </alias>
            </extension>
            <path>
                <count>0</count>
            </path>
        </filter>
        <source>
            <count>1</count>
            <path id="1">$source</path>
        </source>
        <destination>
            <protocol>samba</protocol>
            <anonymous>1</anonymous>
            <path>\\\\192.168.1.20\\backup\\Photos</path>
            <model>KMR-420</model>
        </destination>
        <action>incremental</action>
        <type>manually</type>
    </session>
</configuration>
XML
}

# The geometry "WxH+X+Y" of the viewable window titled TessalySync, or nothing.
window_geometry() {
  xwininfo -name TessalySync 2>/dev/null | awk '
    /Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} /Map State: IsViewable/ {v=1}
    END {if (v) printf "%sx%s+%s+%s\n", w, h, x, y}'
}

# Each copy runs in a network namespace of its own when the system allows it (root), so that
# a controller or test elsewhere on this machine holding the answer port 127.0.0.1:7503 does
# not put its warning over the page.
isolate=()
if unshare --net true 2>/dev/null; then
  isolate=(unshare --net -- sh -c 'ip link set lo up 2>/dev/null; exec "$@"' sh)
fi

status=0
for language in "${languages[@]}"; do
  root="$(mktemp -d /tmp/tessaly-look-root-XXXXXX)"
  config="$root/var/lib/Tessaly"
  mkdir -p "$config" "$root/run" "$root/home/Pictures"
  chmod 700 "$root/run"
  sed "s|<language>English</language>|<language>$(stored_name "$language")</language>|" \
    "$repo/tests/data/global_setting_default.dat" > "$config/GLOBAL_SETTING.dat"
  write_task "$config/SESSION_CONFIG.dat" "$root/home/Pictures"
  write_log "$config/LOG.dat"

  for page in "${pages[@]}"; do
    png="$out/$language-$page.png"
    TESSALY_ROOT="$root" XDG_RUNTIME_DIR="$root/run" TZ="${TZ:-UTC}" \
      TESSALY_SHOW_PAGE="$page" QT_QPA_PLATFORM=xcb \
      "${isolate[@]}" "$controller" > "$root/controller.log" 2>&1 &
    pid=$!
    geometry=""
    for _ in $(seq 1 100); do
      geometry="$(window_geometry || true)"
      [ -n "$geometry" ] && break
      sleep 0.1
    done
    if [ -z "$geometry" ]; then
      echo "$language/$page: no window (see $root/controller.log)" >&2
      status=1
    else
      sleep 1.5  # the page switch and the first paint
      import -window root -crop "$geometry" +repage "$png"
      echo "$png"
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$root"
done
exit "$status"
