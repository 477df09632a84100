# End-to-end scenarios: each runs the driver on a freshly reset Wine prefix.
#   vestrand_e2e(<name> <fixed|none> <gtest filter>)
function(vestrand_e2e name dmode filter)
  add_test(NAME e2e_${name}
           COMMAND bash ${WINE_HARNESS} scenario ${dmode} $<TARGET_FILE:e2e_driver>
                   --gtest_filter=${filter} --gtest_brief=1)
  # A filter that matches nothing must not pass as an empty success.
  set_tests_properties(e2e_${name} PROPERTIES TIMEOUT 300
                       PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [1-9][0-9]* tests?\\."
                       FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
endfunction()

vestrand_e2e(startup_win7 fixed Startup.Windows7WithFixedD)
vestrand_e2e(startup_missing_folder fixed Startup.Windows7MissingFolderClearsItsRow)
vestrand_e2e(startup_no_d none Startup.NoFixedDLeavesTargetEmpty)
vestrand_e2e(startup_xp fixed Startup.WindowsXpFamily)
vestrand_e2e(startup_2003 fixed Startup.Windows2003Family)
vestrand_e2e(startup_win81_win10 fixed Startup.Windows81And10RunAsWindows8)
vestrand_e2e(startup_no_family fixed Startup.VersionWithoutFamilyEndsSilently)

vestrand_e2e(startup_bad_registry fixed Startup.BadRegistryInputIsShownButNotOffered)

# The windows as a user sees and drives them (tests/e2e/driver/WindowScenarios.cpp).
vestrand_e2e(window_layout_96dpi fixed Window.LayoutAndScreenshotAt96Dpi)
vestrand_e2e(window_layout_144dpi fixed Window.LayoutScalesAt144Dpi)
vestrand_e2e(window_tab_order fixed Window.TabVisitsTheDesignedOrder)
vestrand_e2e(window_notes fixed Window.NotesWindowIsOneRebuiltAndOutlivesTheMainWindow)
vestrand_e2e(window_picker_cancelled fixed Window.CancelledPickerShowsTheCentredHintAndKeepsTheTarget)
vestrand_e2e(window_picker_drive_root fixed Window.PickingADriveRootPutsItWithItsBackslash)
vestrand_e2e(window_explorer fixed Window.DoubleClickOnAPathBoxStartsExplorer)
vestrand_e2e(window_start_unknown_version fixed Window.StartButtonOnAVersionOutsideTheSixDoesNothing)
vestrand_e2e(window_enter_key fixed EnterKey.StartsARunOnlyFromTheStartButton)
vestrand_e2e(window_path_tooltips fixed Window.PathBoxTooltipHoldsTheWholeLocation)

# Fault tolerance (tests/e2e/driver/FaultScenarios.cpp): nothing lost, the shell back.
vestrand_e2e(fault_held_open_move fixed HeldOpen.DuringMoveOnWindows7)
vestrand_e2e(fault_held_open_copy fixed HeldOpen.DuringCopyOnWindowsXp)
vestrand_e2e(fault_attributes_move fixed Fault.ReadOnlyAndHiddenFilesKeepTheirAttributesWhenMoved)
vestrand_e2e(fault_attributes_copy fixed Fault.ReadOnlyAndHiddenFilesKeepTheirAttributesWhenCopied)
vestrand_e2e(fault_long_path_move fixed LongPaths.MovedOnWindows7)
vestrand_e2e(fault_long_path_copy fixed LongPaths.CopiedOnWindowsXp)
vestrand_e2e(fault_names_move fixed UnusualNames.MovedOnWindows7)
vestrand_e2e(fault_names_copy fixed UnusualNames.CopiedOnWindowsXp)
vestrand_e2e(fault_target_holds_same_name fixed Fault.TargetAlreadyHoldsAFolderOfTheSameName)
vestrand_e2e(fault_second_run fixed Fault.SecondRunOntoTheSameTarget)
vestrand_e2e(fault_refused_spaces fixed FaultRefusedTarget.SurroundingSpaces)
vestrand_e2e(fault_refused_relative fixed FaultRefusedTarget.RelativePath)
vestrand_e2e(fault_refused_unc fixed FaultRefusedTarget.UncPathToMissingServer)
vestrand_e2e(fault_refused_inside_desktop fixed FaultRefusedTarget.InsideTheTickedDesktop)
vestrand_e2e(fault_refused_same_name fixed FaultRefusedTarget.TwoFoldersOfOneName)
vestrand_e2e(fault_refused_file_clash fixed FaultRefusedTarget.FileInTheTargetWouldBeReplaced)
vestrand_e2e(startup_vanished_folder fixed Startup.VanishedFolderStillEndsOnARealFolder)

foreach(run win7_copy win7_move win7_discard win7_move_some_unticked xp_copy xp_move xp_discard
        xp_copy_some_unticked xp_move_media_unticked)
  vestrand_e2e(run_${run} fixed Each/Relocations.Run/${run})
endforeach()
