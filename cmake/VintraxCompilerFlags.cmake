# Flags every target of the project is built with.
#
# Float results must be identical bit for bit on every build: no contraction of
# a*b+c into one rounding, no fast-math, and on 32-bit x86 no x87 registers,
# whose wider precision and range change what a float operation rounds to.
add_compile_options(-ffp-contract=off -fno-fast-math)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$")
  add_compile_options(-msse2 -mfpmath=sse)
  # A host built by another compiler may call in with the stack aligned to 4
  # bytes only; SSE spills of 16-byte values would then fault.
  add_compile_options(-mincoming-stack-boundary=2)
endif()

# Nothing here draws. Without wingdi.h its macros (GetObject -> GetObjectA)
# cannot rename the project's own functions in files that see <windows.h>,
# which GoogleTest includes on Windows.
if(WIN32)
  add_compile_definitions(NOGDI)
endif()

# Warnings, fatal, for the project's own targets (not for third-party code built
# from source, such as GoogleTest in the cross build).
function(vintrax_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wno-sign-conversion -Werror)
endfunction()

if(VINTRAX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
