#!/usr/bin/env bash
# Photographs every page of the controller TessalySync, in several languages, for the
# developers to look at (not run by CTest).
#
#   bash tests/look/screenshots.sh [OUT_DIR]        (default /tmp/tessaly-look)
#
# It runs the real program under Xvfb (a 1280x800 screen, no window manager) in a private
# TESSALY_ROOT holding a GLOBAL_SETTING.dat of the language, a SESSION_CONFIG.dat with three
# sample tasks and a LOG.dat with a few records, shows each page through the program's look
# aid TESSALY_SHOW_PAGE (tasks, wizard, restore, log, settings), and writes the 800x600
# window as OUT_DIR/<language>-<page>.png.
#
# Environment: TESSALY_CONTROLLER (default build/controller/TessalySync of this checkout),
# LANGUAGES (default all nine, by their names without spaces, e.g. SimplifiedChinese), PAGES
# (default every page: tasks, wizard1 to wizard9, restore2, log, settings and settings0 to
# settings5; also wizard, restore, restore1 for the first task, settings for the menu), and
# tasks-silent: the task list once it has seen that no service answers (no service runs here).
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
languages=(${LANGUAGES:-English SimplifiedChinese TraditionalChinese French German Italian Portuguese Russian Spanish})
pages=(${PAGES:-tasks tasks-silent wizard1 wizard2 wizard3 wizard4 wizard5 wizard6 wizard7 wizard8 wizard9 restore2 log settings settings0 settings1 settings2 settings3 settings4 settings5})
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

# Three sample tasks: photos to a NAS share by hand, documents to a local folder holding
# three versions (the restore page lists them), music to a NAS share every week.
write_tasks() {
  local file="$1" home="$2" backups="$3"
  python3 "$repo/tests/system/taskfile.py" "$file" \
    --task uuid=5b1e1d0c-7a8f-4c2e-9d3b-2f6a4e8c1b07 name=Photos sources="$home/Pictures" \
      protocol=samba 'destination=\\192.168.1.20\backup\Photos' model=KMR-420 extensions='.*' \
    --task uuid=0c6f3e2a-41d9-4b7e-8a55-9e2d7c1f6a30 name=Documents sources="$home/Documents" \
      destination="$backups" extensions='.*' trigger=schedule schedule_type=daily \
      schedule_times=2026-03-01T21:15:00Z \
    --task uuid=9a4d2b61-3c8e-4f0a-b7d2-5e1c8f3a6b94 name=Music sources="$home/Music" \
      protocol=samba user=backup password=secret 'destination=\\192.168.1.20\media\Music' \
      model=KMR-420 extensions='.*' action=full_backup trigger=schedule schedule_type=weekly \
      schedule_times=2000-12-31T09:30:00Z schedule_times=2001-01-03T09:30:00Z
  # The documents' task tree: three completed runs.
  local tree="$backups/0c6f3e2a-41d9-4b7e-8a55-9e2d7c1f6a30"
  mkdir -p "$tree/last" "$tree/increments/1" "$tree/increments/2" "$tree/increments/3"
  sqlite3 "$tree/status.db" 'CREATE TABLE status_tbl (No integer primary key,Real_status varchar(16));
    insert into status_tbl(Real_status) values("complete");'
  sqlite3 "$tree/history.db" 'CREATE TABLE time_tbl (No integer primary key,Real_time varchar(64));
    insert into time_tbl(Real_time) values("2026-03-01T21:15:00Z");
    insert into time_tbl(Real_time) values("2026-03-02T21:15:00Z");
    insert into time_tbl(Real_time) values("2026-03-03T21:15:04Z");'
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
  mkdir -p "$config" "$root/run" "$root/home/Pictures" "$root/home/Documents" "$root/home/Music" \
    "$root/backups"
  chmod 700 "$root/run"
  sed "s|<language>English</language>|<language>$(stored_name "$language")</language>|" \
    "$repo/tests/data/global_setting_default.dat" > "$config/GLOBAL_SETTING.dat"
  write_tasks "$config/SESSION_CONFIG.dat" "$root/home" "$root/backups"
  write_log "$config/LOG.dat"

  for page in "${pages[@]}"; do
    png="$out/$language-$page.png"
    show="$page" settle=1.5  # the page switch and the first paint
    # The window tells that the service is not running after a few polls without an answer.
    [ "$page" = tasks-silent ] && show=tasks settle=9
    TESSALY_ROOT="$root" XDG_RUNTIME_DIR="$root/run" TZ="${TZ:-UTC}" \
      TESSALY_SHOW_PAGE="$show" QT_QPA_PLATFORM=xcb \
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
      sleep "$settle"
      import -window root -crop "$geometry" +repage "$png"
      echo "$png"
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$root"
done
exit "$status"
