#!/usr/bin/env bash
# Brings the controller's translation sources (controller/translations/Language_<Name>.ts) up to
# date with the texts of the window and the back-end: new texts are added unfinished, texts that
# are gone are dropped, existing translations are kept. No line numbers are written, so that a
# change of the sources alone does not change the .ts files.
set -euo pipefail
cd "$(dirname "$0")/.."

lupdate="${LUPDATE:-}"
if [ -z "$lupdate" ]; then
  for candidate in /usr/lib/qt6/bin/lupdate /usr/lib/qt6/libexec/lupdate "$(command -v lupdate6 || true)" \
                   "$(command -v lupdate || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then lupdate="$candidate"; break; fi
  done
fi
if [ -z "$lupdate" ]; then
  echo "update_translations: lupdate not found (install qt6-l10n-tools)" >&2
  exit 1
fi

languages=(English SimplifiedChinese TraditionalChinese French German Italian Portuguese Russian Spanish)
ts_files=()
for lang in "${languages[@]}"; do
  ts_files+=("controller/translations/Language_${lang}.ts")
done

"$lupdate" -locations none -no-obsolete -no-ui-lines -extensions cpp,h \
  controller/window controller/backend -ts "${ts_files[@]}"
