# Modules that stand in for the real one in the command's tests: one that gives no answers, as the
# real one does when memory runs out, one built with another generator, whose dice the command
# cannot rebuild, and one whose d20 is loaded, which an audit must catch. Sets orvik_stand_in_env
# to the variables that name them for the tests.
add_library(orvik_silent_module SHARED ${PROJECT_SOURCE_DIR}/tests/silent_module.cpp)

get_target_property(orvik_engine_sources orvik_dice SOURCES)
list(REMOVE_ITEM orvik_engine_sources random/DiceRandom.cpp)
list(TRANSFORM orvik_engine_sources PREPEND ${PROJECT_SOURCE_DIR}/)
add_library(orvik_other_generator_module SHARED ${orvik_engine_sources}
  ${PROJECT_SOURCE_DIR}/host/Exports.cpp ${PROJECT_SOURCE_DIR}/tests/other_generator.cpp)
target_link_libraries(orvik_other_generator_module PRIVATE orvik_warnings)
add_library(orvik_biased_module SHARED ${orvik_engine_sources}
  ${PROJECT_SOURCE_DIR}/host/Exports.cpp ${PROJECT_SOURCE_DIR}/tests/biased_generator.cpp)
target_link_libraries(orvik_biased_module PRIVATE orvik_warnings)

foreach(module orvik_silent_module orvik_other_generator_module orvik_biased_module)
  target_include_directories(${module} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${module} PRIVATE ORVIK_BUILDING_MODULE)
  if(WIN32)
    set_target_properties(${module} PROPERTIES PREFIX "")
    target_link_options(${module} PRIVATE -static-libgcc -static-libstdc++)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      target_sources(${module} PRIVATE ${PROJECT_SOURCE_DIR}/host/orvik.def)
      target_link_options(${module} PRIVATE -Wl,--kill-at)
    endif()
  endif()
endforeach()

set(orvik_stand_in_env
  "ORVIK_SILENT_MODULE=$<TARGET_FILE:orvik_silent_module>"
  "ORVIK_OTHER_MODULE=$<TARGET_FILE:orvik_other_generator_module>"
  "ORVIK_BIASED_MODULE=$<TARGET_FILE:orvik_biased_module>")
