# Strict warnings for normdate's own targets. They are attached privately, so
# nothing of them reaches a consumer of the library.
add_library(normdate_warnings INTERFACE)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(normdate_warnings INTERFACE -Wall -Wextra -Wpedantic -Wconversion
                                                     -Wshadow $<$<BOOL:${NORMDATE_WERROR}>:-Werror>)
elseif(MSVC)
  target_compile_options(normdate_warnings INTERFACE /W4 $<$<BOOL:${NORMDATE_WERROR}>:/WX>)
endif()
