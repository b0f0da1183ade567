#!/usr/bin/env bash
# Builds and runs a consumer of normdate the way users reach it.
#   run.sh install  <build dir> <work dir>        installs into <work dir>/prefix
#   run.sh find_package|pkg_config|add_subdirectory <source dir> <work dir> <C++ compiler>
#   run.sh exports  <shared library>              only the public API is exported
set -euo pipefail
mode=$1
expected="2010-Mar-02 23:00:12"

runs() {
  local out
  out=$(LD_LIBRARY_PATH="$(dirname "$(find "$prefix" -name 'libnormdate.*' | head -n 1)")" "$1")
  [[ $out == "$expected" ]] || { echo "FAIL: $1 printed '$out', not '$expected'"; exit 1; }
  echo "$1: $out"
}

case $mode in
  install)
    rm -rf "$3/prefix"
    cmake --install "$2" --prefix "$3/prefix"
    ;;
  find_package)
    source=$2 work=$3 cxx=$4 prefix=$3/prefix
    cmake -S "$source/tests/consumers/find_package" -B "$work/find_package" \
      -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx"
    cmake --build "$work/find_package"
    runs "$work/find_package/consumer"
    ;;
  pkg_config)
    source=$2 work=$3 cxx=$4 prefix=$3/prefix
    command -v pkg-config >/dev/null || { echo "pkg-config is not installed: skipped"; exit 77; }
    pcdir=$(dirname "$(find "$prefix" -name normdate.pc)")
    read -r -a flags <<<"$(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs normdate)"
    "$cxx" -std=c++20 "$source/tests/consumers/main.cpp" "${flags[@]}" -o "$work/pkg_config_consumer"
    runs "$work/pkg_config_consumer"
    ;;
  add_subdirectory)
    source=$2 work=$3 cxx=$4 prefix=$2
    cmake -S "$source/tests/consumers/subdirectory" -B "$work/subdirectory" \
      -DNORMDATE_SOURCE_DIR="$source" -DCMAKE_CXX_COMPILER="$cxx"
    cmake --build "$work/subdirectory"
    prefix=$work/subdirectory
    runs "$work/subdirectory/consumer"
    ;;
  exports)
    # Every exported symbol is the public API of namespace Date, none of its
    # internals. Weak instantiations of the standard library's own templates
    # (types W and u) keep the default visibility libstdc++ gives them.
    leaked=$(nm -D --defined-only -C "$2" | cut -d' ' -f2- |
      grep -v -E '^[TV] (Date::(Date::(Date|toString|parse|tryParse)|operator<<)|(typeinfo|typeinfo name|vtable) for Date::ParseError)' |
      grep -v -E '^[Wu] ([a-z ]+ )?std::' || true)
    if [[ -n $leaked ]]; then echo "FAIL: exported beyond the public API:"; echo "$leaked"; exit 1; fi
    nm -D --defined-only -C "$2" | grep -c 'Date::' | sed 's/^/exported symbols of namespace Date: /'
    ;;
esac
