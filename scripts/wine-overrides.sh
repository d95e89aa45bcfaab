# Sourced by every script that runs Wine: the project's DLL overrides. No
# Mono or Gecko install prompts and no desktop entries; and, unless
# PYROLUX_PREFIX_FOR_PEOPLE is set (the prefix of scripts/run.sh, whose links
# may open a browser), never a real browser.
WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe"
if [ -z "${PYROLUX_PREFIX_FOR_PEOPLE:-}" ]; then
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES,winebrowser.exe"
fi
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES="
