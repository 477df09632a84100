# End-to-end scenarios: each runs a driver on a freshly reset Wine prefix. The kind names
# the Windows a scenario stands for, and with it the prefix, the driver and the program:
#   nt5  Windows 2000, XP and 2003: a 32-bit prefix, the 32-bit driver, the shipped program
#   nt6  Windows Vista to 11: a 64-bit prefix (WoW64), the 64-bit driver, the shipped program
#   x64  the 64-bit build in a 64-bit prefix, driven by the 64-bit driver (a smoke set)
# The harness picks the prefix kind by the driver's bitness.
#   vestrand_e2e(<name> <nt5|nt6|x64> <fixed|none> <gtest filter>)
function(vestrand_e2e name kind dmode filter)
  set(shipped ${VESTRAND_WIN32_DIR}/Vestrand.exe)
  if(kind STREQUAL "nt5")
    set(driver ${VESTRAND_WIN32_DIR}/e2e_driver.exe)
    set(program ${shipped})
  elseif(kind STREQUAL "nt6")
    set(driver $<TARGET_FILE:e2e_driver>)
    set(program ${shipped})
  elseif(kind STREQUAL "x64")
    set(driver $<TARGET_FILE:e2e_driver>)
    set(program $<TARGET_FILE:Vestrand>)
  else()
    message(FATAL_ERROR "vestrand_e2e: unknown kind ${kind}")
  endif()
  add_test(NAME e2e_${name}
           COMMAND env VESTRAND_PROGRAM=${program}
                   bash ${WINE_HARNESS} scenario ${dmode} ${driver} --gtest_filter=${filter} --gtest_brief=1)
  # A filter that matches nothing must not pass as an empty success.
  set_tests_properties(e2e_${name} PROPERTIES TIMEOUT 300
                       PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [1-9][0-9]* tests?\\."
                       FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]"
                       SKIP_RETURN_CODE 77)
endfunction()

# Start-up on each version (tests/e2e/driver/StartupScenarios.cpp), one table row each.
vestrand_e2e(startup_win7 nt6 fixed Each/Startups.Start/win7)
vestrand_e2e(startup_no_d nt6 none Each/Startups.Start/win7)
vestrand_e2e(startup_win81_win10 nt6 fixed Each/Startups.Start/win8_81_10)
vestrand_e2e(startup_xp nt5 fixed Each/Startups.Start/xp)
vestrand_e2e(startup_2000 nt5 fixed Each/Startups.Start/win2000)
vestrand_e2e(startup_2003 nt5 fixed Each/Startups.Start/win2003)
vestrand_e2e(startup_no_family nt5 fixed Each/Startups.Start/nt4)
vestrand_e2e(startup_missing_folder nt6 fixed Startup.Windows7MissingFolderClearsItsRow)
vestrand_e2e(startup_bad_registry nt6 fixed Startup.BadRegistryInputIsShownButNotOffered)

# The windows as a user sees and drives them (tests/e2e/driver/WindowScenarios.cpp).
vestrand_e2e(window_layout_96dpi nt6 fixed Each/Layout.AtDpi/0)
vestrand_e2e(window_layout_144dpi nt6 fixed Each/Layout.AtDpi/1)
vestrand_e2e(window_tab_order nt6 fixed Window.TabVisitsTheDesignedOrder)
vestrand_e2e(window_notes nt6 fixed Window.NotesWindowIsOneRebuiltAndOutlivesTheMainWindow)
vestrand_e2e(window_picker_cancelled nt6 fixed Window.CancelledPickerShowsTheCentredHintAndKeepsTheTarget)
vestrand_e2e(window_picker_drive_root nt6 fixed Window.PickingADriveRootPutsItWithItsBackslash)
vestrand_e2e(window_explorer nt6 fixed Window.DoubleClickOnAPathBoxStartsExplorer)
vestrand_e2e(window_enter_key nt6 fixed EnterKey.StartsARunOnlyFromTheStartButton)
vestrand_e2e(window_path_tooltips nt6 fixed Window.PathBoxTooltipHoldsTheWholeLocation)

# Fault tolerance (tests/e2e/driver/FaultScenarios.cpp): nothing lost, the shell back.
vestrand_e2e(fault_held_open_move nt6 fixed Each/Faults.Run/held_open_move)
vestrand_e2e(fault_held_open_copy nt5 fixed Each/Faults.Run/held_open_copy)
vestrand_e2e(fault_attributes_move nt6 fixed Each/Faults.Run/attributes_move)
vestrand_e2e(fault_attributes_copy nt5 fixed Each/Faults.Run/attributes_copy)
vestrand_e2e(fault_long_path_move nt6 fixed Each/Faults.Run/long_path_move)
vestrand_e2e(fault_long_path_copy nt5 fixed Each/Faults.Run/long_path_copy)
vestrand_e2e(fault_names_move nt6 fixed Each/Faults.Run/names_move)
vestrand_e2e(fault_names_copy nt5 fixed Each/Faults.Run/names_copy)
vestrand_e2e(fault_target_holds_same_name nt6 fixed Relocation.TargetAlreadyHoldsAFolderOfTheSameName)
vestrand_e2e(fault_second_run nt6 fixed Relocation.SecondRunOntoTheSameTarget)
vestrand_e2e(fault_refused_spaces nt6 fixed Each/Refused.Target/spaces)
vestrand_e2e(fault_refused_relative nt5 fixed Each/Refused.Target/relative)
vestrand_e2e(fault_refused_unc nt6 fixed Each/Refused.Target/unc)
vestrand_e2e(fault_refused_inside_desktop nt5 fixed Each/Refused.Target/inside_desktop)
vestrand_e2e(fault_refused_same_name nt6 fixed Each/Refused.Target/same_name)
vestrand_e2e(fault_refused_file_clash nt6 fixed Each/Refused.Target/file_clash)
vestrand_e2e(fault_refused_second_letter nt6 fixed-p Each/Refused.Target/second_letter)
vestrand_e2e(fault_refused_no_room nt6 small Each/Refused.Target/no_room)
vestrand_e2e(startup_vanished_folder nt6 fixed Startup.VanishedFolderStillEndsOnARealFolder)

foreach(run win7_copy win7_move win7_discard win7_move_some_unticked)
  vestrand_e2e(run_${run} nt6 fixed Each/Relocations.Run/${run})
endforeach()
foreach(run xp_copy xp_move xp_discard xp_copy_some_unticked xp_move_media_unticked)
  vestrand_e2e(run_${run} nt5 fixed Each/Relocations.Run/${run})
endforeach()

# The 64-bit build: start-up on both families, one run in each mode on Windows 7.
vestrand_e2e(x64_startup_win7 x64 fixed Each/Startups.Start/win7)
vestrand_e2e(x64_startup_xp64 x64 fixed Each/Startups.Start/xp64)
foreach(run win7_copy win7_move win7_discard)
  vestrand_e2e(x64_run_${run} x64 fixed Each/Relocations.Run/${run})
endforeach()
