# Runs tiltmon-sim on a scenario and prints its exit code before what it
# said, so the test can check both.
execute_process(COMMAND ${PROGRAM} --scenario ${SCENARIO} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("exit ${code}: ${err}${out}")
