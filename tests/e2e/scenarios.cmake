# End-to-end scenarios: each runs the driver on a freshly reset Wine prefix.
#   vestrand_e2e(<name> <fixed|none> <gtest filter>)
function(vestrand_e2e name dmode filter)
  add_test(NAME e2e_${name}
           COMMAND bash ${WINE_HARNESS} scenario ${dmode} $<TARGET_FILE:e2e_driver>
                   --gtest_filter=${filter} --gtest_brief=1)
  set_tests_properties(e2e_${name} PROPERTIES TIMEOUT 300)
endfunction()

vestrand_e2e(startup_win7 fixed Startup.Windows7WithFixedD)
vestrand_e2e(startup_missing_folder fixed Startup.Windows7MissingFolderClearsItsRow)
vestrand_e2e(startup_no_d none Startup.NoFixedDLeavesTargetEmpty)
vestrand_e2e(startup_xp fixed Startup.WindowsXpFamily)
vestrand_e2e(startup_2003 fixed Startup.Windows2003Family)
vestrand_e2e(startup_win81_win10 fixed Startup.Windows81And10RunAsWindows8)
vestrand_e2e(startup_no_family fixed Startup.VersionWithoutFamilyEndsSilently)
vestrand_e2e(startup_layout_96dpi fixed Startup.ControlsSitWhereTheTableSays)

vestrand_e2e(run_win7_copy fixed Relocation.Windows7Copy)
vestrand_e2e(run_win7_move fixed Relocation.Windows7Move)
vestrand_e2e(run_win7_discard fixed Relocation.Windows7Discard)
vestrand_e2e(run_xp_copy fixed Relocation.WindowsXpCopy)
vestrand_e2e(run_xp_default_move fixed Relocation.WindowsXpDefaultLayoutMove)
vestrand_e2e(run_xp_discard fixed Relocation.WindowsXpDiscard)
vestrand_e2e(run_refused_missing_drive fixed RefusedTarget.MissingDrive)
vestrand_e2e(run_refused_inside_documents fixed RefusedTarget.InsideTheDocumentsFolder)
vestrand_e2e(startup_bad_registry fixed Startup.BadRegistryInputIsShownButNotOffered)
