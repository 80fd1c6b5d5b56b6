# Runs tiltmon-sim with ARGUMENTS (,-separated) and prints its exit code
# before what it said, so the test can check both.
string(REPLACE "," ";" arguments "${ARGUMENTS}")
execute_process(COMMAND ${PROGRAM} ${arguments} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("exit ${code}: ${err}${out}")
