# Host build: the firmware as a library over the virtual board, the virtual
# board itself, the tools, the tests and the benchmarks. The host preset runs
# everything under AddressSanitizer and UndefinedBehaviorSanitizer; the
# release preset builds the same optimised and without them, for the
# benchmarks and the long journeys.

option(TILTMON_SANITIZE "Build the host with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
if(TILTMON_SANITIZE)
    set(TILTMON_SANITIZERS -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=undefined
                           -fno-omit-frame-pointer)
    add_compile_options(${TILTMON_SANITIZERS})
    add_link_options(${TILTMON_SANITIZERS})
endif()

foreach(entry IN LISTS TILTMON_DELIVERED_MODULES)
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 1 source)
    list(APPEND TILTMON_HOST_FIRMWARE_SOURCES ${source})
endforeach()
list(APPEND TILTMON_HOST_FIRMWARE_SOURCES ${TILTMON_FIRMWARE_SOURCES})

# The firmware's RAM is everything this library defines; the virtual board
# resets it at power-on (see sim/platform/firmware_ram.ld).
add_library(tiltmon_firmware STATIC ${TILTMON_HOST_FIRMWARE_SOURCES})
target_include_directories(tiltmon_firmware PUBLIC ${TILTMON_FIRMWARE_INCLUDE_DIRS})
target_compile_options(tiltmon_firmware PRIVATE ${TILTMON_WARNINGS})
# The test programs have a main of their own; the virtual board's reset calls the firmware's by this name.
set_source_files_properties(src/main.cpp PROPERTIES COMPILE_DEFINITIONS "main=tiltmon_main")

add_subdirectory(sim)

find_package(GTest REQUIRED)
enable_testing()
add_subdirectory(tests)
add_subdirectory(tools)
add_subdirectory(bench)
