# Each scenario is a row of tests/e2e/driver/Scenarios.cpp, run on a freshly reset Wine prefix with drive D:
# as given. The kind picks the Windows: nt5 (2000 to 2003) a 32-bit prefix and driver, nt6 (Vista to 10) a
# 64-bit prefix (WoW64) and driver, both with the shipped 32-bit program; x64 the 64-bit program (smoke set).
set(E2E_nt6 $<TARGET_FILE:e2e_driver> ${VESTRAND_WIN32_DIR}/Vestrand.exe)  # each kind's driver and program
set(E2E_nt5 ${VESTRAND_WIN32_DIR}/e2e_driver.exe ${VESTRAND_WIN32_DIR}/Vestrand.exe)
set(E2E_x64 $<TARGET_FILE:e2e_driver> $<TARGET_FILE:Vestrand>)
function(vestrand_e2e kind dmode)
  list(GET E2E_${kind} 0 driver)
  list(GET E2E_${kind} 1 program)
  foreach(row ${ARGN})
    add_test(NAME e2e_${kind}_${row}
             COMMAND env VESTRAND_PROGRAM=${program}
                     bash ${WINE_HARNESS} scenario ${dmode} ${driver} --gtest_filter=Each/Scenario.Row/${row} --gtest_brief=1)
    # A filter that matches nothing must not pass as an empty success.
    set_tests_properties(e2e_${kind}_${row} PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77
                         PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test\\." FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
  endforeach()
endfunction()

vestrand_e2e(nt6 fixed start_win7 win7_copy win7_move win7_discard win7_sync_root win7_second_run win7_leftovers
             window killed_copying killed_shell_down crashed_shell_down)
vestrand_e2e(nt6 fat32 refused_fat32)
vestrand_e2e(nt6 fixed-p refused)
vestrand_e2e(nt6 none start_vista_to_10)
vestrand_e2e(nt6 small refused_no_room)
vestrand_e2e(nt5 fixed start_nt5 xp_copy xp_move xp_move_undone xp_discard)
vestrand_e2e(x64 fixed start_win7 start_xp64 win7_copy win7_move win7_discard)
