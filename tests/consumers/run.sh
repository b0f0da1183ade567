#!/usr/bin/env bash
# Builds and runs a consumer of normdate the way users reach it.
#   run.sh install  <build dir> <work dir>        installs into <work dir>/prefix
#   run.sh find_package|pkg_config|add_subdirectory|find_package_zone|pkg_config_zone
#          <source dir> <work dir> <C++ compiler>
#   run.sh exports  <shared library>              only the public API is exported
#   run.sh m32      <source dir> <work dir>       32-bit library and consumer, strict warnings
#   run.sh debs     <source dir> <package dir> <work dir>
#                   the Debian packages' dependencies and files, and a consumer
#                   built against them, without installing them
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
  find_package | find_package_zone)
    # The CMake package: the core, or the core with its zone component.
    source=$2 work=$3 cxx=$4 prefix=$3/prefix
    project=find_package
    [[ $mode == find_package_zone ]] && project=zone
    cmake -S "$source/tests/consumers/$project" -B "$work/$mode" \
      -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx"
    cmake --build "$work/$mode"
    runs "$work/$mode/consumer"
    ;;
  pkg_config | pkg_config_zone)
    # As the README shows it, without --static, for the static library too.
    source=$2 work=$3 cxx=$4 prefix=$3/prefix
    command -v pkg-config >/dev/null || { echo "pkg-config is not installed: skipped"; exit 77; }
    module=normdate program=main.cpp
    [[ $mode == pkg_config_zone ]] && module=normdate-zone program=zone_main.cpp
    pcdir=$(dirname "$(find "$prefix" -name "$module.pc")")
    read -r -a flags <<<"$(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs "$module")"
    read -r -a extra <<<"${CXXFLAGS:-}"
    "$cxx" -std=c++20 "${extra[@]}" "$source/tests/consumers/$program" "${flags[@]}" \
      -o "$work/${mode}_consumer"
    runs "$work/${mode}_consumer"
    ;;
  add_subdirectory)
    source=$2 work=$3 cxx=$4 prefix=$2
    cmake -S "$source/tests/consumers/subdirectory" -B "$work/subdirectory" \
      -DNORMDATE_SOURCE_DIR="$source" -DCMAKE_CXX_COMPILER="$cxx"
    cmake --build "$work/subdirectory"
    prefix=$work/subdirectory
    runs "$work/subdirectory/consumer"
    ;;
  m32)
    source=$2 work=$3 prefix=$3/prefix
    cmake --preset m32 -S "$source" -B "$work/build"
    cmake --build "$work/build" -j 2
    cmake --install "$work/build" --prefix "$prefix"
    g++ -m32 -std=c++20 -Wall -Wextra -Wpedantic -Wconversion -Wshadow -Werror \
      -I"$prefix/include" -DNORMDATE_STATIC_DEFINE "$source/tests/consumers/chrono_roundtrip.cpp" \
      -L"$prefix/lib" -lnormdate -o "$work/chrono_roundtrip"
    # A kernel without 32-bit support refuses to execute it (status 126);
    # Debian's qemu-user then runs it in user-mode emulation.
    status=0
    "$work/chrono_roundtrip" || status=$?
    if ((status == 126)); then qemu-i386 "$work/chrono_roundtrip"; else exit "$status"; fi
    ;;
  debs)
    source=$2 debs=$3 root=$4/root
    rm -rf "$root" && mkdir -p "$root"
    version=$(dpkg-deb -f "$debs"/libnormdate1_*.deb Version)
    depends() { dpkg-deb -f "$debs/$1"_*.deb Depends; }
    [[ $(depends libnormdate-dev) == *"libnormdate1 (= $version)"* ]] ||
      { echo "FAIL: libnormdate-dev depends on '$(depends libnormdate-dev)'"; exit 1; }
    [[ $(depends normdate-demo) == *"libnormdate1 (= $version)"* ]] ||
      { echo "FAIL: normdate-demo depends on '$(depends normdate-demo)'"; exit 1; }
    for needed in libstdc++6 libabsl; do
      [[ $(depends libnormdate1) == *$needed* ]] ||
        { echo "FAIL: libnormdate1 depends on '$(depends libnormdate1)', not $needed"; exit 1; }
    done
    # The zone database is built in: the system's is recommended, not needed.
    [[ $(dpkg-deb -f "$debs"/libnormdate1_*.deb Recommends) == *tzdata* &&
       $(depends libnormdate1) != *tzdata* ]] ||
      { echo "FAIL: libnormdate1 does not recommend tzdata without depending on it"; exit 1; }
    [[ $(depends libnormdate-dev) == *libabsl-dev* ]] ||
      { echo "FAIL: libnormdate-dev depends on '$(depends libnormdate-dev)'"; exit 1; }
    expect_files() {
      local listed
      listed=$(dpkg-deb -c "$debs/$1"_*.deb | awk '{print $6}' | grep -v '/$' | sort | tr '\n' ' ')
      [[ $listed == "$2" ]] || { echo "FAIL: $1 holds: $listed"; exit 1; }
      echo "$1: $listed"
    }
    expect_files libnormdate1 "./usr/lib/libnormdate.so.1 ./usr/lib/libnormdate.so.$version ./usr/lib/libnormdate_zone.so.1 ./usr/lib/libnormdate_zone.so.$version "
    expect_files normdate-demo "./usr/bin/normdate-demo "
    for file in include/normdate/date.h include/normdate/zone.h include/normdate/fmt.h \
                lib/libnormdate.so lib/libnormdate_zone.so lib/pkgconfig/normdate-zone.pc \
                lib/cmake/normdate/normdateZoneTargets.cmake; do
      [[ $(dpkg-deb -c "$debs"/libnormdate-dev_*.deb) == *"./usr/$file"* ]] ||
        { echo "FAIL: libnormdate-dev lacks $file"; exit 1; }
    done
    for deb in "$debs"/*.deb; do dpkg-deb -x "$deb" "$root"; done
    prefix=$root/usr
    read -r -a flags <<<"$(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs normdate)"
    g++ -std=c++20 "$source/tests/consumers/main.cpp" "${flags[@]}" -o "$4/deb_consumer"
    runs "$4/deb_consumer"
    read -r -a flags <<<"$(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs normdate-zone)"
    g++ -std=c++20 "$source/tests/consumers/zone_main.cpp" "${flags[@]}" -o "$4/deb_zone_consumer"
    runs "$4/deb_zone_consumer"
    # The whole output first: a reader that stops early would break its pipe.
    demo=$(LD_LIBRARY_PATH=$prefix/lib "$prefix/bin/normdate-demo")
    [[ $demo == *$'\nEnd: 9899-Feb-24 20:00:07\n'* ]] || { echo "FAIL: the packaged program"; exit 1; }
    ;;
  exports)
    # Every exported symbol is the public API of namespace Date, none of its
    # internals but the three text conversions the zone library shares with
    # the core, and abseil's zone-info source hook, which the zone library
    # defines in abseil's place. Weak instantiations of the standard
    # library's own templates (types W, u and V) keep the default visibility
    # libstdc++ gives them.
    text='toString|toIsoString|parse|tryParse|strftime|strptime|tryStrptime|until|since|add|subtract'
    leaked=$(nm -D --defined-only -C "$2" | cut -d' ' -f2- |
      grep -v -E '^D absl::[a-z0-9_]+::time_internal::cctz_extension::zone_info_source_factory' |
      grep -v -E "^[TV] (Date::(Date::(Date|$text)|Timestamp::($text|round|toHttpDate|toRfc5322)|Span::|Recurrence::|RecurrenceSet::|BusinessCalendar::|ParseError::~ParseError|operator<<)|(typeinfo|typeinfo name|vtable) for Date::ParseError)" |
      grep -v -E '^T Date::detail::(readConversions|writeConversions|describe(\[abi:cxx11\])?)\(' |
      grep -v -E '^[TV] (Date::(TimeZone::|ZoneError::~ZoneError|ZonedTime::|ZonedRecurrence::|operator==\(Date::ZonedTime)|(typeinfo|typeinfo name|vtable) for Date::ZoneError)' |
      grep -v -E '^[WuV] ([a-z ]+ )?std::' || true)
    if [[ -n $leaked ]]; then echo "FAIL: exported beyond the public API:"; echo "$leaked"; exit 1; fi
    nm -D --defined-only -C "$2" | grep -c 'Date::' | sed 's/^/exported symbols of namespace Date: /'
    ;;
esac
