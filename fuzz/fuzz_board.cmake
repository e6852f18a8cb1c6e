# The fixed board of the session target, examples/blinker.fpc, compiled into the target as bytes
# (fuzz_board.inc), so that the target runs wherever it is started, without the source tree.
set(TARNWICK_FUZZ_BOARD ${CMAKE_SOURCE_DIR}/examples/blinker.fpc)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TARNWICK_FUZZ_BOARD})
file(READ ${TARNWICK_FUZZ_BOARD} fuzz_board_hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," fuzz_board_bytes "${fuzz_board_hex}")
# Rewritten only when the board changes, so that a new configure compiles nothing again.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/fuzz_board/fuzz_board.inc CONTENT "@fuzz_board_bytes@\n" @ONLY)

function(tarnwick_fuzz_board target)
  target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/fuzz_board)
endfunction()
