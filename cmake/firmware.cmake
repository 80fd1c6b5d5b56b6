# The firmware's sources and include folders, shared by the target image and
# the host build that runs the same code on the virtual board.

set(TILTMON_FIRMWARE_INCLUDE_DIRS
    ${PROJECT_SOURCE_DIR}/inc
    ${PROJECT_SOURCE_DIR}/Libraries/Core
    ${PROJECT_SOURCE_DIR}/Libraries/Core/seam/${TILTMON_PLATFORM}
    ${PROJECT_SOURCE_DIR}/Libraries/F2xx_Periph_Driver/inc
    ${PROJECT_SOURCE_DIR}/Utilities/Board/MORVA_EVAL
    ${PROJECT_SOURCE_DIR}/Utilities/Board/Common
    ${PROJECT_SOURCE_DIR}/Utilities/System
)

# Modules delivered as relocatable objects of their own as well.
set(TILTMON_DELIVERED_MODULES
    main=src/main.cpp
    pllsetup=src/pllsetup.cpp
    morva_debug=Utilities/System/morva_debug.cpp
    sercom=Utilities/System/sercom.cpp
    irqlines=Libraries/F2xx_Periph_Driver/src/irqlines.cpp
    syscfgdrv=Libraries/F2xx_Periph_Driver/src/syscfgdrv.cpp
    accelspi=Utilities/Board/Common/accelspi.cpp
)

set(TILTMON_FIRMWARE_SOURCES
    src/stm32f2xx_it.cpp
    Libraries/F2xx_Periph_Driver/src/misc.cpp
    Libraries/F2xx_Periph_Driver/src/stm32f2xx_flash.cpp
    Libraries/F2xx_Periph_Driver/src/stm32f2xx_gpio.cpp
    Libraries/F2xx_Periph_Driver/src/stm32f2xx_rcc.cpp
    Libraries/F2xx_Periph_Driver/src/stm32f2xx_spi.cpp
    Libraries/F2xx_Periph_Driver/src/stm32f2xx_tim.cpp
    Libraries/F2xx_Periph_Driver/src/stm32f2xx_usart.cpp
    Utilities/Board/Common/font5x8.cpp
    Utilities/Board/Common/lcd_st7565p.cpp
    Utilities/Board/MORVA_EVAL/morva_eval.cpp
    Utilities/Board/MORVA_EVAL/morva_eval_spi_devices.cpp
    Utilities/System/syscalls.cpp
)

set(TILTMON_WARNINGS -Wall -Wextra -Wconversion -Wshadow -Wcast-align -Wdouble-promotion -Wnull-dereference -Werror)
