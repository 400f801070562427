# Two builds of a stand-in skin engine for the binding tests, both named
# "jedata.dll", each in a folder of its own: "full" exports SkinH_AttachEx and
# SkinH_AdjustAero, "partial" lacks SkinH_AdjustAero.
if(TARGET core_library_table_test)
  foreach(kind partial full)
    add_library(skin_stub_${kind} SHARED ${CMAKE_CURRENT_SOURCE_DIR}/core/fixtures/skin_stub.c)
    set_target_properties(skin_stub_${kind} PROPERTIES
      PREFIX "" OUTPUT_NAME jedata SUFFIX ".dll"
      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/skin_stub_${kind})
    add_dependencies(core_library_table_test skin_stub_${kind})
  endforeach()
  target_compile_definitions(skin_stub_full PRIVATE SKIN_STUB_FULL)
  target_compile_definitions(core_library_table_test PRIVATE
    SKIN_STUB_PARTIAL="$<TARGET_FILE:skin_stub_partial>"
    SKIN_STUB_FULL="$<TARGET_FILE:skin_stub_full>")
endif()
