# `make windows-package`: Skyrelle.exe and the tools, stripped, in one zip with a folder to
# unpack wherever the user may write, which is also where Skyrelle.exe replaces itself.
set(windows_package Skyrelle-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR})
set(windows_stage ${PROJECT_BINARY_DIR}/packaging/${windows_package})
set(windows_programs Skyrelle skyrelle-reg skyrelle-render)
set(strip_commands)
foreach(program IN LISTS windows_programs)
  list(APPEND strip_commands COMMAND ${CMAKE_STRIP} -o
       ${windows_stage}/$<TARGET_FILE_NAME:${program}> $<TARGET_FILE:${program}>)
endforeach()
add_custom_target(windows_package
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${windows_stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${windows_stage}
  ${strip_commands}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/README.md ${windows_stage}
  COMMAND ${CMAKE_COMMAND} -E chdir ${PROJECT_BINARY_DIR}/packaging
          ${CMAKE_COMMAND} -E tar cf ${PROJECT_BINARY_DIR}/${windows_package}.zip --format=zip
          ${windows_package}
  DEPENDS ${windows_programs}
  COMMENT "Packing ${windows_package}.zip"
  VERBATIM)
