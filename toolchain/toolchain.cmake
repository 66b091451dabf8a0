# How the product is compiled and linked for Windows: the compiler and linker options
# that keep quillon.exe small and its start cheap. toolchain/README.md says what each
# does, why, and how to tell when one breaks. quillon_toolchain(<target>) applies them:
# to a layer library the compile options, to the program also its link.
if(NOT WIN32)
  function(quillon_toolchain target)
  endfunction()
  return()
endif()

set(QUILLON_TOOLCHAIN_DIR ${CMAKE_CURRENT_LIST_DIR})

# The product's own code uses no RTTI, runs on one thread (no guarded statics), gives
# every function and object a section of its own for --gc-sections, and makes no
# private copies of functions with their parameters rearranged.
set(QUILLON_TOOLCHAIN_COMPILE_OPTIONS -fno-rtti -fno-threadsafe-statics
  -ffunction-sections -fdata-sections -fno-ipa-sra)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # 32-bit: arguments pushed rather than stored into a frame reserved up front, which
  # is shorter code. GCC pushes only where it need not probe the stack, so the probe
  # (only ever made for frames of 4000 bytes or more) is switched off and every frame
  # held well below that size: each call's return address then touches the stack's
  # guard page in order.
  list(APPEND QUILLON_TOOLCHAIN_COMPILE_OPTIONS -mno-accumulate-outgoing-args
    -mno-stack-arg-probe -Werror=frame-larger-than=3072)
endif()

# The DLLs a silent apply never needs: bound by the delay-load helper on the first call
# of one of their functions. ADVAPI32 stays a load-time import: every apply takes the
# port lock (an access list) and reads the Run key.
set(QUILLON_DELAY_LOADED_DLLS user32 gdi32 comdlg32)

# lld in MinGW mode, the linker that delay-loads on this target; the GNU tools' delay-load
# thunks (dlltool -y) are broken for 32-bit code.
find_program(QUILLON_LLD NAMES ld.lld)
find_program(QUILLON_LLVM_CONFIG NAMES llvm-config)
if(QUILLON_LLVM_CONFIG)
  execute_process(COMMAND ${QUILLON_LLVM_CONFIG} --bindir OUTPUT_VARIABLE llvm_bindir
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
find_program(QUILLON_LLVM_DLLTOOL NAMES llvm-dlltool HINTS ${llvm_bindir})
# The tests read both import tables with it (GNU objdump lists no delay-loaded names).
find_program(QUILLON_LLVM_READOBJ NAMES llvm-readobj HINTS ${llvm_bindir})
if(NOT QUILLON_LLD OR NOT QUILLON_LLVM_DLLTOOL OR NOT QUILLON_LLVM_READOBJ)
  message(FATAL_ERROR "quillon.exe is linked with lld and llvm-dlltool (packages lld and llvm): "
    "bash scripts/setup.sh installs them")
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(dlltool_machine i386:x86-64)
  set(windows_version 5 2)   # the first 64-bit Windows, XP x64 and Server 2003
else()
  set(dlltool_machine i386)
  # Windows 98, ME and 2000 refuse a program asking for more than 4.0 (2000 anything
  # above 5.0); lld would write 6.0, which even XP refuses.
  set(windows_version 4 0)
endif()
set(QUILLON_DLLTOOL_MACHINE ${dlltool_machine})
list(GET windows_version 0 windows_major)
list(GET windows_version 1 windows_minor)

# Short import libraries of the delay-loaded DLLs, made from the system's import
# libraries at build time.
set(delay_libraries)
foreach(dll ${QUILLON_DELAY_LOADED_DLLS})
  find_library(QUILLON_SYSTEM_LIB_${dll} NAMES ${dll} REQUIRED)
  set(library ${CMAKE_BINARY_DIR}/toolchain/lib${dll}_delay.a)
  add_custom_command(OUTPUT ${library}
    COMMAND bash ${QUILLON_TOOLCHAIN_DIR}/short_import_library.sh ${CMAKE_NM} ${QUILLON_LLVM_DLLTOOL}
      ${dlltool_machine} ${QUILLON_SYSTEM_LIB_${dll}} ${dll}.dll ${library}
    DEPENDS ${QUILLON_TOOLCHAIN_DIR}/short_import_library.sh ${QUILLON_SYSTEM_LIB_${dll}}
    COMMENT "Short import library of ${dll}.dll"
    VERBATIM)
  list(APPEND delay_libraries ${library})
endforeach()
add_custom_target(quillon_delay_import_libraries DEPENDS ${delay_libraries})
set(QUILLON_DELAY_IMPORT_LIBRARIES ${delay_libraries})

# Debian's MinGW-w64 compilers are built with GNU ld as their fixed linker, which
# -fuse-ld=lld does not override; a driver settings file naming lld as the linker does
# (GCC's option for such a file is the one below). GCC then hands lld what it would
# hand GNU ld, less the LTO plugin's options.
set(QUILLON_LLD_DRIVER_FILE ${CMAKE_BINARY_DIR}/toolchain/lld-linker.gcc)
file(WRITE ${QUILLON_LLD_DRIVER_FILE} "*linker:\n${QUILLON_LLD}\n\n")

function(quillon_toolchain target)
  target_compile_options(${target} PRIVATE ${QUILLON_TOOLCHAIN_COMPILE_OPTIONS})
  get_target_property(type ${target} TYPE)
  if(NOT type STREQUAL "EXECUTABLE")
    return()
  endif()
  add_dependencies(${target} quillon_delay_import_libraries)
  set(delay_options)
  foreach(dll ${QUILLON_DELAY_LOADED_DLLS})
    list(APPEND delay_options -Wl,--delayload=${dll}.dll)
  endforeach()
  # The short libraries go among the options, ahead of every -l: the first library
  # that offers a function is the one the linker takes it from.
  target_link_options(${target} PRIVATE -specs=${QUILLON_LLD_DRIVER_FILE} -fno-use-linker-plugin
    ${QUILLON_DELAY_IMPORT_LIBRARIES} ${delay_options}
    -Wl,--major-os-version=${windows_major} -Wl,--minor-os-version=${windows_minor}
    -Wl,--major-subsystem-version=${windows_major} -Wl,--minor-subsystem-version=${windows_minor}
    -s -Wl,--gc-sections -Wl,-Map=${target}.map
    # The exception tables are read-only data like any other: no section of their own.
    -Wl,--Xlink=-merge:.gcc_except_table=.rdata)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${QUILLON_DELAY_IMPORT_LIBRARIES})
endfunction()
