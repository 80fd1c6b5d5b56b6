# Target build: the firmware image tiltmon.elf for the STM32F2xx, with its
# flashable .bin and .hex, the link map, and the delivered modules' own
# relocatable objects (<name>.o) next to it.

set(TILTMON_LINKER_SCRIPT ${PROJECT_SOURCE_DIR}/startup/tiltmon.ld)

# What only the chip needs: vector table and reset, and the hard-fault entry.
# (newlib-nano needs no process calls such as _exit or _kill here: nothing in
# the image reaches abort, exit or raise.)
set(TILTMON_TARGET_ONLY_SOURCES
    startup/startup_stm32f2xx.cpp
    startup/hardfault_entry.cpp
)

# The reset code runs before the RAM image exists: its copy and clear loops
# must stay loops and not become calls to memcpy or memset.
set_source_files_properties(startup/startup_stm32f2xx.cpp PROPERTIES
    COMPILE_OPTIONS -fno-tree-loop-distribute-patterns)

# Compile settings shared by the image and the delivered modules.
add_library(tiltmon_target_settings INTERFACE)
target_include_directories(tiltmon_target_settings INTERFACE ${TILTMON_FIRMWARE_INCLUDE_DIRS})
# gcc's call graph with each function's frame (.ci beside each object), for
# the worst-case stack (tools/stack/stack_depth.py).
target_compile_options(tiltmon_target_settings INTERFACE ${TILTMON_WARNINGS} -fcallgraph-info=su)

add_executable(tiltmon ${TILTMON_FIRMWARE_SOURCES} ${TILTMON_TARGET_ONLY_SOURCES})
set_target_properties(tiltmon PROPERTIES
    SUFFIX ".elf"
    LINK_DEPENDS ${TILTMON_LINKER_SCRIPT})
target_link_libraries(tiltmon PRIVATE tiltmon_target_settings)
target_link_options(tiltmon PRIVATE
    -T${TILTMON_LINKER_SCRIPT}
    -Wl,-Map=${CMAKE_BINARY_DIR}/tiltmon.map
    -Wl,--cref)

# One object library per delivered module: linked into the image, and its
# object copied out as <name>.o after every link.
foreach(entry IN LISTS TILTMON_DELIVERED_MODULES)
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 module_name)
    list(GET pair 1 module_source)
    set(module_target tiltmon_module_${module_name})
    add_library(${module_target} OBJECT ${module_source})
    target_link_libraries(${module_target} PRIVATE tiltmon_target_settings)
    target_link_libraries(tiltmon PRIVATE ${module_target})
    add_custom_command(TARGET tiltmon POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_OBJECTS:${module_target}> ${CMAKE_BINARY_DIR}/${module_name}.o
        COMMAND_EXPAND_LISTS
        VERBATIM)
endforeach()

add_custom_command(TARGET tiltmon POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} -O binary $<TARGET_FILE:tiltmon> ${CMAKE_BINARY_DIR}/tiltmon.bin
    COMMAND ${CMAKE_OBJCOPY} -O ihex $<TARGET_FILE:tiltmon> ${CMAKE_BINARY_DIR}/tiltmon.hex
    COMMAND ${CMAKE_SIZE} $<TARGET_FILE:tiltmon>
    BYPRODUCTS ${CMAKE_BINARY_DIR}/tiltmon.bin ${CMAKE_BINARY_DIR}/tiltmon.hex ${CMAKE_BINARY_DIR}/tiltmon.map
    VERBATIM)
