# Common compile options. Floating point stays strict: results are part of the contract,
# so no contraction into fused multiply-adds and never fast-math.
add_library(tonemill_options INTERFACE)
target_compile_options(tonemill_options INTERFACE
  -Wall -Wextra
  -ffp-contract=off -fno-fast-math)

# The test command builds with warnings as errors, so that a warning never lands unseen.
option(TONEMILL_WERROR "Treat compiler warnings as errors" OFF)
if(TONEMILL_WERROR)
  target_compile_options(tonemill_options INTERFACE -Werror)
endif()
