# Sourced by every script that runs Wine: the project's Wine settings.
# The DLL overrides: no Mono or Gecko install prompts and no desktop entries;
# and, unless PYROLUX_PREFIX_FOR_PEOPLE is set (the prefix of scripts/run.sh,
# whose links may open a browser), never a real browser.
WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe"
if [ -z "${PYROLUX_PREFIX_FOR_PEOPLE:-}" ]; then
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES,winebrowser.exe"
fi
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES="
# The loader: PYROLUX_WINE_ARCH=win64 (the 64-bit twin's build tree) takes
# 64-bit Wine, for every process Wine starts too; win32 or unset, Debian's
# wrapper as it is.
if [ "${PYROLUX_WINE_ARCH:-win32}" = win64 ]; then
  pyrolux_wine64_bin="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64"
  case ":$PATH:" in
    *":$pyrolux_wine64_bin:"*) ;;
    *) PATH="$pyrolux_wine64_bin:$PATH" ;;
  esac
  export PATH WINELOADER=/usr/lib/wine/wine64
fi
